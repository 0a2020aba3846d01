#pragma once
// The embedded contact manager as the contact-manager contract's world, on databases that
// `Databases` makes: files in a scratch folder, or databases on a PostgreSQL server.
//
//   struct Databases { std::string fresh(const TempFolder&); };   a name no database has yet

#include <string>
#include <vector>

#include "contract/contact_manager_contract.h"
#include "contacts/contact_id.h"
#include "contacts/store.h"
#include "embedded_support.h"
#include "util/text.h"

namespace penwick::testing {

template <class Databases>
struct EmbeddedWorldOn {
    void setUp(const ContactScenario& s) {
        // A database of its own per scenario.
        database = makeDatabase(databases.fresh(folder), static_cast<std::size_t>(s.contacts));
        if (s.login)
            contacts::Store(database).addUser(toUtf8(s.login->first), toUtf8(s.login->second));
        contacts::LookupQuery lookup{contacts::LookupQuery::Kind::Ids, {}, {}};
        for (int id : s.lookup) lookup.ids.push_back(id);
        contacts::writeSession(session, {database, toUtf8(s.user), lookup});
    }
    lookup::ContactManagerFactory& factory() { return *contacts; }
    std::u16string identifier(std::int64_t contact) const {
        return fromUtf8(contacts::formatContactId(contact));
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
    Databases databases;
    std::string session = folder.file("session.ini");
    FakeLocale locale;
    FixedClock clock{std::chrono::year{2026} / std::chrono::March / 7};
    std::unique_ptr<lookup::ContactManagerFactory> contacts =
        contacts::makeContactManagerFactory(locale, clock, session);
    std::string database;
};

// Database files in the world's scratch folder.
struct FileDatabases {
    std::string fresh(const TempFolder& folder) {
        return folder.file("contacts" + std::to_string(++made) + ".pwdb");
    }
    std::string layoutVersionSql(int version) const {
        return "PRAGMA user_version = " + std::to_string(version);
    }
    static constexpr int layoutVersion = contacts::kSchemaVersion;
    int made = 0;
};

}  // namespace penwick::testing
