#include "app/note_update_form.h"

#include "app/app.h"
#include "app/version.h"
#include "lookup/validate_user_form.h"
#include "lookup/write_note.h"
#include "note/dates.h"
#include "note/note_types.h"
#include "spell/spell_check.h"
#include "spell/spell_check_form.h"
#include "util/paths.h"
#include "util/text.h"

namespace penwick::app {

using ui::ControlKind;
using ui::SysColor;

namespace {

ui::Font verdana(double points, bool bold = false, bool underline = false) {
    return ui::Font{u"Verdana", points, bold, underline};
}
const ui::Font kSmallButton{u"Tahoma", 6};

ui::WindowDesc makeDescription() {
    ui::WindowDesc w;
    w.name = "frmNoteUpdate";
    w.caption = u"Penwick by Hollowfen ver ";
    w.clientWidth = 5715;
    w.clientHeight = 4905;
    w.border = ui::Border::Sizable;
    w.minimizeButton = true;
    w.maximizeButton = false;
    w.startPosition = ui::StartPosition::CenterScreen;
    w.icon = ui::Image::MainIcon;

    const auto add = [&](ui::ControlDesc c) { w.controls.push_back(std::move(c)); };
    const auto label = [](std::string name, int index, std::u16string text, ui::Rect r, int tab,
                          std::optional<ui::Font> font) {
        ui::ControlDesc c{.name = std::move(name), .index = index, .kind = ControlKind::Label};
        c.text = std::move(text), c.geometry = r, c.tabIndex = tab, c.font = std::move(font);
        c.parent = "Frame2", c.tabStop = false;
        return c;
    };
    const auto link = [&](std::string name, std::u16string_view text, ui::Rect r, int tab,
                          std::string parent) {
        ui::ControlDesc c =
            label(std::move(name), -1, std::u16string(text), r, tab, verdana(8.25, false, true));
        c.parent = std::move(parent);
        c.background = SysColor::Menu, c.foreground = SysColor::AppWorkspace;
        c.cursor = ui::Cursor::Link;
        return c;
    };

    add({.name = "txtDate",
         .kind = ControlKind::TextBox,
         .geometry = {1320, 360, 1335, 315},
         .tabIndex = 0,
         .parent = "Frame2"});
    add({.name = "cboNoteType",
         .kind = ControlKind::DropDownList,
         .geometry = {3840, 360, 1455, 315},
         .tabIndex = 1,
         .parent = "Frame2"});
    add({.name = "txtNote",
         .kind = ControlKind::MultiLineTextBox,
         .geometry = {180, 1440, 5115, 1875},
         .tabIndex = 2,
         .parent = "Frame2"});
    add({.name = "cmdWriteNote",
         .kind = ControlKind::Button,
         .text = u"Write Note to Lookup",
         .geometry = {3420, 4440, 2175, 375},
         .font = verdana(8.25),
         .tabIndex = 3});
    add({.name = "cmdCancel",
         .kind = ControlKind::Button,
         .text = u"Cancel",
         .geometry = {180, 4440, 1155, 375},
         .font = verdana(8.25),
         .tabIndex = 4});
    {
        ui::ControlDesc c = label("lblCaption", -1, u"Write a Note for the Current ACT! Lookup",
                                  {180, 180, 4995, 255}, 5, verdana(9.75, true));
        c.parent.clear();
        add(std::move(c));
    }
    add(link("Label2", kMakerEmailAddress, {240, 5580, 1635, 255}, 6, ""));
    add({.name = "Frame2",
         .kind = ControlKind::Frame,
         .geometry = {120, 480, 5475, 3795},
         .tabIndex = 7,
         .tabStop = false});
    add({.name = "cmdCal",
         .kind = ControlKind::Button,
         .text = u">",
         .geometry = {2445, 390, 195, 270},
         .font = kSmallButton,
         .tabIndex = 8,
         .parent = "Frame2",
         .accessibleName = u"Choose a date"});
    add({.name = "cmdSpellCheck",
         .kind = ControlKind::Button,
         .text = u"Spell Check",
         .geometry = {4080, 3360, 1215, 315},
         .font = verdana(8.25),
         .tabIndex = 9,
         .parent = "Frame2"});
    const auto labelFor = [](ui::ControlDesc c, std::string control) {
        c.labelFor = std::move(control);
        return c;
    };
    add(labelFor(label("Label1", 2, u"Note:", {180, 1200, 1155, 195}, 10, verdana(9.75)),
                 "txtNote"));
    add(labelFor(label("Label1", 1, u"Note Type", {2745, 375, 1155, 255}, 11, verdana(9.75)),
                 "cboNoteType"));
    add(labelFor(label("Label1", 0, u"Note Date", {180, 420, 1155, 195}, 12, verdana(9.75)),
                 "txtDate"));
    add({.name = "Cal",
         .kind = ControlKind::MonthCalendar,
         .geometry = {60, 660, 2595, 2175},
         .tabIndex = 13,
         .parent = "Frame2",
         .background = SysColor::Window,
         .visible = false,
         .accessibleName = u"Calendar"});
    {
        // The web link opens the maker's page, so Tab reaches it as it does a button.
        ui::ControlDesc c = link("Label8", kMakerWebAddress, {180, 3420, 2175, 255}, 14, "Frame2");
        c.tabStop = true;
        add(std::move(c));
    }
    add({.name = "cmdFile",
         .kind = ControlKind::Button,
         .text = u">",
         .geometry = {5075, 990, 195, 215},
         .font = kSmallButton,
         .tabIndex = 15,
         .parent = "Frame2",
         .accessibleName = u"Choose a file"});
    add({.name = "txtFile",
         .kind = ControlKind::TextBox,
         .geometry = {1320, 960, 3975, 255},
         .tabIndex = 16,
         .parent = "Frame2",
         .accessibleName = u"File Attachment"});  // the label abbreviates it
    add(labelFor(label("lblFile", -1, u"File Attch.", {180, 960, 1155, 210}, 17, verdana(9.75)),
                 "txtFile"));
    {
        ui::ControlDesc c =
            label("lblDateFormat", -1, u"", {1320, 705, 1515, 195}, 18, verdana(8.25));
        c.foreground = SysColor::GrayText;
        add(std::move(c));
    }
    return w;
}

}  // namespace

const ui::WindowDesc& noteUpdateDescription() {
    static const ui::WindowDesc description = makeDescription();
    return description;
}

NoteUpdateForm::NoteUpdateForm(App& app)
    : ui::Form(app.program(), noteUpdateDescription()), app_(app) {}

NoteUpdateControls& NoteUpdateForm::controls() {
    window();  // the load binds them
    return *controls_;
}

void NoteUpdateForm::handle(const ui::Event& e) {
    using ui::EventKind;
    const auto is = [&](EventKind kind, std::string_view control) {
        return e.kind == kind && e.control == control;
    };
    switch (e.kind) {
        case EventKind::Load:
            return load();  // failures are fatal
        case EventKind::Activate:
            return activationSteps();  // failures ignored step by step
        case EventKind::Resize:
            return;  // nothing moves
        case EventKind::CloseRequest:
            return closeSteps();  // failures are fatal
        default:
            break;
    }
    if (is(EventKind::Click, "cmdCancel")) {
        // Failures are fatal. Ends the program even while a run is under way.
        closeSteps();
        program().end(0);
    } else if (is(EventKind::Click, "Label8")) {
        // Failures are fatal; the shell's own outcome is not reported.
        app_.services().platform.shellOpen(controls().Label8.text());
    } else if (is(EventKind::Click, "cmdCal")) {
        openCalendar();
    } else if (is(EventKind::DblClick, "Cal")) {
        takeCalendarDate();
    } else if (is(EventKind::LostFocus, "Cal")) {
        controls().Cal.setVisible(false);  // failures are fatal
    } else if (is(EventKind::Click, "cboNoteType")) {
        RefreshAttachmentFields();  // failures are fatal here
    } else if (is(EventKind::Click, "cmdFile")) {
        attachFile();
    } else if (is(EventKind::Click, "cmdWriteNote")) {
        writeNote();  // failures are fatal
    } else if (is(EventKind::Click, "cmdSpellCheck")) {
        spellCheck();  // tests each failure's number itself
    }
    // Label2 and everything else: no action.
}

void NoteUpdateForm::load() {
    ui::Window& w = window();
    controls_.emplace(NoteUpdateControls{
        .txtDate = w.control("txtDate"),
        .cboNoteType = w.control("cboNoteType"),
        .txtNote = w.control("txtNote"),
        .cmdWriteNote = w.control("cmdWriteNote"),
        .Label8 = w.control("Label8"),
        .Cal = w.control("Cal"),
        .txtFile = w.control("txtFile"),
        .lblFile = w.control("lblFile"),
        .cmdFile = w.control("cmdFile"),
        .lblDateFormat = w.control("lblDateFormat"),
    });
    NoteUpdateControls& c = *controls_;

    auto& state = app_.state();
    const Locale& locale = app_.services().locale;
    state.ShortDateFormat = note::userShortDatePattern(locale);
    c.lblDateFormat.setText(state.ShortDateFormat);
    c.txtDate.setText(
        note::FormatDateByPattern(app_.services().clock.today(), state.ShortDateFormat, locale));
    ui::Control& types = c.cboNoteType;
    for (const note::NoteType& type : note::kNoteTypes) types.addItem(type.name);
    types.setListIndex(0);
}

void NoteUpdateForm::activationSteps() {
    ignoringFailure([&] { controls().txtNote.setFocus(); });
    ignoringFailure([&] {
        window().setCaption(u"Penwick by Hollowfen ver " + decimal(kVersionMajor) + u"." +
                            decimal(kVersionMinor));
    });
    ignoringFailure([&] { RefreshAttachmentFields(); });
}

void NoteUpdateForm::RefreshAttachmentFields() {
    NoteUpdateControls& c = controls();
    const bool attach = c.cboNoteType.text() == note::kFileAttachment;
    c.lblFile.setEnabled(attach);
    c.txtFile.setEnabled(attach);
    c.cmdFile.setEnabled(attach);
    ui::Control& path = c.txtFile;
    path.setBackground(path.enabled() ? SysColor::Window : SysColor::ButtonFace);
}

void NoteUpdateForm::closeSteps() {
    // Newest first, so that nothing outlives the window that opened it.
    while (program().loadedForms().size() > 1) program().loadedForms().back()->unload();
    unload();
    program().end(0);
}

void NoteUpdateForm::openCalendar() {
    // The first failure ends the handler silently; steps already done stay done.
    endingSilentlyOnFailure([&] {
        ui::Control& cal = controls().Cal;
        cal.setCalendarValue(app_.services().clock.today());
        cal.setVisible(true);
        cal.bringToFront();
        cal.setFocus();
    });
}

void NoteUpdateForm::takeCalendarDate() {
    // Failures are fatal.
    NoteUpdateControls& c = controls();
    c.txtDate.setText(note::FormatDateByPattern(c.Cal.calendarValue(), app_.state().ShortDateFormat,
                                                app_.services().locale));
    c.Cal.setVisible(false);
    c.txtNote.setFocus();
}

void NoteUpdateForm::attachFile() {
    // Cancel and every other failure end the handler silently at the step that failed.
    endingSilentlyOnFailure([&] {
        auto& services = app_.services();
        ui::FileDialogRequest request;
        request.filter = u"All Files (*.*)|*.*";
        request.initialFolder = services.settings.get(kSettingsApp, u"Settings", u"FilePath",
                                                      services.platform.currentFolder());
        request.title = u"Attach File";
        const auto chosen = services.ui.openFile(request, &window());
        if (!chosen) raise(err::DialogCancelled, u"cDialog");
        controls().txtFile.setText(*chosen);
        const PathStyle style =
            services.platform.directorySeparator() == u'/' ? PathStyle::Posix : PathStyle::Windows;
        services.settings.save(kSettingsApp, u"Settings", u"FilePath",
                               FolderOfPath(*chosen, style));
    });
}

void NoteUpdateForm::writeNote() {
    Services& services = app_.services();
    ProgramState& state = app_.state();
    NoteUpdateControls& c = controls();
    lookup::WriteNoteContext run{.ui = services.ui,
                                 .program = program(),
                                 .contactManager = services.contactManager,
                                 .settings = services.settings,
                                 .platform = services.platform,
                                 .codePage = services.codePage,
                                 .locale = services.locale,
                                 .clock = services.clock,
                                 .loginDialog = app_.frmValidateUser(),
                                 .loginValidated = state.LoginValidated,
                                 .contactIds = state.ContactIds};
    const lookup::NoteEntries entries{.date = c.txtDate,
                                      .note = c.txtNote,
                                      .file = c.txtFile,
                                      .noteTypeIndex = c.cboNoteType.listIndex()};
    if (lookup::writeNoteToLookup(run, entries, *this)) closeSteps();
}

void NoteUpdateForm::spellCheck() {
    Services& services = app_.services();
    spell::runSpellCheck(services.ui, controls().txtNote, app_.frmSpellCheck(),
                         services.spellChecker);
}

void NoteUpdateForm::setCaption(std::u16string_view caption) {
    window().setCaption(caption);
}

void NoteUpdateForm::setProgress(const ui::Progress& progress) {
    window().setProgress(progress);
}

void NoteUpdateForm::setWriteEnabled(bool enabled) {
    controls().cmdWriteNote.setEnabled(enabled);
}

}  // namespace penwick::app
