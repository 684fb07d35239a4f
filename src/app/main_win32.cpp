// The Windows program: the globe window's layout comes from the resources
// linked into the executable, the desktop is Win32's.

#include "platform/win32/win32_desktop.h"
#include "platform/win32/wide_text.h"

#include <cstdint>
#include <exception>
#include <span>

#include "app/globe_app.h"
#include "layout/resources.h"

namespace {

// The layout resource as linked in, or empty when it is missing.
std::span<const std::uint8_t> LinkedLayout(HINSTANCE instance) {
  const HRSRC found = ::FindResourceW(instance, L"TFRMMAIN", MAKEINTRESOURCEW(nivarra::kRtRcdata));
  if (found == nullptr) return {};
  const HGLOBAL loaded = ::LoadResource(instance, found);
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  const DWORD size = ::SizeofResource(instance, found);
  if (data == nullptr || size == 0) return {};
  return {static_cast<const std::uint8_t*>(data), size};
}

void ShowError(const char* text) {
  ::MessageBoxW(nullptr, nivarra::WideFromUtf8(text).c_str(), nivarra::kApplicationTitle, MB_OK | MB_ICONERROR);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const std::span<const std::uint8_t> layout = LinkedLayout(instance);
  if (layout.empty()) {
    ShowError("This copy of Nivarra is damaged: the globe window's layout (resource TFRMMAIN) is missing.");
    return 1;
  }
  // Resources stay mapped for the life of the process.
  nivarra::RegisterResource(nivarra::kRtRcdata, "TFRMMAIN", layout);
  try {
    nivarra::Win32Desktop desktop;
    return nivarra::RunGlobe(desktop.Services());
  } catch (const std::exception& error) {
    ShowError(error.what());
  } catch (...) {
    ShowError(nivarra::Translate("Nivarra stopped after an unknown error.").c_str());
  }
  return 1;
}
