// The late-bound layer against the test servers, in process and out of process: what arrives
// at the object (types, order, by-reference write-backs, named and omitted arguments), what
// comes back, and how failures read.

#include <gtest/gtest.h>

#include "com/object.h"
#include "com/word_interfaces.h"
#include "server_setup.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

using com::Argument;
using com::Object;

class Automation : public ::testing::TestWithParam<Flavour> {
protected:
    Automation() : servers(GetParam()) {
        servers.configure({u"database C:\\data\\Contacts.dbf", u"user Pat", u"login Pat secret",
                           u"contact 7", u"contact 9", u"lookup 9 7", u"misspelled teh the ten"});
    }
    // The failure a call raises.
    template <class F>
    Failure failureOf(F&& f) {
        try {
            f();
        } catch (const Failure& e) {
            return e;
        }
        ADD_FAILURE() << "no failure raised";
        return Failure(0, {}, {});
    }

    ServerSetup servers;
};

TEST_P(Automation, ArgumentsArriveInOrderWithTheirTypesAndByReferenceTextComesBack) {
    Object db = Object::create(u"ACTOLE.DATABASE");
    std::u16string path = u"C:\\data\\Contacts.dbf";
    db.call(u"Open", {Argument::textByRef(path)});
    std::u16string user = u"pat";  // the database hands back its own spelling
    std::u16string password = u"secret";
    db.call(u"validateuser", {Argument::textByRef(user), Argument::textByRef(password)});
    std::int16_t field = 1;
    db.callObject(u"Contact")
        .call(u"Lookup", {Argument::int16ByRef(field), Argument::text(u"7"), Argument::int16(1)});

    EXPECT_EQ(user, u"Pat");
    EXPECT_EQ(password, u"secret");
    EXPECT_EQ(field, 1);
    const std::vector<std::u16string> expected = {
        u"new ACTOLE.DATABASE",
        u"DATABASE.Open(BSTR& \"C:\\data\\Contacts.dbf\")",
        u"DATABASE.validateuser(BSTR& \"pat\", BSTR& \"secret\") [1 -> \"Pat\"]",
        u"DATABASE.Contact()",
        u"Contact.Lookup(I2& 1, BSTR \"7\", I2 1)",
    };
    EXPECT_EQ(servers.calls(), expected);
}

TEST_P(Automation, PropertyWritesNamedAndOmittedArgumentsAndObjectsAsArguments) {
    Object word = Object::create(u"word.application");
    word.put(u"Visible", Argument::boolean(false));
    word.put(u"WindowState", Argument::int32(2));
    {
        // Word's sub-objects through their published interfaces.
        Object doc =
            word.callObject(u"Documents").callObject(u"Add").as(com::word::kDocument, u"Document");
        doc.callObject(u"Range", {Argument::omitted(), Argument::omitted()})
            .as(com::word::kRange, u"Range")
            .put(u"Text", Argument::text(u"teh"));
        Object errors = doc.callObject(u"SpellingErrors");
        Object first = errors.callObject(u"Item", {Argument::int32(1)});
        Object list = word.callObject(u"GetSpellingSuggestions", {Argument::object(first.get())});
        EXPECT_EQ(toText(list.callObject(u"Item", {Argument::int32(2)}).call(u"Name").toValue(u"")),
                  u"ten");
        doc.call(u"Close", {Argument::int32(0), Argument::omitted(), Argument::omitted()});
    }
    word.call(u"Quit", {Argument::int32(0).named(u"savechanges")});

    const auto calls = servers.calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[1], u"Word.Application.Visible=(BOOL False)");
    EXPECT_EQ(calls[2], u"Word.Application.WindowState=(I4 2)");
    EXPECT_EQ(calls.back(), u"Word.Application.Quit(SaveChanges:=I4 0)");
    {
        EXPECT_EQ(calls[5], u"Document.Range(missing, missing)");
        EXPECT_EQ(calls[6], u"Range.Text=(BSTR \"teh\")");
        EXPECT_EQ(calls[9], u"Word.Application.GetSpellingSuggestions(DISPATCH)");
        EXPECT_EQ(calls[12], u"Document.Close(I4 0, missing, missing)");
    }
}

