#pragma once
// The right-click popup menu, with GTK 3: the items of the program's popup
// menu in their order (change model, change motion, the display sizes with
// a check mark on the current one, exit), then the About box, which on
// Windows is in the window's class menu that a Linux desktop never shows.
// The tray icon's menu is the same with the show/hide item first.
// A chosen command runs once the menu has closed.
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "app/platform/menu_checks.h"

typedef struct _GtkWidget GtkWidget;

namespace brivonel::x11 {

class GtkPopupMenu final : public IMenuChecks {
 public:
  enum class Kind { kFigure, kTray };
  explicit GtkPopupMenu(std::function<void(int commandId)> runCommand,
                        Kind kind = Kind::kFigure);
  ~GtkPopupMenu() override;
  GtkPopupMenu(const GtkPopupMenu&) = delete;
  GtkPopupMenu& operator=(const GtkPopupMenu&) = delete;

  void SetChecked(int commandId, bool checked) override;
  // The item of commandId says text.
  void SetLabel(int commandId, std::u16string_view text);
  // The item of commandId is in the menu (true) or left out.
  void SetOffered(int commandId, bool offered);

  // Opens the menu at a point of the screen, for a button press at time.
  void PopUp(int rootX, int rootY, std::uint32_t time);
  // Takes the menu off the screen when it is open (the program is ending).
  void Close();

  // The GtkMenu (for looking at its items).
  GtkWidget* widget() const { return menu_; }
  // The command id an item of the menu runs (0 for others).
  static int CommandOf(GtkWidget* item);

 private:
  struct Item {
    int commandId;
    GtkWidget* widget;
    unsigned long handler;
  };
  struct Pending;

  GtkWidget* AddItem(GtkWidget* menu, int commandId, GtkWidget* widget);
  static void OnActivate(GtkWidget* widget, void* self);
  static int RunPending(void* pending);

  std::function<void(int)> runCommand_;
  GtkWidget* menu_;
  std::vector<Item> items_;
};

}  // namespace brivonel::x11
