#include "tests/linux/x_session.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

// After the test framework: Xlib's macros would replace its names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

namespace brivonel::test {

bool Rgb::FarFrom(Rgb other, int tolerance) const {
  return std::abs(r - other.r) > tolerance || std::abs(g - other.g) > tolerance ||
         std::abs(b - other.b) > tolerance;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

XvfbServer::XvfbServer(const std::filesystem::path& folder) {
  int ready[2];
  if (::pipe(ready) != 0) {
    ADD_FAILURE() << "no pipe for Xvfb";
    return;
  }
  // -displayfd: the server picks a free display and writes its number.
  // -noreset: root properties stay when the last client leaves.
  process_ = std::make_unique<ChildProcess>(ChildProcess::Options{
      {"/usr/bin/Xvfb", "-displayfd", std::to_string(ready[1]), "-noreset", "-nolisten", "tcp",
       "-screen", "0", "1920x1080x24", "+extension", "Composite", "-fbdir", folder.string()},
      {},
      folder / "xvfb.log",
      ready[1]});
  ::close(ready[1]);
  std::string number;
  pollfd wait{ready[0], POLLIN, 0};
  while (::poll(&wait, 1, 20000) > 0) {
    char c = 0;
    if (::read(ready[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  ::close(ready[0]);
  if (number.empty()) {
    ADD_FAILURE() << "Xvfb did not start: " << ReadTextFile(folder / "xvfb.log");
    return;
  }
  display_ = ":" + number;
  screenFile_ = folder / "Xvfb_screen0";
}

namespace {

std::uint32_t BigEndian(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

}  // namespace

// The frame buffer file is an XWD image: a header of big-endian 32-bit
// fields (header size, ..., width 4, height 5, ..., bytes per line 12, ...,
// colour count 19), the colour map (12 bytes per colour), then the pixels,
// four bytes each in the server's order (blue, green, red, unused).
Screen Screen::Read(const std::filesystem::path& screenFile) {
  Screen screen;
  std::ifstream file(screenFile, std::ios::binary);
  std::vector<std::uint8_t> header(100);
  if (!file.read(reinterpret_cast<char*>(header.data()), 100)) {
    ADD_FAILURE() << "no screen file " << screenFile;
    return screen;
  }
  const auto field = [&](int index) { return BigEndian(&header[static_cast<std::size_t>(index * 4)]); };
  screen.width_ = static_cast<int>(field(4));
  screen.height_ = static_cast<int>(field(5));
  screen.stride_ = static_cast<int>(field(12));
  const std::size_t offset = field(0) + field(19) * 12;
  screen.pixels_.resize(static_cast<std::size_t>(screen.stride_) *
                        static_cast<std::size_t>(screen.height_));
  file.seekg(static_cast<std::streamoff>(offset));
  file.read(reinterpret_cast<char*>(screen.pixels_.data()),
            static_cast<std::streamsize>(screen.pixels_.size()));
  EXPECT_EQ(field(11), 32u) << "bits per pixel";
  return screen;
}

Rgb Screen::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  const std::uint8_t* pixel =
      &pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_) +
               static_cast<std::size_t>(x) * 4];
  return {pixel[2], pixel[1], pixel[0]};
}

bool Screen::SameIn(const Screen& other, ScreenRect area) const {
  for (int y = std::max(area.y, 0); y < std::min(area.bottom(), height_); ++y) {
    for (int x = std::max(area.x, 0); x < std::min(area.right(), width_); ++x) {
      if (At(x, y).FarFrom(other.At(x, y), 0)) return false;
    }
  }
  return true;
}

std::optional<ScreenRect> Screen::FigureBox(ScreenRect area, Rgb background) const {
  int left = INT32_MAX;
  int top = INT32_MAX;
  int right = -1;
  int bottom = -1;
  for (int y = std::max(area.y, 0); y < std::min(area.bottom(), height_); ++y) {
    for (int x = std::max(area.x, 0); x < std::min(area.right(), width_); ++x) {
      if (!At(x, y).FarFrom(background, 24)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return std::nullopt;
  return ScreenRect{left, top, right - left + 1, bottom - top + 1};
}

std::optional<std::pair<int, int>> Screen::SpotOnFigure(ScreenRect area, Rgb background) const {
  const std::optional<ScreenRect> box = FigureBox(area, background);
  if (!box) return std::nullopt;
  const int y = box->y + box->height * 2 / 5;
  int bestStart = -1;
  int bestLength = 0;
  for (int x = box->x; x < box->right();) {
    if (!At(x, y).FarFrom(background, 24)) {
      ++x;
      continue;
    }
    const int start = x;
    while (x < box->right() && At(x, y).FarFrom(background, 24)) ++x;
    if (x - start > bestLength) {
      bestLength = x - start;
      bestStart = start;
    }
  }
  if (bestStart < 0) return std::nullopt;
  return std::pair{bestStart + bestLength / 2, y};
}

void Screen::SavePpm(const std::filesystem::path& ppm) const {
  std::ofstream file(ppm, std::ios::binary);
  file << "P6\n" << width_ << " " << height_ << "\n255\n";
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const Rgb pixel = At(x, y);
      file.put(static_cast<char>(pixel.r)).put(static_cast<char>(pixel.g)).put(static_cast<char>(pixel.b));
    }
  }
}

namespace {
// Windows come and go while the test looks at them: a request about one
// that just went is no error of the test (Xlib's default would end it).
int IgnoreError(Display*, XErrorEvent*) { return 0; }
}  // namespace

XClient::XClient(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
  if (display_ == nullptr) ADD_FAILURE() << "cannot open " << display;
  XSetErrorHandler(IgnoreError);
}

XClient::~XClient() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

void XClient::PaintRoot(Rgb colour) {
  const int screen = DefaultScreen(display_);
  const Window root = RootWindow(display_, screen);
  const unsigned long pixel = (static_cast<unsigned long>(colour.r) << 16) |
                              (static_cast<unsigned long>(colour.g) << 8) | colour.b;
  XSetWindowBackground(display_, root, pixel);
  XClearWindow(display_, root);
  const Pixmap pixmap = XCreatePixmap(display_, root, 1, 1,
                                      static_cast<unsigned>(DefaultDepth(display_, screen)));
  const GC gc = XCreateGC(display_, pixmap, 0, nullptr);
  XSetForeground(display_, gc, pixel);
  XFillRectangle(display_, pixmap, gc, 0, 0, 1, 1);
  XFreeGC(display_, gc);
  XChangeProperty(display_, root, XInternAtom(display_, "_XROOTPMAP_ID", False), XA_PIXMAP, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pixmap), 1);
  XSync(display_, False);
}

namespace {

// A window property as Xlib hands it over: 8-bit items as bytes, 32-bit
// items (atoms, cardinals) as longs.
struct Property {
  std::string bytes;
  std::vector<long> longs;
};

Property ReadProperty(Display* display, Window window, const char* name) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  Property property;
  if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False,
                         AnyPropertyType, &type, &format, &count, &remaining, &data) == Success &&
      data != nullptr) {
    if (format == 8) property.bytes.assign(reinterpret_cast<const char*>(data), count);
    if (format == 32) {
      const auto* items = reinterpret_cast<const long*>(data);
      property.longs.assign(items, items + count);
    }
  }
  if (data != nullptr) XFree(data);
  return property;
}

}  // namespace

std::vector<TopLevel> XClient::TopLevels() {
  std::vector<TopLevel> result;
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count) == 0) {
    return result;
  }
  for (unsigned i = 0; i < count; ++i) {
    TopLevel window;
    window.window = children[i];
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, children[i], &attributes) == 0) continue;
    window.viewable = attributes.map_state == IsViewable;
    window.overrideRedirect = attributes.override_redirect != False;
    window.rect = Geometry(children[i]);
    window.name = ReadProperty(display_, children[i], "_NET_WM_NAME").bytes;
    if (window.name.empty()) window.name = ReadProperty(display_, children[i], "WM_NAME").bytes;
    const std::string classHint = ReadProperty(display_, children[i], "WM_CLASS").bytes;
    window.instance = classHint.substr(0, classHint.find('\0'));
    if (classHint.find('\0') != std::string::npos) {
      window.className = classHint.substr(classHint.find('\0') + 1);
      window.className = window.className.substr(0, window.className.find('\0'));
    }
    result.push_back(window);
  }
  if (children != nullptr) XFree(children);
  return result;
}

