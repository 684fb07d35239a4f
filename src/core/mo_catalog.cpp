#include "core/mo_catalog.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace nivarra {

namespace {

constexpr std::uint32_t kMagic = 0x950412de;
constexpr std::size_t kHeaderSize = 28;

class MoReader {
 public:
  explicit MoReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {
    if (bytes.size() < kHeaderSize) Fail();
    const std::uint32_t magic = Raw(0);
    if (magic == kMagic) {
      swapped_ = false;
    } else if (magic == ((kMagic >> 24) | ((kMagic >> 8) & 0xff00) | ((kMagic << 8) & 0xff0000) | (kMagic << 24))) {
      swapped_ = true;
    } else {
      Fail();
    }
  }

  std::uint32_t Word(std::size_t at) const {
    const std::uint32_t v = Raw(at);
    return swapped_ ? (v >> 24) | ((v >> 8) & 0xff00) | ((v << 8) & 0xff0000) | (v << 24) : v;
  }

  // The string described by the (length, offset) pair at table + 8 * index.
  std::string_view String(std::uint32_t table, std::uint32_t index) const {
    const std::uint64_t pair = std::uint64_t{table} + 8ull * index;
    if (pair + 8 > bytes_.size()) Fail();
    const std::uint64_t length = Word(static_cast<std::size_t>(pair));
    const std::uint64_t offset = Word(static_cast<std::size_t>(pair + 4));
    if (offset + length >= bytes_.size()) Fail();  // the terminating \0 lies inside too
    return {reinterpret_cast<const char*>(bytes_.data() + offset), static_cast<std::size_t>(length)};
  }

  [[noreturn]] static void Fail() { throw std::invalid_argument("not a message catalog"); }

 private:
  std::uint32_t Raw(std::size_t at) const {
    if (at + 4 > bytes_.size()) Fail();
    return static_cast<std::uint32_t>(bytes_[at]) | static_cast<std::uint32_t>(bytes_[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes_[at + 2]) << 16 | static_cast<std::uint32_t>(bytes_[at + 3]) << 24;
  }

  std::span<const std::uint8_t> bytes_;
  bool swapped_ = false;
};

// The value of a header field ("Language: ru\n"), empty when absent.
std::string HeaderField(std::string_view header, std::string_view name) {
  for (std::size_t at = 0; at < header.size();) {
    const std::size_t end = std::min(header.find('\n', at), header.size());
    const std::string_view line = header.substr(at, end - at);
    if (line.starts_with(name) && line.size() > name.size() && line[name.size()] == ':') {
      std::string_view value = line.substr(name.size() + 1);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      return std::string(value);
    }
    at = end + 1;
  }
  return {};
}

// The index-th of the \0-separated forms, or empty.
std::string_view Form(std::string_view forms, int index) {
  for (int i = 0; i < index; ++i) {
    const std::size_t end = forms.find('\0');
    if (end == std::string_view::npos) return {};
    forms.remove_prefix(end + 1);
  }
  return forms.substr(0, forms.find('\0'));
}

}  // namespace

MoCatalog::MoCatalog(std::span<const std::uint8_t> bytes) {
  const MoReader reader(bytes);
  const std::uint32_t count = reader.Word(8);
  const std::uint32_t originals = reader.Word(12);
  const std::uint32_t translations = reader.Word(16);
  if (count > bytes.size() / 16) MoReader::Fail();
  entries_.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    entries_.push_back(Entry{reader.String(originals, i), reader.String(translations, i)});
  }
  // Look-ups halve the table: it must be in order whatever wrote it.
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.Original < b.Original; });
  if (const Entry* header = Lookup("")) header_ = header->Translation;
  language_ = HeaderField(header_, "Language");
  plurals_ = PluralRule::FromHeader(header_);
}

const MoCatalog::Entry* MoCatalog::Lookup(std::string_view original) const {
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), original,
                                   [](const Entry& e, std::string_view key) { return e.Original < key; });
  return it != entries_.end() && it->Original == original ? &*it : nullptr;
}

std::string MoCatalog::Find(std::string_view text) const {
  const Entry* entry = text.empty() ? nullptr : Lookup(text);
  return entry != nullptr ? std::string(Form(entry->Translation, 0)) : std::string();
}

std::string MoCatalog::FindPlural(std::string_view singular, std::string_view plural, std::uint64_t n) const {
  std::string key(singular);
  key += '\0';
  key += plural;
  const Entry* entry = Lookup(key);
  return entry != nullptr ? std::string(Form(entry->Translation, plurals_.FormFor(n))) : std::string();
}

}  // namespace nivarra
