#pragma once
// Loading a layout: the records of a layout stream become components with
// their names, properties, handlers and references.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "layout/class_info.h"
#include "layout/reader.h"

namespace nivarra {

class TComponent;
class TForm;
class TPersistent;

// The error hook: told the message of an error that reading could get
// past; setting handled lets reading go on with the next record.
using TReaderErrorHook = std::function<void(const std::string& message, bool& handled)>;

class TLayoutLoader {
 public:
  explicit TLayoutLoader(TReader& reader);
  ~TLayoutLoader();
  TLayoutLoader(const TLayoutLoader&) = delete;
  TLayoutLoader& operator=(const TLayoutLoader&) = delete;

  // Reads the signature and the root record into root, which exists.
  TComponent& ReadLayoutRoot(TComponent& root);
  // One child record: creates (or finds) the component and fills it.
  void ReadComponentRecord();
  // One property record applied to instance.
  void ReadPropertyRecord(TPersistent& instance);
  // The plain reading of a component's own state: its property records,
  // then its child records.
  void ReadOwnStateOf(TComponent& component);

  void DeclareProperty(std::string_view name, const std::function<void(TReader&)>& routine);
  void DeclareBinaryProperty(std::string_view name, const std::function<void(TStream&)>& routine);

  TReaderErrorHook OnError;

 private:
  struct Fixup {
    TPersistent* Instance;
    const TPropInfo* Property;
    std::string Name;
  };

  void ApplyValue(TPersistent& object, const TPropInfo& property);
  void ApplyReference(TPersistent& object, const TPropInfo& property);
  void ApplyMethod(TPersistent& object, const TPropInfo& property);
  const TClassInfo& FindComponentClass(std::string_view name) const;
  void SkipComponentRecordRest();
  void ResolveFixups();
  bool OfferToErrorHook(const std::string& message);

  TReader& reader_;
  TComponent* root_ = nullptr;
  TComponent* lookupRoot_ = nullptr;
  TComponent* owner_ = nullptr;
  TComponent* parent_ = nullptr;
  TComponent* currentComponent_ = nullptr;
  std::string currentPropertyName_;
  bool errorsRecoverable_ = true;
  std::vector<TComponent*>* loaded_ = nullptr;
  std::vector<TComponent*> privateLoaded_;
  std::vector<Fixup> fixups_;
  bool collectingFixups_ = false;
  int depth_ = 0;  // nesting of the component record being read
};

// Finds the form's layout resources along its class chain and reads them.
// True when at least one was read.
bool LoadFormLayout(TForm& form);
// What a form's construction does: LoadFormLayout, and EResNotFound
// "Resource %s not found" when the class chain has no layout.
void InitFormFromLayout(TForm& form);

// Forgets the cross-form references that wait for instance (it is going).
void DropGlobalFixups(const TPersistent* instance);
// Forgets the cross-form references a failed read of root left behind.
void DropGlobalFixupsOfRoot(const TComponent* root);

// Component records nest no deeper than this; a layout that does is refused
// rather than allowed to exhaust the stack.
inline constexpr int kMaxRecordNesting = 64;

}  // namespace nivarra
