// Loading layouts into a form: components, names, properties, handlers,
// references, and the errors of broken layouts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/stream.h"
#include "layout/component.h"
#include "layout/controls.h"
#include "layout/font.h"
#include "layout/form.h"
#include "layout/layout_errors.h"
#include "layout/loader.h"
#include "layout/menus.h"
#include "layout/picture.h"
#include "layout/resources.h"
#include "layout/timer.h"
#include "png/png_object.h"
#include "support/layout_builder.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

using test::LayoutBuilder;

// A small form class with slots and handlers, as the program's window has.
class TTestForm : public TForm {
 public:
  NIVARRA_COMPONENT_CLASS()
  explicit TTestForm(TComponent* owner = nullptr) : TForm(owner) {}

  TImage* imgTree = nullptr;
  TImage* imgMask = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  TMenuItem* pmiA = nullptr;
  TTimer* Timer1 = nullptr;
  std::vector<std::string> calls;
  std::vector<std::string> finished;
};

// Records the order in which components finish loading.
class TTrackedItem : public TMenuItem {
 public:
  NIVARRA_COMPONENT_CLASS()
  using TMenuItem::TMenuItem;
  void FinishLoading() override {
    TMenuItem::FinishLoading();
    if (auto* form = dynamic_cast<TTestForm*>(Owner())) form->finished.push_back(Name());
  }
};

const TClassInfo& TTrackedItem::StaticClassInfo() {
  static const TClassInfo info{.Name = "TTrackedItem",
                               .Parent = &TMenuItem::StaticClassInfo(),
                               .Create = &CreateComponentOf<TTrackedItem>};
  return info;
}

// Declares a binary property and a plain one, and remembers what it got.
class TRecorder : public TComponent {
 public:
  NIVARRA_COMPONENT_CLASS()
  using TComponent::TComponent;
  void DeclareCustomProperties(TReader& reader) override {
    TComponent::DeclareCustomProperties(reader);
    reader.DeclareBinaryProperty("Blob", [this](TStream& s) {
      blobSize = s.Size();
      blobPosition = s.Position();
      std::uint8_t first = 0;
      s.Read(&first, 1);  // reads only part of it: the reader must not care
      blobFirst = first;
    });
    reader.DeclareProperty("Count", [this](TReader& r) { count = r.ReadWholeNumber(); });
  }
  std::int64_t blobSize = -1, blobPosition = -1;
  int blobFirst = -1, count = 0;
};

const TClassInfo& TRecorder::StaticClassInfo() {
  static const TClassInfo info{.Name = "TRecorder",
                               .Parent = &TComponent::StaticClassInfo(),
                               .Create = &CreateComponentOf<TRecorder>};
  return info;
}

template <class T>
TSlotInfo Slot(std::string_view name, T* TTestForm::*field) {
  return TSlotInfo{name, [field](TComponent& form, TComponent* c) {
                     static_cast<TTestForm&>(form).*field = dynamic_cast<T*>(c);
                   }};
}

THandlerInfo Handler(std::string_view name) {
  return THandlerInfo{name, [name](TComponent& root, const TEventArgs&) {
                        static_cast<TTestForm&>(root).calls.emplace_back(name);
                      }};
}

const TClassInfo& TTestForm::StaticClassInfo() {
  static const TClassInfo info{
      .Name = "TTestForm",
      .Parent = &TForm::StaticClassInfo(),
      .Slots = {Slot("imgTree", &TTestForm::imgTree), Slot("imgMask", &TTestForm::imgMask),
                Slot("PopupMenu1", &TTestForm::PopupMenu1), Slot("pmiA", &TTestForm::pmiA),
                Slot("Timer1", &TTestForm::Timer1)},
      .SlotClasses = {&TImage::StaticClassInfo(), &TPopupMenu::StaticClassInfo(), &TMenuItem::StaticClassInfo(),
                      &TTrackedItem::StaticClassInfo(), &TTimer::StaticClassInfo(),
                      &TRecorder::StaticClassInfo()},
      .Handlers = {Handler("FormShow"), Handler("FormCreate"), Handler("pmiAClick"), Handler("Timer1Timer")}};
  return info;
}

test::Bytes SmallPng() {
  return test::RgbaPng(3, 2, [](int x, int y) {
    return test::Rgba{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 9, 200};
  });
}

