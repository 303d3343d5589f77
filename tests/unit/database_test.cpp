// The database built, checked and marked at each map start.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fault_points.h"
#include "resources/database_build.h"
#include "resources/database_files.h"
#include "resources/database_step.h"
#include "resources_fixture.h"

namespace fs = std::filesystem;
using namespace resources_test;

namespace {
std::string ModelLine(const char *name, uint64_t size) {
    const double divisor = RandomReal(static_cast<uint32_t>(size >> 32));
    const int32_t factor = RandomInt(static_cast<int32_t>(static_cast<uint32_t>(size)));
    char line[512];
    std::snprintf(line, sizeof(line), "%s %d %d %s %d %f\n", name, static_cast<int32_t>(size >> 32),
                  static_cast<int32_t>(static_cast<uint32_t>(size)), RandomTag().szText, factor, divisor);
    return line;
}

std::string SpriteLine(const char *name, uint32_t size) {
    char line[512];
    std::snprintf(line, sizeof(line), "%s %d %d\n", name, static_cast<int32_t>(size),
                  RandomInt(static_cast<int32_t>(size)));
    return line;
}

int64_t s_tick = 0;
int64_t CountingClock() { return ++s_tick; }

struct DatabaseTest : ResourcesTest {
    void SetUp() override {
        ResourcesTest::SetUp();
        WriteSized("cstrike/models/player.mdl", 600);
        WriteSized("cstrike/models/chick.mdl", 100);
        WriteSized("cstrike/sprites/smoke.spr", 2000);
        engine.SetVariable("zeq_kestrin_proc_mdl", "1");
        engine.SetVariable("zeq_kestrin_proc_spr", "1");
    }
    Lines StepLines() {
        ClearLog();
        DatabaseStep();
        return LogLines();
    }
    Lines CheckLines(bool passes) {
        ClearLog();
        EXPECT_EQ(CheckDatabaseFiles(), passes);
        return LogLines();
    }
    void MakeWritable(const std::string &path) { fs::permissions(path, fs::perms::owner_write, fs::perm_options::add); }
};
}  // namespace

TEST_F(DatabaseTest, DrawsAreTakenDivisorFactorTagPerModel) {
    SetRandomClockForTests(CountingClock);
    ASSERT_TRUE(BuildDatabase());
    // Each generator seeds from the clock: divisor, factor, tag in this order, model after model.
    s_tick = 0;
    const std::string models = ModelLine("chick.mdl", 100);
    EXPECT_EQ(engine.ReadTextFile(kModelDb), models + ModelLine("player.mdl", 600));
    EXPECT_EQ(engine.ReadTextFile(kSpriteDb), SpriteLine("smoke.spr", 2000));
}

TEST_F(DatabaseTest, DamagedFilesSwitchModelProcessingOff) {
    SKIP_UNLESS_MARKS_KEPT();
    DatabaseStep();
    MakeWritable(kSpriteDb);
    EXPECT_EQ(StepLines(), (Lines{"[ZEQ] LOG: Opening .kts files successed. Checking Files...",
                                  "[ZEQ] LOG: File mdlbase.kts is Not Damaged",
                                  "[ZEQ] ERROR: File sprbase.kts is Damaged!", "[ZEQ] ERROR: Failed Loading Files"}));
    EXPECT_EQ(engine.serverCommands, Lines{"zeq_kestrin_proc_mdl 0\n"});
    engine.ExecuteCommandBuffer();
    EXPECT_EQ(StepLines(), Lines{"[ZEQ] LOG: Models Processing Disabled."});
    // The files are left as they were.
    EXPECT_TRUE(platform::HasDatabaseMark(kModelDb.c_str()));
    // A damaged first file stops the check.
    MakeWritable(kModelDb);
    EXPECT_EQ(CheckLines(false), Lines{"[ZEQ] ERROR: File mdlbase.kts is Damaged!"});
}

