#pragma once
// Penwick on a Linux desktop: every outside part is chosen here, once, and handed to the
// program. The program's main and the start-up benchmark both run it, so that what is measured
// is what users start. Needs penwick_qt, penwick_contacts and penwick_hunspell.

#include <QTimer>

#include <functional>
#include <optional>

#include "app/app.h"
#include "contacts/factory.h"
#include "hunspell/factory.h"
#include "linux/ini_settings.h"
#include "linux/keyring_settings.h"
#include "linux/linux_platform.h"
#include "linux/posix_locale.h"
#include "qt/widgets_ui.h"
#include "ui/program.h"
#include "util/codepage.h"
#include "util/failure.h"

namespace penwick::qt {

// Runs the program on the front end until it ends, and gives its exit code. `onFirstIdle`, if
// given, is called on the event loop's first turn, once the main window is up. `keyring`, if
// given, keeps the remembered password whenever it answers.
inline int runDesktopProgram(QtUi& ui, const std::function<void()>& onFirstIdle = {},
                             linux_platform::Keyring* keyring = nullptr) {
    try {
        linux_platform::LinuxPlatform platform;
        linux_platform::IniSettings file;
        std::optional<linux_platform::KeyringSettings> withKeyring;
        if (keyring) withKeyring.emplace(file, *keyring);
        SettingsStore& settings = withKeyring ? static_cast<SettingsStore&>(*withKeyring) : file;
        linux_platform::PosixLocale locale;
        linux_platform::SystemClock clock;
        Windows1252 codePage;
        const auto contacts = contacts::makeContactManagerFactory(locale, clock);
        const auto speller = hunspell::makeSpellCheckerFactory(locale);

        Services services{.ui = ui,
                          .platform = platform,
                          .settings = settings,
                          .locale = locale,
                          .clock = clock,
                          .codePage = codePage,
                          .contactManager = *contacts,
                          .spellChecker = *speller};
        App app(services);
        if (onFirstIdle) QTimer::singleShot(0, onFirstIdle);
        app.start();  // a failing load reaches the standard report inside
        return ui.run();
    } catch (...) {
        // A part that cannot even be set up ends the program the way a failing handler does.
        ui::Program(ui).reportFatal(currentFailure(u"Penwick"));
        return 1;
    }
}

}  // namespace penwick::qt
