// The information window on the server machine's desktop.
#pragma once

// Creates and shows the window; false when it could not be created.
bool ShowInfoWindow();