TEST_F(DatabaseTest, SpritesSwitchedOnOrOffAfterAModelOnlyBuild) {
    SKIP_UNLESS_MARKS_KEPT();
    engine.SetVariable("zeq_kestrin_proc_spr", "0");
    DatabaseStep();
    EXPECT_FALSE(engine.Exists(kSpriteDb));
    engine.SetVariable("zeq_kestrin_proc_spr", "1.7");
    EXPECT_EQ(CheckLines(false),
              (Lines{"[ZEQ] LOG: File mdlbase.kts is Not Damaged", "[ZEQ] ERROR: Can't Find Second .kts File"}));
    // Sprites off leave an unmarked second file unexamined.
    engine.WriteFile(kSpriteDb, "");
    engine.SetVariable("zeq_kestrin_proc_spr", "0");
    EXPECT_EQ(CheckLines(true), Lines{"[ZEQ] LOG: File mdlbase.kts is Not Damaged"});
    // Names are not compared: whatever sorts first is examined.
    fs::remove(kModelDb);
    EXPECT_EQ(CheckLines(false), Lines{"[ZEQ] ERROR: File sprbase.kts is Damaged!"});
    fs::remove(kSpriteDb);
    EXPECT_EQ(CheckLines(false), Lines{"[ZEQ] ERROR: Can't Find .kts Files"});
}

TEST_F(DatabaseTest, MarkedFilesAreNeverRewritten) {
    SKIP_UNLESS_MARKS_KEPT();
    engine.SetVariable("zeq_kestrin_proc_mdl", "2");
    DatabaseStep();
    const std::string models = engine.ReadTextFile(kModelDb);
    const std::string sprites = engine.ReadTextFile(kSpriteDb);
    WriteSized("cstrike/models/added.mdl", 900);
    // As root the open would succeed: the build refuses silently, the earlier files are processed.
    const Lines lines = StepLines();
    EXPECT_EQ(engine.ReadTextFile(kModelDb), models);
    EXPECT_EQ(engine.ReadTextFile(kSpriteDb), sprites);
    EXPECT_TRUE(platform::HasDatabaseMark(kModelDb.c_str()));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "[ZEQ] ERROR: The chick.mdl is not model");
    EXPECT_FALSE(BuildDatabase());
}

TEST_F(DatabaseTest, ReadOnlyFilesWithoutMarkAreNotRewritten) {
    engine.WriteFile(kModelDb, "old 0 600 x 1 1.0\n");
    fs::permissions(kModelDb, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(BuildDatabase());
    EXPECT_EQ(engine.ReadTextFile(kModelDb), "old 0 600 x 1 1.0\n");
    EXPECT_FALSE(engine.Exists(kSpriteDb));
    // A failed sprite file leaves the model file written but unmarked.
    MakeWritable(kModelDb);
    fs::remove(kModelDb);
    engine.WriteFile(kSpriteDb, "");
    fs::permissions(kSpriteDb, fs::perms::owner_read);
    EXPECT_EQ(StepLines(), Lines{"[ZEQ] WARNING: Can't Open .kts Files. Creating new..."});
    EXPECT_EQ(engine.ReadTextFile(kModelDb), ModelLine("chick.mdl", 100) + ModelLine("player.mdl", 600));
    EXPECT_FALSE(platform::HasDatabaseMark(kModelDb.c_str()));
    const Lines next = StepLines();
    ASSERT_GE(next.size(), 2u);
    EXPECT_EQ(next[1], "[ZEQ] ERROR: File mdlbase.kts is Damaged!");
}

TEST_F(DatabaseTest, EmptyOrMissingModelsDirectoryGivesAnEmptyMarkedFile) {
    SKIP_UNLESS_MARKS_KEPT();
    fs::remove_all("cstrike/models");
    engine.SetVariable("zeq_kestrin_proc_spr", "0");
    EXPECT_TRUE(BuildDatabase());
    EXPECT_EQ(engine.ReadTextFile(kModelDb), "");
    EXPECT_EQ(StepLines(), (Lines{"[ZEQ] LOG: Opening .kts files successed. Checking Files...",
                                  "[ZEQ] LOG: File mdlbase.kts is Not Damaged", "[ZEQ] LOG: Files Loaded"}));
}

TEST_F(DatabaseTest, DatabaseDirectoryThatCannotBeCreated) {
    engine.WriteFile("cstrike/addons/zeq_kestrin/db", "a file in the way");
    EXPECT_EQ(StepLines(),
              (Lines{"[ZEQ] WARNING: Can't Open .kts Files. Creating new...", "[ZEQ] ERROR: Cant Create DB Dir!"}));
    engine.SetVariable("zeq_kestrin_proc_mdl", "2");
    EXPECT_EQ(StepLines(), Lines{"[ZEQ] ERROR: Cant Create DB Dir!"});
}

TEST_F(DatabaseTest, NegativeModeDoesNothing) {
    engine.SetVariable("zeq_kestrin_proc_mdl", "-1");
    EXPECT_TRUE(StepLines().empty());
    EXPECT_FALSE(engine.Exists(kDbDir));
}

#if !defined(_WIN32)
// A database directory that can be written but not listed (mode 0333) is used; root lists any
// directory, so this test's process acts as an ordinary user.
TEST_F(DatabaseTest, DirectoryThatCanBeWrittenButNotListed) {
    fs::create_directories("cstrike/addons/zeq_kestrin/logs");
    fs::permissions("cstrike/addons/zeq_kestrin/logs", fs::perms::all);
    fs::create_directories(kDbDir);
    fs::permissions(kDbDir, fs::perms::owner_write | fs::perms::owner_exec | fs::perms::group_write |
                                fs::perms::group_exec | fs::perms::others_write | fs::perms::others_exec);
    engine.SetVariable("zeq_kestrin_proc_spr", "0");
    const bool root = geteuid() == 0;
    if (root) { ASSERT_EQ(seteuid(65534), 0); }
    std::vector<platform::DirectoryEntry> found;
    const bool listed = platform::FindFiles(kDbDir.c_str(), "*", &found);
    const Lines lines = StepLines();
    if (root) { ASSERT_EQ(seteuid(0), 0); }  // the tree is removed by the user who made it
    ASSERT_FALSE(listed);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[ZEQ] ERROR: Cant Create DB Dir!"), 0);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[ZEQ] LOG: Files Successfuly Created."), 1);
    EXPECT_TRUE(engine.Exists(kModelDb));
}