std::optional<TopLevel> XClient::FindByName(const std::string& name) {
  for (const TopLevel& window : TopLevels()) {
    if (window.viewable && window.name == name) return window;
  }
  return std::nullopt;
}

ScreenRect XClient::Geometry(Window window) {
  Window root = 0;
  int x = 0;
  int y = 0;
  unsigned width = 0;
  unsigned height = 0;
  unsigned border = 0;
  unsigned depth = 0;
  if (XGetGeometry(display_, window, &root, &x, &y, &width, &height, &border, &depth) == 0) return {};
  Window child = 0;
  XTranslateCoordinates(display_, window, root, 0, 0, &x, &y, &child);
  return {x, y, static_cast<int>(width), static_cast<int>(height)};
}

std::vector<std::string> XClient::AtomNames(Window window, const char* property) {
  std::vector<std::string> names;
  for (const long atom : ReadProperty(display_, window, property).longs) {
    char* name = XGetAtomName(display_, static_cast<Atom>(atom));
    names.emplace_back(name);
    XFree(name);
  }
  return names;
}

std::vector<long> XClient::Cardinals(Window window, const char* property) {
  return ReadProperty(display_, window, property).longs;
}

std::vector<ScreenRect> XClient::Shape(Window window, bool input) {
  int count = 0;
  int ordering = 0;
  XRectangle* rectangles = XShapeGetRectangles(display_, window, input ? ShapeInput : ShapeBounding,
                                               &count, &ordering);
  std::vector<ScreenRect> result;
  for (int i = 0; i < count; ++i) {
    result.push_back({rectangles[i].x, rectangles[i].y, rectangles[i].width, rectangles[i].height});
  }
  if (rectangles != nullptr) XFree(rectangles);
  return result;
}

