#include "app/linux/x11/desktop_program.h"

#include <gio/gio.h>
#include <glib-unix.h>
#include <glib.h>
#include <signal.h>
#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/desktop_mascot_app.h"
#include "app/figure_controls.h"
#include "app/figure_scale.h"
#include "app/linux/command_line.h"
#include "app/linux/frame_pacer.h"
#include "app/linux/ini_profile_store.h"
#include "app/linux/message_catalogue.h"
#include "app/linux/monotonic_clock.h"
#include "app/linux/overridden_profile_store.h"
#include "app/linux/program_folders.h"
#include "app/linux/xdg_autostart.h"
#include "app/linux/x11/compositor_watch.h"
#include "app/linux/x11/display_facts.h"
#include "app/linux/x11/frame_stats.h"
#include "app/linux/x11/glib_sources.h"
#include "app/linux/x11/gtk_dialogs.h"
#include "app/linux/x11/gtk_popup_menu.h"
#include "app/linux/x11/mascot_window.h"
#include "app/linux/x11/monitor_layout.h"
#include "app/linux/x11/single_instance.h"
#include "app/linux/x11/sleep_watch.h"
#if BRIVONEL_TRAY_ICON
#include "app/linux/x11/tray_icon.h"
#endif
#include "app/linux/x11/x11_display.h"
#include "app/linux/x11/x11_pointer.h"
#include "app/linux/x11/x11_presenter.h"
#include "app/resources.h"
#include "app/settings.h"
#include "app/shell.h"
#include "app/window_place.h"
#include "app/standard_file_decoders.h"
#include "base/error_codes.h"
#include "base/trace.h"
#include "base/unicode.h"
#include "physics/bullet/bullet_engine.h"
#include "render/linux/image_codecs_linux.h"

namespace brivonel::x11 {
namespace {

// The command line's files and size as settings of this run.
std::vector<OverriddenProfileStore::Override> OverridesOf(const CommandLine& commandLine) {
  std::vector<OverriddenProfileStore::Override> overrides;
  const std::u16string section(Settings::section);
  const auto file = [](const std::string& typed) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(typed, error);
    return FromFsPath(error ? std::filesystem::path(typed) : absolute.lexically_normal());
  };
  if (commandLine.modelFile) {
    overrides.push_back({section, std::u16string(Settings::modelKey), file(*commandLine.modelFile)});
  }
  if (commandLine.motionFile) {
    overrides.push_back(
        {section, std::u16string(Settings::motionKey), file(*commandLine.motionFile)});
    // The motion alone, not the remembered list it may start.
    overrides.push_back({std::u16string(Settings::playlistSection), u"Count", u"0"});
  }
  if (commandLine.displaySize) {
    overrides.push_back({section, std::u16string(Settings::sizeKey),
                         Utf8ToUtf16(std::to_string(*commandLine.displaySize))});
    // The size's own scale, not one the wheel left in the file.
    overrides.push_back({section, std::u16string(Settings::scaleKey),
                         Utf8ToUtf16(std::to_string(PercentOfSize(*commandLine.displaySize)))});
  }
  return overrides;
}

// Windows' key-state flags of a mouse message, from an X event's state.
std::uintptr_t KeysOfState(unsigned state) {
  std::uintptr_t keys = 0;
  if (state & Button1Mask) keys |= 0x0001;  // MK_LBUTTON
  if (state & Button3Mask) keys |= 0x0002;  // MK_RBUTTON
  if (state & ShiftMask) keys |= 0x0004;    // MK_SHIFT
  if (state & ControlMask) keys |= 0x0008;  // MK_CONTROL
  if (state & Button2Mask) keys |= 0x0010;  // MK_MBUTTON
  return keys;
}

// Whether a session bus can be reached: its address is set, or the
// per-user socket systemd provides exists.
bool HasSessionBus() {
  const char* address = g_getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address != nullptr && *address != '\0') return true;
  const char* runtime = g_getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') return false;
  std::error_code error;
  return std::filesystem::exists(std::filesystem::path(runtime) / "bus", error);
}

