#pragma once
// The contact manager as the program drives it: two classes created by class name, and the
// record sets behind them, with exactly the members the program calls.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "util/value.h"

namespace penwick::lookup {

inline constexpr std::u16string_view kApplicationClass = u"ACTOLE.APPOBJECT";
inline constexpr std::u16string_view kDatabaseClass = u"ACTOLE.DATABASE";

// Field numbers of the two record sets, shared by the program and every contact manager.
namespace field {
inline constexpr std::int16_t ContactId = 1;     // Contact: the identifier that Lookup finds
inline constexpr std::int16_t NoteType = 25;     // NOTEHISTORY: the note type's code
inline constexpr std::int16_t NoteText = 26;     // the note's text
inline constexpr std::int16_t Attachment = 28;   // the attached file's path
inline constexpr std::int16_t NoteContact = 29;  // the identifier of the note's contact
inline constexpr std::int16_t NoteDate = 200;    // the note's date as typed
}  // namespace field

// A field value handed to the contact manager: text, a 16-bit integer, or a text box whose
// current text is taken at the time of the call.
using Argument =
    std::variant<std::u16string, std::int16_t, std::reference_wrapper<const TextSource>>;

// The contact record set ("Contact").
class ContactSet {
public:
    virtual ~ContactSet() = default;
    // The record set now holds the lookup saved in that file.
    virtual void Loadlookupquery(std::u16string_view lookupFile) = 0;
    virtual void MoveFirst() = 0;
    virtual Value recordCount() = 0;
    virtual bool IsEOF() = 0;
    // A field of the current contact; field 1 is an identifier that Lookup finds.
    virtual Value Data(std::int16_t field) = 0;
    virtual void movenext() = 0;
    // Makes the contact whose field `field` holds `value` the current one.
    virtual void Lookup(std::int16_t field, std::u16string& value, std::int16_t mode) = 0;
};

// The note-history record set ("NOTEHISTORY").
class NoteHistory {
public:
    virtual ~NoteHistory() = default;
    // Starts a record for the current contact.
    virtual void Add() = 0;
    virtual void Data(std::int16_t field, const Argument& value) = 0;
    // Stores the pending record; on disk when it returns.
    virtual void Update() = 0;
};

// The program's own connection (ACTOLE.DATABASE).
class Database {
public:
    virtual ~Database() = default;
    virtual void Open(std::u16string& path) = 0;
    // Both reach the database's one validateuser; the name says how the texts are passed, which
    // the database sees. The silent try with the remembered credentials hands them over as values.
    virtual void validateuserByValue(const std::u16string& userName,
                                     const std::u16string& password) = 0;
    // The login routine hands over its own variables, which the database may write into.
    virtual void validateuserByRef(std::u16string& userName, std::u16string& password) = 0;
    // True after a refused validateuser; no value counts as false.
    virtual Value Error() = 0;
    // True when the database asks for a login; no value counts as false.
    virtual Value IsMultiUser() = 0;
    virtual void Close() = 0;
    // Every read reaches the same record set.
    virtual ContactSet& Contact() = 0;
    virtual NoteHistory& NOTEHISTORY() = 0;
};

// The contact manager the user works in (ACTOLE.APPOBJECT).
class Application {
public:
    virtual ~Application() = default;
    virtual void SaveCurrentLookup(std::u16string_view lookupFile) = 0;
    virtual std::u16string GetOpenDBName() = 0;
    virtual std::u16string GetCurrentUserName() = 0;
};

// Creates the two classes by class name; a class that cannot be created is failure 429.
class ContactManagerFactory {
public:
    virtual ~ContactManagerFactory() = default;
    virtual std::unique_ptr<Application> createApplication(std::u16string_view className) = 0;
    virtual std::unique_ptr<Database> createDatabase(std::u16string_view className) = 0;
};

}  // namespace penwick::lookup
