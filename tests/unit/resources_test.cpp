#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/plugin_state.h"
#include "platform/fault_points.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "resources/database_build.h"
#include "resources/database_files.h"
#include "resources/database_step.h"
#include "resources/random_draws.h"
#include "resources/record_processing.h"
#include "resources_fixture.h"
#include "support/test_engine.h"

namespace {
int64_t s_now = 0;
int64_t TestClock() { return s_now; }

struct RandomTest : ::testing::Test {
    void SetUp() override { SetRandomClockForTests(TestClock); }
    void TearDown() override { SetRandomClockForTests(nullptr); }
};
}  // namespace

TEST_F(RandomTest, GeneratorGivesTheKnownSequence) {
    SeedRandom(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int value : expected) EXPECT_EQ(DrawRandom(), value);
    // The low 32 bits of the calendar time seed it: 2^32 + 1 seeds like 1.
    s_now = (int64_t{1} << 32) + 1;
    EXPECT_EQ(RandomInt(1), 41);
}

TEST_F(RandomTest, RandomIntMultipliesThenDividesDownToAtMostAThousand) {
    const struct {
        int64_t seed;
        int32_t x, value;
    } cases[] = {
        {1, 0, 0}, {1, 1, 41}, {1, 24, 984}, {1, -7, -287},  // seed 1 draws 41 first
        {1, 100000000, -194967296},                          // wraps to negative: leaves the loop at once
        {1, 25, 1025 / 167},                                 // next draw 18467 % 300 = 167
        {108, INT32_MAX, 134},  // draws a 0 divisor, replaced by the next draw that is not 0
    };
    for (const auto &c : cases) {
        s_now = c.seed;
        EXPECT_EQ(RandomInt(c.x), c.value) << "seed " << c.seed << ", x " << c.x;
    }
    for (s_now = 0; s_now < 3000; ++s_now)
        for (int32_t x : {2, 1001, 65536, 1 << 30, INT32_MAX}) ASSERT_LE(RandomInt(x), 1000) << s_now << " " << x;
}

TEST_F(RandomTest, RandomRealFollowsItsDrawsAndAlwaysEndsAtMostAThousand) {
    s_now = 1;
    const double d = 32767.0;
    const double a = 41 / d, b = (18467 + a) / d, c = (6334 + b) / d, x = (26500 + c) / d;
    // p 0: p = 19169 % 100 = 69; k = 15724 % 32 = 12.
    EXPECT_DOUBLE_EQ(RandomReal(0), 12 * (69 * x));
    // p 1: k = 19169 % 32 = 1.
    EXPECT_DOUBLE_EQ(RandomReal(1), 1 * x);
    // p 100: k 1, v = 100 * x, below 1000.
    EXPECT_DOUBLE_EQ(RandomReal(100), 100 * x);
    // Seed 108 draws a 0 divisor; seed 433295571 needs more than nine rounds (where the step alone passes 1000).
    for (int64_t seed : {int64_t{108}, int64_t{433295571}}) {
        s_now = seed;
        const double v = RandomReal(UINT32_MAX);
        EXPECT_GE(v, 0.0);
        EXPECT_LE(v, 1000.0);
    }
    for (s_now = 0; s_now < 3000; ++s_now) {
        ASSERT_LE(RandomReal(UINT32_MAX), 1000.0);
        ASSERT_LE(RandomReal(0), 1000.0);
    }
}

TEST_F(RandomTest, RandomTagBands) {
    // Seed 1: draws 41, 18467, 6334, 26500, 19169, 15724 fall in bands 0, 24,
    // 23, 25, 31 and 37: entries 0, 22, 21, 23, 29 and 35.
    s_now = 1;
    EXPECT_STREQ(RandomTag().szText, "azlx28");
    // Bands 15 and 17 add nothing: all six draws there give an empty tag.
    s_now = 50660115;
    EXPECT_STREQ(RandomTag().szText, "");
    // Band 16 is "o", band 4 and band 9 both "e".
    const char alphabet[] = "abcdefgqwertyuiopshjklzxvnm0123456789@";
    for (s_now = 0; s_now < 2000; ++s_now) {
        const ktTag tag = RandomTag();
        ASSERT_LE(std::strlen(tag.szText), 6u);
        for (const char *c = tag.szText; *c != '\0'; ++c) ASSERT_NE(std::strchr(alphabet, *c), nullptr);
    }
}

