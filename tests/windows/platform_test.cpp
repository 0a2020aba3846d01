#include "windows/win_platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "util/failure.h"
#include "windows/wide.h"

namespace penwick::windows {
namespace {

namespace fs = std::filesystem;

class WinPlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("penwick-platform-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override {
        for (const auto& e : fs::recursive_directory_iterator(root_))
            SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(root_);
    }
    void touch(const fs::path& name, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        std::ofstream(root_ / name) << "x";
        SetFileAttributesW((root_ / name).c_str(), attributes);
    }
    std::u16string find(const std::wstring& pattern) const {
        return platform_.findFirstFile(narrowToU16((root_ / pattern).wstring()));
    }
    fs::path root_;
    WinPlatform platform_;
};

TEST_F(WinPlatformTest, SearchFindsOrdinaryFilesOnly) {
    fs::create_directory(root_ / "folder.txt");
    touch("hidden.txt", FILE_ATTRIBUTE_HIDDEN);
    touch("system.txt", FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(find(L"*.txt"), u"") << "a folder, a hidden and a system file are no matches";
    EXPECT_EQ(find(L"hidden.txt"), u"") << "hidden even when named exactly";
    EXPECT_EQ(find(L"nothing.*"), u"");
    touch("Offer.txt", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(find(L"*.txt"), u"Offer.txt") << "read-only is still an ordinary file";
    EXPECT_EQ(find(L"offer.TXT"), u"Offer.txt") << "Windows names match without regard to case";
    EXPECT_EQ(find(L"Off?r.txt"), u"Offer.txt");
}

TEST_F(WinPlatformTest, SearchInAMissingFolderIsAFailure) {
    try {
        find(L"missing\\*.txt");
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::PathNotFound);
    }
}

TEST_F(WinPlatformTest, AHeldFileKeepsAnyOtherHoldOutButNotItsWriters) {
    const std::u16string lookup = narrowToU16((root_ / L"lkup.dat").wstring());
    {
        auto hold = platform_.holdFile(lookup);
        ASSERT_NE(hold, nullptr);
        EXPECT_EQ(platform_.holdFile(lookup), nullptr) << "one hold at a time";
        // The contact manager still writes the lookup file itself while it is held.
        std::ofstream(root_ / L"lkup.dat") << "lookup";
        EXPECT_TRUE(fs::exists(root_ / L"lkup.dat"));
    }
    EXPECT_NE(platform_.holdFile(lookup), nullptr) << "free again once let go";
    try {
        platform_.holdFile(narrowToU16((root_ / L"missing" / L"lkup.dat").wstring()));
        FAIL() << "no failure for a lock file that cannot be made";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::PathNotFound);
    }
}

TEST_F(WinPlatformTest, KnowsItsFolders) {
    const std::u16string program = platform_.programFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_NE(program.back(), u'\\');
    EXPECT_EQ(platform_.findFirstFile(program + u"\\penwick_windows_tests.exe"),
              u"penwick_windows_tests.exe");

    SetCurrentDirectoryW(root_.c_str());
    EXPECT_EQ(fs::path(wide(platform_.currentFolder())), root_);

    const std::u16string data = narrowToU16((root_ / "a" / "b" / "penwick").wstring());
    WinPlatform withData(data);
    EXPECT_EQ(withData.userDataFolder(), data);
    EXPECT_TRUE(fs::is_directory(wide(data))) << "created with the folders above it";
    EXPECT_TRUE(withData.canWriteInFolder(data));
    EXPECT_FALSE(withData.canWriteInFolder(data + u"\\missing"));
    EXPECT_TRUE(fs::is_empty(wide(data))) << "the probe leaves nothing behind";
    SetCurrentDirectoryW(fs::temp_directory_path().c_str());

    const std::u16string standard = platform_.userDataFolder();
    EXPECT_GE(standard.size(), 8u);
    EXPECT_EQ(standard.substr(standard.size() - 8), u"\\penwick");
}

}  // namespace
}  // namespace penwick::windows
