#include "spell/spell_check_form.h"

#include "util/text.h"

namespace penwick::spell {

namespace {

const ui::Font kTahoma{u"Tahoma", 9};

ui::ControlDesc label(std::string name, std::u16string text, ui::Rect geometry, int tabIndex,
                      std::string labelFor = {}) {
    ui::ControlDesc c;
    c.name = std::move(name);
    c.kind = ui::ControlKind::Label;
    c.text = std::move(text);
    c.geometry = geometry;
    c.font = kTahoma;
    c.tabIndex = tabIndex;
    c.foreground = ui::SysColor::WindowText;
    c.tabStop = false;
    c.labelFor = std::move(labelFor);
    return c;
}

ui::ControlDesc control(std::string name, ui::ControlKind kind, std::u16string text,
                        std::u16string toolTip, ui::Rect geometry, int tabIndex) {
    ui::ControlDesc c;
    c.name = std::move(name);
    c.kind = kind;
    c.text = std::move(text);
    c.toolTip = std::move(toolTip);
    c.geometry = geometry;
    c.font = kTahoma;
    c.tabIndex = tabIndex;
    return c;
}

ui::WindowDesc makeWindow() {
    using ui::ControlKind;
    ui::WindowDesc w = ui::WindowDesc::fixedDialog("frmSpellCheck", u"Suggestions", 4215, 3915);
    w.startPosition = ui::StartPosition::CenterOwner;
    w.background = ui::SysColor::Menu;
    w.defaultFont = kTahoma;
    w.icon = ui::Image::SpellIcon;

    w.controls.push_back(
        label("Label1", u"Not in Dictionary:", {75, 135, 2715, 240}, 3, "txtBadWord"));
    ui::ControlDesc badWord = control("txtBadWord", ControlKind::TextBox, {},
                                      u"Word not found in dictionary", {75, 360, 2940, 315}, 0);
    badWord.readOnly = true;
    w.controls.push_back(std::move(badWord));
    w.controls.push_back(
        label("Label2", u"Suggestions:", {75, 810, 2490, 240}, 4, "lstSuggestions"));
    w.controls.push_back(control("lstSuggestions", ControlKind::ListBox, {},
                                 u"Double click to replace with this word", {75, 1035, 2940, 1740},
                                 1));
    w.controls.push_back(
        control("cmdChange", ControlKind::Button, u"Change", {}, {3180, 1080, 915, 375}, 6));
    w.controls.push_back(
        control("cmdIgnore", ControlKind::Button, u"Ignore", {}, {3180, 1560, 915, 375}, 7));
    w.controls.push_back(label("Label3", u"Replace With:", {75, 2985, 2715, 240}, 5, "txtReplace"));
    w.controls.push_back(control("txtReplace", ControlKind::TextBox, {},
                                 u"Enter the new word to use", {75, 3210, 2940, 315}, 2));
    // Says when the suggestions are not in the user's language; empty otherwise.
    w.controls.push_back(label("lblLanguage", {}, {75, 3600, 4065, 240}, 8));
    return w;
}

}  // namespace

const ui::WindowDesc& spellCheckWindow() {
    static const ui::WindowDesc window = makeWindow();
    return window;
}

SpellCheckForm::SpellCheckForm(ui::Program& program) : ui::Form(program, spellCheckWindow()) {}

SpellCheckControls& SpellCheckForm::controls() {
    window();  // the load binds them
    return *controls_;
}

std::u16string SpellCheckForm::ReplacementWord() const {
    return trimSpaces(replacementWord_);
}

void SpellCheckForm::handle(const ui::Event& event) {
    using ui::EventKind;
    // No handler here traps a failure: they reach the standard fatal-error report.
    if (event.kind == EventKind::Load) {
        ui::Window& w = window();
        controls_.emplace(SpellCheckControls{.txtBadWord = w.control("txtBadWord"),
                                             .lstSuggestions = w.control("lstSuggestions"),
                                             .txtReplace = w.control("txtReplace"),
                                             .lblLanguage = w.control("lblLanguage")});
        return;
    }
    if (event.kind == EventKind::CloseRequest && event.control.empty()) {
        // The close box destroys the window; the run sees the flag and ends the check.
        closedByUser_ = true;
        unload();
        return;
    }
    if (event.control == "cmdChange" && event.kind == EventKind::Click) change();
    if (event.control == "cmdIgnore" && event.kind == EventKind::Click) ignore();
    if (event.control == "lstSuggestions" && event.kind == EventKind::Click) suggestionClicked();
    if (event.control == "lstSuggestions" && event.kind == EventKind::DblClick)
        suggestionDoubleClicked();
}

std::u16string SpellCheckForm::selectedSuggestion() {
    ui::Control& list = controls().lstSuggestions;
    const int index = list.listIndex();
    return index < 0 ? std::u16string{} : list.listItem(index);
}

void SpellCheckForm::decide(std::u16string word) {
    replacementWord_ = std::move(word);
    window().hide();
}

void SpellCheckForm::change() {
    std::u16string typed = trimSpaces(controls().txtReplace.text());
    if (!typed.empty()) {
        decide(std::move(typed));
        return;
    }
    // An empty box leaves the choice to the list; with nothing chosen there either the
    // dialog stays open.
    if (controls().lstSuggestions.listIndex() == -1) return;
    decide(selectedSuggestion());
}

void SpellCheckForm::ignore() {
    replacementWord_.clear();
    window().hide();
}

void SpellCheckForm::suggestionClicked() {
    if (controls().lstSuggestions.listIndex() > -1)
        controls().txtReplace.setText(selectedSuggestion());
}

void SpellCheckForm::suggestionDoubleClicked() {
    decide(selectedSuggestion());
}

}  // namespace penwick::spell