#if !defined(_WIN32)
#  include <sched.h>
#  include <sys/mount.h>
#  include <sys/wait.h>
#  include <sys/xattr.h>
#  include <unistd.h>
#endif

namespace fs = std::filesystem;

TEST(ResourcesFileSystem, SearchSortsAsNtfsShowsAndMatchesSuffixesWithoutCase) {
    TestEngine engine;
    std::vector<std::string> names = {"b.mdl", "a.mdl", "a_b.mdl", "aab.mdl", "C.MDL", "x.mdlx", "mdl", ".mdl"};
    std::vector<std::string> expected = {".mdl", "a.mdl", "aab.mdl", "a_b.mdl", "b.mdl", "C.MDL", "folder.mdl"};
#if !defined(_WIN32)
    // Names equal but for case exist only where the file system tells them apart.
    names.push_back("A.mdl");
    expected.insert(expected.begin() + 1, "A.mdl");
#endif
    for (const std::string &name : names) engine.WriteFile("dir/" + name, "12345");
    fs::create_directory("dir/folder.mdl");
    std::vector<platform::DirectoryEntry> found;
    ASSERT_TRUE(platform::FindFiles("dir", "*.mdl", &found));
    // Upper-cased, "_" (0x5F) sorts after "A" to "Z"; names equal but for case by bytes.
    std::vector<std::string> foundNames;
    for (const platform::DirectoryEntry &entry : found) foundNames.push_back(entry.name);
    EXPECT_EQ(foundNames, expected);
    EXPECT_EQ(found[1].size, 5u);
    EXPECT_EQ(found.back().size, 0u);  // a directory, listed as Windows lists it

    EXPECT_TRUE(platform::FindFiles("dir", "*.spr", &found));
    EXPECT_TRUE(found.empty());
    EXPECT_FALSE(platform::FindFiles("missing", "*.mdl", &found));
    EXPECT_TRUE(found.empty());
}

#if defined(_WIN32)
// Windows: the mark is the attribute value 5 itself.
TEST(ResourcesFileSystem, MarkIsReadOnlyPlusSystemExactly) {
    TestEngine engine;
    const char *path = "db/mdlbase.kts";
    engine.WriteFile(path, "a.mdl 0 600 abc 5 1.000000\n");
    EXPECT_FALSE(platform::HasDatabaseMark(path));
    ASSERT_TRUE(platform::SetDatabaseMark(path));
    if (!platform::HasDatabaseMark(path)) {
        GTEST_SKIP() << "this file system cannot keep the exact read-only-plus-system mark (Wine)";
    }
    EXPECT_TRUE(platform::HasDatabaseMark(path));
    EXPECT_TRUE(platform::IsReadOnlyFile(path));
    fs::copy_file(path, "db/copy.kts");  // a copy carries the archive flag
    EXPECT_FALSE(platform::HasDatabaseMark("db/copy.kts"));
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_FALSE(platform::HasDatabaseMark(path));
    EXPECT_FALSE(platform::IsReadOnlyFile(path));
}
#else
namespace {
const fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
const char kAttribute[] = "user.zeq_kestrin.mark";

// Where the record is kept, and which way a file's identity is read.
struct MarkCase {
    bool legacyStat;
    bool companion;  // the file system keeps no extended attributes
};

struct MarkTest : ::testing::TestWithParam<MarkCase> {
    TestEngine engine;
    const std::string path = "db/mdlbase.kts";
    const std::string companion = "db/.mdlbase.kts.mark";
    void SetUp() override {
        platform::UseLegacyStatForTests(GetParam().legacyStat);
        if (GetParam().companion) platform::ArmFault(platform::FaultPoint::ExtendedAttribute, 0, -1);
        engine.WriteFile(path, "a.mdl 0 600 abc 5 1.000000\n");
    }
    void TearDown() override {
        platform::UseLegacyStatForTests(false);
        platform::DisarmFaults();
    }
    void Mark() {
        ASSERT_TRUE(platform::SetDatabaseMark(path.c_str()));
        ASSERT_TRUE(Marked());
    }
    bool Marked(const std::string &file) { return platform::HasDatabaseMark(file.c_str()); }
    bool Marked() { return Marked(path); }
    bool HasAttribute(const std::string &file) { return getxattr(file.c_str(), kAttribute, nullptr, 0) >= 0; }
    void Shell(const std::string &command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }
};
}  // namespace

