#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "config/variables.h"
#include "engine/decimal_text.h"
#include "engine/engine_services.h"
#include "engine/message_table.h"
#include "engine/paths.h"
#include "platform/platform.h"
#include "support/test_engine.h"

namespace {
void Handler() {}
}

// Prints are plain or tagged and never formatted twice; long texts are cut, not overrun.
TEST(EngineServices, PrintsAndServerCommands) {
    TestEngine engine;
    IssueServerCommand("zeq_kestrin_cpu %d", 0);
    PluginPrint("Invalid value!");
    ConsolePrint("%s", "100% sure");
    ClientPrint(nullptr, 0, "plain %d", 1);  // to no player: the console
    ClientPrint(nullptr, 1, "tagged %s", "%d");
    EXPECT_EQ(engine.console, "[ZEQ Kes-Trin] Invalid value!\n100% sure\nplain 1\n[ZEQ Kes-Trin] tagged %d\n");
    EXPECT_TRUE(engine.clientPrints.empty());
    ClientPrint(engine.Player(3), 1, "hello");  // the tag is sent at print type 0
    ClientPrint(engine.Player(4), 0, "bye");
    EXPECT_EQ(engine.calls.back(), "pfnClientPrintf(4, 0)");
    const std::string huge(10000, 'x');
    ClientPrint(engine.Player(1), 1, "%s", huge.c_str());
    IssueServerCommand("%s", huge.c_str());
    ASSERT_GE(engine.clientPrints.size(), 3u);
    EXPECT_EQ(engine.clientPrints[0], "3:[ZEQ Kes-Trin] hello\n");
    EXPECT_EQ(engine.clientPrints[1], "4:bye\n");
    // Cut at the edge: 2046 characters and the newline fill a player's buffer.
    EXPECT_EQ(engine.clientPrints[2], "1:[ZEQ Kes-Trin] " + std::string(2046, 'x') + "\n");
    ClientPrint(engine.Player(2), 0, "%s", std::string(2046, 'y').c_str());
    ClientPrint(engine.Player(2), 0, "%s", std::string(2047, 'z').c_str());
    EXPECT_EQ(engine.clientPrints[3], "2:" + std::string(2046, 'y') + "\n");
    EXPECT_EQ(engine.clientPrints[4], "2:" + std::string(2046, 'z') + "\n");
    engine.console.clear();
    ConsolePrint("%s", huge.c_str());
    PluginPrint("%s", huge.c_str());
    EXPECT_EQ(engine.console, std::string(3071, 'x') + "\n[ZEQ Kes-Trin] " + std::string(3071, 'x') + "\n");
    EXPECT_EQ(std::strlen(VarArgs("%s", huge.c_str())), 3071u);
    ASSERT_EQ(engine.serverCommands.size(), 2u);
    EXPECT_EQ(engine.serverCommands[0], "zeq_kestrin_cpu 0\n");
    EXPECT_EQ(engine.serverCommands[1].size(), 1024u);
    EXPECT_EQ(engine.serverCommands[1].back(), '\n');
}

TEST(EngineServices, CommandsTextsVariablesAndTranslations) {
    TestEngine engine;
    RegisterServerCommand("", Handler);
    RegisterServerCommand(nullptr, Handler);
    RegisterServerCommand("zeq_kestrin_x", nullptr);
    RegisterServerCommand("zeq_kestrin_y", Handler);
    EXPECT_EQ(engine.commands.size(), 1u);
    EXPECT_EQ(engine.commands.count("zeq_kestrin_y"), 1u);

    EXPECT_FALSE(TextsEqual("", ""));
    EXPECT_FALSE(TextsEqual(nullptr, "a"));
    EXPECT_TRUE(TextsEqual("a", "a"));
    EXPECT_FALSE(TextsEqual("a", "A"));

    engine.RegisterEngineVariable("v", "0");
    for (const auto &c : {std::pair<const char *, int>{"2.9", 2}, {"-2.9", -2}, {"1e30", 2147483647}, {"nan", 0}}) {
        engine.SetVariable("v", c.first);
        EXPECT_EQ(VariableInt(engine.Variable("v")), c.second) << c.first;
    }

    // A handle the engine never gave reads as nothing and is never written.
    EXPECT_EQ(VariableInt(nullptr), 0);
    EXPECT_STREQ(VariableText(nullptr), "");
    SetVariableText(nullptr, "1");

    char text[] = " \t\r\n\v\fword  x \n";
    TrimSpaces(text);
    EXPECT_STREQ(text, "word  x");

    // Messages are translated only on a listen server.
    CreateMessageTable();
    AddMessagePair("Hello", "Bonjour");
    EXPECT_STREQ(LookupMessage("Hello\n\n"), "Hello\n\n");  // dedicated: unchanged
    engine.dedicated = 0;
    EXPECT_STREQ(LookupMessage("Hello\n\n"), "Bonjour\n\n");
    EXPECT_STREQ(LookupMessage("  Hello  "), "Bonjour");
    EXPECT_STREQ(LookupMessage("Other"), "Other");
    AddMessagePair("Salut \xC3\xA0 tous\xA0", "\xFF" "All");  // bytes above 127 match as they are
    EXPECT_STREQ(LookupMessage(" Salut \xC3\xA0 tous\xA0\n"), "\xFF" "All\n");
    EXPECT_STREQ(LookupMessage("Salut \xC3\xA0 tous"), "Salut \xC3\xA0 tous");
    DestroyMessageTable();
    EXPECT_STREQ(LookupMessage("Hello"), "Hello");
}

