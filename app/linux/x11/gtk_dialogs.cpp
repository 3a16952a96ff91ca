#include "app/linux/x11/gtk_dialogs.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/linux/file_patterns.h"
#include "app/messages.h"
#include "base/trace.h"
#include "base/unicode.h"

namespace brivonel::x11 {
namespace {

// A dialog above the mascot (which is itself above other windows), centred,
// and transient for it so that window managers stack them together.
void PrepareDialog(GtkWindow* dialog, Window owner) {
  gtk_window_set_position(dialog, GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(dialog, TRUE);
  if (owner == 0) return;
  gtk_widget_realize(GTK_WIDGET(dialog));
  GdkWindow* foreign =
      gdk_x11_window_foreign_new_for_display(gdk_display_get_default(), owner);
  if (foreign == nullptr) return;
  gdk_window_set_transient_for(gtk_widget_get_window(GTK_WIDGET(dialog)), foreign);
  g_object_unref(foreign);
}

// Runs the dialog to its end, or until the program ends (the response is
// then GTK_RESPONSE_DELETE_EVENT, and a dialog opened while the program
// ends is not shown at all); takeResult reads the dialog before it goes.
void RunModal(ModalGate& gate, GtkWidget* dialog,
              const std::function<void(int response)>& takeResult = {}) {
  int response = GTK_RESPONSE_DELETE_EVENT;
  if (!gate.closing()) {
    ModalGate::Scope modal(gate, [dialog] {
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_DELETE_EVENT);
    });
    response = gtk_dialog_run(GTK_DIALOG(dialog));
  }
  if (takeResult) takeResult(response);
  gtk_widget_destroy(dialog);
}

// GTK's own translation of a stock button label ("_Open" and the like).
const char* GtkLabel(const char* label) { return g_dgettext("gtk30", label); }

}  // namespace

void GtkMessageBoxes::Show(MessageOwner owner, std::u16string_view text,
                           std::u16string_view caption, MessageStyle style) {
  const std::string message = Utf16ToUtf8(text);
  const std::string title = Utf16ToUtf8(caption);
  if (TraceEnabled()) Trace("message box [" + title + "] " + message + "\n");
  GtkWidget* dialog = gtk_message_dialog_new(
      nullptr, GTK_DIALOG_MODAL, style == MessageStyle::kError ? GTK_MESSAGE_ERROR : GTK_MESSAGE_OTHER,
      GTK_BUTTONS_OK, "%s", message.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  PrepareDialog(GTK_WINDOW(dialog), owner == MessageOwner::kWindow ? owner_.window : 0);
  RunModal(gate_, dialog);
}

void GtkMessageBoxes::Report(std::string_view line) {
  std::fprintf(stderr, "brivonel: %.*s\n", static_cast<int>(line.size()), line.data());
}

bool GtkFileDialog::ShowOpen(const OpenFileDialogSetup& setup, OpenFileDialogBuffers& buffers) {
  const std::string title = Utf16ToUtf8(setup.title);
  if (TraceEnabled()) Trace("file dialog [" + title + "]\n");
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      title.c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, GtkLabel("_Cancel"),
      GTK_RESPONSE_CANCEL, GtkLabel("_Open"), GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, Utf16ToUtf8(setup.filterDescription).c_str());
  for (const std::string& glob : CaseBlindGlobs(setup.filterPattern)) {
    gtk_file_filter_add_pattern(filter, glob.c_str());
  }
  gtk_file_chooser_add_filter(chooser, filter);  // takes the filter
  if (setup.offerAllFiles) {
    GtkFileFilter* all = gtk_file_filter_new();
    gtk_file_filter_set_name(all, Utf16ToUtf8(MessageText(Message::kAllFilesFilter)).c_str());
    gtk_file_filter_add_pattern(all, "*");
    gtk_file_chooser_add_filter(chooser, all);
  }
  // A repeated dialog opens on the previous choice; a first one in the
  // current file's folder (never on "Recent").
  if (!buffers.file.empty()) {
    gtk_file_chooser_set_filename(chooser, ToFsPath(buffers.file).c_str());
  } else if (!setup.initialFolder.empty()) {
    gtk_file_chooser_set_current_folder(chooser, ToFsPath(setup.initialFolder).c_str());
  } else {
    gtk_file_chooser_set_current_folder(chooser, g_get_home_dir());
  }
  PrepareDialog(GTK_WINDOW(dialog), owner_.window);

  gtk_file_chooser_set_select_multiple(chooser, setup.multipleFiles ? TRUE : FALSE);

  std::vector<std::string> chosen;
  RunModal(gate_, dialog, [&](int response) {
    if (response != GTK_RESPONSE_ACCEPT) return;
    GSList* names = gtk_file_chooser_get_filenames(chooser);
    for (GSList* name = names; name != nullptr; name = name->next)
      chosen.emplace_back(static_cast<const char*>(name->data));
    g_slist_free_full(names, g_free);
  });
  if (chosen.empty()) return false;
  const std::filesystem::path path(chosen.front());
  buffers.file = FromFsPath(path);
  buffers.fileTitle = FromFsPath(path.filename());
  buffers.files.clear();
  if (setup.multipleFiles)
    for (const std::string& name : chosen) buffers.files.push_back(FromFsPath(std::filesystem::path(name)));
  if (TraceEnabled())
    for (const std::string& name : chosen) Trace("file chosen " + name + "\n");
  return true;
}

void ShowAboutBox(ModalGate& gate, const DialogOwner& owner) {
  const std::string version = Utf16ToUtf8(MessageText(Message::kAboutVersionLine));
  const std::string secondLine = Utf16ToUtf8(MessageText(Message::kAboutSecondLine));
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                             GTK_BUTTONS_OK, "%s", version.c_str());
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", secondLine.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog),
                       Utf16ToUtf8(MessageText(Message::kAboutCaption)).c_str());
  PrepareDialog(GTK_WINDOW(dialog), owner.window);
  if (TraceEnabled()) Trace("about box\n");
  RunModal(gate, dialog);
}

}  // namespace brivonel::x11
