#include "window/info_window.h"

#include <cstdio>
#include <cstring>

#include "config/profile_file.h"
#include "engine/engine_services.h"

using platform::ControlKind;
using platform::WindowColour;
using platform::WindowControl;
using platform::WindowFont;
using platform::WindowLayout;

const char kInfoFooterText[] = "ZEQ Kes-Trin 1.70.00 (c) ZEQ Dev Team";

namespace {

constexpr WindowColour kBlack = {0, 0, 0};
constexpr WindowColour kWhite = {255, 255, 255};
constexpr WindowColour kGrey = {80, 80, 80};
constexpr WindowColour kRed = {255, 0, 0};
constexpr WindowColour kYellow = {255, 255, 0};
constexpr WindowColour kGreen = {0, 255, 0};
constexpr WindowColour kDarkGreen = {0, 100, 0};

struct ktPanel {
    int x;
    int y;
    const char *szHeader;
    int iFirstLine;  // status lines iFirstLine to iFirstLine + 3
};

// In creation order: two columns of three.
const ktPanel kPanels[] = {
    {5, 30, "FPS", 0},      {200, 30, "CPU", 4},      {5, 120, "SYS", 8},
    {200, 120, "SERVER", 12}, {5, 210, "BoTS", 16}, {200, 210, "General", 20},
};
constexpr int kPanelWidth = 190;
constexpr int kPanelHeight = 80;
constexpr int kLinesPerPanel = 4;
constexpr int kLabelX = 8;
constexpr int kLabelStep = 15;
constexpr int kLabelWidth = 170;
constexpr int kLabelHeight = 15;

int AddControl(WindowLayout *pLayout, ControlKind kind, int iParent, int x, int y, int iWidth, int iHeight,
               const WindowColour *pFill, const char *szText, WindowColour textColour, WindowFont font) {
    const int iIndex = pLayout->iControlCount++;
    WindowControl &control = pLayout->controls[iIndex];
    control = WindowControl{};
    control.kind = kind;
    control.iParent = iParent;
    control.x = x;
    control.y = y;
    control.width = iWidth;
    control.height = iHeight;
    control.bFilled = pFill != nullptr;
    if (pFill != nullptr) control.fill = control.hoverFill = *pFill;
    std::snprintf(control.szText, sizeof(control.szText), "%s", szText);
    control.textColour = control.hoverTextColour = textColour;
    control.font = font;
    return iIndex;
}

// ------------------------------------------------------------------ console panel

constexpr int kMinFrameWidth = 44;  // inside the two borders
constexpr int kLineIndent = 2;      // of a panel's lines below its header
constexpr int kFrameLineSize = platform::kControlTextSize + kLineIndent + 8;

enum ktAlign { ALIGN_LEFT, ALIGN_CENTRE };

void PrintRule(int iWidth) {
    char szLine[kFrameLineSize];
    szLine[0] = '+';
    std::memset(szLine + 1, '-', static_cast<std::size_t>(iWidth));
    szLine[iWidth + 1] = '+';
    szLine[iWidth + 2] = '\0';
    ConsolePrint("%s", szLine);
}

void PrintFramed(int iWidth, int iIndent, ktAlign align, const char *szText) {
    const int iLength = static_cast<int>(std::strlen(szText));
    const int iRoom = iWidth - 2;  // one space inside each border
    const int iLeft = align == ALIGN_CENTRE ? (iRoom - iLength) / 2 : iIndent;
    ConsolePrint("| %*s%s%*s |", iLeft, "", szText, iRoom - iLeft - iLength, "");
}

// Heading, each panel's header and lines, footer: the window's texts in the
// window's order, framed to the longest of them.
void PrintLayoutOnConsole(const WindowLayout &layout) {
    int iWidth = kMinFrameWidth;
    for (int i = 0; i < layout.iControlCount; ++i) {
        const int iNeeded = static_cast<int>(std::strlen(layout.controls[i].szText)) + kLineIndent + 2;
        if (iNeeded > iWidth) iWidth = iNeeded;
    }
    for (int i = 0; i < layout.iControlCount; ++i) {
        const WindowControl &control = layout.controls[i];
        switch (control.kind) {
        case ControlKind::CloseButton:
            break;  // nothing to close on a console
        case ControlKind::Heading:
            PrintRule(iWidth);
            PrintFramed(iWidth, 0, ALIGN_CENTRE, control.szText);
            break;
        case ControlKind::Panel:
            PrintRule(iWidth);
            break;
        case ControlKind::Label:
            if (control.iParent == platform::kNoParent) {  // the footer
                PrintRule(iWidth);
                PrintFramed(iWidth, 0, ALIGN_LEFT, control.szText);
            } else {
                // The first label of a panel is its header, the others its lines.
                const bool bHeader = i == control.iParent + 1;
                PrintFramed(iWidth, bHeader ? 0 : kLineIndent, ALIGN_LEFT, control.szText);
            }
            break;
        }
    }
    PrintRule(iWidth);
}

// The control of the General panel's first line ("FPS: N. Rate: N."): after
// the Close button and the heading, each panel is its box, its header and
// its lines.
constexpr int kGeneralPanel = 5;
constexpr int kGeneralFpsLine = 2 + kGeneralPanel * (2 + kLinesPerPanel) + 2;

// Adds " TEXT" to a control's text, cut to the text's room.
void AppendToLine(WindowLayout *pLayout, int iControl, const char *szText) {
    char *szLine = pLayout->controls[iControl].szText;
    const std::size_t length = std::strlen(szLine);
    std::snprintf(szLine + length, sizeof(pLayout->controls[iControl].szText) - length, " %s", szText);
}

}  // namespace

