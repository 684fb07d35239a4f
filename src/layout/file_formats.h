#pragma once
// The registry of graphic classes: which class a stored picture names, the
// file extension and description it goes by, and how to make one.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nivarra {

class TGraphic;

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TFileFormat {
  std::string ClassName;
  std::string Extension;  // lower case
  std::string Description;
  // Empty for classes this program does not have.
  TGraphicFactory Create;
};

class TFileFormatsList {
 public:
  TFileFormatsList() = default;

  // Appends an entry; the extension is stored in lower case.
  void RegisterFileFormat(std::string_view extension, std::string_view description,
                          std::string_view className, TGraphicFactory factory);
  // The last entry whose class name matches exactly (letter case counts),
  // or null.
  const TFileFormat* FindGraphicClass(std::string_view className) const;
  const std::vector<TFileFormat>& Entries() const { return entries_; }

 private:
  std::vector<TFileFormat> entries_;
};

// The program's registry, made on first use: the framework's own classes,
// then those of the image units in the order they start.
TFileFormatsList& FileFormats();

}  // namespace nivarra
