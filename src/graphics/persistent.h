#pragma once
// TPersistent: an object that can copy itself into, or from, another
// object. A copy that neither side understands ends in the framework's
// cannot-assign error.

namespace nivarra {

class TReader;
struct TClassInfo;

class TPersistent {
 public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  virtual ~TPersistent() = default;

  virtual const char* ClassName() const { return "TPersistent"; }
  // The class's published metadata, for classes a layout can set
  // properties of; null for the others.
  virtual const TClassInfo* PublishedClass() const { return nullptr; }

  // Copies from source. The fallback lets the source copy itself into this
  // object; a null source is an error.
  virtual void Assign(const TPersistent* source);
  // Copies this object into dest. The fallback raises the cannot-assign error.
  virtual void AssignTo(TPersistent& dest) const;
  // Declares the properties a layout may set that are not published (a
  // picture's "Data", a form's "TextHeight"), each with its reader routine.
  // A class declares its base class's first, then its own.
  virtual void DeclareCustomProperties(TReader& reader) { (void)reader; }

 protected:
  // Raises EConvertError "Cannot assign a <source or nil> to a <this class>".
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

}  // namespace nivarra