void BuildInfoWindowLayout(WindowLayout *pLayout) {
    *pLayout = WindowLayout{};
    pLayout->szClassName = "KTInfo";
    pLayout->szCaption = "Kestrin Info";
    pLayout->x = 150;
    pLayout->y = 150;
    pLayout->width = 400;
    pLayout->height = 330;

    const int iClose = AddControl(pLayout, ControlKind::CloseButton, platform::kNoParent, 320, 292, 70, 25,
                                  &kDarkGreen, "Close", kWhite, WindowFont::Title);
    pLayout->controls[iClose].hoverFill = kGreen;
    pLayout->controls[iClose].hoverTextColour = kBlack;

    AddControl(pLayout, ControlKind::Heading, platform::kNoParent, 130, 5, 140, 20, nullptr, "Kes-Trin View", kRed,
               WindowFont::Title);

    for (const ktPanel &panel : kPanels) {
        const int iPanel = AddControl(pLayout, ControlKind::Panel, platform::kNoParent, panel.x, panel.y,
                                      kPanelWidth, kPanelHeight, &kGrey, "", kWhite, WindowFont::Body);
        AddControl(pLayout, ControlKind::Label, iPanel, kLabelX, 0, kLabelWidth, kLabelHeight, &kGrey,
                   panel.szHeader, kYellow, WindowFont::Title);
        for (int iLine = 0; iLine < kLinesPerPanel; ++iLine) {
            const int iStatus = panel.iFirstLine + iLine;
            // Regulation switched on that cannot run stands out in red.
            const bool bAlert = iStatus == kCpuSwitchStatusLine && CpuRegulationUnavailable();
            AddControl(pLayout, ControlKind::Label, iPanel, kLabelX, (iLine + 1) * kLabelStep, kLabelWidth,
                       kLabelHeight, &kGrey, GetStatusLine(iStatus), bAlert ? kRed : kGreen, WindowFont::Body);
        }
    }

    AddControl(pLayout, ControlKind::Label, platform::kNoParent, 0, 292, 320, 20, &kBlack, kInfoFooterText, kWhite,
               WindowFont::Body);
}

bool ShowInfoWindow(const char *szConsoleFpsNote) {
    // Large: kept out of the server thread's stack.
    static WindowLayout s_layout;
    BuildInfoWindowLayout(&s_layout);
    switch (platform::ShowLayoutWindow(s_layout)) {
    case platform::ShowWindowResult::Shown:
        return true;
    case platform::ShowWindowResult::NoDesktop:
        if (szConsoleFpsNote != nullptr) AppendToLine(&s_layout, kGeneralFpsLine, szConsoleFpsNote);
        PrintLayoutOnConsole(s_layout);
        return true;
    case platform::ShowWindowResult::Failed:
        break;
    }
    return false;
}