// The status of a run that ended because it could not start: no usable
// model or motion (the dialog cancelled), no shaders, no window. Another copy
// running is no failure (0), nor is a signal that ends the program early.
constexpr int kCouldNotStart = 1;

// The check marks go to both menus: the figure's and the tray icon's.
class BothMenusChecks final : public IMenuChecks {
 public:
  BothMenusChecks(IMenuChecks& figure, IMenuChecks& tray) : figure_(figure), tray_(tray) {}
  void SetChecked(int commandId, bool checked) override {
    figure_.SetChecked(commandId, checked);
    tray_.SetChecked(commandId, checked);
  }

 private:
  IMenuChecks& figure_;
  IMenuChecks& tray_;
};

class DesktopProgram final : public IShellCommands, public IFigureWindow {
 public:
  DesktopProgram(X11Display& display, const WindowVisual& visual, const CommandLine& commandLine)
      : display_(display),
        boxes_(gate_, owner_),
        fileDialog_(gate_, owner_),
        menu_([this](int commandId) { RunCommand(commandId); }),
        trayMenu_([this](int commandId) { RunCommand(commandId); }, GtkPopupMenu::Kind::kTray),
        checks_(menu_, trayMenu_),
        autostart_(XdgAutostart::ForThisProgram()),
        window_(display),
        layout_(display, window_),
        compositor_(display),
        presenter_(display, window_, visual, compositor_.composited()),
        store_(iniStore_, OverridesOf(commandLine)),
        visual_(visual),
        frameTimer_([this] { OnFrameDue(); }) {
    // Ctrl+C in a terminal, or a session that ends: the program ends as
    // through its menu, also while a box or dialog is open (from the first
    // one on, which the settings below may show).
    interrupt_ = g_unix_signal_add(SIGINT, OnStopSignal, this);
    terminate_ = g_unix_signal_add(SIGTERM, OnStopSignal, this);
    // Constructing the application object constructs its settings, which
    // find (and may create) their folder, with a box on failure.
    app_ = std::make_unique<DesktopMascotApp>(
        Platform{clock_, boxes_, fileDialog_, checks_, window_, presenter_, strings_, store_,
                 folders_, &physics_, &layout_, &pointer_},
        decoders_);
    controls_ = std::make_unique<FigureControls>(app_->settings(), checks_, *this, autostart_, boxes_);
    controls_->RefreshChecks();
    gate_.OnClosed([this] { ResumeFrames(); });
  }

  ~DesktopProgram() override {
    if (autostartWatch_ != nullptr) {
      g_signal_handlers_disconnect_by_data(autostartWatch_, this);
      g_object_unref(autostartWatch_);
    }
    g_source_remove(interrupt_);
    g_source_remove(terminate_);
    // The application's OpenGL objects go before the presenter's context.
    app_.reset();
  }

