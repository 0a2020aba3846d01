#pragma once
// What every contact manager behind lookup::ContactManagerFactory must do, as the write-note run
// relies on it: one suite, run against each platform's implementation. A platform supplies a
// World type:
//
//   void setUp(const ContactScenario&);          the contact manager as the scenario says
//   lookup::ContactManagerFactory& factory();
//   std::u16string lookupFile() const;           where the lookup may be saved
//   std::vector<ContractNote> notes() const;     every note stored, oldest first
//   std::u16string identifier(int contact) const;   field 1 of contact 1, 2, … (its own form)
//
// and instantiates: INSTANTIATE_TYPED_TEST_SUITE_P(Name, ContactManagerContract, Types<World>).

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "lookup/contact_manager.h"
#include "util/failure.h"
#include "util/value.h"

namespace penwick::testing {

struct ContactScenario {
    int contacts = 4;                     // identifiers 1 … contacts
    std::vector<int> lookup = {3, 1, 4};  // the current lookup, in its order
    std::u16string user = u"Pat";         // the user logged into the contact manager
    // A database that asks for a login, with the one user it knows.
    std::optional<std::pair<std::u16string, std::u16string>> login;
};

struct ContractNote {
    std::u16string contact;  // its identifier
    std::int16_t type = 0;
    std::u16string text;
    std::optional<std::u16string> attachment;
    std::u16string date;
};

// A text box's stand-in: its text may change between two fields.
struct Box final : TextSource {
    explicit Box(std::u16string t) : value(std::move(t)) {}
    std::u16string text() const override { return value; }
    std::u16string value;
};

template <class World>
class ContactManagerContract : public ::testing::Test {
protected:
    // The program's connection on the database open in the contact manager, with the current
    // lookup loaded into it, as the write-note run makes it.
    std::unique_ptr<lookup::Database> openWithLookup() {
        app = world.factory().createApplication(lookup::kApplicationClass);
        app->SaveCurrentLookup(world.lookupFile());
        std::u16string path = app->GetOpenDBName();
        auto db = world.factory().createDatabase(lookup::kDatabaseClass);
        db->Open(path);
        db->Contact().Loadlookupquery(world.lookupFile());
        db->Contact().MoveFirst();
        return db;
    }
    std::vector<std::u16string> identifiers(lookup::Database& db) {
        std::vector<std::u16string> ids;
        while (!db.Contact().IsEOF() && ids.size() < 100) {
            ids.push_back(toText(db.Contact().Data(1)));
            db.Contact().movenext();
        }
        return ids;
    }

    World world;
    std::unique_ptr<lookup::Application> app;
};

TYPED_TEST_SUITE_P(ContactManagerContract);

TYPED_TEST_P(ContactManagerContract, TheSavedLookupReloadsIntoTheProgramsConnectionInItsOrder) {
    this->world.setUp({});
    auto db = this->openWithLookup();
    EXPECT_EQ(toInt32(db->Contact().recordCount(), u"recordCount"), 3);
    const auto& w = this->world;
    const std::vector<std::u16string> expected = {w.identifier(3), w.identifier(1),
                                                  w.identifier(4)};
    EXPECT_EQ(this->identifiers(*db), expected);
    db->Contact().MoveFirst();
    EXPECT_EQ(toText(db->Contact().Data(1)), w.identifier(3));
    EXPECT_EQ(this->app->GetCurrentUserName(), u"Pat");
    db->Close();
}

TYPED_TEST_P(ContactManagerContract, ALoginIsAskedOnlyWhereTheDatabaseKnowsUsers) {
    this->world.setUp({});
    auto open = this->openWithLookup();
    EXPECT_FALSE(toBool(open->IsMultiUser(), u""));
    std::u16string anyone = u"anyone", nothing;
    open->validateuserByRef(anyone, nothing);
    EXPECT_FALSE(toBool(open->Error(), u""));
    open->Close();

    this->world.setUp({.login = std::pair{u"Pat", u"pässwörd"}});
    auto guarded = this->openWithLookup();
    EXPECT_TRUE(toBool(guarded->IsMultiUser(), u""));
    guarded->validateuserByValue(std::u16string(u"Pat"), std::u16string(u"wrong"));
    EXPECT_TRUE(toBool(guarded->Error(), u""));
    std::u16string user = u"Pat", password = u"pässwörd";
    guarded->validateuserByRef(user, password);
    EXPECT_FALSE(toBool(guarded->Error(), u""));
    EXPECT_EQ(user, u"Pat");
    guarded->Close();
}

TYPED_TEST_P(ContactManagerContract,
             ANoteGoesToTheContactLookupMadeCurrentWithTheBoxesTextsAtTheTime) {
    this->world.setUp({});
    auto db = this->openWithLookup();
    std::u16string id = this->world.identifier(4);
    db->Contact().Lookup(1, id, 1);
    EXPECT_EQ(id, this->world.identifier(4));

    Box text(u"first draft"), file(u"C:\\Docs\\offer.txt"), date(u"12/6/2026");
    db->NOTEHISTORY().Add();
    db->NOTEHISTORY().Data(29, lookup::Argument(id));
    db->NOTEHISTORY().Data(25, lookup::Argument(std::int16_t{101}));
    text.value = u"Offer sent";  // the text at the time the field is written counts
    db->NOTEHISTORY().Data(26, lookup::Argument(std::cref<TextSource>(text)));
    db->NOTEHISTORY().Data(28, lookup::Argument(std::cref<TextSource>(file)));
    db->NOTEHISTORY().Data(200, lookup::Argument(std::cref<TextSource>(date)));
    db->NOTEHISTORY().Update();

    // A second record, without attachment, for another contact.
    id = this->world.identifier(3);
    db->Contact().Lookup(1, id, 1);
    db->NOTEHISTORY().Add();
    db->NOTEHISTORY().Data(29, lookup::Argument(id));
    db->NOTEHISTORY().Data(26, lookup::Argument(std::cref<TextSource>(text)));
    db->NOTEHISTORY().Data(25, lookup::Argument(std::int16_t{102}));
    db->NOTEHISTORY().Data(200, lookup::Argument(std::cref<TextSource>(date)));
    db->NOTEHISTORY().Update();
    db->Close();

    const auto notes = this->world.notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].contact, this->world.identifier(4));
    EXPECT_EQ(notes[0].type, 101);
    EXPECT_EQ(notes[0].text, u"Offer sent");
    EXPECT_EQ(notes[0].attachment, std::optional<std::u16string>(u"C:\\Docs\\offer.txt"));
    EXPECT_EQ(notes[0].date, u"12/6/2026");
    EXPECT_EQ(notes[1].contact, this->world.identifier(3));
    EXPECT_EQ(notes[1].type, 102);
    EXPECT_FALSE(notes[1].attachment.has_value());
}

TYPED_TEST_P(ContactManagerContract, AClassThatIsNotThereCannotBeCreated) {
    this->world.setUp({});
    try {
        this->world.factory().createDatabase(u"ACTOLE.NOSUCHCLASS");
        ADD_FAILURE() << "created";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), err::CannotCreateObject);
    }
}

REGISTER_TYPED_TEST_SUITE_P(ContactManagerContract,
                            TheSavedLookupReloadsIntoTheProgramsConnectionInItsOrder,
                            ALoginIsAskedOnlyWhereTheDatabaseKnowsUsers,
                            ANoteGoesToTheContactLookupMadeCurrentWithTheBoxesTextsAtTheTime,
                            AClassThatIsNotThereCannotBeCreated);

}  // namespace penwick::testing