INSTANTIATE_TEST_SUITE_P(Mark, MarkTest,
                         ::testing::Values(MarkCase{false, false}, MarkCase{true, false}, MarkCase{false, true},
                                           MarkCase{true, true}),
                         [](const ::testing::TestParamInfo<MarkCase> &info) {
                             return std::string(info.param.legacyStat ? "Legacy" : "Statx") +
                                    (info.param.companion ? "Companion" : "Attribute");
                         });

TEST_P(MarkTest, MarkPassesUntouchedOrWithAnotherOwnerButNotChanged) {
    EXPECT_FALSE(Marked());
    EXPECT_FALSE(platform::IsReadOnlyFile(path.c_str()));
    Mark();
    EXPECT_EQ(fs::status(path).permissions(), kReadOnly);
    EXPECT_TRUE(platform::IsReadOnlyFile(path.c_str()));
    EXPECT_EQ(engine.Exists(companion), GetParam().companion);
    EXPECT_EQ(HasAttribute(path), !GetParam().companion);
    EXPECT_EQ(engine.ReadFile(path), "a.mdl 0 600 abc 5 1.000000\n");
    // The mark read one way is the mark read the other way.
    platform::UseLegacyStatForTests(!GetParam().legacyStat);
    EXPECT_TRUE(Marked());
    platform::UseLegacyStatForTests(GetParam().legacyStat);
    // "chown -R" of the game directory moves only the status-change time and the owner.
    const uid_t owner = geteuid() == 0 ? 4242 : getuid();
    const gid_t group = geteuid() == 0 ? 4242 : getgid();
    ASSERT_EQ(chown(path.c_str(), owner, group), 0);
    ASSERT_EQ(chown("db", owner, group), 0);
    EXPECT_TRUE(Marked());

    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_FALSE(Marked());
    EXPECT_FALSE(platform::IsReadOnlyFile(path.c_str()));
    // Undone, the change leaves nothing to see (as read-only cleared and set again on Windows).
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_TRUE(Marked());

    const fs::file_time_type written = fs::last_write_time(path);
    fs::last_write_time(path, written + std::chrono::seconds(1));  // touch
    EXPECT_FALSE(Marked());
    fs::last_write_time(path, written);
    EXPECT_TRUE(Marked());

    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    engine.WriteFile(path, "a.mdl 0 600 abc 5 1.000001\n");  // same length
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(Marked());

    // Marked again where attributes are kept: the companion file goes.
    platform::DisarmFaults();
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    Mark();
    EXPECT_TRUE(HasAttribute(path));
    EXPECT_FALSE(engine.Exists(companion));
}

