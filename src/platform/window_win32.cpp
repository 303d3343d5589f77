// The layout window with USER32 and GDI32: a black borderless popup with a
// dialog frame, plain "Static" children for panels and labels, an owner-drawn
// "Static" heading and an owner-drawn "Button" that closes the window.
//
// Painting.  Every control is painted from the kept copy of the layout
// whenever the system asks: the owner-drawn heading and button on
// WM_DRAWITEM, the panels and labels on their own WM_PAINT (they are
// subclassed, so the Static class never paints its empty text over them).
// A window that was covered and uncovered therefore comes back whole, and
// the first paint happens while the window is built (each control is shown
// and updated as it is created), so the window is complete even before the
// host dispatches its next message.  WM_CTLCOLORSTATIC is not needed: no
// Static paints itself.
//
// A second show.  Only one window exists at a time: a window still open is
// destroyed (with its hover timer) and a new one is built with the values of
// this moment.  So the remembered Close button is always the button of the
// one open window, every Close button on the screen works, and windows do
// not pile up behind each other.
//
// Resources.  The two fonts are created when the library is loaded and
// released when it is unloaded (a show creates them only if that failed).
// Every brush and every device context taken for painting is released before
// the painting function returns.
#include "platform/window.h"

#include "platform/fault_points.h"

#include <windows.h>

#include <cstring>

#ifndef CLEARTYPE_QUALITY
#define CLEARTYPE_QUALITY 5
#endif

