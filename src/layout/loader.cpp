#include "layout/loader.h"

#include <algorithm>
#include <mutex>

#include "graphics/stream.h"
#include "layout/component.h"
#include "layout/form.h"
#include "layout/layout_errors.h"
#include "layout/names.h"
#include "layout/resources.h"

namespace nivarra {

namespace {

constexpr int kLayoutBufferSize = 4096;
// A binary value is copied into its own stream in pieces of this size, so a
// corrupt length cannot make us allocate more than the layout holds.
constexpr std::size_t kBinaryPiece = 64 * 1024;

[[noreturn]] void RaiseRead(const char* text) { throw EReadError(text); }
[[noreturn]] void RaiseRead(const char* text, std::string_view argument) {
  throw EReadError(FormatMessage(text, {std::string(argument)}));
}

// One reader at a time in the whole process; the same thread may nest.
std::recursive_mutex& NameSpaceLock() {
  static std::recursive_mutex lock;
  return lock;
}

// The components of every layout read while a form's class chain loads;
// they finish loading together at the end.
thread_local std::vector<TComponent*>* loadingBatch = nullptr;

// References to components of other top-level forms, retried after each
// layout is read.
struct GlobalFixup {
  const TComponent* Root;
  TPersistent* Instance;
  const TPropInfo* Property;
  std::string FormName;
  std::string Rest;
};

struct GlobalFixupList {
  std::mutex lock;
  std::vector<GlobalFixup> entries;
};

GlobalFixupList& GlobalFixups() {
  static GlobalFixupList list;
  return list;
}

std::vector<std::string_view> SplitPath(std::string_view path, std::string_view separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = path.find(separator, start);
    parts.push_back(path.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + separator.size();
  }
}

// Looks name up from root as a path of owned components; segments are
// separated by "." or "->", and "Owner" that names no component stays put.
TComponent* FindNestedComponent(TComponent* root, std::string_view name) {
  TComponent* current = root;
  std::size_t start = 0;
  while (current != nullptr && start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && name[end] != '.' && name[end] != '-') ++end;
    const std::string_view segment = name.substr(start, end - start);
    TComponent* next = current->FindOwnedComponent(segment);
    if (next == nullptr && SameName(segment, "Owner")) next = current;
    current = next;
    if (end >= name.size()) return current;
    if (name[end] == '-') {
      if (end + 1 >= name.size() || name[end + 1] != '>') return nullptr;
      ++end;
    }
    start = end + 1;
  }
  return current;
}

std::string InstanceName(const TPersistent& instance) {
  if (const auto* component = dynamic_cast<const TComponent*>(&instance); component && !component->Name().empty()) {
    return component->Name();
  }
  return instance.ClassName();
}

bool PropertyIsEmpty(TPersistent& instance, const TPropInfo& property) {
  return !property.Get || property.Get(instance) == nullptr;
}

void RetryGlobalFixups() {
  GlobalFixupList& list = GlobalFixups();
  std::lock_guard<std::mutex> guard(list.lock);
  auto& entries = list.entries;
  for (std::size_t i = 0; i < entries.size();) {
    GlobalFixup& f = entries[i];
    if (TForm* form = TForm::FindTopLevelForm(f.FormName)) {
      f.Property->Set(*f.Instance, TPropValue{static_cast<TPersistent*>(FindNestedComponent(form, f.Rest))});
    } else if (PropertyIsEmpty(*f.Instance, *f.Property)) {
      ++i;  // the form may come later
      continue;
    }
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

}  // namespace

void DropGlobalFixups(const TPersistent* instance) {
  GlobalFixupList& list = GlobalFixups();
  std::lock_guard<std::mutex> guard(list.lock);
  std::erase_if(list.entries, [instance](const GlobalFixup& f) { return f.Instance == instance; });
}

void DropGlobalFixupsOfRoot(const TComponent* root) {
  GlobalFixupList& list = GlobalFixups();
  std::lock_guard<std::mutex> guard(list.lock);
  std::erase_if(list.entries, [root](const GlobalFixup& f) { return f.Root == root; });
}

// --- TReader's declarations and the plain ReadOwnState -----------------------

void TReader::DeclareProperty(std::string_view name, const std::function<void(TReader&)>& routine) {
  if (loader_ != nullptr) loader_->DeclareProperty(name, routine);
}

void TReader::DeclareBinaryProperty(std::string_view name, const std::function<void(TStream&)>& routine) {
  if (loader_ != nullptr) loader_->DeclareBinaryProperty(name, routine);
}

void TComponent::ReadOwnState(TReader& reader) {
  if (reader.Loader() != nullptr) reader.Loader()->ReadOwnStateOf(*this);
}

void TComponent::DeclareCustomProperties(TReader& reader) {
  // The design position of a component that is not a control: two 16-bit
  // halves of one number.
  reader.DeclareProperty("Left", [this](TReader& r) {
    SetDesignPosition(static_cast<std::int16_t>(r.ReadWholeNumber()), designTop_);
  });
  reader.DeclareProperty("Top", [this](TReader& r) {
    SetDesignPosition(designLeft_, static_cast<std::int16_t>(r.ReadWholeNumber()));
  });
}

// --- TLayoutLoader -------------------------------------------------------------

TLayoutLoader::TLayoutLoader(TReader& reader) : reader_(reader) { reader_.SetLoader(this); }

TLayoutLoader::~TLayoutLoader() { reader_.SetLoader(nullptr); }

bool TLayoutLoader::OfferToErrorHook(const std::string& message) {
  bool handled = false;
  if (OnError) OnError(message, handled);
  return handled;
}

TComponent& TLayoutLoader::ReadLayoutRoot(TComponent& root) {
  const bool privateList = loadingBatch == nullptr;
  loaded_ = privateList ? &privateLoaded_ : loadingBatch;
  try {
    reader_.CheckLayoutSignature();
    reader_.ReadRecordPrefix();
    reader_.ReadShortName();  // the class: the root exists already
    const std::string name = reader_.ReadShortName();
    if (!root.HasState(csDesigning)) {
      root.SetState(csLoading | csReading);
      // A second form of the same layout gets name_1, name_2, ...
      std::string unique = name;
      for (int n = 1; !unique.empty(); ++n) {
        const TForm* other = TForm::FindTopLevelForm(unique);
        if (other == nullptr || other == &root) break;
        unique = name + "_" + std::to_string(n);
      }
      root.SetName(unique);
    }
    root_ = lookupRoot_ = owner_ = &root;
    parent_ = nullptr;
    if (std::find(loaded_->begin(), loaded_->end(), &root) == loaded_->end()) loaded_->push_back(&root);

    root.SetState(csLoading | csReading);
    root.ReadOwnState(reader_);
    root.ClearState(csReading);

    if (privateList) {
      for (TComponent* c : privateLoaded_) c->FinishLoading();
      privateLoaded_.clear();
    }
    for (;;) {
      try {
        RetryGlobalFixups();
        break;
      } catch (const Exception& e) {
        if (!OfferToErrorHook(e.Message())) throw;
      }
    }
  } catch (...) {
    fixups_.clear();
    DropGlobalFixupsOfRoot(&root);
    throw;
  }
  return root;
}

void TLayoutLoader::ReadOwnStateOf(TComponent& component) {
  const bool outermost = &component == root_ && !collectingFixups_;
  if (outermost) {
    collectingFixups_ = true;
    fixups_.clear();
  }
  TComponent* const previousComponent = currentComponent_;
  currentComponent_ = &component;
  while (!reader_.AtListEnd()) ReadPropertyRecord(component);
  reader_.ReadByte();
  currentComponent_ = previousComponent;

  TComponent* const previousParent = parent_;
  TComponent* const previousOwner = owner_;
  parent_ = component.ChildParent();
  owner_ = component.ChildOwner() != nullptr ? component.ChildOwner() : root_;
  while (!reader_.AtListEnd()) ReadComponentRecord();
  reader_.ReadByte();
  parent_ = previousParent;
  owner_ = previousOwner;

  if (outermost) {
    ResolveFixups();
    collectingFixups_ = false;
  }
}

const TClassInfo& TLayoutLoader::FindComponentClass(std::string_view name) const {
  const TClassInfo* cls = FindSlotClass(root_->ClassInfo(), name);
  if (cls == nullptr && lookupRoot_ != root_) cls = FindSlotClass(lookupRoot_->ClassInfo(), name);
  if (cls == nullptr) cls = FindRegisteredClass(name);
  if (cls == nullptr || cls->Create == nullptr || !cls->InheritsFrom(TComponent::StaticClassInfo())) {
    throw EClassNotFound(FormatMessage(layout_text::kClassNotFound, {std::string(name)}));
  }
  return *cls;
}

void TLayoutLoader::SkipComponentRecordRest() {
  // Iterative: a hostile layout may nest records without end.
  int open = 1;  // records whose properties or children are still to skip
  bool inProperties = true;
  while (open > 0) {
    if (inProperties) {
      while (!reader_.AtListEnd()) {
        reader_.ReadShortName();
        reader_.SkipValueRecord();
      }
      reader_.ReadByte();
      inProperties = false;
    } else if (reader_.AtListEnd()) {
      reader_.ReadByte();
      --open;
    } else {
      if (open >= kMaxRecordNesting) RaiseRead(layout_text::kInvalidStreamFormat);
      reader_.ReadRecordPrefix();
      reader_.ReadShortName();
      reader_.ReadShortName();
      ++open;
      inProperties = true;
    }
  }
}

void TLayoutLoader::ReadComponentRecord() {
  if (depth_ >= kMaxRecordNesting) RaiseRead(layout_text::kInvalidStreamFormat);
  struct Nesting {
    int& depth;
    explicit Nesting(int& d) : depth(d) { ++depth; }
    ~Nesting() { --depth; }
  } nesting(depth_);
  TComponent* const enclosing = parent_;
  const RecordPrefix prefix = reader_.ReadRecordPrefix();
  const std::string className = reader_.ReadShortName();
  const std::string name = reader_.ReadShortName();
  const bool inherited = (prefix.Flags & kFlagInherited) != 0;
  const bool isInline = (prefix.Flags & kFlagInline) != 0;

  TComponent* component = nullptr;
  bool createdHere = false;
  try {
    if (inherited) {
      component = lookupRoot_->FindOwnedComponent(name);
      if (component == nullptr) RaiseRead(layout_text::kAncestorNotFound, name);
      // An inherited component keeps its own parent.
      parent_ = component->ParentComponent() != nullptr ? component->ParentComponent() : root_;
    } else {
      const TClassInfo& cls = FindComponentClass(className);
      component = cls.Create(owner_);
      createdHere = true;
      if (isInline) component->SetState(csLoading | csInline);
    }
    component->SetState(csLoading);
    if (!inherited) {
      component->SetParentComponent(parent_);
      component->SetName(name);
    }
  } catch (const Exception& e) {
    if (createdHere) delete component;
    parent_ = enclosing;
    SkipComponentRecordRest();
    if (OfferToErrorHook(e.Message())) return;
    throw;
  }

  TComponent* const previousLookupRoot = lookupRoot_;
  TComponent* const orderedBy = parent_;
  try {
    if (isInline) lookupRoot_ = component;
    component->SetState(csReading);
    component->ReadOwnState(reader_);
    component->ClearState(csReading);
    if ((prefix.Flags & kFlagChildPosition) != 0 && orderedBy != nullptr) {
      orderedBy->SetChildOrder(component, prefix.ChildPosition);
    }
    if (!(inherited || isInline) || std::find(loaded_->begin(), loaded_->end(), component) == loaded_->end()) {
      loaded_->push_back(component);
    }
  } catch (...) {
    if (createdHere) delete component;
    lookupRoot_ = previousLookupRoot;
    parent_ = enclosing;
    throw;
  }
  lookupRoot_ = previousLookupRoot;
  parent_ = enclosing;
}

void TLayoutLoader::ReadPropertyRecord(TPersistent& instance) {
  const std::string path = reader_.ReadShortName();
  errorsRecoverable_ = true;
  try {
    const std::vector<std::string_view> segments = SplitPath(path, ".");
    TPersistent* object = &instance;
    for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
      const TClassInfo* cls = object->PublishedClass();
      const TPropInfo* property = cls != nullptr ? FindProperty(*cls, segments[i]) : nullptr;
      if (property == nullptr) {
        reader_.SkipValueRecord();
        RaiseRead(layout_text::kPropertyDoesNotExist, segments[i]);
      }
      TPersistent* next = property->Kind == TPropKind::Class && property->Get ? property->Get(*object) : nullptr;
      if (next == nullptr) {
        reader_.SkipValueRecord();
        RaiseRead(layout_text::kInvalidPropertyPath);
      }
      object = next;
    }

    currentPropertyName_ = std::string(segments.back());
    const TClassInfo* cls = object->PublishedClass();
    if (const TPropInfo* property = cls != nullptr ? FindProperty(*cls, currentPropertyName_) : nullptr) {
      ApplyValue(*object, *property);
    } else {
      errorsRecoverable_ = false;
      object->DeclareCustomProperties(reader_);
      errorsRecoverable_ = true;
      if (!currentPropertyName_.empty()) {
        reader_.SkipValueRecord();
        RaiseRead(layout_text::kPropertyDoesNotExist, currentPropertyName_);
      }
    }
  } catch (const Exception& e) {
    const std::string message =
        FormatMessage(layout_text::kErrorReading, {InstanceName(instance), ".", path, e.Message()});
    if (errorsRecoverable_ && OfferToErrorHook(message)) return;
    throw EReadError(message);
  }
}

void TLayoutLoader::ApplyValue(TPersistent& object, const TPropInfo& property) {
  if (!property.Set) RaiseRead(layout_text::kPropertyReadOnly);
  const TTypeInfo* type = property.Type;
  switch (property.Kind) {
    case TPropKind::Integer: {
      if (reader_.PeekValueCode() == ValueCode::Ident) {
        const std::string identifier = reader_.ReadIdentifier();
        if (type != nullptr) {
          for (const TIdentMapEntry& entry : type->IdentMap) {
            if (SameName(entry.Name, identifier)) {
              property.Set(object, TPropValue{entry.Value});
              return;
            }
          }
        }
        RaiseRead(layout_text::kInvalidPropertyValue);
      }
      property.Set(object, TPropValue{std::int64_t{reader_.ReadWholeNumber()}});
      return;
    }
    case TPropKind::Char:
      property.Set(object, TPropValue{std::int64_t{static_cast<unsigned char>(reader_.ReadCharacter())}});
      return;
    case TPropKind::Enumeration: {
      const std::string identifier = reader_.ReadIdentifier();
      const int ordinal = type != nullptr ? FindEnumOrdinal(type->EnumNames, identifier) : -1;
      if (ordinal < 0) RaiseRead(layout_text::kInvalidPropertyValue);
      property.Set(object, TPropValue{std::int64_t{ordinal}});
      return;
    }
    case TPropKind::Float:
      property.Set(object, TPropValue{static_cast<double>(reader_.ReadExtendedValue())});
      return;
    case TPropKind::String:
      property.Set(object, TPropValue{reader_.ReadText()});
      return;
    case TPropKind::WideString:
      property.Set(object, TPropValue{reader_.ReadWideText()});
      return;
    case TPropKind::Int64:
      property.Set(object, TPropValue{reader_.ReadLargeNumber()});
      return;
    case TPropKind::Set: {
      static const std::vector<std::string_view> kNoNames;
      const auto& names = type != nullptr ? type->EnumNames : kNoNames;
      property.Set(object, TPropValue{std::int64_t{reader_.ReadSetElements(names)}});
      return;
    }
    case TPropKind::Class:
    case TPropKind::Interface:
      ApplyReference(object, property);
      return;
    case TPropKind::Method:
      ApplyMethod(object, property);
      return;
    case TPropKind::Variant:
      reader_.ReadVariantValue();  // no property of ours holds a variant
      return;
  }
}

void TLayoutLoader::ApplyReference(TPersistent& object, const TPropInfo& property) {
  switch (reader_.PeekValueCode()) {
    case ValueCode::Nil:
      reader_.TakeValueCode();
      property.Set(object, TPropValue{static_cast<TPersistent*>(nullptr)});
      return;
    case ValueCode::Ident:
    case ValueCode::False:
    case ValueCode::True:
    case ValueCode::Null:
      if (property.Kind == TPropKind::Class || reader_.PeekValueCode() == ValueCode::Ident) {
        fixups_.push_back(Fixup{&object, &property, reader_.ReadIdentifier()});
        return;
      }
      break;
    case ValueCode::Collection:
      // No class of ours holds a collection: pass the value over.
      reader_.SkipValueRecord();
      RaiseRead(layout_text::kInvalidPropertyValue);
    default:
      break;
  }
  reader_.TakeValueCode();
  RaiseRead(layout_text::kInvalidPropertyValue);
}

void TLayoutLoader::ApplyMethod(TPersistent& object, const TPropInfo& property) {
  if (reader_.PeekValueCode() == ValueCode::Nil) {
    reader_.TakeValueCode();
    property.Set(object, TPropValue{TMethod{}});
    return;
  }
  const std::string name = reader_.ReadIdentifier();
  const THandlerInfo* handler = FindHandler(root_->ClassInfo(), name);
  if (handler == nullptr) RaiseRead(layout_text::kInvalidPropertyValue);
  property.Set(object, TPropValue{TMethod{handler, root_}});
}

void TLayoutLoader::ResolveFixups() {
  std::vector<Fixup> pending;
  pending.swap(fixups_);
  for (const Fixup& f : pending) {
    if (TComponent* found = FindNestedComponent(root_, f.Name)) {
      f.Property->Set(*f.Instance, TPropValue{static_cast<TPersistent*>(found)});
      continue;
    }
    const std::size_t dot = f.Name.find('.');
    if (dot == std::string::npos) {
      f.Property->Set(*f.Instance, TPropValue{static_cast<TPersistent*>(nullptr)});
      continue;
    }
    GlobalFixupList& list = GlobalFixups();
    std::lock_guard<std::mutex> guard(list.lock);
    list.entries.push_back(GlobalFixup{root_, f.Instance, f.Property, f.Name.substr(0, dot), f.Name.substr(dot + 1)});
  }
}

void TLayoutLoader::DeclareProperty(std::string_view name, const std::function<void(TReader&)>& routine) {
  if (!routine || currentPropertyName_.empty() || !SameName(name, currentPropertyName_)) return;
  routine(reader_);
  currentPropertyName_.clear();
}

void TLayoutLoader::DeclareBinaryProperty(std::string_view name, const std::function<void(TStream&)>& routine) {
  if (!routine || currentPropertyName_.empty() || !SameName(name, currentPropertyName_)) return;
  if (reader_.PeekValueCode() != ValueCode::Binary) {
    reader_.SkipValueRecord();
    errorsRecoverable_ = true;
    RaiseRead(layout_text::kInvalidPropertyValue);
  }
  reader_.TakeValueCode();
  const std::int32_t length = reader_.ReadInt32();
  if (length < 0) RaiseRead(layout_text::kStreamReadError);
  TMemoryStream value;
  std::vector<std::uint8_t> piece;
  for (auto left = static_cast<std::size_t>(length); left > 0;) {
    piece.resize(std::min(left, kBinaryPiece));
    reader_.ReadBytes(piece.data(), piece.size());
    value.Write(piece.data(), piece.size());
    left -= piece.size();
  }
  value.Seek(0, SeekOrigin::Beginning);
  errorsRecoverable_ = true;
  routine(value);
  currentPropertyName_.clear();
}

// --- forms -------------------------------------------------------------------

bool LoadFormLayout(TForm& form) {
  std::lock_guard<std::recursive_mutex> guard(NameSpaceLock());
  std::vector<TComponent*> batch;
  std::vector<TComponent*>* const outerBatch = loadingBatch;
  const bool startsBatch = !form.HasState(csLoading) && !form.HasState(csInline);
  if (startsBatch) loadingBatch = &batch;

  // The class chain from the ancestor nearest the form base down to the
  // form's own class.
  std::vector<const TClassInfo*> chain;
  for (const TClassInfo* c = &form.ClassInfo(); c != nullptr && c != &TForm::StaticClassInfo(); c = c->Parent) {
    chain.push_back(c);
  }
  bool found = false;
  try {
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      const auto data = FindResourceData(kRtRcdata, (*it)->Name);
      if (!data) continue;
      TMemoryStream stream(*data);
      TReader reader(stream, kLayoutBufferSize);
      TLayoutLoader loader(reader);
      loader.ReadLayoutRoot(form);
      found = true;
    }
    if (startsBatch) {
      for (TComponent* c : batch) c->FinishLoading();
    }
  } catch (...) {
    if (startsBatch) loadingBatch = outerBatch;
    throw;
  }
  if (startsBatch) loadingBatch = outerBatch;
  return found;
}

void InitFormFromLayout(TForm& form) {
  if (!LoadFormLayout(form)) {
    throw EResNotFound(FormatMessage(layout_text::kResourceNotFound, {form.ClassName()}));
  }
}

}  // namespace nivarra
