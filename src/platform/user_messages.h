#pragma once
// What the globe tells the user: a message box, and a web page opened in
// the user's browser.

#include <string_view>

namespace nivarra {

class UserMessages {
 public:
  virtual ~UserMessages() = default;
  // A modal message box; returns when the user closed it. A text marked
  // for translation (N_) is shown in the user's language.
  virtual void ShowMessage(std::string_view text) = 0;
  // Opens a web address with the user's browser; false when nothing could
  // open it.
  virtual bool OpenWebPage(std::string_view address) = 0;
};

}  // namespace nivarra
