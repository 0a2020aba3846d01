#include "config.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace penwick::testserver {

namespace {

Config current;

std::wstring widen(const std::string& utf8) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

std::wstring configPath() {
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = sizeof(path);
    if (RegGetValueW(HKEY_CURRENT_USER, kConfigKey, L"Config", RRF_RT_REG_SZ, nullptr, path,
                     &size) != ERROR_SUCCESS)
        return {};
    return path;
}

}  // namespace

Config readConfig() {
    Config c;
    std::ifstream in(configPath().c_str());
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::wistringstream line(widen(raw));
        std::wstring key;
        line >> key;
        std::wstring rest;
        std::getline(line >> std::ws, rest);
        std::wistringstream words(rest);
        std::vector<std::wstring> list;
        for (std::wstring w; words >> w;) list.push_back(w);
        if (key == L"log")
            c.log = rest;
        else if (key == L"database")
            c.database = rest;
        else if (key == L"user")
            c.user = rest;
        else if (key == L"login") {
            c.multiUser = true;
            if (!list.empty()) c.logins[list[0]] = list.size() > 1 ? list[1] : L"";
        } else if (key == L"multiuser")
            c.multiUser = true;
        else if (key == L"contact")
            c.contacts.push_back(rest);
        else if (key == L"lookup")
            c.lookup = list;
        else if (key == L"misspelled" && !list.empty())
            c.misspelled[list[0]] = std::vector<std::wstring>(list.begin() + 1, list.end());
        else if (key == L"busy" && !list.empty())
            c.busyMs = std::wcstoul(list[0].c_str(), nullptr, 10);
        else if (key == L"exit-after" && !list.empty()) {
            c.exitAfter = std::wcstoul(list[0].c_str(), nullptr, 10);
            c.exitAfterMember = list.size() > 1 ? list[1] : L"";
        } else if (key == L"slow" && list.size() >= 2)
            c.slowMs[list[0]] = std::wcstoul(list[1].c_str(), nullptr, 10);
        else if (key == L"fail" && list.size() >= 2)
            c.failing[list[0]] = {static_cast<long>(std::wcstoul(list[1].c_str(), nullptr, 0)),
                                  list.size() > 2 && list[2] == L"deferred"};
    }
    return c;
}

const Config& config() {
    return current;
}

void reloadConfig() {
    current = readConfig();
}

}  // namespace penwick::testserver
