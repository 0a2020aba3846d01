// Penwick on Linux: the Qt front end and the Linux parts, wired in qt/desktop_program.h.

#include <QApplication>
#include <QtGlobal>

#include <clocale>
#include <cstdio>

#include "keyring/qt_keychain.h"
#include "qt/desktop_program.h"

namespace {

// Penwick keeps no log: Qt's debug output and warnings (no web browser found, an unset
// XDG_RUNTIME_DIR, ...) are not the user's business, so only real errors reach standard error.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtCriticalMsg && type != QtFatalMsg) return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");
    qInstallMessageHandler(quietMessages);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("penwick"));

    penwick::qt::QtUi ui;
    penwick::keyring::QtKeychain keyring(QStringLiteral("penwick"));
    return penwick::qt::runDesktopProgram(ui, {}, &keyring);
}
