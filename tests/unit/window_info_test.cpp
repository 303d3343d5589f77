#include <cstring>

#include "commands_fixture.h"
#include "config/profile_file.h"
#include "window/info_window.h"

using commands_test::CommandsTest;
using commands_test::Lines;
using platform::WindowColour;
using platform::WindowControl;

namespace {
struct InfoWindowTest : CommandsTest {
    platform::WindowLayout layout{};

    void TearDown() override {
        platform::CloseLayoutWindow();
        ResetProfileStoreForTests();
        CommandsTest::TearDown();
    }
    // Status line n's label (Close button, heading, then six labels per panel).
    const WindowControl &Label(int n) const { return layout.controls[2 + n / 4 * 6 + 2 + n % 4]; }
};
}  // namespace

TEST_F(InfoWindowTest, LongestStatusLinesStayWholeAndRegulationWithoutLoadFigureIsRed) {
    const std::string longText(255, 'x');
    for (int i = 0; i < kProfileLevels; ++i) {
        CopyProfileText(g_fpsLevels[i].szText, sizeof(g_fpsLevels[i].szText), longText.c_str());
        CopyProfileText(g_sysLevels[i].szText5, sizeof(g_sysLevels[i].szText5), longText.c_str());
        CopyProfileText(g_botsLevels[i].szText, sizeof(g_botsLevels[i].szText), longText.c_str());
    }
    BuildInfoWindowLayout(&layout);
    for (int line : {0, 3, 8, 11, 16, 19}) {
        EXPECT_EQ(std::strlen(Label(line).szText), static_cast<std::size_t>(kStatusLineSize - 1)) << line;
        EXPECT_STREQ(Label(line).szText, GetStatusLine(line)) << line;
    }

    const WindowControl &cpu = Label(kCpuSwitchStatusLine);
    engine.SetVariable("zeq_kestrin_cpu", "1");
    for (const bool readable : {true, false}) {
        cpuLoadReadable = readable;
        BuildInfoWindowLayout(&layout);
        EXPECT_STREQ(cpu.szText, readable ? "MDL: Disabled CPU: Enabled" : "MDL: Disabled CPU: Unavailable");
        const WindowColour expected = readable ? WindowColour{0, 255, 0} : WindowColour{255, 0, 0};
        EXPECT_EQ(cpu.textColour.r, expected.r);
        EXPECT_EQ(cpu.textColour.g, expected.g);
    }
    cpuLoadReadable = true;
}

#if !defined(_WIN32)

namespace {
std::string Inner(const std::string &line) { return line.substr(2, line.size() - 4); }
std::string Trimmed(const std::string &text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
}
// The framed console panel: every line one width, between borders.  Returns
// the trimmed texts between the side borders.
Lines FramedTexts(const Lines &lines) {
    EXPECT_FALSE(lines.empty());
    Lines texts;
    for (const std::string &line : lines) {
        const bool framed = line.size() == lines.front().size() && line.size() >= 4 &&
                            (line.front() == '+' ? line.back() == '+' && line.find_first_not_of('-', 1) == line.size() - 1
                                                 : line.front() == '|' && line.back() == '|');
        EXPECT_TRUE(framed) << line;
        if (framed && line.front() == '|') texts.push_back(Trimmed(Inner(line)));
    }
    return texts;
}
}  // namespace

// The console panel is a snapshot: a later value shows at the next opening,
// which after a governor check adds the frame interval's p99.
TEST_F(InfoWindowTest, WithoutDesktopTheConsoleGetsTheWholeWindowInOrder) {
    CopyProfileText(g_cpuLevels[2].szText, sizeof(g_cpuLevels[2].szText), std::string(255, 'y').c_str());
    ASSERT_EQ(std::strlen(GetStatusLine(6)), static_cast<std::size_t>(kStatusLineSize - 1));
    engine.SetVariable("zeq_kestrin_sleepsm", "7");
    const Lines lines = Run({"zeq_kestrin_show"});
    // Heading, 6 x (header + 4 lines), footer.
    const Lines texts = FramedTexts(lines);
    EXPECT_EQ(lines[lines.size() - 3].front(), '+') << "a rule above the footer";
    ASSERT_EQ(texts.size(), 1u + 6 * 5 + 1);
    EXPECT_EQ(texts.front(), "Kes-Trin View");
    EXPECT_EQ(texts.back(), kInfoFooterText);
    const char *headers[6] = {"FPS", "CPU", "SYS", "SERVER", "BoTS", "General"};
    for (int p = 0; p < 6; ++p) {
        EXPECT_EQ(texts[1 + p * 5], headers[p]);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(texts[2 + p * 5 + k], GetStatusLine(p * 4 + k)) << p << k;
    }
    EXPECT_EQ(texts[2 + 5 * 5 + 2].rfind("Sleeps Min: 7.", 0), 0u) << texts[2 + 5 * 5 + 2];
    // Centred heading; lines indented below their header.
    const std::string heading = Inner(lines[1]);
    const std::size_t left = heading.find('K'), right = heading.size() - 1 - heading.rfind('w');
    EXPECT_LE(right - left, 1u) << heading;
    EXPECT_EQ(Inner(lines[4]).substr(0, 2), "  ");
    EXPECT_EQ(Inner(lines[3]).substr(0, 4), "FPS ");  // a header is not

    engine.SetVariable("zeq_kestrin_sleepsm", "9");
    EXPECT_EQ(engine.console.find("Sleeps Min: 9."), std::string::npos);
    GovernorMapStart();
    ScheduleFirstCheck();
    for (float t : {2.0f, 3.0f, 5.0f}) {  // two frames, then the check
        engine.globals.time = t;
        GovernorFrame();
    }
    const Lines next = FramedTexts(Run({"ShowPanel"}));
    ASSERT_EQ(next.size(), texts.size());
    EXPECT_EQ(next[2 + 5 * 5 + 2].rfind("Sleeps Min: 9.", 0), 0u) << next[2 + 5 * 5 + 2];
    const std::string &fps = next[2 + 5 * 5];
    EXPECT_EQ(fps.rfind(GetStatusLine(20), 0), 0u) << fps;
    EXPECT_EQ(fps.find(" p99: "), std::strlen(GetStatusLine(20))) << fps;
    EXPECT_EQ(fps.substr(fps.size() - 4), " us.") << fps;
}

#endif