namespace platform {
namespace {

constexpr UINT_PTR kHoverTimerId = 1;
constexpr UINT kHoverTimerPeriod = 90;  // milliseconds
constexpr int kFontHeight = 16;
constexpr int kFontWeight = 892;

WindowLayout s_layout;  // the open window's description, for repainting
HWND s_hMainWindow = nullptr;
HWND s_hCloseButton = nullptr;  // the open window's Close button
HWND s_hControls[kMaxWindowControls];
BYTE s_bHover = 0;  // the Close button is drawn in its mouse-over colours
HFONT s_hTitleFont = nullptr;
HFONT s_hBodyFont = nullptr;
WNDPROC s_pfnStaticProc = nullptr;  // the Static class's own procedure
const char *s_szRegisteredClass = nullptr;

HINSTANCE ThisModule() {
    HMODULE hModule = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &hModule);
    return hModule;
}

#ifdef ZK_FAULT_POINTS
int s_fontsCreated = 0;
#endif

HFONT CreateWindowFont(const char *szFace) {
#ifdef ZK_FAULT_POINTS
    ++s_fontsCreated;
#endif
    return CreateFontA(kFontHeight, 0, 0, 0, kFontWeight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, szFace);
}

HFONT FontOf(WindowFont font) { return font == WindowFont::Title ? s_hTitleFont : s_hBodyFont; }

COLORREF ColourRef(WindowColour colour) { return RGB(colour.r, colour.g, colour.b); }

// ------------------------------------------------------------------ drawing into a device context

void FillInDc(HDC hDc, const RECT &rect, WindowColour colour) {
    HBRUSH hBrush = CreateSolidBrush(ColourRef(colour));
    if (hBrush == nullptr) return;
    FillRect(hDc, &rect, hBrush);
    DeleteObject(hBrush);
}

void TextInDc(HDC hDc, RECT rect, const char *szText, COLORREF colour, HFONT hFont) {
    const int iOldMode = SetBkMode(hDc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(hDc, colour);
    HGDIOBJ hOldFont = hFont != nullptr ? SelectObject(hDc, hFont) : nullptr;
    DrawTextA(hDc, szText, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (hOldFont != nullptr) SelectObject(hDc, hOldFont);
    SetTextColor(hDc, oldColour);
    SetBkMode(hDc, iOldMode);
}

int ControlIndex(HWND hControl) {
    for (int i = 0; i < s_layout.iControlCount; ++i)
        if (s_hControls[i] == hControl && hControl != nullptr) return i;
    return -1;
}

// Paints control i whole: its fill (a control without one shows the window's
// black background) and its text, in the hover colours when asked.
void PaintControl(HDC hDc, const RECT &rect, int i, bool bHover) {
    const WindowControl &control = s_layout.controls[i];
    if (control.bFilled)
        FillInDc(hDc, rect, bHover ? control.hoverFill : control.fill);
    else
        FillRect(hDc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));  // stock: never deleted
    if (control.szText[0] != '\0')
        TextInDc(hDc, rect, control.szText, ColourRef(bHover ? control.hoverTextColour : control.textColour),
                 FontOf(control.font));
}

bool CloseButtonHovered(int i) { return s_layout.controls[i].kind == ControlKind::CloseButton && s_bHover != 0; }

// ------------------------------------------------------------------ drawing straight onto a control

// Paints one text into a control, centred on one line.
void DrawCenteredText(const char *szText, HWND hControl, int iRed, int iGreen, int iBlue, HFONT hFont) {
    HDC hDc = GetDC(hControl);
    if (hDc == nullptr) return;
    RECT rect;
    GetClientRect(hControl, &rect);
    TextInDc(hDc, rect, szText, RGB(iRed, iGreen, iBlue), hFont);
    ReleaseDC(hControl, hDc);
}

void FillControl(HWND hControl, WindowColour colour) {
    HDC hDc = GetDC(hControl);
    if (hDc == nullptr) return;
    RECT rect;
    GetClientRect(hControl, &rect);
    FillInDc(hDc, rect, colour);
    ReleaseDC(hControl, hDc);
}

void DrawCloseButton(bool bHover) {
    const int i = ControlIndex(s_hCloseButton);
    if (i < 0) return;
    const WindowControl &control = s_layout.controls[i];
    const WindowColour text = bHover ? control.hoverTextColour : control.textColour;
    FillControl(s_hCloseButton, bHover ? control.hoverFill : control.fill);
    DrawCenteredText(control.szText, s_hCloseButton, text.r, text.g, text.b, FontOf(control.font));
}

// ------------------------------------------------------------------ window procedures

// The hover timer: bright while the cursor rests on the Close button (redrawn
// on every tick), back to normal once when it leaves.
VOID CALLBACK HoverTimerProc(HWND, UINT uMessage, UINT_PTR, DWORD) {
    if (uMessage != WM_TIMER || s_hCloseButton == nullptr) return;
    POINT cursor;
    if (!GetCursorPos(&cursor)) return;
    if (WindowFromPoint(cursor) == s_hCloseButton) {
        s_bHover = 1;
        DrawCloseButton(true);
    } else if (s_bHover != 0) {
        s_bHover = 0;
        DrawCloseButton(false);
    }
}

// Panels and labels: painted from the layout; everything else (hit testing
// that lets the mouse through to the main window, the frame) stays the
// Static class's.
LRESULT CALLBACK LabelProc(HWND hWnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    const int i = ControlIndex(hWnd);
    if (i >= 0) {
        if (uMessage == WM_ERASEBKGND) return 1;  // the fill is part of WM_PAINT
        if (uMessage == WM_PAINT) {
            PAINTSTRUCT paint;
            HDC hDc = BeginPaint(hWnd, &paint);
            if (hDc != nullptr) {
                RECT rect;
                GetClientRect(hWnd, &rect);
                PaintControl(hDc, rect, i, false);
                EndPaint(hWnd, &paint);
            }
            return 0;
        }
    }
    return CallWindowProcA(s_pfnStaticProc, hWnd, uMessage, wParam, lParam);
}

LRESULT CALLBACK InfoWndProc(HWND hWnd, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    switch (uMessage) {
    case WM_SHOWWINDOW:
        return 0;
    case WM_COMMAND: {
        const WORD wNotification = HIWORD(wParam);
        if (reinterpret_cast<HWND>(lParam) == s_hCloseButton && s_hCloseButton != nullptr &&
            (wNotification == BN_CLICKED || wNotification == BN_DOUBLECLICKED))
            DestroyWindow(hWnd);
        return 0;
    }
    case WM_MOUSEMOVE:
        SetTimer(hWnd, kHoverTimerId, kHoverTimerPeriod, HoverTimerProc);
        return 0;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *pItem = reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        const int i = ControlIndex(pItem->hwndItem);
        if (i < 0) break;
        PaintControl(pItem->hDC, pItem->rcItem, i, CloseButtonHovered(i));
        return TRUE;
    }
    case WM_DESTROY:
        if (hWnd == s_hMainWindow) {
            s_hMainWindow = nullptr;
            s_hCloseButton = nullptr;
            std::memset(s_hControls, 0, sizeof(s_hControls));
            s_bHover = 0;
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hWnd, uMessage, wParam, lParam);
}

void DestroyOpenWindow() {
    if (s_hMainWindow != nullptr) DestroyWindow(s_hMainWindow);  // WM_DESTROY forgets the handles
    s_hMainWindow = nullptr;
    s_hCloseButton = nullptr;
}

HWND CreateControl(int i, HWND hMain) {
    const WindowControl &control = s_layout.controls[i];
    const char *szClass = "Static";
    DWORD dwStyle = WS_CHILD | WS_VISIBLE;
    switch (control.kind) {
    case ControlKind::CloseButton:
        szClass = "Button";
        dwStyle |= BS_OWNERDRAW;
        break;
    case ControlKind::Heading:
        dwStyle |= SS_OWNERDRAW;
        break;
    case ControlKind::Panel:
        dwStyle |= WS_DLGFRAME;
        break;
    case ControlKind::Label:
        break;
    }
    HWND hParent = hMain;
    if (control.iParent != kNoParent) {
        if (control.iParent < 0 || control.iParent >= i || s_hControls[control.iParent] == nullptr) return nullptr;
        hParent = s_hControls[control.iParent];
    }
    HWND hControl = CreateWindowExA(0, szClass, "", dwStyle, control.x, control.y, control.width, control.height,
                                    hParent, nullptr, ThisModule(), nullptr);
    if (hControl == nullptr) return nullptr;
    s_hControls[i] = hControl;
    if (control.kind == ControlKind::Panel || control.kind == ControlKind::Label) {
        const LONG_PTR previous =
            SetWindowLongPtrA(hControl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LabelProc));
        if (s_pfnStaticProc == nullptr) s_pfnStaticProc = reinterpret_cast<WNDPROC>(previous);
    }
    if (control.kind == ControlKind::CloseButton) s_hCloseButton = hControl;
    ShowWindow(hControl, SW_SHOW);
    UpdateWindow(hControl);  // paints it now
    return hControl;
}

}  // namespace