  int Run() {
    // A signal while the settings' box was open: no window for a run that ends.
    if (stopping_) return ExitCodeOfLastMessage(0);
    instance_ = SingleInstance::Claim(display_);
    if (!instance_) {
      // Started again by a user looking for the figure: show it to them.
      SingleInstance::Summon(display_);
      std::fputs("brivonel: already running; its figure is brought into view\n", stderr);
      return kEarlyExitCode;
    }

    // Where the user last dropped the figure, when that place still shows;
    // else the right half of the primary monitor's work area.
    const AreaSize workArea = DesktopWorkArea(display_);
    const std::vector<MonitorArea> monitors = layout_.Monitors();
    const Rect rect = StartWindowRect(app_->settings().WindowPlace(), monitors)
                          .value_or(MascotWindowRect(workArea.width, workArea.height));
    if (TraceEnabled()) {
      for (const MonitorArea& m : monitors) {
        TraceFormat("monitor %d,%d %dx%d, work area %d,%d %dx%d%s\n", m.bounds.left, m.bounds.top,
                    m.bounds.right - m.bounds.left, m.bounds.bottom - m.bounds.top,
                    m.workArea.left, m.workArea.top, m.workArea.right - m.workArea.left,
                    m.workArea.bottom - m.workArea.top, m.primary ? ", primary" : "");
      }
      TraceFormat("window at %d,%d %dx%d\n", rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top);
    }
    std::string error;
    const std::string title = Utf16ToUtf8(strings_.Load(resource::kClassNameString).value_or(u""));
    if (!window_.Create(visual_, rect, title, &error)) {
      std::fprintf(stderr, "brivonel: %s\n", error.c_str());
      return kCouldNotStart;
    }
    owner_.window = window_.id();
    window_.Map();
    pacer_ = FramePacer(MonitorRefreshRate(display_, (rect.left + rect.right) / 2,
                                           (rect.top + rect.bottom) / 2));
    XEventSource events(display_.get(), [this](XEvent& event) { OnXEvent(event); });
    SleepWatch sleep([this](bool sleeping) { OnSleep(sleeping); });

    RegisterLinuxImageCodecs();
    const bool started = app_->Initialise(rect) == brivonel::error::kOk;
    // A signal during start-up closed its dialogs: an end the user asked for.
    if (stopping_) return ExitCodeOfLastMessage(0);
    if (!started) return kCouldNotStart;

    WatchAutostartEntry();
#if BRIVONEL_TRAY_ICON
    TrayIcon tray(trayMenu_.widget(), [this](bool present) { OnTrayPresent(present); });
#else
    TraceFormat("tray: built without libayatana-appindicator3; no tray icon\n");
#endif
    loop_ = g_main_loop_new(nullptr, FALSE);
    running_ = true;
    ResumeFrames();
    g_main_loop_run(loop_);
    running_ = false;
    g_main_loop_unref(loop_);
    loop_ = nullptr;
    app_->Shutdown();
    window_.Unmap();
    return ExitCodeOfLastMessage(0);
  }

  // --- IShellCommands ---
  void ShowAbout() override { ShowAboutBox(gate_, owner_); }
  void CloseWindow() override {
    window_.Unmap();
    if (loop_ != nullptr) g_main_loop_quit(loop_);
  }

  // --- IFigureWindow ---
  void SetShown(bool shown) override {
    trayMenu_.SetLabel(command::kShowHide,
                       MessageText(shown ? Message::kHideItem : Message::kShowItem));
    hidden_ = !shown;
    if (shown) {
      window_.Map();
      ResumeFrames();
    } else {
      // A hidden figure costs nothing: no frames until it shows again.
      window_.Unmap();
      frameTimer_.Disarm();
    }
  }
  void Raise() override { window_.Raise(); }
  void SetClickThrough(bool on) override {
    TraceFormat("click-through %s\n", on ? "on" : "off");
    presenter_.SetClickThrough(on);
  }

 private:
  // Closes what is open (its nested loop returns, the code that opened it
  // unwinds without opening more), then ends the main loop. The settings
  // need no saving: every change was written when it was made.
  static gboolean OnStopSignal(gpointer self) {
    auto* program = static_cast<DesktopProgram*>(self);
    program->stopping_ = true;
    program->gate_.CloseAll();
    program->menu_.Close();
    program->CloseWindow();
    return G_SOURCE_CONTINUE;
  }

  void RunCommand(int commandId) {
    if (!running_ || stopping_) return;
    if (!controls_->RunCommand(commandId)) RunMenuCommand(commandId, *app_, *this);
  }

  void OnTrayPresent(bool present) {
    menu_.SetOffered(command::kClickThrough, present);
    trayMenu_.SetOffered(command::kClickThrough, present);
    controls_->SetTrayPresent(present);
  }

  // The tray menu's mark follows the entry on disk, also when another
  // program adds or removes it.
  void WatchAutostartEntry() {
    GFile* file = g_file_new_for_path(autostart_.path().c_str());
    autostartWatch_ = g_file_monitor_file(file, G_FILE_MONITOR_NONE, nullptr, nullptr);
    g_object_unref(file);
    if (autostartWatch_ == nullptr) return;
    g_signal_connect_swapped(autostartWatch_, "changed", G_CALLBACK(+[](DesktopProgram* self) {
                               self->controls_->RefreshChecks();
                             }),
                             this);
  }

