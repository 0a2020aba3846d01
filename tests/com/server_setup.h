#pragma once
// A test's own world of test servers: a scratch folder, the configuration the servers read, the
// real ProgIDs pointed at the in-process or the local server, and the call log read back.

#include <windows.h>

#include <string>
#include <vector>

#include "com/apartment.h"

namespace penwick::testing {

enum class Flavour { InProcess, Local };

struct StoredNote {
    std::u16string contact;
    std::u16string type, text, attachment, date, contactField;
    bool hasAttachment = false;
};

class ServerSetup {
public:
    explicit ServerSetup(Flavour flavour);
    ~ServerSetup();
    ServerSetup(const ServerSetup&) = delete;
    ServerSetup& operator=(const ServerSetup&) = delete;

    // Configuration lines (see tests/com_servers/config.h); the log line is added here.
    void configure(const std::vector<std::u16string>& lines);
    // As if Word were not installed: its ProgID leads nowhere.
    void unregister(const wchar_t* progId);

    // The calls a busy server refused ("Contact.IsEOF", …).
    std::vector<std::u16string> refused() const;
    // Every call received, in order, without the name look-ups, the refusals and the stored
    // notes.
    std::vector<std::u16string> calls() const;
    // The name look-ups ("Contact.IsEOF", …).
    std::vector<std::u16string> nameLookups() const;
    std::vector<StoredNote> notes() const;

    // A path inside the scratch folder, in Windows form.
    std::u16string path(std::u16string_view name) const;
    const std::u16string& folder() const { return folder_; }

private:
    std::vector<std::u16string> logLines() const;
    com::Apartment apartment_;
    Flavour flavour_;
    std::u16string folder_;
};

}  // namespace penwick::testing
