#include "app/linux/x11/desktop_program.h"

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
#include "app/linux/command_line.h"
#include "app/linux/frame_pacer.h"
#include "app/linux/ini_profile_store.h"
#include "app/linux/monotonic_clock.h"
#include "app/linux/overridden_profile_store.h"
#include "app/linux/program_folders.h"
#include "app/linux/x11/compositor_watch.h"
#include "app/linux/x11/display_facts.h"
#include "app/linux/x11/frame_stats.h"
#include "app/linux/x11/glib_sources.h"
#include "app/linux/x11/gtk_dialogs.h"
#include "app/linux/x11/gtk_popup_menu.h"
#include "app/linux/x11/mascot_window.h"
#include "app/linux/x11/single_instance.h"
#include "app/linux/x11/sleep_watch.h"
#include "app/linux/x11/x11_display.h"
#include "app/linux/x11/x11_pointer.h"
#include "app/linux/x11/x11_presenter.h"
#include "app/resources.h"
#include "app/settings.h"
#include "app/shell.h"
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
  }
  if (commandLine.displaySize) {
    overrides.push_back({section, std::u16string(Settings::sizeKey),
                         Utf8ToUtf16(std::to_string(*commandLine.displaySize))});
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

// The status of a run that ended because it could not start: no usable
// model or motion (the dialog cancelled), no shaders, no window. Another copy
// running is no failure (0), nor is a signal that ends the program early.
constexpr int kCouldNotStart = 1;

class DesktopProgram final : public IShellCommands {
 public:
  DesktopProgram(X11Display& display, const WindowVisual& visual, const CommandLine& commandLine)
      : display_(display),
        boxes_(gate_, owner_),
        fileDialog_(gate_, owner_),
        menu_([this](int commandId) { RunCommand(commandId); }),
        window_(display),
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
        Platform{clock_, boxes_, fileDialog_, menu_, window_, presenter_, strings_, store_,
                 folders_, &physics_, &pointer_},
        decoders_);
    gate_.OnClosed([this] { ResumeFrames(); });
  }

  ~DesktopProgram() override {
    g_source_remove(interrupt_);
    g_source_remove(terminate_);
    // The application's OpenGL objects go before the presenter's context.
    app_.reset();
  }

  int Run() {
    // A signal while the settings' box was open: no window for a run that ends.
    if (stopping_) return ExitCodeOfLastMessage(0);
    instance_ = SingleInstance::Claim(display_);
    if (!instance_) return kEarlyExitCode;  // another copy runs: leave it alone

    const AreaSize workArea = DesktopWorkArea(display_);
    const Rect rect = MascotWindowRect(workArea.width, workArea.height);
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
    if (running_ && !stopping_) RunMenuCommand(commandId, *app_, *this);
  }

  void ResumeFrames() {
    if (!running_ || gate_.open() || app_->powerState() == kPowerAsleep) return;
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
    if (app_->powerState() != kPowerAsleep && !gate_.open()) frameTimer_.Arm(pacer_.due());
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
    if (button.button == Button1) {
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
  MascotWindow window_;
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
  const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
  CommandLine commandLine;
  std::string error;
  if (!ParseCommandLine(arguments, &commandLine, &error)) {
    std::fprintf(stderr, "brivonel: %s\n%s", error.c_str(), kCommandLineUsage);
    return 2;
  }
  if (commandLine.action == CommandLine::Action::kHelp) {
    std::fputs(kCommandLineUsage, stdout);
    return 0;
  }
  if (commandLine.action == CommandLine::Action::kVersion) {
    std::printf("%s\n", Utf16ToUtf8(MessageText(Message::kAboutVersionLine)).c_str());
    return 0;
  }

  // GTK first: its dialogs may be needed as soon as the settings exist. Its
  // menus and dialogs belong with an X11 window, also on a Wayland desktop
  // (through Xwayland).
  g_set_prgname("brivonel");
  g_set_application_name("Brivonel");
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(&argc, &argv)) {
    std::fputs("brivonel: cannot open the X display (is DISPLAY set?); without a desktop, "
               "scripts/run-sample draws the figure into PNG files\n",
               stderr);
    return 1;
  }
  // GTK set the locale from the environment; numbers stay in the C form.
  std::setlocale(LC_NUMERIC, "C");
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
