// The automation classes over a contact database.
//
// Contact fields readable with ContactSet::Data: the identifier and the columns of
// kContactFieldColumns. Note-history fields written with NoteHistory::Data: those of
// lookup::field. A record that gives no contact identifier belongs to the contact that was
// current at Add; one without a note type is a plain note (100); one without a date is dated
// today.

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>
#include <vector>

#include "contacts/contact_id.h"
#include "contacts/factory.h"
#include "contacts/note_texts.h"
#include "contacts/session.h"
#include "contacts/store.h"
#include "contacts/system.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::contacts {

namespace {

using lookup::Argument;

constexpr std::u16string_view kDatabaseSource = lookup::kDatabaseClass;
constexpr std::u16string_view kApplicationSource = lookup::kApplicationClass;

[[noreturn]] void fail(int number, std::u16string_view source, const std::string& message) {
    raise(number, fromUtf8(message), std::u16string(source));
}

// Store failures keep their number and text and name the automation class as their source.
template <class F>
auto asMemberOf(std::u16string_view source, F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const Failure& failure) {
        throw failure.passedOnBy(std::u16string(source));
    }
}

std::u16string textOf(const Argument& value) {
    struct Visitor {
        std::u16string operator()(const std::u16string& s) const { return s; }
        std::u16string operator()(std::int16_t i) const { return decimal(i); }
        std::u16string operator()(std::reference_wrapper<const TextSource> box) const {
            return box.get().text();
        }
    };
    return std::visit(Visitor{}, value);
}

std::int16_t int16Of(const Argument& value) {
    if (const auto* i = std::get_if<std::int16_t>(&value)) return *i;
    const std::u16string text = trimSpaces(textOf(value));
    std::size_t k = (!text.empty() && text[0] == u'-') ? 1 : 0;
    if (k == text.size() || text.size() - k > 5) {
        fail(err::InvalidPropertyValue, kDatabaseSource,
             "the note type must be a whole number, not \"" + toUtf8(text) + "\"");
    }
    long v = 0;
    for (; k < text.size(); ++k) {
        if (!isAsciiDigit(text[k])) {
            fail(err::InvalidPropertyValue, kDatabaseSource,
                 "the note type must be a whole number, not \"" + toUtf8(text) + "\"");
        }
        v = v * 10 + (text[k] - u'0');
    }
    if (text[0] == u'-') v = -v;
    if (v < -32768 || v > 32767) raise(err::Overflow, std::u16string(kDatabaseSource));
    return static_cast<std::int16_t>(v);
}

class EmbeddedDatabase;

class EmbeddedContactSet final : public lookup::ContactSet {
public:
    explicit EmbeddedContactSet(EmbeddedDatabase& db) : db_(db) {}

    void Loadlookupquery(std::u16string_view lookupFile) override;
    void MoveFirst() override { moveTo(0); }
    Value recordCount() override;
    bool IsEOF() override { return position_ >= contacts_.size(); }
    Value Data(std::int16_t field) override;
    void movenext() override {
        if (position_ < contacts_.size()) moveTo(position_ + 1);
    }
    void Lookup(std::int16_t field, std::u16string& value, std::int16_t mode) override;

    std::optional<std::int64_t> current() const { return current_; }
    // How a run written from this set begins: the lookup loaded (and counted for the user's
    // confirmation), and the run it continues.
    RunStart runStart() const {
        return RunStart{loaded_ ? &contacts_ : nullptr, loaded_ ? continues_ : std::nullopt};
    }
    void clear() {
        contacts_.clear();
        checked_.clear();
        position_ = 0;
        current_.reset();
        loaded_ = false;
        continues_.reset();
    }

private:
    void moveTo(std::size_t position) {
        position_ = position;
        current_ =
            position_ < contacts_.size() ? std::optional(contacts_[position_]) : std::nullopt;
    }

