// Opens the information window through the plugin with a fake engine and
// checks what reaches the screen: colours at known places, the Close button's
// hover colours, repainting after the window was covered, one window per
// show, closing, and drawing resources over many openings and hover ticks.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/profile_store.h"
#include "config/variables.h"
#include "platform/window.h"
#include "plugin/dllapi.h"
#include "support/test_engine.h"
#include "window/info_window.h"

namespace {

int g_failures = 0;

DWORD g_started = GetTickCount();

void Check(bool ok, const char *what) {
    std::printf("%s: %s [%lu ms]\n", ok ? "ok  " : "FAIL", what, static_cast<unsigned long>(GetTickCount() - g_started));
    if (!ok) ++g_failures;
}

void Pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

BOOL CALLBACK CountInfoWindow(HWND hWnd, LPARAM lParam) {
    char name[32];
    if (GetClassNameA(hWnd, name, sizeof(name)) > 0 && std::string(name) == "KTInfo" && IsWindowVisible(hWnd))
        ++*reinterpret_cast<int *>(lParam);
    return TRUE;
}

int InfoWindows() {
    int count = 0;
    EnumWindows(CountInfoWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

HWND InfoWindow() { return FindWindowA("KTInfo", "Kestrin Info"); }

// ------------------------------------------------------------------ the screen

struct Screenshot {
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<DWORD> pixels;  // top-down 0x00RRGGBB

    COLORREF At(int sx, int sy) const {
        const DWORD p = pixels[static_cast<size_t>((sy - y) * width + (sx - x))];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

Screenshot Grab(const RECT &area) {
    Screenshot shot;
    shot.x = area.left;
    shot.y = area.top;
    shot.width = area.right - area.left;
    shot.height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC hScreen = GetDC(nullptr);
    HDC hMemory = CreateCompatibleDC(hScreen);
    void *bits = nullptr;
    HBITMAP hBitmap = CreateDIBSection(hScreen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ hOld = SelectObject(hMemory, hBitmap);
    BitBlt(hMemory, 0, 0, shot.width, shot.height, hScreen, shot.x, shot.y, SRCCOPY);
    GdiFlush();
    const DWORD *p = static_cast<const DWORD *>(bits);
    shot.pixels.assign(p, p + shot.width * shot.height);
    SelectObject(hMemory, hOld);
    DeleteObject(hBitmap);
    DeleteDC(hMemory);
    ReleaseDC(nullptr, hScreen);
    return shot;
}

bool Near(COLORREF c, int r, int g, int b, int tolerance) {
    return std::abs(GetRValue(c) - r) <= tolerance && std::abs(GetGValue(c) - g) <= tolerance &&
           std::abs(GetBValue(c) - b) <= tolerance;
}

// Places in the main window's client area, and the screen origin of it.
struct Geometry {
    POINT origin;  // client (0, 0) on the screen
    int frameX, frameY;  // a panel's dialog frame

    POINT At(int x, int y) const { return POINT{origin.x + x, origin.y + y}; }
    // Inside panel p (0 to 5), relative to its client area.
    POINT InPanel(int p, int x, int y) const {
        static const int panels[6][2] = {{5, 30}, {200, 30}, {5, 120}, {200, 120}, {5, 210}, {200, 210}};
        return At(panels[p][0] + frameX + x, panels[p][1] + frameY + y);
    }
};

Geometry Measure(HWND hMain) {
    Geometry geometry{};
    ClientToScreen(hMain, &geometry.origin);
    geometry.frameX = GetSystemMetrics(SM_CXDLGFRAME);
    geometry.frameY = GetSystemMetrics(SM_CYDLGFRAME);
    return geometry;
}

// Any pixel of the colour in the rectangle (width x height from the point).
bool Finds(const Screenshot &shot, POINT from, int width, int height, int r, int g, int b) {
    for (int y = from.y; y < from.y + height; ++y)
        for (int x = from.x; x < from.x + width; ++x)
            if (Near(shot.At(x, y), r, g, b, 40)) return true;
    return false;
}

COLORREF ScreenPixel(POINT at) {
    HDC hScreen = GetDC(nullptr);
    const COLORREF colour = GetPixel(hScreen, at.x, at.y);
    ReleaseDC(nullptr, hScreen);
    return colour;
}

// The panels, their headers and lines, the heading, the footer and the Close
// button in its normal colours.
void CheckWindowContents(const Geometry &g, const char *when) {
    const Screenshot shot = Grab(RECT{g.origin.x, g.origin.y, g.origin.x + 394, g.origin.y + 324});
    const std::string suffix = std::string(" (") + when + ")";
    Check(Finds(shot, g.At(130, 5), 140, 20, 255, 0, 0), ("red heading" + suffix).c_str());
    bool grey = true, yellow = true, green = true;
    for (int p = 0; p < 6; ++p) {
        grey = grey && Near(ScreenPixel(g.InPanel(p, 2, 2)), 80, 80, 80, 2) &&
               Near(ScreenPixel(g.InPanel(p, 9, 61)), 80, 80, 80, 2);
        yellow = yellow && Finds(shot, g.InPanel(p, 8, 0), 170, 15, 255, 255, 0);
        for (int k = 1; k <= 4; ++k) green = green && Finds(shot, g.InPanel(p, 8, 15 * k), 170, 15, 0, 255, 0);
    }
    Check(grey, ("six grey panels" + suffix).c_str());
    Check(yellow, ("six yellow headers" + suffix).c_str());
    Check(green, ("twenty-four green lines" + suffix).c_str());
    Check(Finds(shot, g.At(0, 292), 320, 20, 255, 255, 255), ("white footer text" + suffix).c_str());
    Check(Near(ScreenPixel(g.At(1, 293)), 0, 0, 0, 2), ("black footer" + suffix).c_str());
    Check(Near(ScreenPixel(g.At(322, 294)), 0, 100, 0, 2), ("dark green Close" + suffix).c_str());
    Check(Finds(shot, g.At(320, 292), 70, 25, 255, 255, 255), ("white Close label" + suffix).c_str());
}

bool CloseIsBright(const Geometry &g) {
    const Screenshot shot = Grab(RECT{g.origin.x + 320, g.origin.y + 292, g.origin.x + 390, g.origin.y + 317});
    return Near(ScreenPixel(g.At(322, 294)), 0, 255, 0, 2) && Finds(shot, g.At(320, 292), 70, 25, 0, 0, 0);
}

void MoveCursor(POINT at) { SetCursorPos(at.x, at.y); }

void Click(POINT at) {
    MoveCursor(at);
    Pump(50);
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
    Pump(200);
}

HWND CloseButton(HWND hMain) { return FindWindowExA(hMain, nullptr, "Button", nullptr); }

struct Resources {
    DWORD gdiObjects;
    DWORD userObjects;
    SIZE_T privateBytes;
};

Resources Count() {
    Resources counted{};
    counted.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    counted.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory))) counted.privateBytes = memory.PagefileUsage;
    return counted;
}

// Counts grow by at most a little (caches warming), never with the repeats.
void CheckGrowth(const Resources &before, const Resources &after, const char *what) {
    std::printf("     %s: GDI objects %lu -> %lu, USER objects %lu -> %lu, private bytes %lu -> %lu\n", what,
                static_cast<unsigned long>(before.gdiObjects), static_cast<unsigned long>(after.gdiObjects),
                static_cast<unsigned long>(before.userObjects), static_cast<unsigned long>(after.userObjects),
                static_cast<unsigned long>(before.privateBytes), static_cast<unsigned long>(after.privateBytes));
    if (before.gdiObjects != 0 || after.gdiObjects != 0)
        Check(after.gdiObjects <= before.gdiObjects + 4, (std::string("GDI objects kept: ") + what).c_str());
    else
        std::printf("     (GDI object counts not available here; memory decides)\n");
    Check(after.privateBytes <= before.privateBytes + 2 * 1024 * 1024,
          (std::string("memory kept: ") + what).c_str());
}

void FillProfile() {
    const char *names[4] = {"low", "normal", "high", "extreme"};
    for (int i = 0; i < kProfileLevels; ++i) {
        g_fpsLevels[i].iNumber = 100 * (i + 1);
        g_fpsLevels[i].dNumber = 0.5 * (i + 1);
        CopyProfileText(g_fpsLevels[i].szText, kProfileTextSize, names[i]);
        g_cpuLevels[i].iNumber = 20 * (i + 1);
        g_cpuLevels[i].dNumber = 1.5 * i;
        CopyProfileText(g_cpuLevels[i].szText, kProfileTextSize, names[i]);
        CopyProfileText(g_sysLevels[i].szText1, kProfileTextSize, "a");
        CopyProfileText(g_sysLevels[i].szText2, kProfileTextSize, "b");
        CopyProfileText(g_sysLevels[i].szText3, kProfileTextSize, "c");
        CopyProfileText(g_sysLevels[i].szText4, kProfileTextSize, "d");
        CopyProfileText(g_sysLevels[i].szText5, kProfileTextSize, names[i]);
        g_serverLevels[i].dFpsMode = 1.0 + i;
        g_serverLevels[i].dCpuMode = 0.5 + i;
        g_serverLevels[i].iSysNumber = i + 1;
        CopyProfileText(g_serverLevels[i].szText, kProfileTextSize, names[i]);
        g_botsLevels[i].iMaxLevel = 10 + i;
        g_botsLevels[i].iMinLevel = i;
        CopyProfileText(g_botsLevels[i].szText, kProfileTextSize, names[i]);
    }
}

}  // namespace

int main() {
    setvbuf(stdout, nullptr, _IONBF, 0);
    TestEngine engine;
    RegisterMainVariables();
    kPluginHooks.pfnGameInit();
    engine.SetVariable("zeq_fps", "512");
    engine.SetVariable("zeq_ticrate", "1000");
    engine.SetVariable("zeq_kestrin_sleepsm", "3");
    FillProfile();

    // Opening.
    MoveCursor(POINT{900, 700});
    Check(ShowInfoWindow(), "ShowInfoWindow returns true");
    Pump(300);
    HWND hMain = InfoWindow();
    Check(hMain != nullptr, "a KTInfo window exists");
    if (hMain == nullptr) return 1;
    RECT outer;
    GetWindowRect(hMain, &outer);
    Check(outer.left == 150 && outer.top == 150 && outer.right - outer.left == 400 && outer.bottom - outer.top == 330,
          "window at 150,150, 400 x 330");
    const Geometry g = Measure(hMain);
    std::printf("     client origin %ld,%ld; panel frame %d x %d\n", g.origin.x, g.origin.y, g.frameX, g.frameY);
    CheckWindowContents(g, "opened");

    // Hover: a move over the window arms the timer, the cursor resting on
    // Close turns it bright; leaving turns it back.
    MoveCursor(g.At(100, 100));
    Pump(200);
    MoveCursor(g.At(355, 304));
    Pump(300);
    Check(CloseIsBright(g), "bright green Close with black label under the cursor");
    MoveCursor(g.At(100, 100));
    Pump(300);
    Check(Near(ScreenPixel(g.At(322, 294)), 0, 100, 0, 2), "dark green again after the cursor left");

    // Covered and uncovered: everything comes back.
    HWND hCover = CreateWindowExA(WS_EX_TOPMOST, "Static", "", WS_POPUP | WS_VISIBLE | SS_WHITERECT, 100, 100, 500,
                                  420, nullptr, nullptr, nullptr, nullptr);
    Pump(200);
    Check(!Near(ScreenPixel(g.At(322, 294)), 0, 100, 0, 2), "covering window hides it");
    DestroyWindow(hCover);
    Pump(300);
    CheckWindowContents(g, "uncovered");

    // A second show replaces the first: one window, and its Close works.
    Check(ShowInfoWindow(), "second ShowInfoWindow returns true");
    Pump(200);
    Check(InfoWindows() == 1, "one window after two shows");
    hMain = InfoWindow();
    CheckWindowContents(Measure(hMain), "second show");
    Click(g.At(355, 304));
    Check(InfoWindows() == 0, "a click on Close closes it");

    // A double click notification closes it as a click does.
    ShowInfoWindow();
    Pump(100);
    hMain = InfoWindow();
    SendMessageA(hMain, WM_COMMAND, MAKEWPARAM(0, BN_DOUBLECLICKED), reinterpret_cast<LPARAM>(CloseButton(hMain)));
    Pump(100);
    Check(InfoWindows() == 0, "BN_DOUBLECLICKED from Close closes it");

    // Closed while the hover timer is due: nothing is drawn afterwards and the
    // next window starts with a normal Close button.
    ShowInfoWindow();
    Pump(100);
    hMain = InfoWindow();
    MoveCursor(g.At(100, 100));
    Pump(100);
    MoveCursor(g.At(355, 304));
    Pump(150);
    Check(CloseIsBright(g), "hovered before closing");
    MoveCursor(g.At(100, 100));
    Pump(10);
    SendMessageA(hMain, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(CloseButton(hMain)));
    Pump(400);
    Check(InfoWindows() == 0 && !IsWindow(hMain), "closed with its timer armed");
    MoveCursor(POINT{900, 700});
    ShowInfoWindow();
    Pump(200);
    Check(Near(ScreenPixel(g.At(322, 294)), 0, 100, 0, 2), "a new window's Close starts dark green");

    // A hundred shows in a row, with the cursor on Close so each window also
    // runs hover fills.
    MoveCursor(g.At(100, 100));
    Pump(100);
    MoveCursor(g.At(355, 304));
    Pump(200);
    const Resources beforeShows = Count();
    for (int i = 0; i < 100; ++i) {
        if (!ShowInfoWindow()) Check(false, "show in the series");
        MoveCursor(g.At(100 + i % 2, 100));
        Pump(5);
        MoveCursor(g.At(355, 304));
        Pump(5);
    }
    MoveCursor(g.At(100, 100));
    Pump(300);
    Check(InfoWindows() == 1, "one window after a hundred shows");
    CheckGrowth(beforeShows, Count(), "100 shows");
    CheckWindowContents(Measure(InfoWindow()), "after 100 shows");

    // Many hover fills: the timer's own message dispatched over and over.
    // A brush or device context kept per fill would exhaust the process's
    // drawing objects (Windows) or show in its memory (wine).
    hMain = InfoWindow();
    MoveCursor(g.At(100, 100));
    Pump(100);
    MoveCursor(g.At(355, 304));
    MSG timer{};
    const DWORD start = GetTickCount();
    while (!PeekMessageA(&timer, hMain, WM_TIMER, WM_TIMER, PM_REMOVE) && GetTickCount() - start < 2000) Sleep(5);
    Check(timer.message == WM_TIMER && timer.lParam != 0, "hover timer message with its callback");
    if (timer.message == WM_TIMER) {
        // More than a Windows process's default quota of 10000 GDI objects.
        const int kTicks = 12000;
        const Resources beforeTicks = Count();
        for (int i = 0; i < kTicks; ++i) DispatchMessageA(&timer);
        Pump(100);
        CheckGrowth(beforeTicks, Count(), "12000 hover fills");
        Check(CloseIsBright(g), "Close still filled bright after 12000 fills");
        HBRUSH hBrush = CreateSolidBrush(RGB(1, 2, 3));
        Check(hBrush != nullptr, "brushes still available");
        DeleteObject(hBrush);
    }

    platform::CloseLayoutWindow();
    Pump(100);
    Check(InfoWindows() == 0, "closed on request");
    std::printf("%s: %d failure(s)\n", g_failures == 0 ? "PASSED" : "FAILED", g_failures);
    return g_failures == 0 ? 0 : 1;
}
