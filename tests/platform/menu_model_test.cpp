// The popup menu as the desktop's own menu receives it: entries in display
// order with their submenu, flags and command numbers, and the numbers
// leading back to the items.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/globe_form.h"
#include "app/item_menu_model.h"
#include "graphics/stream.h"
#include "layout/layout_source.h"
#include "layout/loader.h"
#include "layout/menus.h"
#include "layout/reader.h"

namespace nivarra {
namespace {

// One line per entry, indented by depth: "(*)" a checked radio item, "( )"
// an unchecked one, "[x]"/"[ ]" a check item that is or is not ticked, "!" the
// default, "~" disabled, ">" a submenu, "#n" the command number.
std::vector<std::string> Describe(const MenuModel& model) {
  std::vector<std::string> lines;
  for (const MenuEntry& e : model.Entries) {
    int depth = 0;
    for (int p = e.Parent; p >= 0; p = model.Entries[static_cast<std::size_t>(p)].Parent) ++depth;
    std::string line(static_cast<std::size_t>(depth) * 2, ' ');
    if (e.Kind == MenuEntryKind::Separator) {
      line += "---";
    } else {
      if (e.RadioCheck) line += e.Checked ? "(*) " : "( ) ";
      else if (e.Checked) line += "[x] ";
      line += e.Caption;
      if (e.Default) line += " !";
      if (!e.Enabled) line += " ~";
      if (e.Kind == MenuEntryKind::Submenu) line += " >";
      if (e.Command != 0) line += " #" + std::to_string(e.Command);
    }
    lines.push_back(line);
  }
  return lines;
}

// A menu tree built by hand; the items live as long as the fixture.
class HandMadeMenu : public ::testing::Test {
 protected:
  TMenuItem* Add(TMenuItem& parent, const std::string& caption) {
    items_.push_back(std::make_unique<TMenuItem>(nullptr));
    TMenuItem* item = items_.back().get();
    item->SetCaption(caption);
    parent.Add(item);
    return item;
  }
  TMenuItem root{nullptr};

