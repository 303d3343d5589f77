// Desktop windows, behind a plain description.  The window subsystem says what
// the window holds (controls with their rectangles, fills, texts, colours and
// fonts); window_win32.cpp creates and paints it with USER32 and GDI32;
// window_posix.cpp reports that a server without a desktop cannot show one.
// Nothing here includes an OS header.
#pragma once

#include <cstdint>

namespace platform {

struct WindowColour {
    uint8_t r;
    uint8_t g;
    uint8_t b;
};

// The two fonts of the window: height 16, weight 892, ClearType quality.
enum class WindowFont : uint8_t {
    Title,  // face "Pretext"
    Body,   // face "Arial Black"
};

enum class ControlKind : uint8_t {
    CloseButton,  // owner-drawn push button that closes the window; swaps to its
                  // hover colours while the cursor rests on it
    Heading,      // owner-drawn static text, no fill of its own
    Panel,        // static with a dialog frame: a filled box for labels
    Label,        // plain static: fill and one centred line of text
};

constexpr int kNoParent = -1;  // the control sits directly in the main window
constexpr int kControlTextSize = 128;
constexpr int kMaxWindowControls = 48;

struct WindowControl {
    ControlKind kind;
    int iParent;  // index of an earlier control, or kNoParent
    int x, y, width, height;  // relative to the parent's client area
    bool bFilled;
    WindowColour fill;
    WindowColour hoverFill;  // CloseButton only
    char szText[kControlTextSize];  // "" draws no text
    WindowColour textColour;
    WindowColour hoverTextColour;  // CloseButton only
    WindowFont font;
};

struct WindowLayout {
    const char *szClassName;
    const char *szCaption;  // shown on the task bar only: the window has no caption bar
    int x, y, width, height;  // screen position and outer size
    int iControlCount;
    WindowControl controls[kMaxWindowControls];  // in creation order; parents first
};

enum class ShowWindowResult {
    Shown,      // the window is open
    NoDesktop,  // this system has no desktop to show it on
    Failed,     // the main window could not be created
};

// Opens the window described by the layout.  One such window exists at a
// time: a window still open from an earlier call is closed first.  The
// layout is copied; the caller's copy may go away.
ShowWindowResult ShowLayoutWindow(const WindowLayout &layout);

// Closes the open window, if any (before the library is unloaded, and for
// tests).
void CloseLayoutWindow();

// The window's two fonts: created once when the library is loaded, so that
// showing the window creates none; released when it is unloaded, after the
// window is closed.  Both do nothing where there is no desktop.
void CreateWindowFonts();
void ReleaseWindowFonts();

}  // namespace platform