TEST_P(Automation, ResultsFollowTheClassicRulesAndEachNameIsLookedUpOncePerObject) {
    Object db = Object::create(u"ACTOLE.DATABASE");
    std::u16string path = u"C:\\data\\Contacts.dbf";
    db.call(u"Open", {Argument::textByRef(path)});
    // No value before a login was tried: false as a boolean.
    EXPECT_EQ(db.call(u"Error").toValue(u"Error"), Value{});
    EXPECT_EQ(db.call(u"IsMultiUser").toValue(u""), Value{true});

    Object app = Object::create(u"ACTOLE.APPOBJECT");
    app.call(u"SaveCurrentLookup", {Argument::text(servers.path(u"lkup.dat"))});
    db.callObject(u"Contact").call(u"Loadlookupquery", {Argument::text(servers.path(u"lkup.dat"))});
    EXPECT_EQ(db.callObject(u"Contact").call(u"recordCount").toValue(u""), Value{std::int32_t{2}});
    std::vector<std::u16string> ids;
    while (!toBool(db.callObject(u"Contact").call(u"IsEOF").toValue(u""), u"")) {
        ids.push_back(
            toText(db.callObject(u"Contact").call(u"Data", {Argument::int16(1)}).toValue(u"")));
        db.callObject(u"Contact").call(u"movenext");
    }
    EXPECT_EQ(ids, (std::vector<std::u16string>{u"9", u"7"}));
    EXPECT_EQ(toText(app.call(u"GetCurrentUserName").toValue(u"")), u"Pat");

    const auto names = servers.nameLookups();
    EXPECT_EQ(std::count(names.begin(), names.end(), u"DATABASE.Contact"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), u"Contact.IsEOF"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), u"Contact.Data"), 1);
}

TEST_P(Automation, FailuresCarryTheClassicNumbersOrTheObjectsOwn) {
    Failure missing = failureOf([] { Object::create(u"PenwickTest.NoSuchClass"); });
    EXPECT_EQ(missing.number(), 429);
    EXPECT_EQ(missing.description(), u"ActiveX component can't create object");
    EXPECT_EQ(missing.source(), u"PenwickTest.NoSuchClass");

    Object app = Object::create(u"ACTOLE.APPOBJECT");
    Failure unknown = failureOf([&] { app.call(u"SaveLookup"); });
    EXPECT_EQ(unknown.number(), 438);
    EXPECT_EQ(unknown.description(), u"Object doesn't support this property or method");

    Object db = Object::create(u"ACTOLE.DATABASE");
    std::u16string wrong = u"C:\\other.dbf";
    Failure raised = failureOf([&] { db.call(u"Open", {Argument::textByRef(wrong)}); });
    EXPECT_EQ(raised.number(), static_cast<int>(E_FAIL));
    EXPECT_EQ(raised.description(), u"No such database: C:\\other.dbf");
    EXPECT_EQ(raised.source(), u"DATABASE");
}

TEST_P(Automation, AnErrorWithADeferredDescriptionIsFilledInOnlyInProcess) {
    servers.configure({u"fail SaveCurrentLookup 1001 deferred", u"fail GetOpenDBName 0x800A01AD"});
    Object app = Object::create(u"ACTOLE.APPOBJECT");
    Failure deferred = failureOf([&] { app.call(u"SaveCurrentLookup", {Argument::text(u"x")}); });
    EXPECT_EQ(deferred.number(), 1001);
    // Another process's fill-in function cannot be called from here: the standard wording.
    EXPECT_EQ(deferred.description(),
              GetParam() == Flavour::InProcess ? u"Filled in later" : standardDescription(1001));
    // A Visual Basic server's own number travels inside FACILITY_CONTROL.
    Failure control = failureOf([&] { app.call(u"GetOpenDBName"); });
    EXPECT_EQ(control.number(), 429);
    EXPECT_EQ(control.description(), u"Refused by the test");
}

INSTANTIATE_TEST_SUITE_P(, Automation, ::testing::Values(Flavour::InProcess, Flavour::Local),
                         [](const auto& info) {
                             return info.param == Flavour::InProcess ? "InProcess" : "Local";
                         });

}  // namespace
}  // namespace penwick::testing