// The form's own record up to (not including) its children.
LayoutBuilder FormHead() {
  LayoutBuilder b;
  b.Signature().Begin("TTestForm", "frmMain");
  b.Int("Left", 200).Int("Top", 108).Ident("BorderStyle", "bsNone").Str("Caption", "Globe");
  b.ShortName("ClientHeight").Byte(3).Byte(0x61).Byte(0x03);  // 865
  b.Int("ClientWidth", 300).Ident("Color", "clBtnFace").Ident("Font.Charset", "DEFAULT_CHARSET");
  b.Ident("Font.Color", "clWindowText");
  b.ShortName("Font.Height").Byte(2).Byte(0xF5);  // -11
  b.Str("Font.Name", "MS Sans Serif").Set("Font.Style", {}).Bool("KeyPreview", true);
  b.Bool("OldCreateOrder", false).Ident("PopupMenu", "PopupMenu1").Ident("OnShow", "FormShow");
  b.Int("PixelsPerInch", 96).Int("TextHeight", 13);
  return b;
}

LayoutBuilder FullLayout() {
  LayoutBuilder b = FormHead();
  b.End();  // properties
  b.Begin("TImage", "imgTree").Int("Left", 0).Int("Top", 0).Int("Width", 3).Int("Height", 2);
  b.Bool("AutoSize", true).Binary("Picture.Data", test::PicturePayload("TPNGObject", SmallPng()));
  b.End().End();
  b.Begin("TPopupMenu", "PopupMenu1").Int("Left", 8).Int("Top", 16).End();
  b.Begin("TTrackedItem", "pmiA").Str("Caption", "Options").Ident("OnClick", "pmiAClick").End();
  b.Begin("TTrackedItem", "pmiB").Str("Caption", "0%").Bool("RadioItem", true).Bool("Checked", true).End().End();
  b.End();  // pmiA's children
  b.Begin("TTrackedItem", "pmiC").Str("Caption", "-").End().End();
  b.End();  // the menu's children
  b.Begin("TTimer", "Timer1").Int("Interval", 20).Ident("OnTimer", "Timer1Timer").Int("Left", 40).Int("Top", 16);
  b.End().End();
  b.End();  // the form's children
  return b;
}

// Reads a layout into form; returns "" or the error as "Class: message".
std::string Load(TTestForm& form, const test::Bytes& bytes, TReaderErrorHook hook = {}) {
  TMemoryStream stream(bytes);
  try {
    TReader reader(stream, 4096);
    TLayoutLoader loader(reader);
    loader.OnError = std::move(hook);
    loader.ReadLayoutRoot(form);
    return "";
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message();
  }
}

TEST(LayoutLoading, FullLayoutBuildsTheComponentTree) {
  TTestForm form;
  ASSERT_EQ(Load(form, FullLayout().Get()), "");
  EXPECT_EQ(form.Name(), "frmMain");
  EXPECT_EQ(form.Left(), 200);
  EXPECT_EQ(form.BorderStyle(), bsNone);
  EXPECT_EQ(form.Caption(), "Globe");
  EXPECT_EQ(form.ClientHeight(), 865);
  EXPECT_EQ(form.ClientWidth(), 300);
  EXPECT_EQ(form.Color(), 0xFF00000F);
  EXPECT_EQ(form.Font().Charset(), 1);
  EXPECT_EQ(form.Font().Color(), 0xFF000008);
  EXPECT_EQ(form.Font().Height(), -11);
  EXPECT_EQ(form.Font().Style(), 0u);
  EXPECT_FALSE(form.OldCreateOrder());
  EXPECT_EQ(form.TextHeight(), 13);

  // Slots follow names; the reference names a component read later.
  ASSERT_NE(form.imgTree, nullptr);
  ASSERT_NE(form.PopupMenu1, nullptr);
  EXPECT_EQ(form.PopupMenu, form.PopupMenu1);
  ASSERT_NE(form.Timer1, nullptr);
  EXPECT_EQ(form.Timer1->Interval(), 20);
  EXPECT_EQ(form.Timer1->DesignLeft(), 40);
  EXPECT_EQ(form.PopupMenu1->DesignTop(), 16);
  EXPECT_EQ(form.ComponentCount(), 6);  // every component is the form's

  // The picture decoded on the spot; AutoSize keeps the image at its size.
  auto* png = dynamic_cast<TPNGObject*>(form.imgTree->Picture().Graphic());
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->AlphaRow(1)[2], 200);
  EXPECT_EQ(form.imgTree->Width(), 3);
  EXPECT_EQ(form.imgTree->Height(), 2);

  // The menu tree and the handlers bound to the form.
  TMenuItem& items = form.PopupMenu1->Items();
  ASSERT_EQ(items.Count(), 2);
  EXPECT_EQ(items.Item(0), form.pmiA);
  ASSERT_EQ(form.pmiA->Count(), 1);
  EXPECT_TRUE(form.pmiA->Item(0)->Checked());
  EXPECT_TRUE(items.Item(1)->IsSeparator());
  form.pmiA->Click();
  Fire(form.OnShow, TEventArgs{.Sender = &form});
  form.Timer1->Tick();
  EXPECT_EQ(form.calls, (std::vector<std::string>{"pmiAClick", "FormShow", "Timer1Timer"}));

  // Components finish loading in the order they finished reading: an item
  // before the item that encloses it.
  EXPECT_EQ(form.finished, (std::vector<std::string>{"pmiB", "pmiA", "pmiC"}));
  EXPECT_FALSE(form.HasState(csLoading));
  EXPECT_FALSE(form.imgTree->HasState(csLoading | csReading));
}