// Sparse files and names of 255 characters.
TEST_F(DatabaseTest, BigFilesAndBlanksInNamesAreWrittenAsFound) {
    engine.WriteFile("cstrike/models/huge.mdl", "");
    engine.WriteFile("cstrike/models/my model.mdl", "");
    fs::resize_file("cstrike/models/huge.mdl", 3ull << 30);
    fs::resize_file("cstrike/models/my model.mdl", (5ull << 30) + 700);
    ASSERT_TRUE(BuildDatabase());
    const std::string expected = ModelLine("chick.mdl", 100) + ModelLine("huge.mdl", 3ull << 30) +
                                 ModelLine("my model.mdl", (5ull << 30) + 700) + ModelLine("player.mdl", 600);
    EXPECT_EQ(engine.ReadTextFile(kModelDb), expected);
    EXPECT_NE(expected.find("huge.mdl 0 -1073741824 "), std::string::npos);
    EXPECT_NE(expected.find("my model.mdl 1 1073742524 "), std::string::npos);
}

TEST_F(DatabaseTest, LongestNamesFitWhole) {
    const std::string name = std::string(251, 'n') + ".mdl";
    WriteSized("cstrike/models/" + name, 700);
    ASSERT_TRUE(BuildDatabase());
    EXPECT_NE(engine.ReadTextFile(kModelDb).find(name + " 0 700 "), std::string::npos);
    engine.SetVariable("zeq_kestrin_proc_spr", "0");
    const Lines lines = StepLines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string &l) { return l.find(name) != l.npos; }));
}

// No attribute or companion file can be written: the files are built again at every map, with one
// line saying why, and model processing stays on.
TEST_F(DatabaseTest, FilesThatCannotBeMarkedAreBuiltAgainAtEveryMap) {
    platform::ArmFault(platform::FaultPoint::ExtendedAttribute, 0, -1);
    platform::ArmFault(platform::FaultPoint::CreateTemporary, 0, -1);
    const std::string why =
        "[ZEQ] WARNING: Could not mark the database files in cstrike/addons/zeq_kestrin/db (the file system there "
        "keeps no file permissions or marks): they are built again at each map start";
    const Lines first = StepLines();
    ASSERT_GE(first.size(), 3u);
    EXPECT_EQ(Lines(first.begin(), first.begin() + 3),
              (Lines{"[ZEQ] WARNING: Can't Open .kts Files. Creating new...", why, "[ZEQ] LOG: Files Successfuly Created."}));
    WriteSized("cstrike/models/added.mdl", 900);
    const Lines next = StepLines();
    ASSERT_EQ(next.size(), first.size() + 1) << "one more model processed";
    EXPECT_EQ(Lines(next.begin(), next.begin() + 3),
              (Lines{"[ZEQ] LOG: Opening .kts files successed. Checking Files...", why,
                     "[ZEQ] LOG: Files Successfuly Created."}));
    EXPECT_NE(engine.ReadTextFile(kModelDb).find("added.mdl"), std::string::npos);
    EXPECT_TRUE(engine.serverCommands.empty());
    platform::DisarmFaults();
}
#endif