 private:
  std::vector<std::unique_ptr<TMenuItem>> items_;
};

TEST_F(HandMadeMenu, EntriesFollowTheTreeDepthFirstAndCommandsLeadBackToTheirItems) {
  TMenuItem* open = Add(root, "Open");
  Add(root, "-");
  TMenuItem* view = Add(root, "View");
  TMenuItem* zoom = Add(*view, "Zoom");
  TMenuItem* in = Add(*zoom, "In");
  TMenuItem* out = Add(*zoom, "Out");
  TMenuItem* grid = Add(*view, "Grid");
  TMenuItem* quit = Add(root, "Quit");

  const ItemMenuModel model = BuildMenuModel(root);
  EXPECT_EQ(Describe(model), (std::vector<std::string>{"Open #1", "---", "View >", "  Zoom >", "    In #2",
                                                       "    Out #3", "  Grid #4", "Quit #5"}));
  // Entries name the submenu they sit in.
  EXPECT_EQ(model.Entries[3].Parent, 2);
  EXPECT_EQ(model.Entries[4].Parent, 3);
  EXPECT_EQ(model.Entries[6].Parent, 2);
  EXPECT_EQ(model.Entries[7].Parent, -1);

  const TMenuItem* expected[] = {nullptr, open, in, out, grid, quit};
  for (std::uint32_t command = 1; command <= 5; ++command) {
    SCOPED_TRACE(command);
    EXPECT_EQ(model.ItemForCommand(command), expected[command]);
  }
  // Nothing picked, or a number the menu never had.
  EXPECT_EQ(model.ItemForCommand(0), nullptr);
  EXPECT_EQ(model.ItemForCommand(6), nullptr);
  EXPECT_EQ(model.ItemForCommand(0xFFFFFFFFu), nullptr);
  // A submenu can be opened but not picked; it has no number.
  EXPECT_EQ(model.Entries[2].Command, 0u);
  EXPECT_EQ(model.Items[2], view);
}

TEST_F(HandMadeMenu, FlagsAreTheItemsOwnAtTheMomentTheMenuOpens) {
  TMenuItem* about = Add(root, "About");
  about->SetDefault(true);
  TMenuItem* speed = Add(root, "Speed");
  TMenuItem* slow = Add(*speed, "Slow");
  TMenuItem* fast = Add(*speed, "Fast");
  for (TMenuItem* item : {slow, fast}) item->SetRadioItem(true);
  slow->SetChecked(true);
  TMenuItem* snow = Add(root, "Snow");
  snow->SetChecked(true);
  Add(root, "Print")->SetEnabled(false);

  EXPECT_EQ(Describe(BuildMenuModel(root)), (std::vector<std::string>{"About ! #1", "Speed >", "  (*) Slow #2",
                                                                      "  ( ) Fast #3", "[x] Snow #4",
                                                                      "Print ~ #5"}));
  // Checking the other radio item moves the bullet; the next menu shows it.
  fast->SetChecked(true);
  snow->SetChecked(false);
  EXPECT_EQ(Describe(BuildMenuModel(root)), (std::vector<std::string>{"About ! #1", "Speed >", "  ( ) Slow #2",
                                                                      "  (*) Fast #3", "Snow #4", "Print ~ #5"}));
}

TEST_F(HandMadeMenu, HiddenItemsAreLeftOutWithEverythingBelowThem) {
  Add(root, "First");
  TMenuItem* hidden = Add(root, "Hidden");
  Add(*hidden, "Inside");
  Add(root, "-")->SetVisible(false);
  TMenuItem* last = Add(root, "Last");
  hidden->SetVisible(false);

  const ItemMenuModel model = BuildMenuModel(root);
  EXPECT_EQ(Describe(model), (std::vector<std::string>{"First #1", "Last #2"}));
  EXPECT_EQ(model.ItemForCommand(2), last);
}

TEST(MenuModel, AnEmptyMenuHasNoEntries) {
  TMenuItem root(nullptr);
  const ItemMenuModel model = BuildMenuModel(root);
  EXPECT_TRUE(model.Entries.empty());
  EXPECT_EQ(model.ItemForCommand(1), nullptr);
}

// The globe's own menu, loaded from its layout with the real artwork.
TEST(MenuModel, TheGlobesMenuAsTheDesktopShowsIt) {
  const std::string assets = std::string(NIVARRA_SOURCE_DIR) + "/assets/";
  const auto readAll = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
  };
  const std::vector<std::uint8_t> source = readAll(assets + "frmMain.layout");
  const std::vector<std::uint8_t> stream =
      CompileLayoutSource(std::string(source.begin(), source.end()),
                          [&](const std::string& path) { return readAll(assets + path); });
  TfrmMain form;
  TMemoryStream in(stream);
  TReader reader(in, 4096);
  TLayoutLoader loader(reader);
  loader.ReadLayoutRoot(form);
  ASSERT_NE(form.PopupMenu, nullptr);

  const ItemMenuModel model = BuildMenuModel(form.PopupMenu->Items());
  EXPECT_EQ(Describe(model), (std::vector<std::string>{
                                 "More Christmas stuff... ! #1",
                                 "---",
                                 "Speed of animation >",
                                 "  ( ) Slow #2",
                                 "  (*) Normal #3",
                                 "  ( ) Fast #4",
                                 "  ( ) Quickly #5",
                                 "Countdown >",
                                 "  (*) Christmas #6",
                                 "  ( ) New Year #7",
                                 "  ( ) Julian #8",
                                 "Options >",
                                 "  [x] Snow (for slow PC) #9",
                                 "  Transparent >",
                                 "    (*) 0% #10",
                                 "    ( ) 10% #11",
                                 "    ( ) 20% #12",
                                 "    ( ) 30% #13",
                                 "    ( ) 40% #14",
                                 "    ( ) 50% #15",
                                 "    ( ) 60% #16",
                                 "    ( ) 70% #17",
                                 "    ( ) 80% #18",
                                 "    ( ) 90% #19",
                                 "  [x] Always OnTop #20",
                                 "[x] Start Nivarra when I start Windows #21",
                                 "---",
                                 "Exit #22",
                             }));
  // Picking "50%" hands back the item whose click sets the transparency.
  EXPECT_EQ(model.ItemForCommand(15), form.MenuItem(GlobeSlot::pmi50));
  EXPECT_EQ(model.ItemForCommand(22), form.MenuItem(GlobeSlot::pmiExit));
}

}  // namespace
}  // namespace nivarra
