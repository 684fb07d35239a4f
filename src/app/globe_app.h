#pragma once
// The program: the globe window created from its layout resource and run
// on a desktop until it closes.

namespace nivarra {

class Platform;

// Creates the globe window from the layout resource "TFRMMAIN" (which the
// caller has registered), shows it and runs the desktop's event loop until
// the window has closed. Returns the exit code.
int RunGlobe(Platform& platform);

}  // namespace nivarra
