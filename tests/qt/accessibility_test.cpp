// What a screen reader finds in the three windows, through Qt's accessibility interface: every
// control Tab reaches, in tab order, with its role and a name to speak.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QTest>

#include "app/note_update_form.h"
#include "lookup/validate_user_form.h"
#include "qt/qt_window.h"
#include "qt/widgets_ui.h"
#include "spell/spell_check_form.h"
#include "ui/accessibility.h"
#include "util/text.h"

namespace penwick::qt {
namespace {

struct Sink final : ui::EventSink {
    void deliver(const ui::Event& e) override { events.push_back(e); }
    std::vector<ui::Event> events;
};

// "name role 'spoken'" for each control Tab reaches from the window, in that order.
std::vector<std::string> spokenInTabOrder(QWidget* top) {
    std::vector<std::string> seen;
    for (QWidget* w = top->nextInFocusChain(); w != top; w = w->nextInFocusChain()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || w->objectName().isEmpty() ||
            w->objectName().startsWith("qt_"))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        const QString name = a->text(QAccessible::Name);
        EXPECT_TRUE(ui::isSpeakable(name.toStdU16String())) << w->objectName().toStdString();
        seen.push_back(w->objectName().toStdString() + " " + std::to_string(a->role()) + " '" +
                       name.toStdString() + "'");
    }
    return seen;
}

std::string row(const char* control, QAccessible::Role role, const std::string& name) {
    return std::string(control) + " " + std::to_string(role) + " '" + name + "'";
}

TEST(QtAccessibility, EveryControlTabReachesHasARoleAndANameToSpeak) {
    using R = QAccessible::Role;
    const std::string web = toUtf8(app::kMakerWebAddress);
    const struct {
        const ui::WindowDesc* window;
        std::vector<std::string> expected;
    } cases[] = {
        {&app::noteUpdateDescription(),
         {row("txtDate", R::EditableText, "Note Date"),
          row("cboNoteType", R::ComboBox, "Note Type"), row("txtNote", R::EditableText, "Note"),
          row("cmdWriteNote", R::Button, "Write Note to Lookup"),
          row("cmdCancel", R::Button, "Cancel"), row("cmdCal", R::Button, "Choose a date"),
          row("cmdSpellCheck", R::Button, "Spell Check"), row("Cal", R::Table, "Calendar"),
          row("Label8", R::Link, web), row("cmdFile", R::Button, "Choose a file"),
          row("txtFile", R::EditableText, "File Attachment")}},
        {&lookup::validateUserDescription(),
         {row("txtUserName", R::EditableText, "User Name"),
          row("txtPassword", R::EditableText, "Password"), row("cmdOK", R::Button, "OK"),
          row("Command1", R::Button, "Cancel")}},
        {&spell::spellCheckWindow(),
         {row("txtBadWord", R::EditableText, "Not in Dictionary"),
          row("lstSuggestions", R::List, "Suggestions"),
          row("txtReplace", R::EditableText, "Replace With"), row("cmdChange", R::Button, "Change"),
          row("cmdIgnore", R::Button, "Ignore")}},
    };
    QtUi ui;
    Sink sink;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.window->name);
        ui::Window& w = ui.create(*c.window, sink);
        static_cast<QtWindow&>(w).buildRest();  // as once the window has been painted
        EXPECT_EQ(spokenInTabOrder(ui.widgetOf(w)), c.expected);
        ui.destroy(w);
    }
}

TEST(QtAccessibility, LabelsNameTheirBoxesAndTheLinkAnswersTheKeyboard) {
    QtUi ui;
    Sink sink;
    ui::Window& w = ui.create(app::noteUpdateDescription(), sink);
    QWidget* top = ui.widgetOf(w);
    EXPECT_EQ(top->findChild<QLabel*>("Label1_0")->buddy(), top->findChild<QWidget*>("txtDate"));
    // The spell check's boxes say what their tool tips say.
    ui::Window& spell = ui.create(spell::spellCheckWindow(), sink);
    QWidget* list = ui.widgetOf(spell)->findChild<QWidget*>("lstSuggestions");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(list)->text(QAccessible::Description),
              "Double click to replace with this word");
    ui.destroy(spell);

    QWidget* link = top->findChild<QWidget*>("Label8");
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
        sink.events.clear();
        QTest::keyClick(link, key);
        ASSERT_EQ(sink.events.size(), 1u);
        EXPECT_EQ(sink.events[0].control, "Label8");
        EXPECT_EQ(sink.events[0].kind, ui::EventKind::Click);
    }
    ui.destroy(w);
}

}  // namespace
}  // namespace penwick::qt
