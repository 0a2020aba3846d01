#include "support/memory_contacts.h"

#include <utility>

#include <algorithm>

#include "util/failure.h"
#include "util/text.h"

namespace penwick::testing {

namespace {

const std::u16string kSource = u"MemoryContactManager";
// The record-set errors a contact manager's database engine raises.
constexpr int kNoCurrentRecord = 3021;
constexpr int kUpdateWithoutAddNew = 3020;

std::string quoted(std::u16string_view text) {
    return '"' + toUtf8(text) + '"';
}
std::string text(std::u16string_view value) {
    return "text " + quoted(value);
}
std::string int16(std::int16_t value) {
    return "int16 " + std::to_string(value);
}
std::string argument(const lookup::Argument& a) {
    if (const auto* t = std::get_if<std::u16string>(&a)) return text(*t);
    if (const auto* n = std::get_if<std::int16_t>(&a)) return int16(*n);
    return "box " + quoted(std::get<std::reference_wrapper<const TextSource>>(a).get().text());
}
std::string call(std::string member, std::initializer_list<std::string> args = {}) {
    member += '(';
    bool first = true;
    for (const std::string& a : args) {
        if (!first) member += ", ";
        member += a;
        first = false;
    }
    return member + ')';
}

}  // namespace

std::u16string MemoryNote::text(std::int16_t field) const {
    const auto it = fields.find(field);
    if (it == fields.end()) return u"(none)";
    if (const auto* t = std::get_if<std::u16string>(&it->second)) return *t;
    return u"(code)";
}

std::optional<std::int16_t> MemoryNote::code(std::int16_t field) const {
    const auto it = fields.find(field);
    if (it == fields.end()) return std::nullopt;
    if (const auto* n = std::get_if<std::int16_t>(&it->second)) return *n;
    return std::nullopt;
}

class MemoryContactManager::App final : public lookup::Application {
public:
    explicit App(MemoryContactManager& m) : m_(m) {}
    void SaveCurrentLookup(std::u16string_view file) override {
        m_.log(call("Application.SaveCurrentLookup", {text(file)}));
        m_.savedLookups_[std::u16string(file)] = m_.lookup;
    }
    std::u16string GetOpenDBName() override {
        m_.log(call("Application.GetOpenDBName"));
        return m_.databasePath;
    }
    std::u16string GetCurrentUserName() override {
        m_.log(call("Application.GetCurrentUserName"));
        return m_.currentUser;
    }

private:
    MemoryContactManager& m_;
};

class MemoryContactManager::Contacts final : public lookup::ContactSet {
public:
    explicit Contacts(MemoryContactManager& m) : m_(m) {}
    void Loadlookupquery(std::u16string_view file) override {
        m_.log(call("Contact.Loadlookupquery", {text(file)}));
        const auto it = m_.savedLookups_.find(std::u16string(file));
        if (it == m_.savedLookups_.end())
            raise(err::FileNotFound, u"File not found: " + std::u16string(file), kSource);
        rows_ = it->second;
        position_ = 0;
    }
    void MoveFirst() override {
        m_.log(call("Contact.MoveFirst"));
        position_ = 0;
    }
    Value recordCount() override {
        m_.log(call("Contact.recordCount"));
        return static_cast<std::int32_t>(rows_.size());
    }
    bool IsEOF() override {
        m_.log(call("Contact.IsEOF"));
        return position_ >= rows_.size();
    }
    Value Data(std::int16_t field) override {
        m_.log(call("Contact.Data", {int16(field)}));
        if (field != 1) raise(err::InvalidPropertyValue, u"Only field 1 is kept", kSource);
        if (position_ >= rows_.size()) raise(kNoCurrentRecord, u"No current record", kSource);
        return rows_[position_];
    }
    void movenext() override {
        m_.log(call("Contact.movenext"));
        if (position_ < rows_.size()) ++position_;
    }
    void Lookup(std::int16_t field, std::u16string& value, std::int16_t mode) override {
        m_.log(call("Contact.Lookup", {int16(field), text(value), int16(mode)}));
        const bool known =
            std::find(m_.contacts.begin(), m_.contacts.end(), value) != m_.contacts.end();
        current = known ? value : std::u16string();
    }

