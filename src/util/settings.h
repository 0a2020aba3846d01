#pragma once
// The per-user settings store: string values addressed by application, section and key.

#include <string>
#include <string_view>

namespace penwick {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored value, or defaultValue when there is none.
    virtual std::u16string get(std::u16string_view app, std::u16string_view section,
                               std::u16string_view key, std::u16string_view defaultValue) const = 0;
    // Stores the value durably before returning; throws a Failure when it cannot.
    virtual void save(std::u16string_view app, std::u16string_view section,
                      std::u16string_view key, std::u16string_view value) = 0;
};

inline constexpr std::u16string_view kSettingsApp = u"penwick";

}  // namespace penwick
