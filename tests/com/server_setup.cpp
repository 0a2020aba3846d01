#include "server_setup.h"

#include <objbase.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "util/text.h"

namespace penwick::testing {

namespace {

const wchar_t* const kProgIds[] = {L"ACTOLE.APPOBJECT", L"ACTOLE.DATABASE", L"word.application"};

std::wstring w(std::u16string_view s) {
    return std::wstring(s.begin(), s.end());
}
std::u16string u(std::wstring_view s) {
    return std::u16string(s.begin(), s.end());
}

void check(LONG result, const char* what) {
    if (result != ERROR_SUCCESS) throw std::runtime_error(what);
}

// Points a real ProgID at the class the flavoured one names.
void pointAt(const std::wstring& progId, const std::wstring& flavoured) {
    CLSID id;
    if (FAILED(CLSIDFromProgID(flavoured.c_str(), &id)))
        throw std::runtime_error("test server not registered (regsvr32, /RegServer)");
    wchar_t text[64];
    StringFromGUID2(id, text, 64);
    check(RegSetKeyValueW(HKEY_CLASSES_ROOT, (progId + L"\\CLSID").c_str(), nullptr, REG_SZ, text,
                          static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t))),
          "cannot point the ProgID at the test server");
}

}  // namespace

ServerSetup::ServerSetup(Flavour flavour) : flavour_(flavour) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    wchar_t name[MAX_PATH];
    GetTempFileNameW(temp, L"pwk", 0, name);  // a unique name, made a folder below
    DeleteFileW(name);
    CreateDirectoryW(name, nullptr);
    folder_ = u(name);

    for (const wchar_t* progId : kProgIds) {
        const std::wstring p = progId;
        const std::wstring kind = p.substr(p.find(L'.') + 1);
        pointAt(
            p, (flavour == Flavour::InProcess ? L"PenwickTest.InProcess." : L"PenwickTest.Local.") +
                   (kind == L"application" ? std::wstring(L"application") : kind));
    }
    configure({});
}

ServerSetup::~ServerSetup() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Penwick\\TestServers", L"Config");
    // The scratch folder stays for a look after a failure; the system's temporary folder
    // belongs to the test prefix.
}

void ServerSetup::configure(const std::vector<std::u16string>& lines) {
    const std::u16string file = path(u"servers.cfg");
    std::ofstream out(w(file).c_str(), std::ios::binary | std::ios::trunc);
    out << "log " << toUtf8(path(u"calls.log")) << "\n";
    for (const auto& line : lines) out << toUtf8(line) << "\n";
    out.close();
    const std::wstring value = w(file);
    check(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Penwick\\TestServers", L"Config", REG_SZ,
                          value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
          "cannot name the test servers' configuration");
}

void ServerSetup::unregister(const wchar_t* progId) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, progId);
}

std::u16string ServerSetup::path(std::u16string_view name) const {
    return folder_ + u"\\" + std::u16string(name);
}

std::vector<std::u16string> ServerSetup::logLines() const {
    std::ifstream in(w(path(u"calls.log")).c_str(), std::ios::binary);
    std::vector<std::u16string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(fromUtf8(line));
    return lines;
}

std::vector<std::u16string> ServerSetup::calls() const {
    std::vector<std::u16string> calls;
    for (auto& line : logLines())
        if (!line.starts_with(u"? ") && !line.starts_with(u"# ") && !line.starts_with(u"refused "))
            calls.push_back(line);
    return calls;
}

std::vector<std::u16string> ServerSetup::refused() const {
    std::vector<std::u16string> refused;
    for (auto& line : logLines())
        if (line.starts_with(u"refused ")) refused.push_back(line.substr(8));
    return refused;
}

std::vector<std::u16string> ServerSetup::nameLookups() const {
    std::vector<std::u16string> names;
    for (auto& line : logLines())
        if (line.starts_with(u"? ")) names.push_back(line.substr(2));
    return names;
}

std::vector<StoredNote> ServerSetup::notes() const {
    // "# note contact=7 25="101" 26="text" …"
    std::vector<StoredNote> notes;
    for (const auto& line : logLines()) {
        if (!line.starts_with(u"# note contact=")) continue;
        StoredNote n;
        std::size_t at = line.find(u' ', 15);
        n.contact = line.substr(15, at - 15);
        while (at != std::u16string::npos && at + 1 < line.size()) {
            const std::size_t eq = line.find(u'=', at);
            const std::u16string field = line.substr(at + 1, eq - at - 1);
            const std::size_t close = line.find(u"\" ", eq + 2);
            const std::size_t end = close == std::u16string::npos ? line.size() - 1 : close;
            const std::u16string value = line.substr(eq + 2, end - eq - 2);
            if (field == u"25") n.type = value;
            if (field == u"26") n.text = value;
            if (field == u"28") n.attachment = value, n.hasAttachment = true;
            if (field == u"29") n.contactField = value;
            if (field == u"200") n.date = value;
            at = close == std::u16string::npos ? close : close + 1;
        }
        notes.push_back(n);
    }
    return notes;
}

}  // namespace penwick::testing