    std::u16string current;  // the contact Lookup found

private:
    MemoryContactManager& m_;
    std::vector<std::u16string> rows_;
    std::size_t position_ = 0;
};

class MemoryContactManager::History final : public lookup::NoteHistory {
public:
    History(MemoryContactManager& m, const Contacts& contacts) : m_(m), contacts_(contacts) {}
    void Add() override {
        m_.log(call("NOTEHISTORY.Add"));
        pending_ = MemoryNote{contacts_.current, {}};
    }
    void Data(std::int16_t field, const lookup::Argument& value) override {
        m_.log(call("NOTEHISTORY.Data", {int16(field), argument(value)}));
        if (!pending_)
            raise(kUpdateWithoutAddNew, u"Update or CancelUpdate without AddNew or Edit", kSource);
        if (const auto* n = std::get_if<std::int16_t>(&value)) {
            pending_->fields[field] = *n;
        } else if (const auto* t = std::get_if<std::u16string>(&value)) {
            pending_->fields[field] = *t;
        } else {
            pending_->fields[field] =
                std::get<std::reference_wrapper<const TextSource>>(value).get().text();
        }
    }
    void Update() override {
        m_.log(call("NOTEHISTORY.Update"));
        if (!pending_)
            raise(kUpdateWithoutAddNew, u"Update or CancelUpdate without AddNew or Edit", kSource);
        m_.notes_.push_back(std::move(*pending_));
        pending_.reset();
    }

private:
    MemoryContactManager& m_;
    const Contacts& contacts_;
    std::optional<MemoryNote> pending_;
};

class MemoryContactManager::Db final : public lookup::Database {
public:
    explicit Db(MemoryContactManager& m) : m_(m), contacts_(m), history_(m, contacts_) {}
    void Open(std::u16string& path) override {
        m_.log(call("Database.Open", {text(path)}));
        if (path != m_.databasePath) raise(err::FileNotFound, u"File not found: " + path, kSource);
    }
    void validateuserByRef(std::u16string& userName, std::u16string& password) override {
        validateuserByValue(userName, password);
    }
    void validateuserByValue(const std::u16string& userName,
                             const std::u16string& password) override {
        m_.log(call("Database.validateuser", {text(userName), text(password)}));
        if (!m_.multiUser) {
            error_ = false;
            return;
        }
        const auto it = m_.passwords.find(userName);
        error_ = it == m_.passwords.end() || it->second != password;
    }
    Value Error() override {
        m_.log(call("Database.Error"));
        return error_;
    }
    Value IsMultiUser() override {
        m_.log(call("Database.IsMultiUser"));
        return m_.multiUser;
    }
    void Close() override { m_.log(call("Database.Close")); }
    lookup::ContactSet& Contact() override { return contacts_; }
    lookup::NoteHistory& NOTEHISTORY() override { return history_; }

private:
    MemoryContactManager& m_;
    Contacts contacts_;
    History history_;
    bool error_ = false;
};

MemoryContactManager::MemoryContactManager() = default;
MemoryContactManager::~MemoryContactManager() = default;

std::unique_ptr<lookup::Application> MemoryContactManager::createApplication(
    std::u16string_view className) {
    log(call("create", {text(className)}));
    if (className != lookup::kApplicationClass) raise(err::CannotCreateObject, kSource);
    return std::make_unique<App>(*this);
}

std::unique_ptr<lookup::Database> MemoryContactManager::createDatabase(
    std::u16string_view className) {
    log(call("create", {text(className)}));
    if (className != lookup::kDatabaseClass) raise(err::CannotCreateObject, kSource);
    return std::make_unique<Db>(*this);
}

void MemoryContactManager::addContacts(int count) {
    const int first = static_cast<int>(contacts.size()) + 1;
    for (int i = first; i < first + count; ++i) {
        contacts.push_back(fromUtf8(std::to_string(i)));
        lookup.push_back(contacts.back());
    }
}

void MemoryContactManager::log(std::string entry) {
    calls_.push_back(std::move(entry));
    if (onCall) onCall(calls_.back());
}

}  // namespace penwick::testing
