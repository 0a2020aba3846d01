// How a password left in the settings file moves into the keyring, and which copy wins. Saving
// with and without a keyring is tested on GNOME Keyring itself (tests/keyring).

#include "linux/keyring_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>

namespace penwick::linux_platform {
namespace {

namespace fs = std::filesystem;

// One secret: the tests' only section names it (the real keyring's test checks the names).
struct FakeKeyring final : Keyring {
    Answer read(const std::string&, std::u16string& out) override {
        if (!answers) return Answer::NoKeyring;
        if (secret) out = *secret;
        return secret ? Answer::Done : Answer::NotFound;
    }
    Answer write(const std::string&, std::u16string_view s) override { return set(s); }
    Answer remove(const std::string&) override { return set(std::nullopt); }
    Answer set(std::optional<std::u16string_view> s) {
        if (answers) secret = s;
        return answers ? Answer::Done : Answer::NoKeyring;
    }
    bool answers = true;
    std::optional<std::u16string> secret;
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
        keyring.secret = c.inKeyring;
        if (c.inFile) file.save(kSettingsApp, db, u"SYS", *c.inFile);
        keyring.answers = c.answers;
        KeyringSettings settings(file, keyring);
        EXPECT_EQ(settings.get(kSettingsApp, db, u"SYS", u"default"), c.read);
        EXPECT_EQ(keyring.secret, c.keyringAfter);
        EXPECT_EQ(file.find(kSettingsApp, db, u"SYS"), c.fileAfter);
        fs::remove_all(folder);
    }
}

}  // namespace
}  // namespace penwick::linux_platform
