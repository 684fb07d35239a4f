// The globe window's own layout source: it compiles, loads into the form
// class with every component of the catalogue, and its menu and timers are
// those the window's commands expect.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "app/globe_form.h"
#include "artgen/picture_sizes.h"
#include "layout/layout_errors.h"
#include "layout/layout_source.h"
#include "layout/loader.h"
#include "layout/picture.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

// The catalogue of pictures: name and size.
const std::map<std::string, std::pair<int, int>>& Catalogue() {
  static const auto catalogue = [] {
    std::map<std::string, std::pair<int, int>> c;
    for (const artgen::PictureSize& picture : artgen::kPictureSizes) c[picture.Name] = {picture.Width, picture.Height};
    return c;
  }();
  return catalogue;
}

// Stand-ins for the artwork: pictures of the catalogue's sizes.
test::Bytes FakeArt(const std::string& path) {
  const std::string file = path.substr(path.find('/') + 1);
  const std::string name = file.substr(0, file.find('.'));
  if (name.starts_with("imgDays_")) {  // the plaque's words: widths vary with the word
    std::ifstream in(std::string(NIVARRA_SOURCE_DIR) + "/assets/" + path, std::ios::binary);
    return test::Bytes(std::istreambuf_iterator<char>(in), {});
  }
  const auto [w, h] = Catalogue().at(name);
  if (file.ends_with(".bmp")) {
    const int row = (w * 3 + 3) / 4 * 4;
    test::Bytes bmp = {'B', 'M'};
    auto le = [&](std::uint32_t v, int n) {
      for (int i = 0; i < n; ++i) bmp.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    le(54 + row * h, 4), le(0, 4), le(54, 4), le(40, 4), le(w, 4), le(h, 4), le(1, 2), le(24, 2), le(0, 4);
    le(row * h, 4), le(5905, 4), le(5905, 4), le(0, 4), le(0, 4);
    bmp.resize(bmp.size() + static_cast<std::size_t>(row * h), 255);
    return bmp;
  }
  return test::RgbaPng(w, h, [](int, int) { return test::Rgba{10, 20, 30, 255}; });
}

std::string LayoutSourceText() {
  std::ifstream in(std::string(NIVARRA_SOURCE_DIR) + "/assets/frmMain.layout");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class GlobeLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    const test::Bytes stream = CompileLayoutSource(LayoutSourceText(), FakeArt);
    TMemoryStream s(stream);
    TReader reader(s, 4096);
    TLayoutLoader loader(reader);
    loader.ReadLayoutRoot(form);
  }
  TMenuItem& Item(GlobeSlot slot) {
    TMenuItem* item = form.MenuItem(slot);
    EXPECT_NE(item, nullptr);
    return *item;
  }
  TfrmMain form;
};

TEST_F(GlobeLayout, HoldsEveryComponentInLayoutOrder) {
  ASSERT_GT(form.ComponentCount(), kGlobeSlotCount);  // then the plaque's words
  for (int i = 0; i < kGlobeSlotCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(form.Slot(static_cast<GlobeSlot>(i)), form.Component(i));
  }
  EXPECT_EQ(form.Component(0)->Name(), "Snow1");  // most looked-up names first
  EXPECT_EQ(form.PopupMenu, form.SlotAs<TPopupMenu>(GlobeSlot::PopupMenu));
  EXPECT_TRUE(form.OnShow);
  EXPECT_TRUE(form.OnCloseQuery);
  EXPECT_EQ(form.BorderStyle(), bsNone);
  EXPECT_EQ(form.Left(), 310);
  EXPECT_EQ(form.Top(), 213);
}

TEST_F(GlobeLayout, EveryImageHasItsCatalogueSize) {
  int images = 0;
  for (const auto& [name, size] : Catalogue()) {
    SCOPED_TRACE(name);
    auto* image = dynamic_cast<TImage*>(form.FindOwnedComponent(name));
    ASSERT_NE(image, nullptr);
    ASSERT_NE(image->Picture().Graphic(), nullptr);
    EXPECT_EQ(image->Width(), size.first);
    EXPECT_EQ(image->Height(), size.second);
    EXPECT_TRUE(image->AutoSize());
    ++images;
  }
  EXPECT_EQ(images, 41);
  EXPECT_STREQ(form.Image(GlobeSlot::imgMask)->Picture().Graphic()->ClassName(), "TBitmap");
}

