#include "keyring/qt_keychain.h"

#include <QEventLoop>

#include <qt6keychain/keychain.h>

#include <cstring>

namespace penwick::keyring {

namespace {

using Answer = linux_platform::Keyring::Answer;

Answer run(QKeychain::Job& job, const std::string& name) {
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    job.setKey(QString::fromStdString(name));
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    job.start();
    if (!finished) loop.exec(QEventLoop::ExcludeUserInputEvents);
    switch (job.error()) {
        case QKeychain::NoError:
            return Answer::Done;
        case QKeychain::EntryNotFound:
            return Answer::NotFound;
        default:
            return Answer::NoKeyring;
    }
}

// The secret as UTF-16 code units: a scrambled password may hold any of them, NUL included.
QByteArray bytesOf(std::u16string_view text) {
    return QByteArray(reinterpret_cast<const char*>(text.data()),
                      static_cast<qsizetype>(text.size() * sizeof(char16_t)));
}

}  // namespace

Answer QtKeychain::read(const std::string& name, std::u16string& secret) {
    QKeychain::ReadPasswordJob job(service_);
    const Answer answer = run(job, name);
    if (answer != Answer::Done) return answer;
    const QByteArray data = job.binaryData();
    // Anything of an odd length was not written here.
    if (data.size() % 2 != 0) return Answer::NotFound;
    secret.resize(static_cast<std::size_t>(data.size()) / 2);
    std::memcpy(secret.data(), data.constData(), static_cast<std::size_t>(data.size()));
    return answer;
}

Answer QtKeychain::write(const std::string& name, std::u16string_view secret) {
    QKeychain::WritePasswordJob job(service_);
    job.setBinaryData(bytesOf(secret));
    return run(job, name);
}

Answer QtKeychain::remove(const std::string& name) {
    QKeychain::DeletePasswordJob job(service_);
    return run(job, name);
}

}  // namespace penwick::keyring