ShowWindowResult ShowLayoutWindow(const WindowLayout &layout) {
    DestroyOpenWindow();
    s_layout = layout;
    if (s_layout.iControlCount < 0) s_layout.iControlCount = 0;
    if (s_layout.iControlCount > kMaxWindowControls) s_layout.iControlCount = kMaxWindowControls;
    for (int i = 0; i < s_layout.iControlCount; ++i)
        s_layout.controls[i].szText[kControlTextSize - 1] = '\0';
    std::memset(s_hControls, 0, sizeof(s_hControls));
    s_bHover = 0;
    CreateWindowFonts();  // only if they could not be created at load

    HINSTANCE hModule = ThisModule();
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = InfoWndProc;
    windowClass.hInstance = hModule;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = layout.szClassName;
    if (RegisterClassA(&windowClass) != 0) s_szRegisteredClass = layout.szClassName;
    // A failure (the class exists from an earlier show) is ignored.

    HWND hMain = CreateWindowExA(WS_EX_APPWINDOW, layout.szClassName, layout.szCaption,
                                 WS_POPUP | WS_VISIBLE | WS_DLGFRAME, layout.x, layout.y, layout.width,
                                 layout.height, nullptr, nullptr, hModule, nullptr);
    if (hMain == nullptr) return ShowWindowResult::Failed;
    s_hMainWindow = hMain;
    ShowWindow(hMain, SW_SHOW);
    UpdateWindow(hMain);
    for (int i = 0; i < s_layout.iControlCount; ++i) CreateControl(i, hMain);
    return ShowWindowResult::Shown;
}

void CreateWindowFonts() {
    if (s_hTitleFont == nullptr) s_hTitleFont = CreateWindowFont("Pretext");
    if (s_hBodyFont == nullptr) s_hBodyFont = CreateWindowFont("Arial Black");
}

void ReleaseWindowFonts() {
    DestroyOpenWindow();  // nothing may paint with them any more
    if (s_hTitleFont != nullptr) DeleteObject(s_hTitleFont);
    if (s_hBodyFont != nullptr) DeleteObject(s_hBodyFont);
    s_hTitleFont = nullptr;
    s_hBodyFont = nullptr;
}

#ifdef ZK_FAULT_POINTS
int WindowFontsCreated() { return s_fontsCreated; }
int LiveWindowFonts() { return (s_hTitleFont != nullptr ? 1 : 0) + (s_hBodyFont != nullptr ? 1 : 0); }
#endif

void CloseLayoutWindow() {
    DestroyOpenWindow();
    // The class points into this library: a library loaded again (perhaps at
    // another address) registers it afresh.
    if (s_szRegisteredClass != nullptr) UnregisterClassA(s_szRegisteredClass, ThisModule());
    s_szRegisteredClass = nullptr;
}

}  // namespace platform
