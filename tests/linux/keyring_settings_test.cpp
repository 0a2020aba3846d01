// Where the remembered password goes with a keyring that answers and with none, and how one
// left in the settings file moves into the keyring.

#include "linux/keyring_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>

namespace penwick::linux_platform {
namespace {

namespace fs = std::filesystem;

struct FakeKeyring final : Keyring {
    Answer read(const std::string& name, std::u16string& secret) override {
        if (!answers) return Answer::NoKeyring;
        const auto found = secrets.find(name);
        if (found == secrets.end()) return Answer::NotFound;
        secret = found->second;
        return Answer::Done;
    }
    Answer write(const std::string& name, std::u16string_view secret) override {
        if (!answers) return Answer::NoKeyring;
        secrets[name] = secret;
        return Answer::Done;
    }
    Answer remove(const std::string& name) override {
        if (!answers) return Answer::NoKeyring;
        return secrets.erase(name) ? Answer::Done : Answer::NotFound;
    }
    bool answers = true;
    std::map<std::string, std::u16string> secrets;
};

TEST(KeyringSettings, ThePasswordGoesWhereAKeyringAnswersAndNeverStaysStale) {
    const std::u16string db = u"db";
    const struct {
        const char* what;
        std::optional<std::u16string> inKeyring, inFile;  // before
        bool answers;
        std::u16string read;  // what get gives
        std::optional<std::u16string> keyringAfter, fileAfter;
    } cases[] = {
        {"moved from the file", std::nullopt, u"old", true, u"old", u"old", std::nullopt},
        {"the file's is newer", u"stale", u"new", true, u"new", u"new", std::nullopt},
        {"a failed login emptied it", u"stale", u"", true, u"", std::nullopt, std::nullopt},
        {"only in the keyring", u"kept", std::nullopt, true, u"kept", u"kept", std::nullopt},
        {"no keyring answers", u"kept", u"file", false, u"file", u"kept", u"file"},
        {"nowhere", std::nullopt, std::nullopt, true, u"default", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string folder = (fs::temp_directory_path() / "penwick-keyring-XXXXXX").string();
        ASSERT_NE(mkdtemp(folder.data()), nullptr);
        IniSettings file(folder);
        FakeKeyring keyring;
        if (c.inKeyring) keyring.secrets["db"] = *c.inKeyring;
        if (c.inFile) file.save(kSettingsApp, db, u"SYS", *c.inFile);
        keyring.answers = c.answers;
        KeyringSettings settings(file, keyring);
        EXPECT_EQ(settings.get(kSettingsApp, db, u"SYS", u"default"), c.read);
        const auto inKeyring = keyring.secrets.find("db");
        EXPECT_EQ(
            inKeyring == keyring.secrets.end() ? std::nullopt : std::optional(inKeyring->second),
            c.keyringAfter);
        EXPECT_EQ(file.find(kSettingsApp, db, u"SYS"), c.fileAfter);
        fs::remove_all(folder);
    }
}

TEST(KeyringSettings, ALoginSavesThePasswordToTheKeyringAndTheUserToTheFile) {
    std::string folder = (fs::temp_directory_path() / "penwick-keyring-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    IniSettings file(folder);
    FakeKeyring keyring;
    KeyringSettings settings(file, keyring);
    const std::u16string scrambled(u"\0\x7F\xFF\xD800", 4);
    settings.save(kSettingsApp, u"db", u"USER", u"Chris");
    settings.save(kSettingsApp, u"db", u"SYS", scrambled);
    settings.save(u"other", u"db", u"SYS", u"not a password of ours");
    EXPECT_EQ(keyring.secrets.at("db"), scrambled);
    EXPECT_EQ(file.find(kSettingsApp, u"db", u"SYS"), std::nullopt);
    EXPECT_EQ(file.get(kSettingsApp, u"db", u"USER", {}), u"Chris");
    EXPECT_EQ(file.get(u"other", u"db", u"SYS", {}), u"not a password of ours");
    EXPECT_EQ(settings.get(kSettingsApp, u"db", u"SYS", {}), scrambled);

    // A failed login empties it; without a keyring the file takes it as before.
    settings.save(kSettingsApp, u"db", u"SYS", u"");
    EXPECT_TRUE(keyring.secrets.empty());
    keyring.answers = false;
    settings.save(kSettingsApp, u"db", u"SYS", u"in the file");
    EXPECT_EQ(file.find(kSettingsApp, u"db", u"SYS"), u"in the file");
    fs::remove_all(folder);
}

}  // namespace
}  // namespace penwick::linux_platform