TEST(DecimalText, BlanksSignDigitsAndADecimalPartOnly) {
    const struct {
        const char *text;
        int32_t integer;
        double real;
    } cases[] = {
        {" \t 42", 42, 42.0},       {"-7x", -7, -7.0},          {"+3.25", 3, 3.25},
        {"0x10", 0, 0.0},            {"0x1p3", 0, 0.0},          {"-0X1", 0, -0.0},
        {"inf", 0, 0.0},             {"-infinity", 0, 0.0},      {"nan", 0, 0.0},
        {"1e3", 1, 1.0},             {".5", 0, 0.5},             {"5.", 5, 5.0},
        {".", 0, 0.0},               {"+-1", 0, 0.0},            {"- 5", 0, 0.0},
        {"", 0, 0.0},                {"0.999999", 0, 0.999999},  {"00012.50", 12, 12.5},
        {"99999999999", INT32_MAX, 99999999999.0},                {"-2147483648", INT32_MIN, -2147483648.0},
        {"-99999999999", INT32_MIN, -99999999999.0},  {"2147483647", INT32_MAX, 2147483647.0},
        {"-2147483647", -INT32_MAX, -2147483647.0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(DecimalToInt32(c.text), c.integer) << c.text;
        EXPECT_EQ(DecimalToReal(c.text), c.real) << c.text;
    }
    EXPECT_EQ(DecimalToReal(("1" + std::string(308, '0') + ".5").c_str()), 1e308);
    EXPECT_EQ(DecimalToReal(std::string(309, '9').c_str()), DBL_MAX);
    EXPECT_EQ(DecimalToReal(("-" + std::string(400, '9')).c_str()), -DBL_MAX);
    EXPECT_EQ(DecimalToReal(("0." + std::string(500, '0') + "1").c_str()), 0.0);
}

TEST(DecimalText, WrittenWithAPointAndRoundedAsTheCLibraryRounds) {
    const struct {
        double value;
        int digits;
        const char *fixed;
        const char *shortest;
    } cases[] = {
        {800.0, 1, "800.0", "800"},          {338.5, 2, "338.50", "338.5"},     {0.26, 1, "0.3", "0.3"}  ,
        {-1.005, 3, "-1.005", "-1.005"},     {-0.0001, 2, "-0.00", "0"},        {1234.5678, 0, "1235", "1235"},
        {1e19, 1, "10000000000000000000.0", "10000000000000000000"},           {0.5, 9, "0.500000000", "0.5"},
        {NAN, 2, "NaN", "NaN"},              {INFINITY, 2, "+Inf", "+Inf"},    {-INFINITY, 0, "-Inf", "-Inf"},
    };
    char text[64];
    for (const auto &c : cases) {
        EXPECT_EQ(FormatDecimal(text, sizeof(text), c.value, c.digits), static_cast<int>(std::strlen(c.fixed)));
        EXPECT_STREQ(text, c.fixed) << c.value;
        FormatDecimalShort(text, sizeof(text), c.value, c.digits);
        EXPECT_STREQ(text, c.shortest) << c.value;
    }
    for (const auto &c : {std::pair<double, const char *>{99.5, "99.5"}, {1e7, "1e+07"}, {NAN, "NaN"}})
        EXPECT_STREQ(GeneralText(c.first).szText, c.second) << c.first;  // the %g form
    char small[4];
    EXPECT_EQ(FormatDecimal(small, sizeof(small), 123.45, 2), 3);
    EXPECT_STREQ(small, "123");
}


// A path fits its buffer only with its terminating NUL; one that would be cut
// is refused and leaves an empty text, never a shorter path to write to.
TEST(Paths, FitWithTheirEndOrAreRefusedEmpty) {
    TestEngine engine;
    const std::string sep(1, platform::kPathSeparator);
    const std::string root = "cstrike" + sep + "addons" + sep + "zeq_kestrin";
    const std::string log = root + sep + "logs" + sep + "Kestrin.log";
    const std::string model = "cstrike" + sep + "models" + sep + "p.mdl";
    char out[128];
    const auto fits = [&](auto make, const std::string &expected) {
        EXPECT_TRUE(make(expected.size() + 1)) << expected;
        EXPECT_EQ(out, expected);
        EXPECT_FALSE(make(expected.size())) << expected;
        EXPECT_STREQ(out, "");
    };
    fits([&](std::size_t size) { return PluginRootPath(out, size); }, root);
    fits([&](std::size_t size) { return PluginPath(out, size, "logs"); }, root + sep + "logs");
    fits([&](std::size_t size) { return PluginPath(out, size, "logs", "Kestrin.log"); }, log);
    fits([&](std::size_t size) { return GamePath(out, size, "models", "p.mdl"); }, model);
}
