#include "app/linux/x11/monitor_layout.h"

#include "app/linux/x11/display_facts.h"

namespace brivonel::x11 {

std::vector<MonitorArea> X11MonitorLayout::Monitors() { return DesktopMonitors(display_); }

}  // namespace brivonel::x11