  void ResumeFrames() {
    if (!running_ || hidden_ || gate_.open() || app_->powerState() == kPowerAsleep) return;
    pacer_.Restart(g_get_monotonic_time());
    frameTimer_.Arm(pacer_.due());
  }

  void OnFrameDue() {
    if (gate_.open()) return;  // the gate resumes the frames when it closes
    if (RunIdleTurn(*app_) == LoopTurn::kEnd) {
      CloseWindow();
      return;
    }
    const std::int64_t now = g_get_monotonic_time();
    stats_.TurnDone(now, presenter_.costs());
    pacer_.FrameDone(now);
    // Asleep, nothing is drawn: the process waits for the resume.
    if (app_->powerState() != kPowerAsleep && !hidden_ && !gate_.open()) {
      frameTimer_.Arm(pacer_.due());
    }
  }

  void OnSleep(bool sleeping) {
    OnPowerEvent(*app_, sleeping ? kPowerEventSuspend : kPowerEventResume);
    if (sleeping) {
      frameTimer_.Disarm();
    } else {
      ResumeFrames();
    }
  }

  void OnXEvent(XEvent& event) {
    if (presenter_.HandleEvent(event)) return;
    if (instance_ && instance_->IsSummons(event)) {
      TraceFormat("another copy was started: bringing the figure into view\n");
      if (running_) controls_->BringIntoView();
      return;
    }
    if (compositor_.HandleEvent(event)) {
      presenter_.SetComposited(compositor_.composited());
      return;
    }
    if (event.xany.window != window_.id()) return;
    switch (event.type) {
      case ButtonPress:
      case ButtonRelease:
        OnButton(event.xbutton);
        break;
      case MotionNotify: {
        // Of moves queued one after the other only the last matters (never
        // one queued behind a button event).
        XEvent next;
        while (XPending(display_.get()) > 0 && XPeekEvent(display_.get(), &next) &&
               next.type == MotionNotify && next.xany.window == window_.id()) {
          XNextEvent(display_.get(), &event);
        }
        const XMotionEvent& motion = event.xmotion;
        window_.NoteEventPosition(motion.x_root, motion.y_root, motion.x, motion.y);
        app_->OnMouseMove(KeysOfState(motion.state), motion.x, motion.y);
        break;
      }
      case Expose:
        if (event.xexpose.count == 0) presenter_.Repaint();
        break;
      case ConfigureNotify:
        window_.NoteConfigure(event.xconfigure);
        // A window manager that imposes its own size (a tiling one): the
        // frames follow the window.
        if (running_) app_->OnSize(event.xconfigure.width, event.xconfigure.height);
        break;
      case ReparentNotify:
        window_.NoteReparent(event.xreparent);
        break;
      case ClientMessage:
        // The window manager's close button (or a task manager) asks to end.
        if (event.xclient.message_type == display_.Intern("WM_PROTOCOLS") &&
            static_cast<Atom>(event.xclient.data.l[0]) == display_.Intern("WM_DELETE_WINDOW")) {
          RunCommand(command::kExit);
        }
        break;
      default:
        break;
    }
  }

  void OnButton(const XButtonEvent& button) {
    const bool press = button.type == ButtonPress;
    if (TraceEnabled()) {
      TraceFormat("mouse button %u %s at %d,%d\n", button.button, press ? "down" : "up",
                  button.x_root, button.y_root);
    }
    window_.NoteEventPosition(button.x_root, button.y_root, button.x, button.y);
    const std::uintptr_t keys = KeysOfState(button.state);
    if ((button.button == Button4 || button.button == Button5) && press && running_ &&
        !gate_.open()) {
      // A wheel notch away from the user (button 4) is a positive turn.
      app_->OnMouseWheel(keys, button.button == Button4 ? 120 : -120);
    } else if (button.button == Button1) {
      if (!press) {
        app_->OnLButtonUp(keys, button.x, button.y);
      } else if (running_ && !gate_.open()) {
        app_->OnLButtonDown(keys, button.x, button.y);
      }
    } else if (button.button == Button3 && press && running_ && !gate_.open() &&
               !app_->dragging()) {
      // The press grabbed the pointer for this connection; GTK's menu needs
      // it for its own.
      XUngrabPointer(display_.get(), button.time);
      XFlush(display_.get());
      controls_->RefreshChecks();
      menu_.PopUp(button.x_root, button.y_root, static_cast<std::uint32_t>(button.time));
    }
  }

