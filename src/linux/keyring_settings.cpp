#include "linux/keyring_settings.h"

#include "util/failure.h"
#include "util/text.h"

namespace penwick::linux_platform {

namespace {

bool isPassword(std::u16string_view app, std::u16string_view key) {
    return app == kSettingsApp && key == u"SYS";
}

}  // namespace

bool KeyringSettings::toKeyring(std::u16string_view section, std::u16string_view value) const {
    const std::string name = toUtf8(section);
    const Keyring::Answer answer =
        value.empty() ? keyring_.remove(name) : keyring_.write(name, value);
    return answer != Keyring::Answer::NoKeyring;
}

std::u16string KeyringSettings::get(std::u16string_view app, std::u16string_view section,
                                    std::u16string_view key,
                                    std::u16string_view defaultValue) const {
    if (!isPassword(app, key)) return file_.get(app, section, key, defaultValue);
    if (auto inFile = file_.find(app, section, key)) {
        if (toKeyring(section, *inFile)) {
            // A read does not fail for want of a writable file: the copy left there is moved
            // again at the next read.
            try {
                file_.remove(app, section, key);
            } catch (const Failure&) {
            }
        }
        return *inFile;
    }
    std::u16string secret;
    if (keyring_.read(toUtf8(section), secret) == Keyring::Answer::Done) return secret;
    return std::u16string(defaultValue);
}

void KeyringSettings::save(std::u16string_view app, std::u16string_view section,
                           std::u16string_view key, std::u16string_view value) {
    if (isPassword(app, key) && toKeyring(section, value)) {
        file_.remove(app, section, key);
        return;
    }
    file_.save(app, section, key, value);
}

}  // namespace penwick::linux_platform