TEST_P(MarkTest, CopiesRenamesLinksAndLostOrForgedRecordsFail) {
    fs::create_directory("db/folder.kts");
    EXPECT_FALSE(platform::SetDatabaseMark("db/folder.kts"));
    EXPECT_FALSE(platform::IsReadOnlyFile("db/folder.kts"));
    EXPECT_FALSE(platform::SetDatabaseMark("db/missing.kts"));
    EXPECT_FALSE(Marked("db/missing.kts"));
    EXPECT_FALSE(platform::IsReadOnlyFile("db/missing.kts"));
    Mark();
    fs::create_symlink("mdlbase.kts", "db/symlink.kts");
    EXPECT_FALSE(Marked("db/symlink.kts"));
    Shell("cp " + path + " db/plain.kts");  // read-only, no record
    EXPECT_FALSE(Marked("db/plain.kts"));
    // "cp -a" takes mode, times and the attribute along; put in the file's place.
    Shell("cp -a " + path + " db/copy.kts && rm -f " + path + " && mv db/copy.kts " + path);
    EXPECT_EQ(fs::status(path).permissions(), kReadOnly);
    EXPECT_EQ(HasAttribute(path), !GetParam().companion);
    EXPECT_FALSE(Marked());

    Mark();  // marking again replaces the record
    if (GetParam().companion)
        fs::remove(companion);
    else
        removexattr(path.c_str(), kAttribute);
    EXPECT_FALSE(Marked());  // read-only without a record: a copy's state
    Mark();
    const std::string forged = "zk-mark forged\n";
    if (GetParam().companion)
        engine.WriteFile(companion, forged);
    else
        setxattr(path.c_str(), kAttribute, forged.data(), forged.size(), 0);
    EXPECT_FALSE(Marked());

    Mark();
    fs::rename(path, "db/other.kts");
    EXPECT_FALSE(Marked("db/other.kts"));
    fs::rename("db/other.kts", path);
    EXPECT_TRUE(Marked());  // back under its own name, as on Windows
    fs::create_hard_link(path, "db/link.kts");
    EXPECT_FALSE(Marked());
    EXPECT_FALSE(Marked("db/link.kts"));
    // Rebuilt in its place, it is marked again.
    fs::remove(path);
    engine.WriteFile(path, "new\n");
    EXPECT_FALSE(Marked());
    Mark();
}

// Before Linux 4.11 statx answers ENOSYS: the older call takes over for good, reading the same identity.
TEST(ResourcesFileSystem, KernelWithoutStatxUsesTheOlderCall) {
    TestEngine engine;
    engine.WriteFile("db/mdlbase.kts", "x\n");
    engine.WriteFile("db/wpnbase.kts", "y\n");
    ASSERT_TRUE(platform::SetDatabaseMark("db/mdlbase.kts"));
    platform::ArmFault(platform::FaultPoint::NoStatx, 0, 1);
    EXPECT_TRUE(platform::HasDatabaseMark("db/mdlbase.kts"));
    EXPECT_TRUE(platform::SetDatabaseMark("db/wpnbase.kts"));
    platform::DisarmFaults();
    platform::UseLegacyStatForTests(false);
    EXPECT_TRUE(platform::HasDatabaseMark("db/wpnbase.kts"));
}

// Neither an attribute nor a companion file can be written: the file reads as unmarkable; where marks
// can be kept, the same file reads as damaged (a build cut short, or a copy that lost the mode).
TEST(ResourcesFileSystem, FileThatCannotBeMarkedIsToldApartFromALostMark) {
    TestEngine engine;
    engine.WriteFile("db/mdlbase.kts", "x\n");
    platform::ArmFault(platform::FaultPoint::ExtendedAttribute, 0, -1);
    platform::ArmFault(platform::FaultPoint::CreateTemporary, 0, -1);
    EXPECT_FALSE(platform::SetDatabaseMark("db/mdlbase.kts"));
    EXPECT_FALSE(platform::IsReadOnlyFile("db/mdlbase.kts"));
    EXPECT_EQ(platform::ReadDatabaseMark("db/mdlbase.kts"), platform::MarkState::Unmarkable);
    platform::DisarmFaults();
    EXPECT_EQ(platform::ReadDatabaseMark("db/mdlbase.kts"), platform::MarkState::Damaged);
    EXPECT_EQ(std::distance(fs::directory_iterator("db"), fs::directory_iterator()), 1);  // no probe left
    platform::ArmFault(platform::FaultPoint::ExtendedAttribute, 0, -1);  // the probe's mark in a companion file
    EXPECT_EQ(platform::ReadDatabaseMark("db/mdlbase.kts"), platform::MarkState::Damaged);
    EXPECT_EQ(std::distance(fs::directory_iterator("db"), fs::directory_iterator()), 1);  // nor its companion
    platform::DisarmFaults();
}

