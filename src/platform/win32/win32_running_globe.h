#pragma once
// The one globe that runs for the user on Windows: every globe holds a
// named mutex in the session while it runs; a plain start that finds it
// held asks the other globes to come to the front instead. The claim goes
// once a close is decided.

#include "platform/win32/windows_api.h"

#include <memory>
#include <string>
#include <type_traits>

#include "platform/program_instance.h"
#include "platform/win32/win32_globe_window.h"

namespace nivarra {

class Win32RunningGlobe : public ProgramInstance {
 public:
  explicit Win32RunningGlobe(Win32GlobeWindow& window);
  ~Win32RunningGlobe() override;
  Win32RunningGlobe(const Win32RunningGlobe&) = delete;
  Win32RunningGlobe& operator=(const Win32RunningGlobe&) = delete;

  std::string FirstArgument() override;
  bool ClaimRunningGlobe(bool yieldToRunning) override;

 private:
  struct HandleDeleter {
    void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); }
  };
  using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleDeleter>;

  Win32GlobeWindow& window_;
  // Held while this globe runs: a plain start that finds it gives way.
  UniqueHandle claim_;
  // Another start asks the running globe to come to the front.
  UINT comeToFront_ = 0;
};

}  // namespace nivarra
