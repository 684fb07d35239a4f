#include "layout/layout_source.h"

#include <cctype>
#include <optional>

#include "layout/writer.h"

namespace nivarra {

namespace {

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.'; }

// A cursor over one line.
class LineScanner {
 public:
  LineScanner(std::string_view text, int line) : text_(text), line_(line) {}

  void SkipSpaces() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])) != 0) ++at_;
  }
  bool AtEnd() {
    SkipSpaces();
    return at_ >= text_.size() || text_[at_] == '#';
  }
  bool Take(char c) {
    SkipSpaces();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  std::string Word() {
    SkipSpaces();
    const std::size_t start = at_;
    while (at_ < text_.size() && IsNameChar(text_[at_])) ++at_;
    if (start == at_) Fail("a name is missing");
    return std::string(text_.substr(start, at_ - start));
  }
  std::optional<std::int64_t> Number() {
    SkipSpaces();
    std::size_t i = at_;
    if (i < text_.size() && text_[i] == '-') ++i;
    if (i >= text_.size() || std::isdigit(static_cast<unsigned char>(text_[i])) == 0) return std::nullopt;
    const std::size_t start = at_;
    while (i < text_.size() && std::isdigit(static_cast<unsigned char>(text_[i])) != 0) ++i;
    at_ = i;
    try {
      return std::stoll(std::string(text_.substr(start, i - start)));
    } catch (const std::exception&) {
      Fail("number out of range");
    }
  }
  std::optional<std::string> Quoted() {
    if (!Take('"')) return std::nullopt;
    std::string out;
    while (at_ < text_.size() && text_[at_] != '"') {
      if (text_[at_] == '\\' && at_ + 1 < text_.size()) ++at_;
      out += text_[at_++];
    }
    if (at_ >= text_.size()) Fail("unterminated string");
    ++at_;
    return out;
  }
  void ExpectEnd() {
    if (!AtEnd()) Fail("unexpected text: " + std::string(text_.substr(at_)));
  }
  [[noreturn]] void Fail(const std::string& message) const { throw LayoutSourceError(line_, message); }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  int line_;
};

struct OpenComponent {
  bool inChildren;
};

}  // namespace

std::vector<std::uint8_t> CompileLayoutSource(std::string_view source, const LayoutFileReader& readFile) {
  TLayoutWriter writer;
  writer.WriteSignature();
  std::vector<OpenComponent> open;
  bool rootDone = false;
  int lineNumber = 0;

  for (std::size_t start = 0; start <= source.size();) {
    std::size_t end = source.find('\n', start);
    if (end == std::string_view::npos) end = source.size();
    LineScanner line(source.substr(start, end - start), ++lineNumber);
    start = end + 1;
    if (line.AtEnd()) continue;

    const std::string word = line.Word();
    if (word == "component") {
      if (open.empty() && rootDone) line.Fail("only one root component");
      if (!open.empty() && !open.back().inChildren) {
        writer.EndList();  // the parent's properties end at its first child
        open.back().inChildren = true;
      }
      const std::string className = line.Word();
      const std::string name = line.AtEnd() ? std::string() : line.Word();
      line.ExpectEnd();
      writer.BeginComponent(className, name);
      open.push_back({false});
    } else if (word == "end") {
      line.ExpectEnd();
      if (open.empty()) line.Fail("\"end\" without a component");
      if (!open.back().inChildren) writer.EndList();
      writer.EndList();
      open.pop_back();
      if (open.empty()) rootDone = true;
    } else {
      if (open.empty()) line.Fail("a property outside any component");
      if (open.back().inChildren) line.Fail("properties must come before the children");
      if (!line.Take('=')) line.Fail("\"=\" expected after " + word);
      if (auto number = line.Number()) {
        writer.WriteInteger(word, *number);
      } else if (auto text = line.Quoted()) {
        writer.WriteString(word, *text);
      } else if (line.Take('[')) {
        std::vector<std::string> elements;
        if (!line.Take(']')) {
          do elements.push_back(line.Word());
          while (line.Take(','));
          if (!line.Take(']')) line.Fail("\"]\" expected");
        }
        writer.WriteSet(word, elements);
      } else {
        const std::string value = line.Word();
        if (value == "true" || value == "false") {
          writer.WriteBoolean(word, value == "true");
        } else if (value == "png" || value == "bitmap") {
          auto path = line.Quoted();
          if (!path) line.Fail("a quoted file name is expected after " + value);
          const std::vector<std::uint8_t> file = readFile(*path);
          writer.WriteBinary(word, value == "png" ? PngPicturePayload(file) : BitmapPicturePayload(file));
        } else {
          writer.WriteIdentifier(word, value);
        }
      }
      line.ExpectEnd();
    }
  }
  if (!open.empty()) throw LayoutSourceError(lineNumber, "a component is not closed with \"end\"");
  if (!rootDone) throw LayoutSourceError(lineNumber, "no component");
  return writer.Bytes();
}

}  // namespace nivarra