    EmbeddedDatabase& db_;
    std::vector<std::int64_t> contacts_;  // the lookup, as contact numbers
    // The same numbers in order: found when the lookup was loaded, so Lookup need not ask the
    // database about each one again (one round trip a note, on a server). One removed since
    // is refused when its note is written, with the same failure.
    std::vector<std::int64_t> checked_;
    std::size_t position_ = 0;
    // Lookup makes a contact current without moving the record set's position.
    std::optional<std::int64_t> current_;
    bool loaded_ = false;  // a lookup file has been loaded
    std::optional<std::int64_t> continues_;
};

class EmbeddedNoteHistory final : public lookup::NoteHistory {
public:
    EmbeddedNoteHistory(EmbeddedDatabase& db, const Locale& locale, const Clock& clock)
        : db_(db), records_(locale, clock) {}
    void Add() override;
    void Data(std::int16_t field, const Argument& value) override;
    void Update() override;
    void clear() {
        pending_.reset();
        records_.forget();
    }

private:
    struct Pending {
        std::optional<std::int64_t> currentAtAdd;
        std::optional<std::u16string> contactId;
        NoteTexts texts;
    };
    EmbeddedDatabase& db_;
    std::optional<Pending> pending_;
    NoteRecordMaker records_;
};

class EmbeddedDatabase final : public lookup::Database {
public:
    EmbeddedDatabase(const Locale& locale, const Clock& clock) : locale_(locale), clock_(clock) {}

    void Open(std::u16string& path) override {
        Close();
        store_ = asMemberOf(kDatabaseSource, [&] { return std::make_unique<Store>(toUtf8(path)); });
        // Read once: a run that goes on past midnight on 31 December must not put the same
        // yearless date in two years.
        noteYear_ = clock_.today().year();
    }

    void validateuserByValue(const std::u16string& userName,
                             const std::u16string& password) override {
        Store& s = store();
        asMemberOf(kDatabaseSource, [&] {
            LoginOutcome login = s.logIn(toUtf8(userName), toUtf8(password));
            user_ = std::move(login.user);
            error_ = !login.accepted;
        });
    }

    void validateuserByRef(std::u16string& userName, std::u16string& password) override {
        validateuserByValue(userName, password);
    }

    Value Error() override { return error_; }
    Value IsMultiUser() override {
        return asMemberOf(kDatabaseSource, [&] { return store().isMultiUser(); });
    }

    void Close() override {
        store_.reset();
        contacts_.clear();
        notes_.clear();
        user_.reset();
        error_ = false;
        run_ = 0;
    }

    lookup::ContactSet& Contact() override { return contacts_; }
    lookup::NoteHistory& NOTEHISTORY() override { return notes_; }

    Store& store() {
        if (!store_) fail(err::InvalidCall, kDatabaseSource, "no contact database is open");
        return *store_;
    }
    // The year a note date typed without one ("12/6") is taken in, as the entry check took it.
    std::chrono::year noteYear() const { return noteYear_; }
    EmbeddedContactSet& contacts() { return contacts_; }

    void addNote(const NoteRecord& note) {
        Store& s = store();
        // The account is looked up once: the system reads its user database for each lookup.
        if (!user_ && osUser_.empty()) osUser_ = osUserName();
        const std::string& userName = user_ ? *user_ : osUser_;
        asMemberOf(kDatabaseSource, [&] {
            s.addNote(note, run_, userName, user_.has_value(), contacts_.runStart());
        });
    }

private:
    const Locale& locale_;
    const Clock& clock_;
    std::chrono::year noteYear_{};
    std::unique_ptr<Store> store_;
    bool error_ = false;
    std::optional<std::string> user_;  // set by an accepted login on a multi-user database
    std::string osUser_;               // the account the program runs as, once asked for
    std::int64_t run_ = 0;             // this connection's run, once it has written a note
    EmbeddedContactSet contacts_{*this};
    EmbeddedNoteHistory notes_{*this, locale_, clock_};
};

