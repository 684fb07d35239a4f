# Writes a C++ source with the bytes of FILES, handed out in their order by
# std::vector<std::span<const std::uint8_t>> nivarra::FUNCTION().
#   cmake -DOUTPUT=out.cpp -DFUNCTION=Name "-DFILES=a|b" -P embed-files.cmake
string(REPLACE "|" ";" FILES "${FILES}")
set(body "")
set(spans "")
set(index 0)
foreach(file IN LISTS FILES)
  file(READ ${file} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  cmake_path(GET file FILENAME name)
  string(APPEND body "// ${name}\nconst std::uint8_t kFile${index}[] = {\n    ${hex}};\n")
  string(APPEND spans "kFile${index}, ")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.new "// Made by cmake/embed-files.cmake.
#include <cstdint>
#include <span>
#include <vector>

namespace nivarra {
namespace {
${body}}  // namespace

std::vector<std::span<const std::uint8_t>> ${FUNCTION}() { return {${spans}}; }

}  // namespace nivarra
")
file(RENAME ${OUTPUT}.new ${OUTPUT})
