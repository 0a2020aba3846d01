#include "com/act_contact_manager.h"

#include <string>

#include "com/object.h"

namespace penwick::com {

namespace {

using lookup::Argument;

std::u16string textResult(Object& object, std::u16string_view member) {
    return toText(object.call(member).toValue(member));
}

// A field value for NOTEHISTORY.Data. Texts and numbers go over by reference, as variables of
// the caller; the object's write-back is not wanted and stays in a copy. A text box goes over
// as its current text.
struct FieldValue {
    explicit FieldValue(const Argument& value) : held(value) {}
    com::Argument argument() {
        if (auto* text = std::get_if<std::u16string>(&held)) return com::Argument::textByRef(*text);
        if (auto* number = std::get_if<std::int16_t>(&held))
            return com::Argument::int16ByRef(*number);
        return com::Argument::textOf(
            std::get<std::reference_wrapper<const TextSource>>(held).get());
    }
    Argument held;
};

// The record sets are read from the database anew at every use, as the contact manager
// expects: each member call starts with a fresh read of "Contact" or "NOTEHISTORY".
class ActContactSet final : public lookup::ContactSet {
public:
    explicit ActContactSet(Object& database) : database_(database) {}

    void Loadlookupquery(std::u16string_view lookupFile) override {
        contact().call(u"Loadlookupquery", {com::Argument::text(lookupFile)});
    }
    void MoveFirst() override { contact().call(u"MoveFirst"); }
    Value recordCount() override { return contact().call(u"recordCount").toValue(u"recordCount"); }
    bool IsEOF() override { return toBool(contact().call(u"IsEOF").toValue(u"IsEOF"), u"IsEOF"); }
    Value Data(std::int16_t field) override {
        return contact().call(u"Data", {com::Argument::int16(field)}).toValue(u"Data");
    }
    void movenext() override { contact().call(u"movenext"); }
    void Lookup(std::int16_t field, std::u16string& value, std::int16_t mode) override {
        contact().call(u"Lookup", {com::Argument::int16(field), com::Argument::textByRef(value),
                                   com::Argument::int16(mode)});
    }

private:
    Object contact() { return database_.callObject(u"Contact"); }
    Object& database_;
};

class ActNoteHistory final : public lookup::NoteHistory {
public:
    explicit ActNoteHistory(Object& database) : database_(database) {}

    void Add() override { history().call(u"Add"); }
    void Data(std::int16_t field, const Argument& value) override {
        FieldValue v(value);
        history().call(u"Data", {com::Argument::int16(field), v.argument()});
    }
    void Update() override { history().call(u"Update"); }

private:
    Object history() { return database_.callObject(u"NOTEHISTORY"); }
    Object& database_;
};

class ActDatabase final : public lookup::Database {
public:
    explicit ActDatabase(Object database)
        : database_(std::move(database)), contacts_(database_), history_(database_) {}

    void Open(std::u16string& path) override {
        database_.call(u"Open", {com::Argument::textByRef(path)});
    }
    void validateuserByValue(const std::u16string& userName,
                             const std::u16string& password) override {
        database_.call(u"validateuser",
                       {com::Argument::text(userName), com::Argument::text(password)});
    }
    void validateuserByRef(std::u16string& userName, std::u16string& password) override {
        database_.call(u"validateuser",
                       {com::Argument::textByRef(userName), com::Argument::textByRef(password)});
    }
    Value Error() override { return database_.call(u"Error").toValue(u"Error"); }
    Value IsMultiUser() override { return database_.call(u"IsMultiUser").toValue(u"IsMultiUser"); }
    void Close() override { database_.call(u"Close"); }
    lookup::ContactSet& Contact() override { return contacts_; }
    lookup::NoteHistory& NOTEHISTORY() override { return history_; }

private:
    Object database_;
    ActContactSet contacts_;
    ActNoteHistory history_;
};

class ActApplication final : public lookup::Application {
public:
    explicit ActApplication(Object application) : application_(std::move(application)) {}

    void SaveCurrentLookup(std::u16string_view lookupFile) override {
        application_.call(u"SaveCurrentLookup", {com::Argument::text(lookupFile)});
    }
    std::u16string GetOpenDBName() override { return textResult(application_, u"GetOpenDBName"); }
    std::u16string GetCurrentUserName() override {
        return textResult(application_, u"GetCurrentUserName");
    }

private:
    Object application_;
};

class ActFactory final : public lookup::ContactManagerFactory {
public:
    explicit ActFactory(MessageFilter* filter) : filter_(filter) {}
    std::unique_ptr<lookup::Application> createApplication(std::u16string_view className) override {
        return std::make_unique<ActApplication>(Object::create(className, filter_));
    }
    std::unique_ptr<lookup::Database> createDatabase(std::u16string_view className) override {
        return std::make_unique<ActDatabase>(Object::create(className, filter_));
    }

private:
    MessageFilter* filter_;
};

}  // namespace

std::unique_ptr<lookup::ContactManagerFactory> makeActContactManagerFactory(MessageFilter* filter) {
    return std::make_unique<ActFactory>(filter);
}

}  // namespace penwick::com
