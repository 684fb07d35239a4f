#pragma once
// This run of the program: how it was started, and whether it is the globe
// that runs for the user.

#include <string>

namespace nivarra {

class ProgramInstance {
 public:
  virtual ~ProgramInstance() = default;
  // The first command-line argument, empty without one.
  virtual std::string FirstArgument() = 0;
  // Makes this the globe that runs for the user on this display. With
  // yieldToRunning (a plain start), when another globe already runs there,
  // that one is brought to the front instead and false is returned: the
  // caller then ends without showing anything.
  virtual bool ClaimRunningGlobe(bool yieldToRunning) = 0;
};

}  // namespace nivarra
