// Penwick on Windows: every outside part is chosen here, once, and handed to the program.

#include <windows.h>

#include "app/app.h"
#include "com/apartment.h"
#include "com/factories.h"
#include "com/message_filter.h"
#include "ui/program.h"
#include "util/failure.h"
#include "win32/win32_ui.h"
#include "windows/ansi_code_page.h"
#include "windows/registry_settings.h"
#include "windows/win_locale.h"
#include "windows/win_platform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    penwick::win32::Win32Ui ui(instance);
    try {
        // Automation objects live inside the apartment: they are all gone before it ends.
        penwick::com::Apartment apartment;
        penwick::windows::WinPlatform platform;
        penwick::windows::RegistrySettings settings;
        penwick::windows::WinLocale locale;
        penwick::windows::SystemClock clock;
        penwick::windows::AnsiCodePage codePage;
        // Busy servers are waited for, for the program's whole life.
        penwick::com::MessageFilter filter(ui);
        const penwick::com::MessageFilterRegistration filtering(filter);
        const auto contacts = penwick::com::makeActContactManagerFactory(&filter);
        const auto speller = penwick::com::makeWordSpellCheckerFactory(&filter);

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
