#include "embedded_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "util/failure.h"
#include "util/text.h"

namespace penwick::testing {

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/penwick-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string makeDatabase(const std::string& path, std::size_t count) {
    contacts::Store::create(path);
    contacts::Store store(path);
    std::vector<contacts::ContactFields> contacts;
    for (std::size_t i = 1; i <= count; ++i) {
        contacts.push_back({"Contact " + std::to_string(i), "Company", "555", "c@example", "Town"});
    }
    store.addContacts(contacts);
    return store.path();
}

contacts::NoteRecord noteFor(std::int64_t contact, std::string text) {
    contacts::NoteRecord n;
    n.contact = contact;
    n.text = std::move(text);
    n.dateText = n.date = "2026-03-07";
    return n;
}

std::vector<contacts::StoredNote> notesOf(const std::string& database) {
    contacts::Store store(database);
    std::vector<contacts::StoredNote> notes;
    store.forEachNote([&](const contacts::StoredNote& n) { notes.push_back(n); });
    return notes;
}

std::unique_ptr<spell::SpellChecker> NoSpellChecker::create(std::u16string_view className) {
    raise(err::CannotCreateObject, std::u16string(className));
}

EmbeddedRun::EmbeddedRun()
    : sessionPath(folder.file("session.ini")),
      clock(std::chrono::year_month_day{std::chrono::year{2026}, std::chrono::March,
                                        std::chrono::day{7}}),
      embedded(contacts::makeContactManagerFactory(locale, clock, sessionPath)),
      contacts(*embedded) {
    platform.setSeparator(u'/');
    platform.setProgramFolder(fromUtf8(folder.path()));
}

void EmbeddedRun::work(const std::string& database, contacts::LookupQuery lookup,
                       const std::string& user) {
    contacts::writeSession(sessionPath, {database, user, std::move(lookup)});
}

FakeWindow& EmbeddedRun::start(lookup::ContactManagerFactory* factory) {
    // A program that ended left its windows with the old front end; each start gets a new one.
    app.reset();
    services.reset();
    ui = std::make_unique<FakeUi>();
    services = std::make_unique<Services>(Services{.ui = *ui,
                                                   .platform = platform,
                                                   .settings = settings,
                                                   .locale = locale,
                                                   .clock = clock,
                                                   .codePage = codePage,
                                                   .contactManager = factory ? *factory : contacts,
                                                   .spellChecker = speller});
    app = std::make_unique<App>(*services);
    app->start();
    return main();
}

FakeWindow& EmbeddedRun::fill(std::u16string date, int noteType, std::u16string text,
                              std::u16string file) {
    FakeWindow& w = main();
    w.type("txtDate", date);
    w.choose("cboNoteType", noteType);
    w.type("txtNote", text);
    if (!file.empty()) w.control("txtFile").setText(file);
    return w;
}

FakeWindow& EmbeddedRun::readyToWrite(const std::string& database, contacts::LookupQuery lookup,
                                      std::u16string text) {
    work(database, std::move(lookup));
    start();
    fill(u"3/7/2026", 0, std::move(text));
    ui->answerMessages({ui::MessageAnswer::Yes});
    return main();
}

void EmbeddedRun::answerLogin(std::u16string user, std::u16string password, std::string button) {
    ui->onModal("frmValidateUser", [user, password, button](FakeWindow& dialog) {
        dialog.control("txtUserName").setText(user);
        dialog.control("txtPassword").setText(password);
        if (button.empty()) {
            dialog.requestClose();
        } else {
            dialog.click(button);
        }
    });
}

}  // namespace penwick::testing
