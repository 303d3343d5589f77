#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "engine/plugin_state.h"
#include "resources/record_processing.h"
#include "resources_fixture.h"

using namespace resources_test;

namespace {
struct ProcessingTest : ResourcesTest {
    void SetUp() override {
        ResourcesTest::SetUp();
        engine.SetVariable("zeq_kestrin_proc_spr", "1");
    }
    std::vector<std::string> Process(const std::string &models, const std::string &sprites = "") {
        engine.WriteFile(kModelDb, models);
        if (!sprites.empty()) engine.WriteFile(kSpriteDb, sprites);
        ClearLog();
        ProcessDatabase();
        return LogLines();
    }
    size_t Calls(const std::string &prefix) {
        size_t n = 0;
        for (const std::string &call : engine.calls) n += call.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
};
}  // namespace

TEST_F(ProcessingTest, ModelLengthAndFigure) {
    // The fake engine reports index 0 and 10 entities: the figure is
    // 10 * factor / truncated divisor.
    const std::vector<std::string> lines = Process(
        "short.mdl 0 500 ab 5 1.000000\n"
        "long.mdl 0 501 ab 5 1.000000\n"
        "nofactor.mdl 0 900 ab 0 1.000000\n"
        "smalldiv.mdl 0 900 ab 5 0.999999\n"
        "under.mdl 0 900 ab 1 11.999999\n"
        "exact.mdl 0 900 ab 1 10.000000\n"
        "negative.mdl 0 900 ab -3 -1.000000\n"
        "hex.mdl 0 900 ab 5 0x10\n"
        "nan.mdl 0 0x900 ab 5 nan\n");
    const std::vector<std::string> expected = {
        "[ZEQ] ERROR: The short.mdl is not model",    "[ZEQ] LOG: Model long.mdl successfuly catched.",
        "[ZEQ] ERROR: Failz catching model nofactor.mdl.", "[ZEQ] ERROR: Failz catching model smalldiv.mdl.",
        "[ZEQ] ERROR: Failz catching model under.mdl.",    "[ZEQ] LOG: Model exact.mdl successfuly catched.",
        "[ZEQ] LOG: Model negative.mdl successfuly catched.", "[ZEQ] ERROR: Failz catching model hex.mdl.",
        "[ZEQ] ERROR: The nan.mdl is not model"};
    EXPECT_EQ(lines, expected);
    // Three engine questions per model that passes the length test.
    EXPECT_EQ(Calls("pfnGetModelPtr"), 7u);
    EXPECT_EQ(Calls("pfnNumberOfEntities"), 7u);
}

TEST_F(ProcessingTest, NormalLogLevelShowsOnlyFailures) {
    engine.SetVariable("zeq_kestrin_loglevel", "0");
    WriteSized("cstrike/sprites/s.spr", 600);
    const std::vector<std::string> lines = Process("a.mdl 0 900 ab 5 1.0\nb.mdl 0 9 ab 5 1.0\n",
                                                   "s.spr 600 3\nt.spr 600 0\nu.spr 100 3\n");
    const std::vector<std::string> expected = {"[ZEQ] ERROR: The b.mdl is not model",
                                               "[ZEQ] LOG: Failz catching sprite t.spr.",
                                               "[ZEQ] ERROR: The u.spr is not sprite"};
    EXPECT_EQ(lines, expected);
}

TEST_F(ProcessingTest, SpriteFigureFromTheEngineFileSize) {
    WriteSized("cstrike/sprites/s.spr", 600);
    const std::string longName = std::string(120, 's') + ".spr";
    WriteSized("cstrike/sprites/" + longName, 600);
    const std::vector<std::string> lines = Process("",
                                                   "s.spr 600 600\n"
                                                   "s.spr 600 601\n"
                                                   "s.spr 600 0\n"
                                                   "s.spr 600 -2\n"
                                                   "gone.spr 600 1\n"
                                                   "s.spr 500 1\n" +
                                                       longName + " 600 2\n");
    const std::vector<std::string> expected = {
        "[ZEQ] LOG: Sprite s.spr successfuly catched.", "[ZEQ] LOG: Failz catching sprite s.spr.",
        "[ZEQ] LOG: Failz catching sprite s.spr.",      "[ZEQ] LOG: Failz catching sprite s.spr.",
        "[ZEQ] LOG: Failz catching sprite gone.spr.",   "[ZEQ] ERROR: The s.spr is not sprite",
        "[ZEQ] LOG: Sprite " + longName + " successfuly catched."};
    EXPECT_EQ(lines, expected);
    // The path goes to the engine whole, with '/'.
    EXPECT_EQ(Calls("pfnGetFileSize(sprites/" + longName + ")"), 1u);
    EXPECT_EQ(Calls("pfnGetFileSize"), 6u);
}

TEST_F(ProcessingTest, EngineWithoutFileSizeReportsNoFile) {
    WriteSized("cstrike/sprites/s.spr", 600);
    g_engfuncs.pfnGetFileSize = nullptr;
    EXPECT_EQ(Process("", "s.spr 600 1\n"), std::vector<std::string>{"[ZEQ] LOG: Failz catching sprite s.spr."});
}

TEST_F(ProcessingTest, RecordsAreTakenByTokenPosition) {
    // A blank in a name shifts this record and every later one by a token;
    // an empty tag (two blanks) shifts the other way.  The incomplete last
    // record is dropped.
    const std::vector<std::string> lines = Process(
        "my model.mdl 0 900 ab 5 1.000000\n"
        "next.mdl 0 900 ab 5 1.000000\n");
    // Record 2 begins with the divisor of the first line: "1.000000" with
    // the length "0".
    const std::vector<std::string> expected = {"[ZEQ] ERROR: The my is not model",
                                               "[ZEQ] ERROR: The 1.000000 is not model"};
    EXPECT_EQ(lines, expected);
    const std::vector<std::string> more = Process("a.mdl 0 900  5 1.000000\nb.mdl 0 900 ab 5 2.0\n");
    // Record 1: a.mdl 0 900 5 1.000000 b.mdl -> tag "5", factor 1, divisor "b.mdl" (0).
    EXPECT_EQ(more, std::vector<std::string>{"[ZEQ] ERROR: Failz catching model a.mdl."});
}

TEST_F(ProcessingTest, EmptyMissingAndOverlongInput) {
    EXPECT_TRUE(Process("").empty());
    // Without sprbase.kts the sprites are skipped silently.
    EXPECT_EQ(Process("a.mdl 0 900 ab 5 1.0\n"), std::vector<std::string>{"[ZEQ] LOG: Model a.mdl successfuly catched."});
    // A token no directory search can produce (it fills the token buffer)
    // drops its record; reading goes on with the next one.
    const std::string overlong(600, 'o');
    const std::vector<std::string> lines =
        Process(overlong + ".mdl 0 900 ab 5 1.0\nb.mdl 0 900 ab 5 1.0\n", overlong + " 900 1\nc.spr 100 1\n");
    const std::vector<std::string> expected = {"[ZEQ] LOG: Model b.mdl successfuly catched.",
                                               "[ZEQ] ERROR: The c.spr is not sprite"};
    EXPECT_EQ(lines, expected);
    // Sprites off: sprbase.kts is not read.
    engine.SetVariable("zeq_kestrin_proc_spr", "0.9");
    EXPECT_TRUE(Process("", "c.spr 100 1\n").empty());
}

TEST_F(ProcessingTest, FiguresWrapAroundLike32BitArithmetic) {
    EXPECT_EQ(ModelFigure(0, 10, nullptr, 3.9, 7, "t"), 23);
    EXPECT_EQ(ModelFigure(0, 10, nullptr, 3.9, 7, ""), 0);
    EXPECT_EQ(ModelFigure(0, 10, nullptr, -0.9, 7, "t"), 0);
    EXPECT_EQ(ModelFigure(1, 1, nullptr, 1.0, INT_MAX, "t"), -2);
    EXPECT_EQ(ModelFigure(1, 0, nullptr, -1.0, INT_MIN, "t"), INT_MIN);
    EXPECT_EQ(ModelFigure(0, 10, nullptr, 1e300, 7, "t"), 0);  // divisor saturates
    EXPECT_EQ(SpriteFigure(3, nullptr, 10), 3);
    EXPECT_EQ(SpriteFigure(-3, nullptr, 10), -3);
    EXPECT_EQ(SpriteFigure(0, nullptr, 10), 0);
    EXPECT_EQ(SpriteFigure(3, nullptr, -1), 0);
}
