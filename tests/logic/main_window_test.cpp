// The main window as the user meets it: start state, activation, closing, the calendar and the
// attachment row.

#include <gtest/gtest.h>

#include "app/note_update_form.h"
#include "lookup/validate_user_form.h"
#include "spell/spell_check_form.h"
#include "support/app_harness.h"
#include "util/failure.h"

namespace penwick::testing {
namespace {

using std::chrono::year, std::chrono::day, std::chrono::year_month_day;
using ui::SysColor;

constexpr std::u16string_view kCaption = u"Penwick by Hollowfen ver 2.2";

TEST(MainWindowStart, OpensReadyForANote) {
    AppHarness h;
    FakeWindow& w = h.start();

    EXPECT_TRUE(w.visible());
    EXPECT_EQ(w.caption(), kCaption);
    EXPECT_EQ(w.control("txtDate").text(), u"12/6/2026");
    EXPECT_EQ(w.control("lblDateFormat").text(), u"M/d/yyyy");
    EXPECT_EQ(h.app->state().ShortDateFormat, u"M/d/yyyy");
    EXPECT_EQ(w.control("cboNoteType").text(), u"Note");
    EXPECT_EQ(w.focused(), &w.control("txtNote"));
    for (const char* name : {"lblFile", "txtFile", "cmdFile"})
        EXPECT_FALSE(w.control(name).enabled()) << name;
    EXPECT_EQ(w.control("txtFile").background(), SysColor::ButtonFace);
    EXPECT_FALSE(w.control("Cal").visible());
    ASSERT_EQ(h.app->program().loadedForms().size(), 1u);
    EXPECT_TRUE(h.ui.messages().empty());
}

TEST(MainWindowStart, ListsTheEightNoteTypesInOrder) {
    AppHarness h;
    FakeControl& types = h.start().control("cboNoteType");
    const std::vector<std::u16string> expected = {
        u"Note",      u"Email",    u"E-mail Sent", u"Closed/Won Sale",
        u"Lost Sale", u"Fax Sent", u"Letter Sent", u"File Attachment"};
    ASSERT_EQ(types.listCount(), 8);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(types.listItem(i), expected[i]);
    EXPECT_EQ(types.listIndex(), 0);
}

TEST(MainWindowStart, IsACentredSizableWindowWithoutMaximise) {
    AppHarness h;
    const ui::WindowDesc& d = h.start().description();
    EXPECT_EQ(d.startPosition, ui::StartPosition::CenterScreen);
    EXPECT_EQ(d.border, ui::Border::Sizable);
    EXPECT_TRUE(d.minimizeButton);
    EXPECT_FALSE(d.maximizeButton);
    EXPECT_EQ(d.clientWidth, 5715);
    EXPECT_EQ(d.clientHeight, 4905);
    // Label2 lies below the client area until the user makes the window taller.
    EXPECT_GT(d.find("Label2")->geometry.top, d.clientHeight);
}

TEST(MainWindowStart, UsesTheFallbackPatternWhenTheSystemHasNone) {
    AppHarness h;
    h.locale = FakeLocale(std::nullopt, u".");
    FakeWindow& w = h.start();
    EXPECT_EQ(w.control("lblDateFormat").text(), u"DD/MM/YYYY");
    EXPECT_EQ(w.control("txtDate").text(), u"06.12.2026");
}

TEST(MainWindowStart, KeepsAPatternWithATwoDigitYear) {
    AppHarness h;
    h.locale = FakeLocale(u"d/M/yy", u"-");
    FakeWindow& w = h.start();
    EXPECT_EQ(w.control("txtDate").text(), u"6-12-26");
    EXPECT_EQ(w.control("lblDateFormat").text(), u"d/M/yy");
}

TEST(MainWindowActivation, RestoresFocusCaptionAndAttachmentRow) {
    AppHarness h;
    FakeWindow& w = h.start();
    w.setCaption(u"Contact 3 of 9");
    w.control("cmdWriteNote").setFocus();
    // The type changed behind the row's back: activation brings the row in line.
    w.control("cboNoteType").setListIndex(7);

    h.app->frmNoteUpdate().activate();

    EXPECT_EQ(w.caption(), kCaption);
    EXPECT_EQ(w.focused(), &w.control("txtNote"));
    EXPECT_TRUE(w.control("txtFile").enabled());
    EXPECT_EQ(w.control("txtFile").background(), SysColor::Window);
}

TEST(MainWindowActivation, GoesOnWhenTheFocusCannotBeGiven) {
    AppHarness h;
    FakeWindow& w = h.start();
    w.setCaption(u"something else");
    w.control("txtNote").setEnabled(false);  // setFocus now fails
    w.control("cboNoteType").setListIndex(7);

    h.app->frmNoteUpdate().activate();

    EXPECT_EQ(w.caption(), kCaption);
    EXPECT_TRUE(w.control("cmdFile").enabled());
    EXPECT_TRUE(h.ui.messages().empty());
}

TEST(MainWindowActivation, FollowsAModalDialogBeingHidden) {
    AppHarness h;
    FakeWindow& w = h.start();
    h.ui.onModal("frmSpellCheck", [](FakeWindow& dialog) { dialog.hide(); });
    w.setCaption(u"busy");
    h.app->frmSpellCheck().showModal();
    EXPECT_EQ(w.caption(), kCaption);
    EXPECT_EQ(w.focused(), &w.control("txtNote"));
}

TEST(MainWindowClose, UnloadsTheHiddenDialogFirstThenEnds) {
    AppHarness h;
    FakeWindow& w = h.start();
    h.ui.onModal("frmSpellCheck", [](FakeWindow& dialog) { dialog.hide(); });
    h.app->frmSpellCheck().showModal();
    ASSERT_EQ(h.app->program().loadedForms().size(), 2u);

    w.requestClose();

    EXPECT_EQ(h.ui.destroyed(), (std::vector<std::string>{"frmSpellCheck", "frmNoteUpdate"}));
    EXPECT_TRUE(h.app->program().ended());
    EXPECT_EQ(h.app->program().exitCode(), 0);
    EXPECT_TRUE(h.app->program().loadedForms().empty());
}

TEST(MainWindowClose, UnloadsNewestFirstWithThreeWindows) {
    AppHarness h;
    h.start();
    h.app->frmSpellCheck().window();
    h.app->frmValidateUser().window();
    h.main().click("cmdCancel");
    EXPECT_EQ(h.ui.destroyed(),
              (std::vector<std::string>{"frmValidateUser", "frmSpellCheck", "frmNoteUpdate"}));
    EXPECT_EQ(h.ui.quitCode(), 0);
}

TEST(MainWindowClose, ResizeMovesNothing) {
    AppHarness h;
    FakeWindow& w = h.start();
    const std::u16string before = w.control("txtNote").text();
    h.app->frmNoteUpdate().deliver({ui::EventKind::Resize, {}, -1});
    EXPECT_TRUE(w.visible());
    EXPECT_EQ(w.control("txtNote").text(), before);
    EXPECT_FALSE(h.app->program().ended());
}

TEST(MainWindowLinks, Label8OpensTheWebAddressAndLabel2DoesNothing) {
    AppHarness h;
    FakeWindow& w = h.start();
    EXPECT_EQ(w.control("Label8").text(), app::kMakerWebAddress);
    EXPECT_EQ(w.control("Label2").text(), app::kMakerEmailAddress);
    w.click("Label2");
    EXPECT_TRUE(h.platform.opened().empty());
    w.click("Label8");
    EXPECT_EQ(h.platform.opened(),
              std::vector<std::u16string>{std::u16string(app::kMakerWebAddress)});
    EXPECT_TRUE(h.ui.messages().empty());
}

TEST(Calendar, OpensAtTodayWhateverTheDateBoxHolds) {
    AppHarness h;
    FakeWindow& w = h.start();
    w.type("txtDate", u"1/1/1999");
    w.click("cmdCal");
    FakeControl& cal = w.control("Cal");
    EXPECT_TRUE(cal.visible());
    EXPECT_EQ(cal.calendarValue(), kToday);
    EXPECT_EQ(cal.raisedCount(), 1);
    EXPECT_EQ(w.focused(), &cal);
}

TEST(Calendar, DoubleClickWritesTheDayInThePattern) {
    AppHarness h;
    FakeWindow& w = h.start();
    w.click("cmdCal");
    w.control("Cal").setCalendarValue(year_month_day{year{2027}, std::chrono::March, day{4}});
    w.doubleClick("Cal");
    EXPECT_EQ(w.control("txtDate").text(), u"3/4/2027");
    EXPECT_FALSE(w.control("Cal").visible());
    EXPECT_EQ(w.focused(), &w.control("txtNote"));
}

TEST(Calendar, LosingFocusHidesItWithoutTakingADate) {
    AppHarness h;
    FakeWindow& w = h.start();
    w.type("txtDate", u"typed by hand");
    w.click("cmdCal");
    w.control("Cal").setCalendarValue(year_month_day{year{2027}, std::chrono::March, day{4}});
    w.control("txtNote").setFocus();
    EXPECT_FALSE(w.control("Cal").visible());
    EXPECT_EQ(w.control("txtDate").text(), u"typed by hand");
}

TEST(Calendar, AFailingStepEndsTheOpeningSilently) {
    AppHarness h;
    FakeWindow& w = h.start();
    w.control("Cal").setEnabled(false);  // the focus step fails
    w.click("cmdCal");
    EXPECT_TRUE(w.control("Cal").visible());  // steps already done stay done
    EXPECT_TRUE(h.ui.messages().empty());
    EXPECT_FALSE(h.app->program().ended());
}

TEST(AttachmentRow, FollowsTheChosenTypeAndKeepsThePath) {
    AppHarness h;
    FakeWindow& w = h.start();
    w.choose("cboNoteType", 7);
    for (const char* name : {"lblFile", "txtFile", "cmdFile"})
        EXPECT_TRUE(w.control(name).enabled()) << name;
    EXPECT_EQ(w.control("txtFile").background(), SysColor::Window);

    w.type("txtFile", u"C:\\Docs\\offer.txt");
    for (int other = 0; other < 7; ++other) {
        w.choose("cboNoteType", other);
        EXPECT_FALSE(w.control("txtFile").enabled()) << other;
        EXPECT_FALSE(w.control("lblFile").enabled()) << other;
        EXPECT_EQ(w.control("txtFile").background(), SysColor::ButtonFace);
    }
    EXPECT_EQ(w.control("txtFile").text(), u"C:\\Docs\\offer.txt");
}

TEST(AttachDialog, FirstUseOpensInTheCurrentFolderAndRemembersTheChoice) {
    AppHarness h;
    FakeWindow& w = h.start();
    w.choose("cboNoteType", 7);
    h.ui.answerFileDialog(u"C:\\Docs\\offer.txt");
    w.click("cmdFile");

    ASSERT_EQ(h.ui.fileDialogs().size(), 1u);
    const ui::FileDialogRequest& first = h.ui.fileDialogs()[0];
    EXPECT_EQ(first.title, u"Attach File");
    EXPECT_EQ(first.filter, u"All Files (*.*)|*.*");
    EXPECT_EQ(first.initialFolder, h.platform.currentFolder());
    EXPECT_EQ(w.control("txtFile").text(), u"C:\\Docs\\offer.txt");
    EXPECT_EQ(h.settings.get(u"penwick", u"Settings", u"FilePath", u"-"), u"C:\\Docs");

    h.ui.answerFileDialog(u"C:\\offer.txt");
    w.click("cmdFile");
    EXPECT_EQ(h.ui.fileDialogs()[1].initialFolder, u"C:\\Docs");
    EXPECT_EQ(h.settings.get(u"penwick", u"Settings", u"FilePath", u"-"), u"C:");
}

TEST(AttachDialog, RemembersAPosixFolder) {
    AppHarness h;
    h.platform.setSeparator(u'/');
    FakeWindow& w = h.start();
    w.choose("cboNoteType", 7);
    h.ui.answerFileDialog(u"/home/pat/docs/offer.txt");
    w.click("cmdFile");
    EXPECT_EQ(h.settings.get(u"penwick", u"Settings", u"FilePath", u"-"), u"/home/pat/docs");
    h.ui.answerFileDialog(u"/offer.txt");
    w.click("cmdFile");
    EXPECT_EQ(h.settings.get(u"penwick", u"Settings", u"FilePath", u"-"), u"/");
}

TEST(AttachDialog, CancelChangesNothing) {
    AppHarness h;
    FakeWindow& w = h.start();
    w.choose("cboNoteType", 7);
    w.type("txtFile", u"kept.txt");
    h.settings.save(u"penwick", u"Settings", u"FilePath", u"C:\\Old");
    const auto writesBefore = h.settings.writes().size();
    h.ui.answerFileDialog(std::nullopt);
    w.click("cmdFile");
    EXPECT_EQ(w.control("txtFile").text(), u"kept.txt");
    EXPECT_EQ(h.settings.writes().size(), writesBefore);
    EXPECT_TRUE(h.ui.messages().empty());
}

TEST(AttachDialog, AFailedSettingsWriteKeepsTheChosenPath) {
    AppHarness h;
    FakeWindow& w = h.start();
    w.choose("cboNoteType", 7);
    h.settings.failSaves(true);
    h.ui.answerFileDialog(u"C:\\Docs\\offer.txt");
    w.click("cmdFile");
    EXPECT_EQ(w.control("txtFile").text(), u"C:\\Docs\\offer.txt");
    EXPECT_FALSE(h.settings.has(u"Settings", u"FilePath"));
    EXPECT_TRUE(h.ui.messages().empty());
}

}  // namespace
}  // namespace penwick::testing