void EmbeddedContactSet::Loadlookupquery(std::u16string_view lookupFile) {
    Store& store = db_.store();
    asMemberOf(kDatabaseSource, [&] {
        const LookupFile lookup = readLookupFile(toUtf8(lookupFile));
        if (lookup.databaseId != store.databaseId()) {
            fail(err::AutomationError, kDatabaseSource,
                 "the lookup in " + toUtf8(lookupFile) + " belongs to the database " +
                     lookup.database + ", not to " + store.path());
        }
        if (lookup.continuesRun && !store.run(*lookup.continuesRun)) {
            fail(err::AutomationError, kDatabaseSource,
                 "the lookup in " + toUtf8(lookupFile) + " continues run " +
                     std::to_string(*lookup.continuesRun) + ", which " + store.path() +
                     " does not hold");
        }
        clear();
        contacts_.reserve(lookup.contacts.size());
        // A contact removed since the lookup was saved is left out rather than failing later.
        store.forEachExisting(lookup.contacts, [&](std::int64_t number, bool exists) {
            if (exists) contacts_.push_back(number);
        });
        contacts_.shrink_to_fit();
        checked_ = contacts_;
        std::sort(checked_.begin(), checked_.end());
        loaded_ = true;
        continues_ = lookup.continuesRun;
        moveTo(0);
    });
}

Value EmbeddedContactSet::recordCount() {
    if (contacts_.size() > 0x7FFFFFFF) raise(err::Overflow, std::u16string(kDatabaseSource));
    return static_cast<std::int32_t>(contacts_.size());
}

Value EmbeddedContactSet::Data(std::int16_t field) {
    if (!current_) fail(err::InvalidCall, kDatabaseSource, "there is no current contact");
    if (field == lookup::field::ContactId) return fromUtf8(formatContactId(*current_));
    const auto column = std::ranges::find(kContactFieldColumns, field, &ContactFieldColumn::number);
    if (column == kContactFieldColumns.end()) {
        fail(err::InvalidPropertyValue, kDatabaseSource,
             "no contact field " + std::to_string(field));
    }
    const auto contact =
        asMemberOf(kDatabaseSource, [&] { return db_.store().contact(*current_); });
    if (!contact) fail(err::AutomationError, kDatabaseSource, "the contact has been removed");
    return fromUtf8((*contact).*column->member);
}

void EmbeddedContactSet::Lookup(std::int16_t field, std::u16string& value, std::int16_t mode) {
    if (field != lookup::field::ContactId || mode != 1) {
        fail(err::InvalidCall, kDatabaseSource, "contacts are looked up by identifier only");
    }
    Store& store = db_.store();
    const auto number = parseContactId(std::u16string_view(value));
    const bool known = number && std::binary_search(checked_.begin(), checked_.end(), *number);
    if (!number ||
        (!known && !asMemberOf(kDatabaseSource, [&] { return store.contactExists(*number); }))) {
        fail(err::InvalidPropertyValue, kDatabaseSource,
             "no contact has the identifier " + toUtf8(value));
    }
    current_ = *number;
}

void EmbeddedNoteHistory::Add() {
    db_.store();
    pending_ = Pending{};
    pending_->currentAtAdd = db_.contacts().current();
}

void EmbeddedNoteHistory::Data(std::int16_t field, const Argument& value) {
    if (!pending_) fail(err::InvalidCall, kDatabaseSource, "Add must come before Data");
    switch (field) {
        case lookup::field::NoteContact:
            pending_->contactId = textOf(value);
            break;
        case lookup::field::NoteType:
            pending_->texts.typeCode = int16Of(value);
            break;
        case lookup::field::NoteText:
            pending_->texts.text = textOf(value);
            break;
        case lookup::field::Attachment:
            pending_->texts.attachment = textOf(value);
            break;
        case lookup::field::NoteDate:
            pending_->texts.date = textOf(value);
            break;
        default:
            fail(err::InvalidPropertyValue, kDatabaseSource,
                 "no note-history field " + std::to_string(field));
    }
}

