#pragma once
// The readable source of a layout, compiled into its binary stream.
//
//   # a comment
//   component TfrmMain frmMain
//     Left = 310                 integer
//     Caption = "Nivarra"        string
//     BorderStyle = bsNone       identifier
//     KeyPreview = true          Boolean (true or false)
//     Font.Style = []            set: [fsBold, fsItalic]
//     component TImage Snow1     a child: the parent's properties end here
//       Picture.Data = png "art/Snow1.png"         a PNG picture
//       Picture.Data = bitmap "art/imgMask.bmp"    a BMP picture
//     end
//   end
//
// Properties come before children; every component closes with "end".

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace nivarra {

class LayoutSourceError : public std::runtime_error {
 public:
  LayoutSourceError(int line, const std::string& message)
      : std::runtime_error("line " + std::to_string(line) + ": " + message) {}
};

// Reads the file a picture names (relative to the source).
using LayoutFileReader = std::function<std::vector<std::uint8_t>(const std::string& path)>;

std::vector<std::uint8_t> CompileLayoutSource(std::string_view source, const LayoutFileReader& readFile);

}  // namespace nivarra