TEST(LayoutLoading, NamesAndPathsIgnoreLetterCase) {
  LayoutBuilder b;
  b.Signature().Begin("ttestform", "frmMain").Ident("onshow", "FORMSHOW").Int("font.HEIGHT", -12).End();
  b.Begin("timage", "IMGTREE").Bool("autosize", true).Binary("picture.data", test::PicturePayload("TPNGObject", SmallPng()));
  b.End().End().End();
  TTestForm form;
  ASSERT_EQ(Load(form, b.Get()), "");
  EXPECT_EQ(form.Font().Height(), -12);
  ASSERT_NE(form.imgTree, nullptr);
  EXPECT_EQ(form.imgTree->Name(), "IMGTREE");
  EXPECT_EQ(form.FindOwnedComponent("ImgTree"), form.imgTree);
  EXPECT_EQ(form.imgTree->Width(), 3);
  EXPECT_TRUE(form.OnShow);
}

TEST(LayoutLoading, PictureClassNamesMatchExactly) {
  LayoutBuilder b;
  b.Signature().Begin("TTestForm", "frmMain").End();
  b.Begin("TImage", "imgTree").Bool("AutoSize", true).Int("Width", 50).Int("Height", 40);
  b.Binary("Picture.Data", test::PicturePayload("TPngObject", SmallPng())).End().End().End();
  TTestForm form;
  ASSERT_EQ(Load(form, b.Get()), "");
  EXPECT_EQ(form.imgTree->Picture().Graphic(), nullptr);
  EXPECT_EQ(form.imgTree->Width(), 50);  // keeps its stored size
}

TEST(LayoutLoading, RecordPrefixReordersAndFindsInheritedComponents) {
  LayoutBuilder b;
  b.Signature().Begin("TTestForm", "frmMain").End();
  b.Begin("TPopupMenu", "PopupMenu1").End();
  b.Begin("TMenuItem", "pmiA").End().End();
  b.Byte(0xF2).Byte(2).Byte(0).Begin("TMenuItem", "pmiB").End().End();  // moved to the front
  b.End();
  b.Byte(0xF1).Begin("TPopupMenu", "PopupMenu1").Bool("AutoPopup", false).End().End();  // the same menu again
  b.End();
  TTestForm form;
  ASSERT_EQ(Load(form, b.Get()), "");
  ASSERT_EQ(form.PopupMenu1->Items().Count(), 2);
  EXPECT_EQ(form.PopupMenu1->Items().Item(0)->Name(), "pmiB");
  EXPECT_FALSE(form.PopupMenu1->AutoPopup());
  EXPECT_EQ(form.ComponentCount(), 3);
}

