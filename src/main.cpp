// Penwick on Linux: every outside part is chosen here, once, and handed to the program.

#include <QApplication>
#include <QtGlobal>

#include <clocale>
#include <cstdio>

#include "app/app.h"
#include "embedded/factory.h"
#include "hunspell/factory.h"
#include "linux/ini_settings.h"
#include "linux/linux_platform.h"
#include "linux/posix_locale.h"
#include "qt/widgets_ui.h"
#include "ui/program.h"
#include "util/codepage.h"
#include "util/failure.h"

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
    try {
        penwick::linux_platform::LinuxPlatform platform;
        penwick::linux_platform::IniSettings settings;
        penwick::linux_platform::PosixLocale locale;
        penwick::linux_platform::SystemClock clock;
        penwick::Windows1252 codePage;
        const auto contacts = penwick::embedded::makeContactManagerFactory(locale);
        const auto speller = penwick::hunspell::makeSpellCheckerFactory(locale);

        penwick::Services services{.ui = ui,
                                   .platform = platform,
                                   .settings = settings,
                                   .locale = locale,
                                   .clock = clock,
                                   .codePage = codePage,
                                   .contactManager = *contacts,
                                   .spellChecker = *speller};
        penwick::App app(services);
        app.start();  // a failing load reaches the standard report inside
        return ui.run();
    } catch (...) {
        // A part that cannot even be set up ends the program the way a failing handler does.
        penwick::ui::Program(ui).reportFatal(penwick::currentFailure(u"Penwick"));
        return 1;
    }
}
