// The information window on the server machine's desktop: a heading, six
// panels of status lines (the profile levels and the main settings), a footer
// and a Close button.  A server without a desktop gets the same content as a
// framed text panel on its console.
#pragma once

#include "platform/window.h"

// Shows the window with the values of this moment; on a system without a
// desktop prints them on the server console, with szConsoleFpsNote (when
// given) after the frame and tick rates.  False when the window could not be
// created.
bool ShowInfoWindow(const char *szConsoleFpsNote = nullptr);

// Fills the description of the window: controls in creation order, texts
// taken from the status lines now.
void BuildInfoWindowLayout(platform::WindowLayout *pLayout);

// The footer's text.
extern const char kInfoFooterText[];
