#pragma once
// A private X desktop for end-to-end tests: an Xvfb server (1920x1080, with
// its screen in a file, since xwd shows 32-bit windows black), a
// compositing manager when asked for, a private message bus, and the test's
// own X connection for looking at windows. Everything is started here and
// stopped by process id.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/linux/child_process.h"

// Xlib's types without its header, whose macros (None, Bool, Status) clash
// with the test framework's names.
typedef struct _XDisplay Display;

namespace brivonel::test {

using XWindow = unsigned long;

struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int right() const { return x + width; }
  int bottom() const { return y + height; }
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  // Differs from other in some channel by more than tolerance.
  bool FarFrom(Rgb other, int tolerance) const;
};

// Polls condition every 20 ms until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

class XvfbServer {
 public:
  // Starts the server with its frame buffer in folder; the test fails (and
  // display() is empty) when it does not come up.
  explicit XvfbServer(const std::filesystem::path& folder);
  const std::string& display() const { return display_; }
  const std::filesystem::path& screenFile() const { return screenFile_; }
  // Ends the server, as a crash of the X server would for its clients.
  void Stop() { process_->Stop(); }

 private:
  std::unique_ptr<ChildProcess> process_;
  std::string display_;
  std::filesystem::path screenFile_;
};

// One read of the screen.
class Screen {
 public:
  static Screen Read(const std::filesystem::path& screenFile);
  Rgb At(int x, int y) const;
  int width() const { return width_; }
  int height() const { return height_; }
  // Whether any pixel of area differs between the two reads.
  bool SameIn(const Screen& other, ScreenRect area) const;
  // The bounding box of the pixels of area far from background.
  std::optional<ScreenRect> FigureBox(ScreenRect area, Rgb background) const;
  // A point well inside the figure: the middle of the longest run of
  // figure pixels on the row at 40 % of its height.
  std::optional<std::pair<int, int>> SpotOnFigure(ScreenRect area, Rgb background) const;
  void SavePpm(const std::filesystem::path& ppm) const;  // for looking at a failure

 private:
  std::vector<std::uint8_t> pixels_;
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
};

struct TopLevel {
  XWindow window = 0;
  std::string name;
  std::string instance;
  std::string className;
  bool viewable = false;
  bool overrideRedirect = false;
  ScreenRect rect;
};

// The test's own connection to the display.
class XClient {
 public:
  explicit XClient(const std::string& display);
  ~XClient();
  XClient(const XClient&) = delete;
  XClient& operator=(const XClient&) = delete;
  Display* get() const { return display_; }

  // Root background in a solid colour, also as the root pixmap that
  // compositing managers paint.
  void PaintRoot(Rgb colour);
  std::vector<TopLevel> TopLevels();
  std::optional<TopLevel> FindByName(const std::string& name);
  ScreenRect Geometry(XWindow window);
  std::vector<std::string> AtomNames(XWindow window, const char* property);
  std::vector<long> Cardinals(XWindow window, const char* property);
  // The bounding (or input) shape's rectangles.
  std::vector<ScreenRect> Shape(XWindow window, bool input);
  bool SelectionOwned(const char* selection);
  // An invisible window over the whole screen, under everything mapped
  // later, that counts the mouse presses reaching it.
  XWindow CreateDesk();
  int PressesOn(XWindow window);

 private:
  Display* display_;
};

// xdotool with these arguments, run to its end; false when it failed.
bool Xdotool(const std::string& display, const std::vector<std::string>& arguments);

// xcompmgr on the display, until destroyed.
class Compositor {
 public:
  Compositor(const std::string& display, const std::filesystem::path& log, XClient& client);
  void Stop();

 private:
  std::unique_ptr<ChildProcess> process_;
  XClient& client_;
};

// A message bus of the test's own (standing in for the system bus).
class PrivateBus {
 public:
  explicit PrivateBus(const std::filesystem::path& folder);
  const std::string& address() const { return address_; }

 private:
  std::unique_ptr<ChildProcess> process_;
  std::string address_;
};

// The environment the desktop program runs in under test: the display, a
// configuration and home folder inside scratch, English words, traces on,
// and nothing that outlives the test (no accessibility bus, no desktop
// settings daemon, no session bus started on the side). sessionBus is the
// session bus's address; empty gives one where nothing listens.
std::map<std::string, std::string> ProgramEnvironment(const std::string& display,
                                                      const std::filesystem::path& scratch,
                                                      const std::string& sessionBus = {});

}  // namespace brivonel::test
