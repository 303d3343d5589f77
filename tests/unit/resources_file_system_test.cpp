#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "support/test_engine.h"

namespace fs = std::filesystem;

namespace {
std::vector<std::string> Names(const std::vector<platform::DirectoryEntry> &entries) {
    std::vector<std::string> names;
    for (const platform::DirectoryEntry &entry : entries) names.push_back(entry.name);
    return names;
}

// Lets the coarse file-system clock move on, so that a change made now gets a
// status-change time different from the mark's.
#if !defined(_WIN32)
void LetClockMove() { platform::SleepMilliseconds(25); }
#endif
}  // namespace

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
    // Letters folded to upper case: "_" (0x5F) comes after "A" to "Z";
    // names equal but for case fall back to byte order.
    EXPECT_EQ(Names(found), expected);
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
TEST(ResourcesFileSystem, LengthsBeyondThirtyTwoBitsComeWhole) {
    TestEngine engine;
    engine.WriteFile("big/three.mdl", "");
    engine.WriteFile("big/five.mdl", "");
    // Sparse files: no disk space is used.
    fs::resize_file("big/three.mdl", 3ull << 30);
    fs::resize_file("big/five.mdl", (5ull << 30) + 7);
    std::vector<platform::DirectoryEntry> found;
    ASSERT_TRUE(platform::FindFiles("big", "*.mdl", &found));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].size, (5ull << 30) + 7);
    EXPECT_EQ(found[1].size, 3ull << 30);
}

namespace {
// The mark's tests run with both ways of reading a file's identity.
struct MarkTest : ::testing::TestWithParam<bool> {
    TestEngine engine;
    const std::string path = "db/mdlbase.kts";
    void SetUp() override {
        platform::UseLegacyStatForTests(GetParam());
        engine.WriteFile(path, "a.mdl 0 600 abc 5 1.000000\n");
    }
    void TearDown() override { platform::UseLegacyStatForTests(false); }
    void Mark() {
        ASSERT_TRUE(platform::SetDatabaseMark(path.c_str()));
        ASSERT_TRUE(platform::HasDatabaseMark(path.c_str()));
    }
    bool Marked() { return platform::HasDatabaseMark(path.c_str()); }
};
}  // namespace

INSTANTIATE_TEST_SUITE_P(Stat, MarkTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) { return info.param ? "Legacy" : "Statx"; });

TEST_P(MarkTest, MarkMakesTheFileReadOnlyAndPassesUntouched) {
    EXPECT_FALSE(Marked());
    EXPECT_FALSE(platform::IsReadOnlyFile(path.c_str()));
    Mark();
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(platform::IsReadOnlyFile(path.c_str()));
    EXPECT_TRUE(engine.Exists("db/.mdlbase.kts.mark"));
    // Reading the file changes nothing.
    EXPECT_EQ(engine.ReadFile(path), "a.mdl 0 600 abc 5 1.000000\n");
    EXPECT_TRUE(Marked());
    // The mark read one way is the mark read the other way.
    platform::UseLegacyStatForTests(!GetParam());
    EXPECT_TRUE(Marked());
}

TEST_P(MarkTest, CopyAndRestoreBreakTheMark) {
    Mark();
    const fs::file_time_type written = fs::last_write_time(path);
    // A copy put in the file's place, with the same mode and modification time.
    fs::copy_file(path, "db/copy.kts");
    fs::remove(path);
    fs::rename("db/copy.kts", path);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::last_write_time(path, written);
    EXPECT_FALSE(Marked());
}

TEST_P(MarkTest, PermissionChangesBreakTheMarkEvenWhenUndone) {
    Mark();
    LetClockMove();
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_FALSE(Marked());
    EXPECT_FALSE(platform::IsReadOnlyFile(path.c_str()));
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(Marked());
}

TEST_P(MarkTest, RenameLinkAndTimesBreakTheMark) {
    Mark();
    LetClockMove();
    fs::rename(path, "db/other.kts");
    EXPECT_FALSE(platform::HasDatabaseMark("db/other.kts"));  // no companion under the new name
    fs::rename("db/other.kts", path);
    EXPECT_FALSE(Marked());  // the rename moved the status-change time

    Mark();
    LetClockMove();
    fs::create_hard_link(path, "db/link.kts");
    EXPECT_FALSE(Marked());

    Mark();
    LetClockMove();
    fs::last_write_time(path, fs::last_write_time(path));  // the same time set again
    EXPECT_FALSE(Marked());
}

TEST_P(MarkTest, EditedContentOrLostCompanionBreakTheMark) {
    Mark();
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    engine.WriteFile(path, "edited\n");
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(Marked());

    Mark();
    fs::remove("db/.mdlbase.kts.mark");
    EXPECT_FALSE(Marked());

    Mark();
    engine.WriteFile("db/.mdlbase.kts.mark", "kts-mark forged\n");
    EXPECT_FALSE(Marked());
}

TEST_P(MarkTest, MarkingAgainAfterARebuildReplacesTheCompanion) {
    Mark();
    fs::permissions("db/.mdlbase.kts.mark", fs::perms::owner_read);
    fs::remove(path);
    engine.WriteFile(path, "new\n");
    EXPECT_FALSE(Marked());
    Mark();
    EXPECT_FALSE(platform::SetDatabaseMark("db/missing.kts"));
    EXPECT_FALSE(platform::HasDatabaseMark("db/missing.kts"));
    EXPECT_FALSE(platform::IsReadOnlyFile("db/missing.kts"));
}

TEST_P(MarkTest, ADirectoryOrALinkIsNeverMarked) {
    fs::create_directory("db/folder.kts");
    EXPECT_FALSE(platform::SetDatabaseMark("db/folder.kts"));
    EXPECT_FALSE(platform::IsReadOnlyFile("db/folder.kts"));
    Mark();
    fs::create_symlink("mdlbase.kts", "db/link.kts");
    EXPECT_FALSE(platform::HasDatabaseMark("db/link.kts"));
}
#endif
