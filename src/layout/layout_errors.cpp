#include "layout/layout_errors.h"

namespace nivarra {

std::string FormatMessage(const char* text, std::initializer_list<std::string> arguments) {
  std::string out;
  auto next = arguments.begin();
  for (const char* p = text; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] == 's' && next != arguments.end()) {
      out += *next++;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

}  // namespace nivarra
