#include "linux/linux_platform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "util/failure.h"
#include "util/text.h"

namespace penwick::linux_platform {
namespace {

namespace fs = std::filesystem;

class LinuxPlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "penwick-platform-XXXXXX").string();
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        root_ = templ;
    }
    void TearDown() override {
        for (const auto& e : fs::recursive_directory_iterator(root_))
            if (e.is_directory())
                fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(root_);
    }
    void touch(const fs::path& p) { std::ofstream(root_ / p) << "x"; }
    std::u16string find(const std::string& pattern) const {
        return platform_.findFirstFile(fromUtf8((root_ / pattern).string()));
    }
    fs::path root_;
    LinuxPlatform platform_{"/nonexistent"};
};

TEST_F(LinuxPlatformTest, SearchFindsOrdinaryFilesOnly) {
    fs::create_directory(root_ / "folder.txt");
    touch(".hidden.txt");
    EXPECT_EQ(find("*.txt"), u"") << "a folder and a hidden file are no matches";
    EXPECT_EQ(find("folder.txt"), u"");
    EXPECT_EQ(find(".hidden.txt"), u"") << "hidden even when named exactly";
    touch("offer.txt");
    EXPECT_EQ(find("*.txt"), u"offer.txt");
    EXPECT_EQ(find("offer.txt"), u"offer.txt");
    EXPECT_EQ(find("Offer.txt"), u"") << "names are compared case for case";
}

TEST_F(LinuxPlatformTest, SearchFollowsSymbolicLinksToFiles) {
    touch("real.txt");
    fs::create_symlink(root_ / "real.txt", root_ / "link.txt");
    fs::create_symlink(root_ / "gone", root_ / "dangling.txt");
    fs::create_directory(root_ / "dir");
    fs::create_symlink(root_ / "dir", root_ / "dirlink.txt");
    EXPECT_EQ(find("link.txt"), u"link.txt");
    EXPECT_EQ(find("dangling.txt"), u"");
    EXPECT_EQ(find("dirlink.txt"), u"");
}

TEST_F(LinuxPlatformTest, WildcardsMatchWholeNames) {
    touch("note1.doc");
    touch("note22.doc");
    touch("README");
    EXPECT_EQ(find("note?.doc"), u"note1.doc");
    EXPECT_EQ(find("note??.doc"), u"note22.doc");
    EXPECT_EQ(find("note???.doc"), u"");
    EXPECT_EQ(find("*2.doc"), u"note22.doc");
    EXPECT_EQ(find("*"), u"README") << "the first name in code order";
    EXPECT_EQ(find("*.*"), u"note1.doc") << "a name without a dot has no '.' to match";
    EXPECT_EQ(find("n*e*.d?c"), u"note1.doc");
    EXPECT_EQ(find("note"), u"");
}

TEST(Wildcards, MatchesLikeTheDirectorySearch) {
    EXPECT_TRUE(matchesWildcards(u"", u""));
    EXPECT_FALSE(matchesWildcards(u"", u"a"));
    EXPECT_TRUE(matchesWildcards(u"*", u""));
    EXPECT_TRUE(matchesWildcards(u"a*b*c", u"aXbYbZc"));
    EXPECT_FALSE(matchesWildcards(u"a*b*c", u"aXbYbZ"));
    EXPECT_FALSE(matchesWildcards(u"?", u""));
    EXPECT_TRUE(matchesWildcards(u"*?", u"x"));
    EXPECT_TRUE(matchesWildcards(u"[ab]", u"[ab]")) << "brackets are plain characters";
    EXPECT_TRUE(matchesWildcards(u"*a*a*a*a*a*a*b", std::u16string(60, u'a') + u"b"));
}

TEST_F(LinuxPlatformTest, UnreadableOrMissingFolderIsAFailure) {
    try {
        find("missing/*.txt");
        ADD_FAILURE() << "no failure for a missing folder";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::PathNotFound);
    }
    if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    fs::create_directory(root_ / "locked");
    touch("locked/a.txt");
    fs::permissions(root_ / "locked", fs::perms::none);
    try {
        find("locked/*.txt");
        ADD_FAILURE() << "no failure for an unreadable folder";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::PermissionDenied);
    }
}

TEST_F(LinuxPlatformTest, PatternWithoutFolderSearchesTheCurrentOne) {
    touch("here.txt");
    const fs::path old = fs::current_path();
    fs::current_path(root_);
    EXPECT_EQ(platform_.findFirstFile(u"here.*"), u"here.txt");
    EXPECT_EQ(platform_.currentFolder(), fromUtf8(fs::canonical(root_).string()));
    fs::current_path(old);
}

TEST_F(LinuxPlatformTest, FoldersOfTheProgramAndTheUser) {
    const std::u16string program = platform_.programFolder();
    EXPECT_EQ(program, fromUtf8(fs::canonical("/proc/self/exe").parent_path().string()));
    EXPECT_NE(program.back(), u'/');

    LinuxPlatform withData((root_ / "a" / "penwick").string());
    const std::u16string data = withData.userDataFolder();
    EXPECT_EQ(data, fromUtf8((root_ / "a" / "penwick").string()));
    EXPECT_TRUE(fs::is_directory(root_ / "a" / "penwick")) << "created on demand";
    EXPECT_TRUE(withData.canWriteInFolder(data));
    EXPECT_FALSE(withData.canWriteInFolder(fromUtf8((root_ / "nowhere").string())));
    EXPECT_EQ(
        std::distance(fs::directory_iterator(root_ / "a" / "penwick"), fs::directory_iterator{}), 0)
        << "the write probe leaves nothing behind";
}

}  // namespace
}  // namespace penwick::linux_platform

namespace penwick::linux_platform {
namespace {

// A hold on a file keeps other processes out of it until it is let go, without locking the
// file itself: another program can still replace it meanwhile.
TEST_F(LinuxPlatformTest, AHeldFileKeepsOtherProcessesOutUntilLetGo) {
    const std::u16string file = fromUtf8((root_ / "lkup.dat").string());
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        LinuxPlatform platform(root_.string());
        auto hold = platform.holdFile(file);
        char c = hold ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        (void)!read(done[0], &c, 1);  // holds until the parent says
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_EQ(platform_.holdFile(file), nullptr) << "held by the other process";
    std::ofstream(root_ / "lkup.dat") << "written meanwhile";  // the file itself stays free
    EXPECT_TRUE(std::ifstream(root_ / "lkup.dat").good());
    ASSERT_EQ(write(done[1], "x", 1), 1);
    int status = 0;
    waitpid(child, &status, 0);

    auto hold = platform_.holdFile(file);
    EXPECT_NE(hold, nullptr) << "free again once the other process let go";
    EXPECT_EQ(platform_.holdFile(file), nullptr) << "one hold at a time, in one process too";
    struct stat info {};
    ASSERT_EQ(stat((root_ / "lkup.dat.lock").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
}

}  // namespace
}  // namespace penwick::linux_platform
