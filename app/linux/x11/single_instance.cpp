#include "app/linux/x11/single_instance.h"

namespace brivonel::x11 {
namespace {
constexpr char kSelectionName[] = "BRIVONEL_RUNNING";
constexpr char kSummonsName[] = "BRIVONEL_BRING_INTO_VIEW";
}

std::unique_ptr<SingleInstance> SingleInstance::Claim(X11Display& display) {
  Display* x = display.get();
  const Atom selection = display.Intern(kSelectionName);
  // The owner is a small window of its own that nobody sees.
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  const Window owner = XCreateWindow(x, display.root(), -10, -10, 1, 1, 0, CopyFromParent,
                                     InputOnly, CopyFromParent, CWOverrideRedirect, &attributes);
  // Looking and taking in one step: two copies started at the same moment
  // cannot both find the selection free.
  XGrabServer(x);
  const bool taken = XGetSelectionOwner(x, selection) != None;
  if (!taken) XSetSelectionOwner(x, selection, owner, CurrentTime);
  XUngrabServer(x);
  const bool ours = !taken && XGetSelectionOwner(x, selection) == owner;
  if (!ours) {
    XDestroyWindow(x, owner);
    XFlush(x);
    return nullptr;
  }
  return std::unique_ptr<SingleInstance>(new SingleInstance(display, owner));
}

bool SingleInstance::Summon(X11Display& display) {
  Display* x = display.get();
  const Window owner = XGetSelectionOwner(x, display.Intern(kSelectionName));
  if (owner == None) return false;
  // With no event mask the event goes to the client that made the window.
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = owner;
  event.xclient.message_type = display.Intern(kSummonsName);
  event.xclient.format = 32;
  XSendEvent(x, owner, False, NoEventMask, &event);
  XSync(x, False);
  return true;
}

bool SingleInstance::IsSummons(const XEvent& event) const {
  return event.type == ClientMessage && event.xclient.window == owner_ &&
         event.xclient.message_type == display_.Intern(kSummonsName);
}

SingleInstance::~SingleInstance() {
  XDestroyWindow(display_.get(), owner_);
  XFlush(display_.get());
}

}  // namespace brivonel::x11