void EmbeddedNoteHistory::Update() {
    if (!pending_) fail(err::InvalidCall, kDatabaseSource, "Add must come before Update");
    // The record is used up whatever happens next: a refused record is not retried by a
    // second Update with half of its fields.
    const Pending p = std::move(*pending_);
    pending_.reset();

    std::int64_t contact = 0;
    if (p.contactId) {
        const auto number = parseContactId(std::u16string_view(*p.contactId));
        if (!number) {
            fail(err::InvalidPropertyValue, kDatabaseSource,
                 "no contact has the identifier " + toUtf8(*p.contactId));
        }
        contact = *number;
    } else if (p.currentAtAdd) {
        contact = *p.currentAtAdd;
    } else {
        fail(err::InvalidCall, kDatabaseSource, "the note names no contact");
    }
    db_.addNote(records_.make(contact, p.texts, db_.noteYear()));
}

class EmbeddedApplication final : public lookup::Application {
public:
    explicit EmbeddedApplication(std::string sessionPath) : sessionPath_(std::move(sessionPath)) {}

    void SaveCurrentLookup(std::u16string_view lookupFile) override {
        asMemberOf(kApplicationSource, [&] {
            const Session s = session();
            Store store(s.database);
            LookupFile file{store.databaseId(), store.path(),
                            store.resolve(s.lookup, /*skipRemoved=*/true), std::nullopt};
            if (s.lookup.kind == LookupQuery::Kind::RestOfRun) file.continuesRun = s.lookup.run;
            writeLookupFile(toUtf8(lookupFile), file);
        });
    }

    std::u16string GetOpenDBName() override { return fromUtf8(session().database); }

    std::u16string GetCurrentUserName() override {
        const Session s = session();
        return fromUtf8(s.user.empty() ? osUserName() : s.user);
    }

private:
    Session session() {
        auto s = asMemberOf(kApplicationSource, [&] { return readSession(sessionPath_); });
        if (!s) {
            fail(err::AutomationError, kApplicationSource,
                 "no contact database is open; open one with: penwick-contacts open DB");
        }
        return *s;
    }

    std::string sessionPath_;
};

class EmbeddedFactory final : public lookup::ContactManagerFactory {
public:
    EmbeddedFactory(const Locale& locale, const Clock& clock, std::string sessionPath)
        : locale_(locale), clock_(clock), sessionPath_(std::move(sessionPath)) {}

    std::unique_ptr<lookup::Application> createApplication(std::u16string_view className) override {
        if (!equalsIgnoringAsciiCase(className, lookup::kApplicationClass)) cannotCreate(className);
        return std::make_unique<EmbeddedApplication>(sessionPath_);
    }

    std::unique_ptr<lookup::Database> createDatabase(std::u16string_view className) override {
        if (!equalsIgnoringAsciiCase(className, lookup::kDatabaseClass)) cannotCreate(className);
        return std::make_unique<EmbeddedDatabase>(locale_, clock_);
    }

private:
    [[noreturn]] static void cannotCreate(std::u16string_view className) {
        raise(err::CannotCreateObject, std::u16string(className));
    }

    const Locale& locale_;
    const Clock& clock_;
    std::string sessionPath_;
};

}  // namespace

std::unique_ptr<lookup::ContactManagerFactory> makeContactManagerFactory(const Locale& locale,
                                                                         const Clock& clock) {
    return makeContactManagerFactory(locale, clock, defaultSessionPath());
}

std::unique_ptr<lookup::ContactManagerFactory> makeContactManagerFactory(const Locale& locale,
                                                                         const Clock& clock,
                                                                         std::string sessionPath) {
    return std::make_unique<EmbeddedFactory>(locale, clock, std::move(sessionPath));
}

}  // namespace penwick::contacts