TEST(LayoutLoading, CustomPropertiesGetExactlyTheirValue) {
  LayoutBuilder b;
  b.Signature().Begin("TTestForm", "frmMain").End();
  b.Begin("TRecorder", "rec").Binary("Blob", {5, 6, 7, 8, 9}).Int("count", 12).Int("Left", 3).Int("Top", -2);
  b.End().End();
  b.Begin("TTimer", "Timer1").Int("Left", 1).End().End();  // the next record reads correctly
  b.End();
  TTestForm form;
  ASSERT_EQ(Load(form, b.Get()), "");
  auto* rec = dynamic_cast<TRecorder*>(form.FindOwnedComponent("rec"));
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->blobSize, 5);
  EXPECT_EQ(rec->blobPosition, 0);
  EXPECT_EQ(rec->blobFirst, 5);
  EXPECT_EQ(rec->count, 12);
  EXPECT_EQ(rec->DesignLeft(), 3);
  EXPECT_EQ(rec->DesignTop(), -2);
  ASSERT_NE(form.Timer1, nullptr);

  // A binary property given another kind of value.
  LayoutBuilder wrong;
  wrong.Signature().Begin("TTestForm", "frmMain").End().Begin("TRecorder", "rec").Int("Blob", 1).End().End().End();
  TTestForm other;
  EXPECT_EQ(Load(other, wrong.Get()), "EReadError: Error reading rec.Blob: Invalid property value");
}

TEST(LayoutLoading, ReferencesToAnotherFormWaitForIt) {
  LayoutBuilder first;
  first.Signature().Begin("TTestForm", "frmFirst").Ident("PopupMenu", "frmSecond.PopupMenu1").End().End();
  LayoutBuilder second;
  second.Signature().Begin("TTestForm", "frmSecond").End().Begin("TPopupMenu", "PopupMenu1").End().End().End();
  TTestForm a;
  ASSERT_EQ(Load(a, first.Get()), "");
  EXPECT_EQ(a.PopupMenu, nullptr);
  {
    TTestForm b;
    ASSERT_EQ(Load(b, second.Get()), "");
    EXPECT_EQ(a.PopupMenu, b.PopupMenu1);
  }
}

TEST(LayoutLoading, ReferencesNamingNothingAreLeftEmpty) {
  LayoutBuilder b;
  b.Signature().Begin("TTestForm", "frmMain").Ident("PopupMenu", "NoSuchMenu").End().End();
  TTestForm form;
  ASSERT_EQ(Load(form, b.Get()), "");
  EXPECT_EQ(form.PopupMenu, nullptr);
}

TEST(LayoutLoading, InheritedRecordsReorderWithinTheirOwnParent) {
  // Menu P holds B, which holds C and D; a later top-level record names D
  // again and moves it to the front of B's items.
  LayoutBuilder b;
  b.Signature().Begin("TTestForm", "frmMain").End();
  b.Begin("TPopupMenu", "PopupMenu1").End();
  b.Begin("TMenuItem", "pmiA").End();
  b.Begin("TMenuItem", "C").End().End().Begin("TMenuItem", "D").End().End();
  b.End().End();
  b.Byte(0xF3).Byte(2).Byte(0).Begin("TMenuItem", "D").End().End();
  b.End();
  TTestForm form;
  ASSERT_EQ(Load(form, b.Get()), "");
  ASSERT_EQ(form.pmiA->Count(), 2);
  EXPECT_EQ(form.pmiA->Item(0)->Name(), "D");
  EXPECT_EQ(form.pmiA->Item(1)->Name(), "C");
}

TEST(LayoutLoading, NilEmptiesAnObjectProperty) {
  LayoutBuilder b;
  b.Signature().Begin("TTestForm", "frmMain").End();
  b.Begin("TImage", "imgTree").Binary("Picture.Data", test::PicturePayload("TPNGObject", SmallPng()));
  b.ShortName("Picture").Byte(13).End().End().End();
  TTestForm form;
  ASSERT_EQ(Load(form, b.Get()), "");
  EXPECT_EQ(form.imgTree->Picture().Graphic(), nullptr);
}

TEST(LayoutErrors, DeepNestingIsRefusedNotACrash) {
  for (bool skipped : {false, true}) {
    SCOPED_TRACE(skipped);
    LayoutBuilder b;
    b.Signature().Begin("TTestForm", "frmMain").End();
    // An unknown class sends the whole nest down the skipping path.
    b.Begin(skipped ? "TFoo" : "TImage", "a").End();
    for (int i = 0; i < 100000; ++i) b.Begin("TImage", "").End();
    TTestForm form;
    const std::string outcome = Load(form, b.Get(), [](const std::string&, bool& handled) { handled = true; });
    EXPECT_EQ(outcome, "EReadError: Invalid stream format");
  }
}