bool XClient::SelectionOwned(const char* selection) {
  return XGetSelectionOwner(display_, XInternAtom(display_, selection, False)) != None;
}

Window XClient::CreateDesk() {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.event_mask = ButtonPressMask;
  const Window desk = XCreateWindow(display_, DefaultRootWindow(display_), 0, 0, 1920, 1080, 0,
                                    CopyFromParent, InputOnly, CopyFromParent,
                                    CWOverrideRedirect | CWEventMask, &attributes);
  XMapWindow(display_, desk);
  XSync(display_, False);
  return desk;
}

int XClient::PressesOn(Window window) {
  XSync(display_, False);
  int presses = 0;
  XEvent event;
  while (XCheckWindowEvent(display_, window, ButtonPressMask, &event)) ++presses;
  return presses;
}

bool Xdotool(const std::string& display, const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {"/usr/bin/xdotool"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  ChildProcess xdotool({command, {{"DISPLAY", display}}, "/dev/null"});
  return xdotool.Wait(std::chrono::seconds(20)) == 0;
}

Compositor::Compositor(const std::string& display, const std::filesystem::path& log,
                       XClient& client)
    : client_(client) {
  process_ = std::make_unique<ChildProcess>(
      ChildProcess::Options{{"/usr/bin/xcompmgr"}, {{"DISPLAY", display}}, log});
  EXPECT_TRUE(WaitUntil([&] { return client_.SelectionOwned("_NET_WM_CM_S0"); },
                        std::chrono::seconds(10)))
      << "xcompmgr did not take the compositor selection: " << ReadTextFile(log);
}

void Compositor::Stop() {
  process_->Stop();
  EXPECT_TRUE(WaitUntil([&] { return !client_.SelectionOwned("_NET_WM_CM_S0"); },
                        std::chrono::seconds(10)));
}

PrivateBus::PrivateBus(const std::filesystem::path& folder) {
  const std::filesystem::path socket = folder / "bus";
  address_ = "unix:path=" + socket.string();
  process_ = std::make_unique<ChildProcess>(ChildProcess::Options{
      {"/usr/bin/dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + address_},
      {},
      folder / "bus.log"});
  EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(socket); }, std::chrono::seconds(10)))
      << "dbus-daemon did not start: " << ReadTextFile(folder / "bus.log");
}

std::map<std::string, std::string> ProgramEnvironment(const std::string& display,
                                                      const std::filesystem::path& scratch,
                                                      const std::string& sessionBus) {
  return {
      {"DISPLAY", display},
      {"XDG_CONFIG_HOME", (scratch / "config").string()},
      {"HOME", (scratch / "home").string()},
      // No shader cache: the program compiles its shaders afresh, as the
      // tests that draw in their own process do.
      {"MESA_SHADER_CACHE_DISABLE", "true"},
      {"LANG", "C.UTF-8"},
      // The menus' Japanese words, as the checks name them; the language
      // test runs the English ones.
      {"LANGUAGE", "ja"},
      {"BRIVONEL_TRACE", "1"},
      {"NO_AT_BRIDGE", "1"},
      {"GSETTINGS_BACKEND", "memory"},
      {"GIO_USE_VFS", "local"},
      {"GIO_USE_VOLUME_MONITOR", "unix"},
      {"DBUS_SESSION_BUS_ADDRESS",
       sessionBus.empty() ? "unix:path=" + (scratch / "no-session-bus").string() : sessionBus},
      {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (scratch / "no-system-bus").string()},
      // GTK and fontconfig keep caches for the whole process.
      {"ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1"},
  };
}

}  // namespace brivonel::test
