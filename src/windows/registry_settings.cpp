#include "windows/registry_settings.h"

#include <cstring>
#include <vector>

#include "util/failure.h"
#include "windows/wide.h"

namespace penwick::windows {

namespace {

class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (handle_ != nullptr) RegCloseKey(handle_);
    }
    HKEY* out() { return &handle_; }
    HKEY get() const { return handle_; }

private:
    HKEY handle_ = nullptr;
};

[[noreturn]] void refuse(LSTATUS status) {
    raise(err::InvalidCall,
          standardDescription(err::InvalidCall) + u": " + systemMessage(static_cast<DWORD>(status)),
          u"SaveSetting");
}

}  // namespace

RegistrySettings::RegistrySettings(std::u16string root) : root_(std::move(root)) {}

std::u16string RegistrySettings::sectionKey(std::u16string_view app,
                                            std::u16string_view section) const {
    return root_ + u"\\" + std::u16string(app) + u"\\" + std::u16string(section);
}

std::u16string RegistrySettings::get(std::u16string_view app, std::u16string_view section,
                                     std::u16string_view key,
                                     std::u16string_view defaultValue) const {
    const std::u16string fallback(defaultValue);
    if (app.empty() || section.empty()) return fallback;
    Key k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, wide(sectionKey(app, section)).c_str(), 0, KEY_QUERY_VALUE,
                      k.out()) != ERROR_SUCCESS)
        return fallback;
    const std::wstring name = wide(key);
    // The value may change size between the two calls; ask again until it fits.
    std::vector<BYTE> data;
    for (;;) {
        DWORD type = 0, size = static_cast<DWORD>(data.size());
        const LSTATUS status = RegQueryValueExW(k.get(), name.c_str(), nullptr, &type,
                                                data.empty() ? nullptr : data.data(), &size);
        if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && data.empty() && size > 0)) {
            data.resize(size + sizeof(wchar_t));
            continue;
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return fallback;
        std::u16string value(size / sizeof(char16_t), u'\0');
        std::memcpy(value.data(), data.data(), value.size() * sizeof(char16_t));
        // The terminator is stored with the value; NULs inside it are the value's own.
        if (!value.empty() && value.back() == u'\0') value.pop_back();
        return value;
    }
}

void RegistrySettings::save(std::u16string_view app, std::u16string_view section,
                            std::u16string_view key, std::u16string_view value) {
    if (app.empty() || section.empty() || key.empty()) raise(err::InvalidCall, u"SaveSetting");
    Key k;
    LSTATUS status =
        RegCreateKeyExW(HKEY_CURRENT_USER, wide(sectionKey(app, section)).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, k.out(), nullptr);
    if (status != ERROR_SUCCESS) refuse(status);
    std::wstring data = wide(value);
    const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    status = RegSetValueExW(k.get(), wide(key).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()), bytes);
    // No RegFlushKey: the registry writes its hives out by itself, and a flush per value
    // would stall every login on the disk.
    if (status != ERROR_SUCCESS) refuse(status);
}

}  // namespace penwick::windows