TEST(LayoutErrors, AFailedReadLeavesNoReferenceToOtherForms) {
  LayoutBuilder b;
  b.Signature().Begin("TTestForm", "frmBroken").Ident("PopupMenu", "frmLater.PopupMenu1").End();
  b.Begin("TFoo", "x").End().End().End();  // fails after the reference was recorded
  TTestForm broken;
  ASSERT_NE(Load(broken, b.Get()), "");
  LayoutBuilder later;
  later.Signature().Begin("TTestForm", "frmLater").End().Begin("TPopupMenu", "PopupMenu1").End().End().End();
  TTestForm other;
  ASSERT_EQ(Load(other, later.Get()), "");
  EXPECT_EQ(broken.PopupMenu, nullptr);
}

struct BrokenLayout {
  const char* name;
  test::Bytes bytes;
  std::string expected;
};

std::vector<BrokenLayout> BrokenLayouts() {
  std::vector<BrokenLayout> cases;
  cases.push_back({"no signature", LayoutBuilder().Raw("TPF1").Begin("TTestForm", "frmMain").End().End().Get(),
                   "EReadError: Invalid stream format"});
  {
    LayoutBuilder b;
    b.Signature().Begin("TTestForm", "frmMain").Ident("OnShow", "FormShown").End().End();
    cases.push_back({"unknown handler", b.Get(), "EReadError: Error reading frmMain.OnShow: Invalid property value"});
  }
  {
    LayoutBuilder b;
    b.Signature().Begin("TTestForm", "frmMain").End().Begin("TImage", "imgTree").Int("Interval", 20).End().End().End();
    cases.push_back({"unknown property", b.Get(),
                     "EReadError: Error reading imgTree.Interval: Property Interval does not exist"});
  }
  {
    LayoutBuilder b;
    b.Signature().Begin("TTestForm", "frmMain").Ident("Color", "clGlitter").End().End();
    cases.push_back({"unknown colour", b.Get(), "EReadError: Error reading frmMain.Color: Invalid property value"});
  }
  {
    LayoutBuilder b;
    b.Signature().Begin("TTestForm", "frmMain").Int("Caption.Length", 3).End().End();
    cases.push_back({"path through a string", b.Get(),
                     "EReadError: Error reading frmMain.Caption.Length: Invalid property path"});
  }
  {
    LayoutBuilder b;
    b.Signature().Begin("TTestForm", "frmMain").End().Begin("TFoo", "foo").End().End().End();
    cases.push_back({"unknown class", b.Get(), "EClassNotFound: Class TFoo not found"});
  }
  {
    LayoutBuilder b;
    b.Signature().Begin("TTestForm", "frmMain").End().Byte(0xF1).Begin("TImage", "imgGone").End().End().End();
    cases.push_back({"missing ancestor", b.Get(), "EReadError: Ancestor for 'imgGone' not found"});
  }
  {
    LayoutBuilder b;
    b.Signature().Begin("TTestForm", "frmMain").End();
    b.Begin("TImage", "imgTree").End().End().Begin("TImage", "IMGTREE").End().End().End();
    cases.push_back({"duplicate name", b.Get(), "EComponentError: A component named IMGTREE already exists"});
  }
  {
    LayoutBuilder b;
    b.Signature().Begin("TTestForm", "frmMain").End().Begin("TImage", "1img").End().End().End();
    cases.push_back({"invalid name", b.Get(), "EComponentError: ''1img'' is not a valid component name"});
  }
  {
    LayoutBuilder b;
    b.Signature().Begin("TTestForm", "frmMain").End();
    b.Begin("TImage", "imgMask").ShortName("Picture.Data").Byte(10).Int32(100).Raw("7TBitmap");
    cases.push_back({"cut inside Picture.Data", b.Get(),
                     "EReadError: Error reading imgMask.Picture.Data: Stream read error"});
  }
  {
    LayoutBuilder b;
    b.Signature().Begin("TTestForm", "frmMain").End();
    b.Begin("TImage", "imgTree").End().End();
    cases.push_back({"cut between records", b.Get(), "EReadError: Stream read error"});
  }
  {
    test::Bytes bmp = {0, 0, 0, 0};
    bmp[0] = 20;
    bmp.insert(bmp.end(), {'X', 'M'});
    bmp.resize(4 + 20, 0);
    LayoutBuilder b;
    b.Signature().Begin("TTestForm", "frmMain").End();
    b.Begin("TImage", "imgMask").Binary("Picture.Data", test::PicturePayload("TBitmap", bmp)).End().End().End();
    cases.push_back({"bitmap without BM", b.Get(),
                     "EReadError: Error reading imgMask.Picture.Data: Bitmap image is not valid"});
  }
  return cases;
}

