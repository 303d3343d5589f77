// The records of models and sprites: figures, tokens and their limits.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "engine/plugin_state.h"
#include "resources/record_processing.h"
#include "resources_fixture.h"

using namespace resources_test;

namespace {
using Cases = std::vector<std::pair<std::string, std::string>>;  // a record and the line it logs

struct ProcessingTest : ResourcesTest {
    void SetUp() override {
        ResourcesTest::SetUp();
        engine.SetVariable("zeq_kestrin_proc_spr", "1");
    }
    Lines Process(const std::string &models, const std::string &sprites = "") {
        engine.WriteFile(kModelDb, models);
        if (!sprites.empty()) engine.WriteFile(kSpriteDb, sprites);
        ClearLog();
        ProcessDatabase();
        return LogLines();
    }
    void ExpectLines(const Cases &cases, bool sprites) {
        std::string records;
        Lines expected;
        for (const auto &c : cases) {
            records += c.first + "\n";
            expected.push_back(c.second);
        }
        EXPECT_EQ(sprites ? Process("", records) : Process(records), expected);
    }
    size_t Calls(const std::string &prefix) {
        size_t n = 0;
        for (const std::string &call : engine.calls) n += call.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
};
}  // namespace

TEST_F(ProcessingTest, ModelLengthAndFigure) {
    // The fake engine reports index 0 and 10 entities: the figure is 10 * factor / truncated divisor.
    ExpectLines({{"short.mdl 0 500 ab 5 1.000000", "[ZEQ] ERROR: The short.mdl is not model"},
                 {"long.mdl 0 501 ab 5 1.000000", "[ZEQ] LOG: Model long.mdl successfuly catched."},
                 {"nofactor.mdl 0 900 ab 0 1.000000", "[ZEQ] ERROR: Failz catching model nofactor.mdl."},
                 {"smalldiv.mdl 0 900 ab 5 0.999999", "[ZEQ] ERROR: Failz catching model smalldiv.mdl."},
                 {"under.mdl 0 900 ab 1 11.999999", "[ZEQ] ERROR: Failz catching model under.mdl."},
                 {"exact.mdl 0 900 ab 1 10.000000", "[ZEQ] LOG: Model exact.mdl successfuly catched."},
                 {"negative.mdl 0 900 ab -3 -1.000000", "[ZEQ] LOG: Model negative.mdl successfuly catched."},
                 {"hex.mdl 0 900 ab 5 0x10", "[ZEQ] ERROR: Failz catching model hex.mdl."},
                 {"nan.mdl 0 0x900 ab 5 nan", "[ZEQ] ERROR: The nan.mdl is not model"}},
                false);
    EXPECT_EQ(Count(engine.console, "[ZEQ] LOG: Model long.mdl successfuly catched."), 1u);  // shown too
    // Three engine questions per model that passes the length test.
    EXPECT_EQ(Calls("pfnGetModelPtr"), 7u);
    EXPECT_EQ(Calls("pfnNumberOfEntities"), 7u);
}

TEST_F(ProcessingTest, NormalLogLevelShowsOnlyFailures) {
    engine.SetVariable("zeq_kestrin_loglevel", "0");
    WriteSized("cstrike/sprites/s.spr", 600);
    EXPECT_EQ(Process("a.mdl 0 900 ab 5 1.0\nb.mdl 0 9 ab 5 1.0\n", "s.spr 600 3\nt.spr 600 0\nu.spr 100 3\n"),
              (Lines{"[ZEQ] ERROR: The b.mdl is not model", "[ZEQ] LOG: Failz catching sprite t.spr.",
                     "[ZEQ] ERROR: The u.spr is not sprite"}));
}

TEST_F(ProcessingTest, SpriteFigureFromTheEngineFileSize) {
    WriteSized("cstrike/sprites/s.spr", 600);
    const std::string longName = std::string(120, 's') + ".spr";
    WriteSized("cstrike/sprites/" + longName, 600);
    ExpectLines({{"s.spr 600 600", "[ZEQ] LOG: Sprite s.spr successfuly catched."},
                 {"s.spr 600 601", "[ZEQ] LOG: Failz catching sprite s.spr."},
                 {"s.spr 600 0", "[ZEQ] LOG: Failz catching sprite s.spr."},
                 {"s.spr 600 -2", "[ZEQ] LOG: Failz catching sprite s.spr."},
                 {"gone.spr 600 1", "[ZEQ] LOG: Failz catching sprite gone.spr."},
                 {"s.spr 500 1", "[ZEQ] ERROR: The s.spr is not sprite"},
                 {longName + " 600 2", "[ZEQ] LOG: Sprite " + longName + " successfuly catched."}},
                true);
    // The path goes to the engine whole, with '/'.
    EXPECT_EQ(Calls("pfnGetFileSize(sprites/" + longName + ")"), 1u);
    EXPECT_EQ(Calls("pfnGetFileSize"), 6u);
    g_engfuncs.pfnGetFileSize = nullptr;  // an engine without it reports no file
    EXPECT_EQ(Process("", "s.spr 600 1\n"), Lines{"[ZEQ] LOG: Failz catching sprite s.spr."});
}

TEST_F(ProcessingTest, RecordsAreTakenByTokenPosition) {
    // A blank in a name shifts this record and every later one by a token:
    // record 2 begins with the divisor of the first line, "1.000000" with the
    // length "0".  The incomplete last record is dropped.
    EXPECT_EQ(Process("my model.mdl 0 900 ab 5 1.000000\nnext.mdl 0 900 ab 5 1.000000\n"),
              (Lines{"[ZEQ] ERROR: The my is not model", "[ZEQ] ERROR: The 1.000000 is not model"}));
    // An empty tag (two blanks) shifts the other way: record 1 is
    // a.mdl 0 900 5 1.000000 b.mdl -> tag "5", factor 1, divisor "b.mdl" (0).
    EXPECT_EQ(Process("a.mdl 0 900  5 1.000000\nb.mdl 0 900 ab 5 2.0\n"),
              Lines{"[ZEQ] ERROR: Failz catching model a.mdl."});
}

TEST_F(ProcessingTest, OverlongTokensAndSpritesOff) {
    // A token that fills the token buffer drops its record; reading goes on with the next one.
    const std::string overlong(600, 'o');
    EXPECT_EQ(Process(overlong + ".mdl 0 900 ab 5 1.0\nb.mdl 0 900 ab 5 1.0\n", overlong + " 900 1\nc.spr 100 1\n"),
              (Lines{"[ZEQ] LOG: Model b.mdl successfuly catched.", "[ZEQ] ERROR: The c.spr is not sprite"}));
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
