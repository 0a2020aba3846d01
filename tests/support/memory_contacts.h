#pragma once
// An in-memory contact manager: contacts, the user's current lookup, users and passwords, the
// notes stored, and a log of every call the program made, so that a test can compare a run
// with the one expected call by call.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "lookup/contact_manager.h"

namespace penwick::testing {

// A note field as stored: text, or a 16-bit code. A text box is stored as its text at the
// time of the call.
using NoteField = std::variant<std::u16string, std::int16_t>;

struct MemoryNote {
    std::u16string contact;  // the contact current when the note was added
    std::map<std::int16_t, NoteField> fields;

    // The field's text, or "(none)" / "(code)" when it is missing or not text.
    std::u16string text(std::int16_t field) const;
    // The field's code, or nothing when it is missing or not a code.
    std::optional<std::int16_t> code(std::int16_t field) const;
};

class MemoryContactManager final : public lookup::ContactManagerFactory {
public:
    MemoryContactManager();
    ~MemoryContactManager() override;

    std::unique_ptr<lookup::Application> createApplication(std::u16string_view className) override;
    std::unique_ptr<lookup::Database> createDatabase(std::u16string_view className) override;

    // --- the contact manager as the user left it ---
    std::vector<std::u16string> contacts;  // the field-1 identifiers of every contact
    std::vector<std::u16string> lookup;    // the current lookup, in its order
    std::u16string databasePath = u"C:\\ACT\\Database\\Sales.dbf";
    std::u16string currentUser = u"Pat";
    bool multiUser = false;
    std::map<std::u16string, std::u16string> passwords;  // user name to password

    // Adds `count` contacts numbered on from the last ("1", "2", ...) to the end of the lookup.
    void addContacts(int count);

    // --- what the program did ---
    // Every member called, in order, with its arguments' kinds and values, e.g.
    // `NOTEHISTORY.Data(int16 26, box "Hello")`. Reaching a record set (Contact, NOTEHISTORY)
    // is navigation, not a call of its own, and is not listed.
    const std::vector<std::string>& calls() const { return calls_; }
    // The notes stored by Update, in order.
    const std::vector<MemoryNote>& notes() const { return notes_; }
    // Runs after each call is logged and before it acts, with the entry just logged.
    std::function<void(const std::string& call)> onCall;

private:
    class App;
    class Db;
    class Contacts;
    class History;
    void log(std::string call);

    std::vector<std::string> calls_;
    std::vector<MemoryNote> notes_;
    std::map<std::u16string, std::vector<std::u16string>> savedLookups_;
};

}  // namespace penwick::testing
