// The desktop keyring through QtKeychain, as the settings use it: run by ctest once with GNOME
// Keyring unlocked in a D-Bus session of its own (with-keyring.sh) and once with no session
// bus at all. PENWICK_KEYRING says which; without it the test fails rather than skip.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "keyring/qt_keychain.h"
#include "linux/keyring_settings.h"

namespace penwick::keyring {
namespace {

namespace fs = std::filesystem;
using Answer = linux_platform::Keyring::Answer;

class RealKeyring : public ::testing::Test {
protected:
    void SetUp() override {
        const char* expected = std::getenv("PENWICK_KEYRING");
        ASSERT_NE(expected, nullptr) << "PENWICK_KEYRING must say unlocked or none";
        unlocked_ = std::string(expected) == "unlocked";
        std::string templ = (fs::temp_directory_path() / "penwick-keyring-XXXXXX").string();
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        folder_ = templ;
    }
    void TearDown() override { fs::remove_all(folder_); }

    bool unlocked_ = false;
    fs::path folder_;
    const std::u16string db_ = u"/home/chris/team.pwdb";
};

TEST_F(RealKeyring, ThePasswordLeavesTheFileWhenTheKeyringAnswers) {
    // Every code unit a scramble can give, NUL and a lone surrogate among them.
    const std::u16string scrambled(u"\0\x01\x7F\xE9\xFF\xD800z", 7);
    {
        linux_platform::IniSettings file(folder_.string());
        file.save(kSettingsApp, db_, u"USER", u"Chris");
        file.save(kSettingsApp, db_, u"SYS", scrambled);  // remembered before the keyring
        QtKeychain keyring(QStringLiteral("penwick-test"));
        linux_platform::KeyringSettings settings(file, keyring);
        EXPECT_EQ(settings.get(kSettingsApp, db_, u"SYS", {}), scrambled);
        EXPECT_EQ(file.find(kSettingsApp, db_, u"SYS").has_value(), !unlocked_);
        EXPECT_EQ(file.get(kSettingsApp, db_, u"USER", {}), u"Chris");
    }
    // The next run finds it, wherever it is.
    linux_platform::IniSettings file(folder_.string());
    QtKeychain keyring(QStringLiteral("penwick-test"));
    linux_platform::KeyringSettings settings(file, keyring);
    EXPECT_EQ(settings.get(kSettingsApp, db_, u"SYS", {}), scrambled);
    std::u16string secret;
    EXPECT_EQ(keyring.read("/home/chris/team.pwdb", secret),
              unlocked_ ? Answer::Done : Answer::NoKeyring);
    EXPECT_EQ(secret, unlocked_ ? scrambled : u"");

    // A failed login empties it, in the keyring as in the file.
    settings.save(kSettingsApp, db_, u"SYS", u"");
    EXPECT_EQ(settings.get(kSettingsApp, db_, u"SYS", u"none"), unlocked_ ? u"none" : u"");
    EXPECT_EQ(keyring.read("/home/chris/team.pwdb", secret),
              unlocked_ ? Answer::NotFound : Answer::NoKeyring);
}

}  // namespace
}  // namespace penwick::keyring

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
