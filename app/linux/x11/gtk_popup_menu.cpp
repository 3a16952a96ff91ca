#include "app/linux/x11/gtk_popup_menu.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "app/resources.h"
#include "base/trace.h"
#include "base/unicode.h"

namespace brivonel::x11 {
namespace {

bool IsSizeItem(int commandId) {
  return commandId >= command::kSizeLarge && commandId <= command::kSizeSmall;
}

// Windows marks the access key with "&", GTK with "_".
std::string MnemonicLabel(std::u16string_view text) {
  std::string label = Utf16ToUtf8(text);
  for (char& c : label) {
    if (c == '&') c = '_';
  }
  return label;
}

}  // namespace

struct GtkPopupMenu::Pending {
  GtkPopupMenu* menu;
  int commandId;
};

GtkPopupMenu::GtkPopupMenu(std::function<void(int)> runCommand, Kind kind)
    : runCommand_(std::move(runCommand)), menu_(gtk_menu_new()) {
  g_object_ref_sink(menu_);
  if (kind == Kind::kTray) {
    AddItem(menu_, command::kShowHide,
            gtk_menu_item_new_with_label(Utf16ToUtf8(MessageText(Message::kHideItem)).c_str()));
    gtk_menu_shell_append(GTK_MENU_SHELL(menu_), gtk_separator_menu_item_new());
  }
  GtkWidget* current = menu_;
  for (const MenuItemText& entry : kPopupMenuItems) {
    const std::string text = Utf16ToUtf8(MessageText(entry.text));
    if (entry.commandId == kSubMenuEnd) {
      current = menu_;
    } else if (entry.commandId == 0) {
      GtkWidget* parent = gtk_menu_item_new_with_label(text.c_str());
      GtkWidget* subMenu = gtk_menu_new();
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(parent), subMenu);
      gtk_menu_shell_append(GTK_MENU_SHELL(current), parent);
      current = subMenu;
    } else if (IsSizeItem(entry.commandId)) {
      GtkWidget* check = gtk_check_menu_item_new_with_label(text.c_str());
      gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(check), TRUE);
      AddItem(current, entry.commandId, check);
    } else if (entry.commandId == command::kPhysics || entry.commandId == command::kLookAt ||
               entry.commandId == command::kShuffle || entry.commandId == command::kClickThrough ||
               entry.commandId == command::kStartAtLogin) {
      AddItem(current, entry.commandId, gtk_check_menu_item_new_with_label(text.c_str()));
    } else {
      AddItem(current, entry.commandId, gtk_menu_item_new_with_label(text.c_str()));
    }
  }
  gtk_menu_shell_append(GTK_MENU_SHELL(menu_), gtk_separator_menu_item_new());
  AddItem(menu_, command::kAbout,
          gtk_menu_item_new_with_mnemonic(MnemonicLabel(MessageText(kClassMenuAboutItem)).c_str()));
  gtk_widget_show_all(menu_);
  // Click-through is offered once there is a tray icon to turn it off with.
  SetOffered(command::kClickThrough, false);
}

GtkPopupMenu::~GtkPopupMenu() {
  gtk_widget_destroy(menu_);
  g_object_unref(menu_);
}

GtkWidget* GtkPopupMenu::AddItem(GtkWidget* menu, int commandId, GtkWidget* widget) {
  const gulong handler = g_signal_connect(widget, "activate", G_CALLBACK(OnActivate), this);
  g_object_set_data(G_OBJECT(widget), "brivonel-command", GINT_TO_POINTER(commandId));
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), widget);
  items_.push_back({commandId, widget, handler});
  return widget;
}

void GtkPopupMenu::SetChecked(int commandId, bool checked) {
  for (const Item& item : items_) {
    if (item.commandId != commandId || !GTK_IS_CHECK_MENU_ITEM(item.widget)) continue;
    // Setting the mark activates the item; that is not the user's choice.
    g_signal_handler_block(item.widget, item.handler);
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item.widget), checked);
    g_signal_handler_unblock(item.widget, item.handler);
  }
}

void GtkPopupMenu::SetLabel(int commandId, std::u16string_view text) {
  const std::string label = Utf16ToUtf8(text);
  for (const Item& item : items_) {
    if (item.commandId == commandId) gtk_menu_item_set_label(GTK_MENU_ITEM(item.widget), label.c_str());
  }
}

void GtkPopupMenu::SetOffered(int commandId, bool offered) {
  for (const Item& item : items_) {
    if (item.commandId == commandId) gtk_widget_set_visible(item.widget, offered);
  }
}

int GtkPopupMenu::CommandOf(GtkWidget* item) {
  return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "brivonel-command"));
}

void GtkPopupMenu::OnActivate(GtkWidget* widget, void* self) {
  const int commandId = CommandOf(widget);
  if (TraceEnabled()) TraceFormat("menu command %d\n", commandId);
  // The command may open a dialog: it runs after the menu has gone.
  g_idle_add(RunPending, new Pending{static_cast<GtkPopupMenu*>(self), commandId});
}

int GtkPopupMenu::RunPending(void* data) {
  const std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
  pending->menu->runCommand_(pending->commandId);
  return G_SOURCE_REMOVE;
}

void GtkPopupMenu::PopUp(int rootX, int rootY, std::uint32_t time) {
  // GTK positions the menu at its trigger event and grabs the pointer with
  // the event's device and time: the press happened on the program's own
  // X connection, so GTK gets an event made from it, on the root window.
  GdkDisplay* display = gdk_display_get_default();
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
  GdkEvent* event = gdk_event_new(GDK_BUTTON_PRESS);
  event->button.window = GDK_WINDOW(g_object_ref(gdk_get_default_root_window()));
  event->button.time = time;
  event->button.x = event->button.x_root = rootX;
  event->button.y = event->button.y_root = rootY;
  event->button.button = 3;
  gdk_event_set_device(event, pointer);
  gtk_menu_popup_at_pointer(GTK_MENU(menu_), event);
  gdk_event_free(event);
  if (TraceEnabled()) {
    // The items as the user reads them (the shown ones), for tests in each
    // language.
    std::string labels;
    GList* children = gtk_container_get_children(GTK_CONTAINER(menu_));
    for (GList* child = children; child != nullptr; child = child->next) {
      if (!gtk_widget_get_visible(GTK_WIDGET(child->data))) continue;
      const char* label = gtk_menu_item_get_label(GTK_MENU_ITEM(child->data));
      labels += std::string(labels.empty() ? "" : "|") + (label != nullptr ? label : "");
    }
    g_list_free(children);
    TraceFormat("popup menu at %d,%d: %s\n", rootX, rootY, labels.c_str());
  }
}

void GtkPopupMenu::Close() { gtk_menu_popdown(GTK_MENU(menu_)); }

}  // namespace brivonel::x11
