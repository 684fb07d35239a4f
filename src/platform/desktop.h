#pragma once
// What the globe needs from the desktop it stands on, one service per
// concern. The program and the scene see only these; each desktop
// implements them.

#include "platform/autostart.h"
#include "platform/clock.h"
#include "platform/globe_window.h"
#include "platform/language.h"
#include "platform/monitor_layout.h"
#include "platform/program_instance.h"
#include "platform/settings_store.h"
#include "platform/user_messages.h"

namespace nivarra {

// The services of one desktop, which outlive every copy of this.
struct Desktop {
  Clock& Time;
  GlobeWindow& Window;
  UserMessages& Messages;
  SettingsStore& Settings;
  Autostart& StartWithSystem;
  ProgramInstance& Instance;
  MonitorLayout& Screen;
  LanguageSupport& Language;
};

}  // namespace nivarra
