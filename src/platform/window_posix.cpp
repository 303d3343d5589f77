// A Linux server has no desktop: the window subsystem prints its content on
// the server console instead.
#include "platform/window.h"

#include "platform/fault_points.h"

namespace platform {

ShowWindowResult ShowLayoutWindow(const WindowLayout &) { return ShowWindowResult::NoDesktop; }

void CloseLayoutWindow() {}

void CreateWindowFonts() {}

void ReleaseWindowFonts() {}

#ifdef ZK_FAULT_POINTS
int WindowFontsCreated() { return 0; }
int LiveWindowFonts() { return 0; }
#endif

}  // namespace platform
