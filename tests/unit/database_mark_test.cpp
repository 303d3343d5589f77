// The database directory's listing and the mark that says a file is as built.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/fault_points.h"
#include "platform/file_system.h"
#include "resources_fixture.h"

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
