#include "core/plural_rule.h"

#include <cctype>
#include <optional>
#include <stdexcept>
#include <string>

namespace nivarra {

// One operation of the expression: a number, n, or an operator with its
// operands (the ternary's condition first).
struct PluralRule::Node {
  enum class Kind { Number, N, Not, Binary, Ternary } Kind = Kind::Number;
  std::string Operator;
  std::uint64_t Value = 0;
  std::unique_ptr<Node> A, B, C;

  std::uint64_t Evaluate(std::uint64_t n) const {
    switch (Kind) {
      case Kind::Number: return Value;
      case Kind::N: return n;
      case Kind::Not: return A->Evaluate(n) == 0;
      case Kind::Ternary: return A->Evaluate(n) != 0 ? B->Evaluate(n) : C->Evaluate(n);
      case Kind::Binary: break;
    }
    const std::uint64_t a = A->Evaluate(n);
    // && and || look at their right side only when C would.
    if (Operator == "&&") return a != 0 && B->Evaluate(n) != 0;
    if (Operator == "||") return a != 0 || B->Evaluate(n) != 0;
    const std::uint64_t b = B->Evaluate(n);
    if (Operator == "==") return a == b;
    if (Operator == "!=") return a != b;
    if (Operator == "<") return a < b;
    if (Operator == ">") return a > b;
    if (Operator == "<=") return a <= b;
    if (Operator == ">=") return a >= b;
    if (Operator == "+") return a + b;
    if (Operator == "-") return a - b;
    if (Operator == "*") return a * b;
    // A division by zero chooses the first form rather than failing.
    if (Operator == "/") return b != 0 ? a / b : 0;
    if (Operator == "%") return b != 0 ? a % b : 0;
    return 0;
  }
};

namespace {

using Node = PluralRule::Node;

// Operators from the loosest binding to the tightest, as in C.
constexpr std::string_view kLevels[][4] = {
    {"||"}, {"&&"}, {"==", "!="}, {"<=", ">=", "<", ">"}, {"+", "-"}, {"*", "/", "%"},
};
constexpr int kLevelCount = static_cast<int>(std::size(kLevels));
constexpr std::size_t kMaxDepth = 64;  // nesting a sane rule never comes near

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::unique_ptr<Node> Whole() {
    auto node = Ternary();
    Skip();
    if (at_ != text_.size() && text_[at_] != ';') Fail();
    return node;
  }

 private:
  [[noreturn]] static void Fail() { throw std::invalid_argument("unreadable plural rule"); }

  void Skip() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }
  bool Take(std::string_view token) {
    Skip();
    if (text_.substr(at_, token.size()) != token) return false;
    // "<" is not the start of "<=", nor "!" of "!=".
    const bool comparisonFollows = at_ + 1 < text_.size() && text_[at_ + 1] == '=';
    if (token.size() == 1 && std::string_view("<>!").find(token[0]) != std::string_view::npos && comparisonFollows) {
      return false;
    }
    at_ += token.size();
    return true;
  }

  std::unique_ptr<Node> Ternary() {
    if (++depth_ > kMaxDepth) Fail();
    auto condition = Binary(0);
    if (Take("?")) {
      auto node = std::make_unique<Node>();
      node->Kind = Node::Kind::Ternary;
      node->A = std::move(condition);
      node->B = Ternary();
      if (!Take(":")) Fail();
      node->C = Ternary();
      condition = std::move(node);
    }
    --depth_;
    return condition;
  }

  std::unique_ptr<Node> Binary(int level) {
    if (level == kLevelCount) return Unary();
    auto left = Binary(level + 1);
    for (;;) {
      std::optional<std::string_view> found;
      for (std::string_view op : kLevels[level]) {
        if (!op.empty() && Take(op)) {
          found = op;
          break;
        }
      }
      if (!found) return left;
      auto node = std::make_unique<Node>();
      node->Kind = Node::Kind::Binary;
      node->Operator = std::string(*found);
      node->A = std::move(left);
      node->B = Binary(level + 1);
      left = std::move(node);
    }
  }

  std::unique_ptr<Node> Unary() {
    auto node = std::make_unique<Node>();
    if (Take("!")) {
      node->Kind = Node::Kind::Not;
      node->A = Unary();
      return node;
    }
    if (Take("(")) {
      node = Ternary();
      if (!Take(")")) Fail();
      return node;
    }
    Skip();
    if (at_ < text_.size() && text_[at_] == 'n') {
      ++at_;
      node->Kind = Node::Kind::N;
      return node;
    }
    if (at_ >= text_.size() || !std::isdigit(static_cast<unsigned char>(text_[at_]))) Fail();
    while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
      node->Value = node->Value * 10 + static_cast<std::uint64_t>(text_[at_++] - '0');
      if (node->Value > 1'000'000'000) Fail();
    }
    return node;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t depth_ = 0;
};

// The value after "name=" in a Plural-Forms line, up to its ";".
std::optional<std::string_view> Field(std::string_view line, std::string_view name) {
  for (std::size_t at = line.find(name); at != std::string_view::npos; at = line.find(name, at + 1)) {
    std::size_t value = at + name.size();
    while (value < line.size() && line[value] == ' ') ++value;
    if (value < line.size() && line[value] == '=') {
      const std::string_view rest = line.substr(value + 1);
      return rest.substr(0, rest.find(';'));
    }
  }
  return std::nullopt;
}

}  // namespace

PluralRule::PluralRule() = default;
PluralRule::~PluralRule() = default;
PluralRule::PluralRule(PluralRule&&) noexcept = default;
PluralRule& PluralRule::operator=(PluralRule&&) noexcept = default;

PluralRule PluralRule::FromHeader(std::string_view header) {
  PluralRule rule;
  try {
    const std::size_t start = header.find("Plural-Forms:");
    if (start == std::string_view::npos) throw std::invalid_argument("no plural rule");
    std::string_view line = header.substr(start);
    line = line.substr(0, line.find('\n'));
    const auto count = Field(line, "nplurals");
    const auto expression = Field(line, "plural");
    if (!count || !expression) throw std::invalid_argument("no plural rule");
    rule.count_ = std::stoi(std::string(*count));
    if (rule.count_ < 1 || rule.count_ > 6) throw std::invalid_argument("unreadable plural count");
    rule.expression_ = Parser(*expression).Whole();
  } catch (const std::exception&) {
    rule.count_ = 2;
    rule.expression_ = nullptr;
  }
  return rule;
}

int PluralRule::FormFor(std::uint64_t n) const {
  if (expression_ == nullptr) return n == 1 ? 0 : 1;  // English
  const std::uint64_t form = expression_->Evaluate(n);
  return form < static_cast<std::uint64_t>(count_) ? static_cast<int>(form) : 0;
}

}  // namespace nivarra