// The earlier Linux version's companion file also names the device and the status-change time: it
// still passes after an upgrade whatever those two say; the other fields still count.
TEST(ResourcesFileSystem, EarlierVersionsRecordStillCounts) {
    TestEngine engine;
    engine.WriteFile("db/mdlbase.kts", "a.mdl 0 600 abc 5 1.000000\n");
    fs::permissions("db/mdlbase.kts", kReadOnly);
    struct stat st;
    ASSERT_EQ(stat("db/mdlbase.kts", &st), 0);
    char record[256];
    const auto write = [&](long long size) {
        std::snprintf(record, sizeof(record), "kts-mark 254:3 %llu %o %lld %lld.%09ld 1.000000001\n",
                      static_cast<unsigned long long>(st.st_ino), static_cast<unsigned>(st.st_mode), size,
                      static_cast<long long>(st.st_mtim.tv_sec), static_cast<long>(st.st_mtim.tv_nsec));
        engine.WriteFile("db/.mdlbase.kts.mark", record);
    };
    write(static_cast<long long>(st.st_size));
    EXPECT_TRUE(platform::HasDatabaseMark("db/mdlbase.kts")) << record;
    write(static_cast<long long>(st.st_size) + 1);
    EXPECT_FALSE(platform::HasDatabaseMark("db/mdlbase.kts"));
}

// In a mount namespace of its own (skipped where the sandbox gives none): an overlay shows the same
// inodes under another device number, and ramfs keeps no extended attributes.
namespace {
int MountChecks(const std::string &root) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 77;
    const std::string lower = root + "/db", view = root + "/view", bare = root + "/bare", empty = root + "/empty";
    for (const std::string &dir : {view, bare, empty}) fs::create_directories(dir);
    // A read-only overlay needs two lower layers.
    if (mount("overlay", view.c_str(), "overlay", MS_RDONLY, ("lowerdir=" + lower + ":" + empty).c_str()) != 0)
        return 77;
    struct stat underneath, seen;
    if (stat((lower + "/mdlbase.kts").c_str(), &underneath) != 0 || stat((view + "/mdlbase.kts").c_str(), &seen) != 0 ||
        underneath.st_dev == seen.st_dev || underneath.st_ino != seen.st_ino)
        return 77;
    int failures = 0;
    const auto expect = [&](bool holds, const char *failure) {
        if (!holds) std::fprintf(stderr, "%s\n", failure);
        failures += !holds;
    };
    expect(platform::HasDatabaseMark((view + "/mdlbase.kts").c_str()),
           "the file under another device number lost its mark");
    if (mount("ramfs", bare.c_str(), "ramfs", 0, nullptr) != 0) return 77;
    const std::string file = bare + "/sprbase.kts";
    if (!(std::ofstream(file) << "smoke.spr 2000 7\n")) return 77;
    expect(platform::SetDatabaseMark(file.c_str()) && platform::HasDatabaseMark(file.c_str()) &&
               fs::exists(bare + "/.sprbase.kts.mark"),
           "no mark kept on a file system without extended attributes");
    fs::copy_file(file, bare + "/copy.kts");
    fs::remove(file);
    fs::rename(bare + "/copy.kts", file);
    expect(!platform::HasDatabaseMark(file.c_str()), "a copy passed on a file system without extended attributes");
    return failures;
}
}  // namespace

TEST(ResourcesFileSystem, MarkSurvivesAnotherDeviceNumberAndNeedsNoAttributes) {
    TestEngine engine;
    engine.WriteFile("db/mdlbase.kts", "a.mdl 0 600 abc 5 1.000000\n");
    ASSERT_TRUE(platform::SetDatabaseMark("db/mdlbase.kts"));
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(MountChecks(engine.root));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace, overlay or ramfs here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

#if !defined(_WIN32)
#include <unistd.h>
#endif


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