  X11Display& display_;
  ModalGate gate_;
  DialogOwner owner_;
  MonotonicClock clock_;
  GtkMessageBoxes boxes_;
  GtkFileDialog fileDialog_;
  GtkPopupMenu menu_;
  GtkPopupMenu trayMenu_;
  BothMenusChecks checks_;
  XdgAutostart autostart_;
  MascotWindow window_;
  X11MonitorLayout layout_;
  CompositorWatch compositor_;
  X11Presenter presenter_;
  BuiltInStringTable strings_;
  IniProfileStore iniStore_;
  OverriddenProfileStore store_;
  ProgramFolders folders_;
  StandardFileDecoders decoders_;
  physics::BulletEngine physics_;
  X11Pointer pointer_{display_};
  WindowVisual visual_;
  std::unique_ptr<DesktopMascotApp> app_;
  std::unique_ptr<FigureControls> controls_;
  GFileMonitor* autostartWatch_ = nullptr;
  bool hidden_ = false;
  std::unique_ptr<SingleInstance> instance_;
  FramePacer pacer_{0.0};
  FrameTimer frameTimer_;
  FrameStats stats_;
  GMainLoop* loop_ = nullptr;
  bool running_ = false;
  bool stopping_ = false;  // a signal asked the program to end
  guint interrupt_ = 0;
  guint terminate_ = 0;
};

}  // namespace

int RunDesktopProgram(int argc, char** argv) {
  // The user's language first: the help and every box speak it.
  UseUserLanguage(LocaleFolderFor(Utf16ToUtf8(LinuxFolders().ExecutableFolder()),
                                  BRIVONEL_INSTALLED_LOCALE_DIR));
  const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
  CommandLine commandLine;
  std::string error;
  if (!ParseCommandLine(arguments, &commandLine, &error)) {
    std::fprintf(stderr, "brivonel: %s\n%s", error.c_str(), CommandLineUsage().c_str());
    return 2;
  }
  if (commandLine.action == CommandLine::Action::kHelp) {
    std::fputs(CommandLineUsage().c_str(), stdout);
    return 0;
  }
  if (commandLine.action == CommandLine::Action::kVersion) {
    std::printf("%s\n", Utf16ToUtf8(MessageText(Message::kAboutVersionLine)).c_str());
    return 0;
  }

  // GTK first: its dialogs may be needed as soon as the settings exist. Its
  // menus and dialogs belong with an X11 window, also on a Wayland desktop
  // (through Xwayland).
  // Without a session bus GTK's settings back end (dconf) warns at every
  // setting it cannot write; the settings then live in memory, quietly.
  if (!HasSessionBus()) g_setenv("GSETTINGS_BACKEND", "memory", FALSE);
  g_set_prgname("brivonel");
  g_set_application_name("Brivonel");
  gdk_set_allowed_backends("x11");
  gtk_disable_setlocale();  // set above, with a fallback GTK lacks
  if (!gtk_init_check(&argc, &argv)) {
    std::fputs("brivonel: cannot open the X display (is DISPLAY set?); without a desktop, "
               "scripts/run-sample draws the figure into PNG files\n",
               stderr);
    return 1;
  }
  gtk_window_set_default_icon_name("brivonel");  // the installed icon, for the dialogs
  std::unique_ptr<X11Display> display = X11Display::Open(&error);
  if (!display) {
    std::fprintf(stderr, "brivonel: %s\n", error.c_str());
    return 1;
  }
  WindowVisual visual;
  if (!ChooseWindowVisual(*display, &visual, &error)) {
    std::fprintf(stderr, "brivonel: %s\n", error.c_str());
    return 1;
  }
  DesktopProgram program(*display, visual, commandLine);
  return program.Run();
}

}  // namespace brivonel::x11
