#pragma once
// The root of every error the program raises on purpose: a class name and a
// fixed message, as shown to the user in a message box.

#include <exception>
#include <string>

namespace nivarra {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string message_;
};

// Declares an exception class that adds nothing but its own name.
#define NIVARRA_DECLARE_EXCEPTION(Name, Base)                                   \
  class Name : public Base {                                                   \
   public:                                                                     \
    using Base::Base;                                                          \
    const char* ClassName() const noexcept override { return #Name; }          \
  }

// The framework's conversion error ("Cannot assign a %s to a %s").
NIVARRA_DECLARE_EXCEPTION(EConvertError, Exception);

}  // namespace nivarra
