// The popup menu as GTK builds it, on a private X server: its items in
// order with their texts and commands, the size items' marks, and commands
// that run only when the user chooses them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/linux/x_session.h"
#include "tests/support/temp_dir.h"

// GTK after the test framework: X11's macros clash with its names.
#include <gtk/gtk.h>

#include "app/linux/x11/gtk_popup_menu.h"

namespace brivonel::test {
namespace {

struct Entry {
  std::string label;
  int command;
  bool check;
  bool shown = true;
  friend bool operator==(const Entry&, const Entry&) = default;
};

std::vector<GtkWidget*> Items(GtkWidget* menu) {
  std::vector<GtkWidget*> items;
  GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList* child = children; child != nullptr; child = child->next) {
    items.push_back(GTK_WIDGET(child->data));
  }
  g_list_free(children);
  return items;
}

std::vector<Entry> Entries(GtkWidget* menu) {
  std::vector<Entry> entries;
  for (GtkWidget* item : Items(menu)) {
    const char* label = GTK_IS_SEPARATOR_MENU_ITEM(item)
                            ? "-"
                            : gtk_menu_item_get_label(GTK_MENU_ITEM(item));
    entries.push_back({label, x11::GtkPopupMenu::CommandOf(item), GTK_IS_CHECK_MENU_ITEM(item),
                       gtk_widget_get_visible(item) != FALSE});
  }
  return entries;
}

std::vector<bool> Marks(GtkWidget* subMenu) {
  std::vector<bool> marks;
  for (GtkWidget* item : Items(subMenu)) {
    marks.push_back(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item)) != FALSE);
  }
  return marks;
}

void RunPendingWork() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

class GtkMenuTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new TempDir;
    xvfb_ = new XvfbServer(scratch_->path());
    ::setenv("DISPLAY", xvfb_->display().c_str(), 1);
    ::setenv("NO_AT_BRIDGE", "1", 1);
    ::setenv("GSETTINGS_BACKEND", "memory", 1);
    ready_ = gtk_init_check(nullptr, nullptr) != FALSE;
  }
  static void TearDownTestSuite() {
    delete xvfb_;  // GTK's connection just sees the server go
    delete scratch_;
  }
  void SetUp() override { ASSERT_TRUE(ready_) << "GTK found no display"; }

  static inline TempDir* scratch_ = nullptr;
  static inline XvfbServer* xvfb_ = nullptr;
  static inline bool ready_ = false;
};

TEST_F(GtkMenuTest, ItemsInTheirOrderWithTheAboutBoxAtTheEnd) {
  std::vector<int> commands;
  x11::GtkPopupMenu menu([&](int command) { commands.push_back(command); });
  EXPECT_EQ(Entries(menu.widget()), (std::vector<Entry>{{"モデル変更", 130, false},
                                                        {"モーション変更", 131, false},
                                                        {"表示サイズ", 0, false},
                                                        {"物理演算", 135, true},
                                                        {"視線追従", 140, true},
                                                        {"シャッフル", 153, true},
                                                        {"クリック透過", 151, true, false},
                                                        {"ログイン時に起動", 152, true},
                                                        {"終了", 105, false},
                                                        {"-", 0, false},
                                                        {"バージョン情報(_A)...", 104, false}}));
  GtkWidget* sizes = gtk_menu_item_get_submenu(GTK_MENU_ITEM(Items(menu.widget())[2]));
  ASSERT_NE(sizes, nullptr);
  EXPECT_EQ(Entries(sizes),
            (std::vector<Entry>{{"大", 132, true}, {"中", 133, true}, {"小", 134, true}}));
}

TEST_F(GtkMenuTest, MarksAreSetWithoutRunningCommandsAndChoicesRunAfterTheMenuCloses) {
  std::vector<int> commands;
  x11::GtkPopupMenu menu([&](int command) { commands.push_back(command); });
  GtkWidget* sizes = gtk_menu_item_get_submenu(GTK_MENU_ITEM(Items(menu.widget())[2]));
  // What the application does for display size 2.
  menu.SetChecked(132, false);
  menu.SetChecked(133, true);
  menu.SetChecked(134, false);
  menu.SetChecked(135, true);
  menu.SetChecked(140, false);
  menu.SetChecked(153, true);
  RunPendingWork();
  EXPECT_EQ(Marks(sizes), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(Marks(menu.widget())[3], true) << "the physics item";
  EXPECT_EQ(Marks(menu.widget())[4], false) << "the look-at item";
  EXPECT_EQ(Marks(menu.widget())[5], true) << "the shuffle item";
  EXPECT_TRUE(commands.empty()) << "setting a mark is not a choice";

  gtk_menu_item_activate(GTK_MENU_ITEM(Items(sizes)[2]));
  gtk_menu_item_activate(GTK_MENU_ITEM(Items(menu.widget())[10]));
  EXPECT_TRUE(commands.empty()) << "nothing runs inside the menu's own handling";
  RunPendingWork();
  EXPECT_EQ(commands, (std::vector<int>{134, 104}));
}

TEST_F(GtkMenuTest, TheTrayMenuStartsWithShowHideAndOffersClickThroughWhenAsked) {
  std::vector<int> commands;
  x11::GtkPopupMenu menu([&](int command) { commands.push_back(command); },
                         x11::GtkPopupMenu::Kind::kTray);
  menu.SetOffered(151, true);
  menu.SetLabel(150, u"表示");
  menu.SetChecked(151, true);
  RunPendingWork();
  const std::vector<Entry> entries = Entries(menu.widget());
  ASSERT_EQ(entries.size(), 13u);
  EXPECT_EQ(entries[0], (Entry{"表示", 150, false}));
  EXPECT_EQ(entries[1], (Entry{"-", 0, false}));
  EXPECT_EQ(entries[2], (Entry{"モデル変更", 130, false}));
  EXPECT_EQ(entries[7], (Entry{"シャッフル", 153, true}));
  EXPECT_EQ(entries[8], (Entry{"クリック透過", 151, true, true}));
  EXPECT_EQ(entries[12], (Entry{"バージョン情報(_A)...", 104, false}));
  EXPECT_TRUE(Marks(menu.widget())[8]);
  gtk_menu_item_activate(GTK_MENU_ITEM(Items(menu.widget())[0]));
  RunPendingWork();
  EXPECT_EQ(commands, (std::vector<int>{150}));
}

}  // namespace
}  // namespace brivonel::test
