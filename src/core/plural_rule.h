#pragma once
// A catalog's rule for choosing among its plural forms: the C expression
// of its "Plural-Forms" header ("nplurals=3; plural=(n%10==1 && ...);"),
// read once and evaluated for each count.

#include <cstdint>
#include <memory>
#include <string_view>

namespace nivarra {

class PluralRule {
 public:
  // English: one form for 1, the other for every other count.
  PluralRule();
  // Reads the header's Plural-Forms line; a header without one, or with
  // one that cannot be read, gives the English rule.
  static PluralRule FromHeader(std::string_view header);
  ~PluralRule();
  PluralRule(PluralRule&&) noexcept;
  PluralRule& operator=(PluralRule&&) noexcept;

  int Count() const { return count_; }
  // The form for n, always in 0 .. Count() - 1.
  int FormFor(std::uint64_t n) const;

  struct Node;

 private:
  int count_ = 2;
  std::unique_ptr<Node> expression_;
};

}  // namespace nivarra
