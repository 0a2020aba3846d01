#pragma once
// The desktop keyring (the Secret Service, or what else QtKeychain finds) through QtKeychain.

#include <QString>

#include "linux/keyring_settings.h"

namespace penwick::keyring {

// Each call waits for the keyring's answer in an event loop of its own that takes no user
// input. Never falls back to a file of QtKeychain's: without a keyring, the caller's file is
// the fallback.
class QtKeychain final : public linux_platform::Keyring {
public:
    explicit QtKeychain(QString service) : service_(std::move(service)) {}

    Answer read(const std::string& name, std::u16string& secret) override;
    Answer write(const std::string& name, std::u16string_view secret) override;
    Answer remove(const std::string& name) override;

private:
    QString service_;
};

}  // namespace penwick::keyring
