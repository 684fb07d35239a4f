#pragma once
// Message boxes of the Windows desktop, owned by the globe while it is on
// the screen, and web pages opened by the shell.

#include <objbase.h>

#include <string_view>

#include "platform/user_messages.h"
#include "platform/win32/win32_globe_window.h"

namespace nivarra {

// COM on the window's thread, as the shell asks of a program that calls
// ShellExecute: the handler of a web address may be a COM object.
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComApartment() {
    if (ok_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

class Win32Messages : public UserMessages {
 public:
  explicit Win32Messages(Win32GlobeWindow& window) : window_(window) {}
  void ShowMessage(std::string_view text) override;
  bool OpenWebPage(std::string_view address) override;

 private:
  Win32GlobeWindow& window_;
};

}  // namespace nivarra
