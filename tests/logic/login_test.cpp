// The login routine on its own: when it asks, what it stores, and the flag that spares the
// user a second login in one program run.

#include <gtest/gtest.h>

#include "lookup/login.h"
#include "lookup/scramble.h"
#include "lookup/validate_user_form.h"
#include "support/app_harness.h"
#include "support/memory_contacts.h"

namespace penwick::testing {
namespace {

struct Login : ::testing::Test {
    MemoryContactManager contacts;
    AppHarness h{&contacts};
    std::unique_ptr<lookup::Database> database;
    std::u16string path;

    Login() {
        h.start();
        contacts.multiUser = true;
        contacts.passwords[u"Kim"] = u"pässwörd€";
        path = contacts.databasePath;
        database = contacts.createDatabase(lookup::kDatabaseClass);
    }
    bool& validated() { return h.app->state().LoginValidated; }
    bool check(std::u16string& userName) {
        const lookup::LoginParts login{.dialog = h.app->frmValidateUser(),
                                       .settings = h.settings,
                                       .codePage = h.codePage,
                                       .loginValidated = validated()};
        return lookup::CheckDatabaseLogin(login, *database, path, userName);
    }
    std::u16string stored(std::u16string_view key) {
        return h.settings.get(u"penwick", u"Sales.dbf", key, u"(none)");
    }
    // The last validateuser call the database saw.
    std::string lastLogin() const {
        std::string last;
        for (const std::string& c : contacts.calls())
            if (c.starts_with("Database.validateuser")) last = c;
        return last;
    }
};

TEST_F(Login, ADatabaseWithoutLoginsNeedsNoneAndClearsTheFlag) {
    contacts.multiUser = false;
    validated() = true;
    std::u16string user = u"Kim";
    EXPECT_TRUE(check(user));
    EXPECT_FALSE(validated());
    EXPECT_TRUE(h.settings.writes().empty());
    EXPECT_EQ(h.ui.find("frmValidateUser"), nullptr) << "the dialog was loaded";
    EXPECT_EQ(lastLogin(), "");
}

TEST_F(Login, AcceptedCredentialsAreStoredScrambledAndSetTheFlag) {
    h.answerLogin(u"Kim", u"pässwörd€");
    std::u16string user = u"Pat";
    EXPECT_TRUE(check(user));
    EXPECT_TRUE(validated());
    EXPECT_EQ(user, u"Kim");
    EXPECT_EQ(lastLogin(), R"(Database.validateuser(text "Kim", text "pässwörd€"))");
    EXPECT_EQ(stored(u"USER"), u"Kim");
    EXPECT_NE(stored(u"SYS"), u"pässwörd€");
    EXPECT_EQ(lookup::ScrambleText(stored(u"SYS"), lookup::kScrambleKey, h.codePage), u"pässwörd€");
    EXPECT_EQ(h.ui.find("frmValidateUser"), nullptr) << "the dialog stays loaded";
}

TEST_F(Login, RefusedCredentialsKeepTheUserAndClearThePassword) {
    validated() = false;
    h.answerLogin(u"Kim", u"wrong");
    std::u16string user = u"Pat";
    EXPECT_FALSE(check(user));
    EXPECT_FALSE(validated());
    EXPECT_EQ(stored(u"USER"), u"Kim");
    EXPECT_EQ(stored(u"SYS"), u"");
    // What was typed is stored before the database judges it.
    ASSERT_EQ(h.settings.writes().size(), 4u);
    EXPECT_NE(h.settings.writes()[1], u"Sales.dbf/SYS=");
}

TEST_F(Login, AfterASuccessTheDialogStaysAwayAndNoPasswordIsTried) {
    h.settings.save(u"penwick", u"Sales.dbf", u"SYS", u"old");
    validated() = true;
    std::u16string user = u"Kim";
    EXPECT_FALSE(check(user));  // Kim's password is not empty; no answer queued for a dialog
    EXPECT_EQ(lastLogin(), R"(Database.validateuser(text "Kim", text ""))");
    EXPECT_EQ(stored(u"SYS"), u"");
    EXPECT_FALSE(validated());

    contacts.passwords[u"Lee"] = u"";
    validated() = true;
    user = u"Lee";
    EXPECT_TRUE(check(user));
    EXPECT_TRUE(validated());
    EXPECT_EQ(user, u"Lee");
}

TEST_F(Login, TheCloseBoxGivesAnEmptyUserAndPassword) {
    h.answerLogin(u"Kim", u"pässwörd€", "");  // typed, then the frame's close box
    std::u16string user = u"Pat";
    EXPECT_FALSE(check(user));
    EXPECT_EQ(user, u"");
    EXPECT_EQ(lastLogin(), R"(Database.validateuser(text "", text ""))");
    EXPECT_EQ(stored(u"USER"), u"");
    EXPECT_FALSE(validated());
}

}  // namespace
}  // namespace penwick::testing
