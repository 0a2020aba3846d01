#pragma once
// Every outside part the program logic reaches, chosen once at start-up and passed in.

#include "lookup/contact_manager.h"
#include "spell/speller.h"
#include "ui/window.h"
#include "util/codepage.h"
#include "util/locale.h"
#include "util/platform.h"
#include "util/settings.h"

namespace penwick {

struct Services {
    ui::Ui& ui;
    Platform& platform;
    SettingsStore& settings;
    Locale& locale;
    Clock& clock;
    CodePage& codePage;
    lookup::ContactManagerFactory& contactManager;
    spell::SpellCheckerFactory& spellChecker;
};

}  // namespace penwick
