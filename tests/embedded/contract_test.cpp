// The contact-manager contract against the embedded contact manager on real SQLite files.

#include "contract/contact_manager_contract.h"
#include "embedded/contact_id.h"
#include "embedded_support.h"
#include "util/text.h"

namespace penwick::testing {
namespace {

struct EmbeddedWorld {
    void setUp(const ContactScenario& s) {
        // A database of its own per scenario, as another database file would be.
        database = makeDatabase(folder.file("contacts" + std::to_string(++made) + ".pwdb"),
                                static_cast<std::size_t>(s.contacts));
        if (s.login)
            embedded::Store(database).addUser(toUtf8(s.login->first), toUtf8(s.login->second));
        embedded::LookupQuery lookup{embedded::LookupQuery::Kind::Ids, {}, {}};
        for (int id : s.lookup) lookup.ids.push_back(id);
        embedded::writeSession(session, {database, toUtf8(s.user), lookup});
    }
    lookup::ContactManagerFactory& factory() { return *contacts; }
    std::u16string identifier(std::int64_t contact) const {
        return fromUtf8(embedded::formatContactId(contact));
    }
    std::u16string lookupFile() const { return fromUtf8(folder.file("lkup.dat")); }
    std::vector<ContractNote> notes() const {
        std::vector<ContractNote> notes;
        for (const auto& n : notesOf(database)) {
            ContractNote c{identifier(n.contact),
                           n.record.typeCode,
                           fromUtf8(n.record.text),
                           {},
                           fromUtf8(n.record.dateText)};
            if (n.record.attachment) c.attachment = fromUtf8(*n.record.attachment);
            notes.push_back(c);
        }
        return notes;
    }

    TempFolder folder;
    std::string session = folder.file("session.ini");
    FakeLocale locale;
    std::unique_ptr<lookup::ContactManagerFactory> contacts =
        embedded::makeContactManagerFactory(locale, session);
    std::string database;
    int made = 0;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Embedded, ContactManagerContract, ::testing::Types<EmbeddedWorld>);

}  // namespace
}  // namespace penwick::testing