TEST_F(GlobeLayout, MenuTreeChecksAndGroupsAreTheCommandsOwn) {
  TMenuItem& root = form.SlotAs<TPopupMenu>(GlobeSlot::PopupMenu)->Items();
  std::vector<std::string> top;
  for (int i = 0; i < root.Count(); ++i) top.push_back(root.Item(i)->Name());
  EXPECT_EQ(top, (std::vector<std::string>{"pmiAbout", "N1", "Speedofanimation1", "Countdown1", "Options1",
                                           "pmiStartUp", "N2", "pmiExit"}));
  EXPECT_TRUE(Item(GlobeSlot::pmiAbout).Default());
  EXPECT_EQ(Item(GlobeSlot::pmiAbout).Caption(), "More Christmas stuff...");
  EXPECT_TRUE(Item(GlobeSlot::N1).IsSeparator());
  EXPECT_EQ(Item(GlobeSlot::pmiStartUp).Caption(), "Start Nivarra when I start Windows");

  struct Expect {
    GlobeSlot slot;
    GlobeSlot parent;
    const char* caption;
    bool radio, autoCheck, checked;
    int group;
  };
  const Expect items[] = {
      {GlobeSlot::pmiSlow, GlobeSlot::Speedofanimation1, "Slow", true, false, false, 0},
      {GlobeSlot::pmiNormal, GlobeSlot::Speedofanimation1, "Normal", true, false, true, 0},
      {GlobeSlot::pmiQuickly, GlobeSlot::Speedofanimation1, "Quickly", true, false, false, 0},
      {GlobeSlot::pmiChristmas, GlobeSlot::Countdown1, "Christmas", true, false, true, 0},
      {GlobeSlot::pmiJulian, GlobeSlot::Countdown1, "Julian", true, false, false, 0},
      {GlobeSlot::pmiSnow, GlobeSlot::Options1, "Snow (for slow PC)", false, true, true, 0},
      {GlobeSlot::pmi0, GlobeSlot::ransparent1, "0%", true, true, true, 1},
      {GlobeSlot::pmi90, GlobeSlot::ransparent1, "90%", true, true, false, 1},
      {GlobeSlot::pmiOnTop, GlobeSlot::Options1, "Always OnTop", false, true, true, 0},
  };
  for (const Expect& e : items) {
    TMenuItem& item = Item(e.slot);
    SCOPED_TRACE(item.Name());
    EXPECT_EQ(item.ParentItem(), form.MenuItem(e.parent));
    EXPECT_EQ(item.Caption(), e.caption);
    EXPECT_EQ(item.RadioItem(), e.radio);
    EXPECT_EQ(item.AutoCheck(), e.autoCheck);
    EXPECT_EQ(item.Checked(), e.checked);
    EXPECT_EQ(item.GroupIndex(), e.group);
    EXPECT_TRUE(item.OnClick);
  }
  EXPECT_EQ(Item(GlobeSlot::ransparent1).Count(), 10);
  EXPECT_FALSE(Item(GlobeSlot::pmiStartUp).OnClick);
}

TEST_F(GlobeLayout, TimersTickAtTheirIntervalsFromTheStart) {
  TTimer* frames = form.Timer(GlobeSlot::TimerGarland);
  TTimer* snow = form.Timer(GlobeSlot::timerCountSnow);
  ASSERT_NE(frames, nullptr);
  ASSERT_NE(snow, nullptr);
  EXPECT_EQ(frames->Interval(), 20);
  EXPECT_EQ(snow->Interval(), 200);
  EXPECT_TRUE(frames->Enabled());
  EXPECT_TRUE(frames->OnTimer);
  EXPECT_TRUE(snow->OnTimer);
  EXPECT_GT(frames->DesignLeft(), 0);
}

TEST(LayoutSource, ErrorsNameTheLine) {
  auto fail = [](std::string_view text) -> std::string {
    try {
      CompileLayoutSource(text, [](const std::string&) { return test::Bytes{}; });
      return "";
    } catch (const LayoutSourceError& e) {
      return e.what();
    }
  };
  EXPECT_EQ(fail("component TForm f\n  Left 3\nend\n"), "line 2: \"=\" expected after Left");
  EXPECT_EQ(fail("component TForm f\n  component TImage i\n  end\n  Left = 3\nend\n"),
            "line 4: properties must come before the children");
  EXPECT_EQ(fail("component TForm f\n"), "line 2: a component is not closed with \"end\"");
  EXPECT_EQ(fail("end\n"), "line 1: \"end\" without a component");
  EXPECT_EQ(fail("# nothing\n"), "line 2: no component");
  EXPECT_EQ(fail("component TForm f\n  Caption = \"open\nend\n"), "line 2: unterminated string");
}

TEST(LayoutSource, ValuesTakeTheSmallestCode) {
  const test::Bytes bytes = CompileLayoutSource(
      "component TForm f\n  A = -11\n  B = 865\n  C = 70000\n  D = [x, y]\n  E = false\n  F = bsNone\nend\n",
      [](const std::string&) { return test::Bytes{}; });
  const test::Bytes expected = {'T', 'P', 'F', '0', 5, 'T', 'F', 'o', 'r', 'm', 1, 'f',
                                1, 'A', 2, 0xF5,
                                1, 'B', 3, 0x61, 0x03,
                                1, 'C', 4, 0x70, 0x11, 0x01, 0x00,
                                1, 'D', 11, 1, 'x', 1, 'y', 0,
                                1, 'E', 8,
                                1, 'F', 7, 6, 'b', 's', 'N', 'o', 'n', 'e',
                                0, 0};
  EXPECT_EQ(bytes, expected);
}

}  // namespace
}  // namespace nivarra
