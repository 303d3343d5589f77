// A Linux server has no desktop: the window subsystem prints its content on
// the server console instead.
#include "platform/window.h"

namespace platform {

ShowWindowResult ShowLayoutWindow(const WindowLayout &) { return ShowWindowResult::NoDesktop; }

void CloseLayoutWindow() {}

}  // namespace platform