TEST(LayoutErrors, BrokenLayoutsFailWithTheirMessage) {
  for (const BrokenLayout& c : BrokenLayouts()) {
    SCOPED_TRACE(c.name);
    TTestForm form;
    EXPECT_EQ(Load(form, c.bytes), c.expected);
  }
}

TEST(LayoutErrors, AHandledErrorSkipsTheValueAndReadingGoesOn) {
  LayoutBuilder b;
  b.Signature().Begin("TTestForm", "frmMain").End();
  b.Begin("TImage", "imgTree").Int("Interval", 20000).Set("Anchors", {"akLeft", "akTop"}).Int("Left", 7).End().End();
  b.Begin("TFoo", "foo").Int("Left", 1).End().End();  // left out, record skipped whole
  b.Begin("TTimer", "Timer1").Int("Interval", 5).End().End();
  b.End();
  TTestForm form;
  std::vector<std::string> messages;
  ASSERT_EQ(Load(form, b.Get(), [&](const std::string& message, bool& handled) {
              messages.push_back(message);
              handled = true;
            }),
            "");
  EXPECT_EQ(messages, (std::vector<std::string>{"Error reading imgTree.Interval: Property Interval does not exist",
                                                "Error reading imgTree.Anchors: Property Anchors does not exist",
                                                "Class TFoo not found"}));
  EXPECT_EQ(form.imgTree->Left(), 7);
  ASSERT_NE(form.Timer1, nullptr);
  EXPECT_EQ(form.Timer1->Interval(), 5);
}

TEST(LayoutResources, FormsFindTheirLayoutByClassName) {
  static const test::Bytes layout = FullLayout().Get();
  RegisterResource(kRtRcdata, "TTESTFORM", layout);
  {
    TTestForm form;
    InitFormFromLayout(form);
    EXPECT_EQ(form.Name(), "frmMain");
    // A second form of the same class takes the next free name.
    TTestForm second;
    InitFormFromLayout(second);
    EXPECT_EQ(second.Name(), "frmMain_1");
    EXPECT_EQ(second.PopupMenu, second.PopupMenu1);
  }
  TForm plain(nullptr);
  try {
    InitFormFromLayout(plain);
    FAIL();
  } catch (const EResNotFound& e) {
    EXPECT_STREQ(e.what(), "Resource TForm not found");
  }
}

TEST(Components, LookupByNameIgnoresCaseOnly) {
  TComponent owner(nullptr);
  auto* snow = new TImage(&owner);
  snow->SetName("Snow1");
  EXPECT_EQ(owner.FindOwnedComponent("SNOW1"), snow);
  EXPECT_EQ(owner.FindOwnedComponent(""), nullptr);
  EXPECT_EQ(owner.FindOwnedComponent("Snow1 "), nullptr);
  EXPECT_EQ(owner.FindOwnedComponent("Snow7"), nullptr);
  snow->SetName("SNOW1");  // a change of case alone is no clash
  auto* other = new TImage(&owner);
  EXPECT_THROW(other->SetName("snow1"), EComponentError);
  delete snow;
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.FindOwnedComponent("snow1"), nullptr);
}

TEST(Components, SlotsFollowNamesAndDestruction) {
  TTestForm form;
  auto* image = new TImage(&form);
  image->SetName("imgTree");
  EXPECT_EQ(form.imgTree, image);
  image->SetName("imgOther");
  EXPECT_EQ(form.imgTree, nullptr);
  image->SetName("imgMask");
  EXPECT_EQ(form.imgMask, image);
  delete image;
  EXPECT_EQ(form.imgMask, nullptr);
}

}  // namespace
}  // namespace nivarra
