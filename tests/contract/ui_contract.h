#pragma once
// The rules every front end keeps for the logic's windows and controls, written once and run
// against each front end. A front end joins by instantiating the suite with a trait of its own:
//
//   struct MyFront {
//       ui::Ui& ui();
//       void pump();                                          // lets pending events run
//       void click(ui::Window& w, std::string_view control);  // the user's click
//       void closeBox(ui::Window& w);                         // the user's close box
//       // Runs `action` as the user once `w` is up modally.
//       void whileModal(ui::Window& w, std::function<void()> action);
//       bool loaded(ui::Window& w);                           // not unloaded (no dereference)
//       // The native state, read from the front end's own widgets, not through ui::Control:
//       int selectionStart(ui::Window& w, std::string_view control);
//       int selectionLength(ui::Window& w, std::string_view control);
//       bool hasFocus(ui::Window& w, std::string_view control);
//       bool enabled(ui::Window& w, std::string_view control);
//       bool shown(ui::Window& w, std::string_view control);  // not hidden itself
//       int listCount(ui::Window& w, std::string_view control);
//       bool paintedIn(ui::Window& w, std::string_view control, ui::SysColor color);
//       std::u16string caption(ui::Window& w);
//   };
//   INSTANTIATE_TYPED_TEST_SUITE_P(My, UiContract, MyFront);
//
// Only GoogleTest and the logic's own headers are used here, so that every platform's tests
// can include it.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/window.h"
#include "util/failure.h"

namespace penwick::contract {

// Records what the front end delivers; a test may act on an event as a handler would.
struct RecordingSink final : ui::EventSink {
    void deliver(const ui::Event& e) override {
        events.push_back(e);
        if (onEvent) onEvent(e);
    }
    int count(ui::EventKind kind, std::string_view control) const {
        int n = 0;
        for (const ui::Event& e : events) n += e.kind == kind && e.control == control;
        return n;
    }
    std::vector<ui::Event> events;
    std::function<void(const ui::Event&)> onEvent;
};

inline ui::WindowDesc contractWindow() {
    using ui::ControlKind;
    ui::WindowDesc w;
    w.name = "frmContract";
    w.caption = u"Contract";
    w.clientWidth = 6000;
    w.clientHeight = 4000;
    w.controls = {
        {.name = "fra",
         .kind = ControlKind::Frame,
         .text = u"Group",
         .geometry = {120, 120, 3000, 2400},
         .tabIndex = 7,
         .tabStop = false},
        {.name = "txtOne",
         .kind = ControlKind::TextBox,
         .geometry = {150, 300, 1500, 300},
         .tabIndex = 0,
         .parent = "fra"},
        {.name = "txtMany",
         .kind = ControlKind::MultiLineTextBox,
         .geometry = {150, 700, 2500, 900},
         .tabIndex = 1,
         .parent = "fra"},
        {.name = "cboPick",
         .kind = ControlKind::DropDownList,
         .geometry = {3300, 150, 1500, 315},
         .tabIndex = 2},
        {.name = "lstPick",
         .kind = ControlKind::ListBox,
         .geometry = {3300, 600, 1500, 1200},
         .tabIndex = 3},
        {.name = "cmdGo",
         .kind = ControlKind::Button,
         .text = u"Go",
         .geometry = {3300, 3000, 1200, 375},
         .tabIndex = 4},
        {.name = "cmdOther",
         .kind = ControlKind::Button,
         .text = u"Other",
         .geometry = {1800, 3000, 1200, 375},
         .tabIndex = 5},
        {.name = "lblName",
         .kind = ControlKind::Label,
         .text = u"Name:",
         .geometry = {150, 2700, 1200, 240},
         .tabIndex = 6,
         .tabStop = false},
    };
    return w;
}

// The failure number a call ends in, or 0 when it returns.
inline int failureOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Failure& f) {
        return f.number();
    }
    return 0;
}

template <class Front>
class UiContract : public ::testing::Test {
protected:
    // The window, created once and shown, as the user meets it.
    ui::Window& shown() {
        if (window_ == nullptr) {
            window_ = &front.ui().create(desc, sink);
            window_->show();
            front.pump();
        }
        return *window_;
    }
    ui::Control& control(std::string_view name) { return shown().control(name); }

    // Members in this order: the window description outlives every window made from it.
    ui::WindowDesc desc = contractWindow();
    ui::WindowDesc dialogDesc = [] {
        ui::WindowDesc d = contractWindow();
        d.name = "frmContractDialog";
        return d;
    }();
    RecordingSink sink;
    RecordingSink dialogSink;
    Front front;

private:
    ui::Window* window_ = nullptr;
};

TYPED_TEST_SUITE_P(UiContract);

// Both text-box kinds keep the same selection rules.
TYPED_TEST_P(UiContract, SelectionCountsFromZeroAndIsCutToTheText) {
    for (const char* name : {"txtOne", "txtMany"}) {
        SCOPED_TRACE(name);
        ui::Window& w = this->shown();
        ui::Control& box = this->control(name);
        auto& f = this->front;

        box.setText(u"Hello wrold again");
        EXPECT_EQ(f.selectionStart(w, name), 0) << "new text: the caret at the start";
        EXPECT_EQ(f.selectionLength(w, name), 0);
        box.setSelectionStart(6);
        box.setSelectionLength(5);
        EXPECT_EQ(f.selectionStart(w, name), 6);
        EXPECT_EQ(f.selectionLength(w, name), 5);
        EXPECT_EQ(box.selectedText(), u"wrold");

        box.setSelectionStart(0);  // a new start drops the selection
        EXPECT_EQ(f.selectionLength(w, name), 0);
        EXPECT_EQ(box.selectedText(), u"");
        box.setSelectionLength(5);
        EXPECT_EQ(box.selectedText(), u"Hello") << "the first character is position 0";

        box.setSelectionStart(1000);  // past the end: the end
        EXPECT_EQ(f.selectionStart(w, name), 17);
        EXPECT_EQ(f.selectionLength(w, name), 0);
        box.setSelectionStart(12);
        box.setSelectionLength(1000);  // cut at the end
        EXPECT_EQ(f.selectionLength(w, name), 5);
        EXPECT_EQ(box.selectedText(), u"again");

        // A negative start or length is refused and changes nothing.
        EXPECT_EQ(failureOf([&] { box.setSelectionStart(-1); }), err::InvalidPropertyValue);
        EXPECT_EQ(failureOf([&] { box.setSelectionLength(-1); }), err::InvalidPropertyValue);
        EXPECT_EQ(f.selectionStart(w, name), 12);
        EXPECT_EQ(f.selectionLength(w, name), 5);
    }
}

TYPED_TEST_P(UiContract, SelectedTextReplacesTheSelectionAndLeavesTheCaretBehindIt) {
    for (const char* name : {"txtOne", "txtMany"}) {
        SCOPED_TRACE(name);
        ui::Window& w = this->shown();
        ui::Control& box = this->control(name);
        auto& f = this->front;

        box.setText(u"Hello wrold again");
        box.setSelectionStart(6);
        box.setSelectionLength(5);
        box.setSelectedText(u"world!");
        EXPECT_EQ(box.text(), u"Hello world! again");
        EXPECT_EQ(f.selectionStart(w, name), 12);
        EXPECT_EQ(f.selectionLength(w, name), 0);

        // Nothing selected: an insertion at the caret, nothing removed.
        box.setSelectionStart(5);
        box.setSelectedText(u",");
        EXPECT_EQ(box.text(), u"Hello, world! again");
        EXPECT_EQ(f.selectionStart(w, name), 6);

        // An empty replacement deletes the selection.
        box.setSelectionStart(12);
        box.setSelectionLength(1);
        box.setSelectedText(u"");
        EXPECT_EQ(box.text(), u"Hello, world again");
        EXPECT_EQ(f.selectionStart(w, name), 12);
    }
}

// Drop-down lists and list boxes alike.
TYPED_TEST_P(UiContract, ListsSelectNothingUntilToldAndTheLogicsChangesFireNoClick) {
    for (const char* name : {"cboPick", "lstPick"}) {
        SCOPED_TRACE(name);
        ui::Window& w = this->shown();
        ui::Control& list = this->control(name);
        auto& f = this->front;

        EXPECT_EQ(list.listIndex(), -1);
        for (const char16_t* item : {u"Note", u"Email", u"Fax Sent"}) list.addItem(item);
        EXPECT_EQ(f.listCount(w, name), 3);
        EXPECT_EQ(list.listIndex(), -1) << "adding entries chooses none";
        EXPECT_EQ(list.text(), u"");

        list.setListIndex(2);
        EXPECT_EQ(list.listIndex(), 2);
        EXPECT_EQ(list.text(), u"Fax Sent");
        EXPECT_EQ(list.listItem(0), u"Note");
        list.setListIndex(-1);
        EXPECT_EQ(list.listIndex(), -1);
        EXPECT_EQ(list.text(), u"");

        EXPECT_EQ(failureOf([&] { list.setListIndex(3); }), err::InvalidPropertyValue);
        EXPECT_EQ(failureOf([&] { list.setListIndex(-2); }), err::InvalidPropertyValue);
        EXPECT_EQ(failureOf([&] { list.listItem(3); }), 381);
        EXPECT_EQ(failureOf([&] { list.listItem(-1); }), 381);

        list.setListIndex(1);
        list.clearList();
        EXPECT_EQ(f.listCount(w, name), 0);
        EXPECT_EQ(list.listIndex(), -1);
        f.pump();
        EXPECT_EQ(this->sink.count(ui::EventKind::Click, name), 0);
    }
}

TYPED_TEST_P(UiContract, FocusGoesOnlyToShownEnabledControlsThatTakeIt) {
    ui::Window& w = this->shown();
    auto& f = this->front;
    ui::Control& one = this->control("txtOne");
    ui::Control& many = this->control("txtMany");

    one.setFocus();
    f.pump();
    EXPECT_TRUE(f.hasFocus(w, "txtOne"));
    many.setFocus();
    f.pump();
    EXPECT_TRUE(f.hasFocus(w, "txtMany"));
    EXPECT_FALSE(f.hasFocus(w, "txtOne"));
    EXPECT_EQ(this->sink.count(ui::EventKind::LostFocus, "txtOne"), 1);

    one.setEnabled(false);
    EXPECT_FALSE(f.enabled(w, "txtOne"));
    EXPECT_EQ(failureOf([&] { one.setFocus(); }), err::InvalidCall);
    one.setEnabled(true);
    EXPECT_TRUE(f.enabled(w, "txtOne"));
    one.setVisible(false);
    EXPECT_FALSE(f.shown(w, "txtOne"));
    EXPECT_EQ(failureOf([&] { one.setFocus(); }), err::InvalidCall);
    one.setVisible(true);
    EXPECT_TRUE(f.shown(w, "txtOne"));
    // Labels and frames never take the focus.
    EXPECT_EQ(failureOf([&] { this->control("lblName").setFocus(); }), err::InvalidCall);
    EXPECT_EQ(failureOf([&] { this->control("fra").setFocus(); }), err::InvalidCall);
    f.pump();
    EXPECT_TRUE(f.hasFocus(w, "txtMany")) << "a refused focus leaves it where it was";

    // Hiding the control with the focus takes the focus from it.
    many.setVisible(false);
    f.pump();
    EXPECT_FALSE(f.hasFocus(w, "txtMany"));
    EXPECT_EQ(this->sink.count(ui::EventKind::LostFocus, "txtMany"), 1);
}

TYPED_TEST_P(UiContract, OnlyAShownEnabledButtonReportsTheUsersClick) {
    ui::Window& w = this->shown();
    auto& f = this->front;
    ui::Control& go = this->control("cmdGo");

    f.click(w, "cmdGo");
    EXPECT_EQ(this->sink.count(ui::EventKind::Click, "cmdGo"), 1);
    go.setEnabled(false);
    f.click(w, "cmdGo");
    go.setEnabled(true);
    go.setVisible(false);
    f.click(w, "cmdGo");
    go.setVisible(true);
    f.pump();
    EXPECT_EQ(this->sink.count(ui::EventKind::Click, "cmdGo"), 1);
}

TYPED_TEST_P(UiContract, ModalShowReturnsWhenAHandlerHidesTheWindow) {
    ui::Window& w = this->front.ui().create(this->dialogDesc, this->dialogSink);
    this->dialogSink.onEvent = [&](const ui::Event& e) {
        if (e.kind == ui::EventKind::Click && e.control == "cmdGo") w.hide();
    };
    bool clicked = false;
    this->front.whileModal(w, [&] {
        EXPECT_TRUE(w.visible()) << "shown while modal";
        this->front.click(w, "cmdOther");  // not every event ends the modal show
        EXPECT_TRUE(w.visible());
        this->front.click(w, "cmdGo");
        clicked = true;
    });
    w.showModal();
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(w.visible());
    EXPECT_TRUE(this->front.loaded(w));
    EXPECT_EQ(this->dialogSink.count(ui::EventKind::Click, "cmdOther"), 1);
}

TYPED_TEST_P(UiContract, TheCloseBoxAsksAndTheWindowStaysUntilTheLogicUnloadsIt) {
    ui::Window& w = this->shown();
    this->front.closeBox(w);
    this->front.pump();
    EXPECT_EQ(this->sink.count(ui::EventKind::CloseRequest, ""), 1);
    EXPECT_TRUE(w.visible()) << "closing is the logic's decision";

    // Modal, the close box ends the show once the handler unloads the window.
    ui::Window& dialog = this->front.ui().create(this->dialogDesc, this->dialogSink);
    this->dialogSink.onEvent = [&](const ui::Event& e) {
        if (e.kind == ui::EventKind::CloseRequest) this->front.ui().destroy(dialog);
    };
    this->front.whileModal(dialog, [&] { this->front.closeBox(dialog); });
    dialog.showModal();
    EXPECT_FALSE(this->front.loaded(dialog));
    EXPECT_EQ(this->dialogSink.count(ui::EventKind::CloseRequest, ""), 1);
}

TYPED_TEST_P(UiContract, CaptionAndBackgroundReachTheScreen) {
    ui::Window& w = this->shown();
    auto& f = this->front;
    EXPECT_EQ(f.caption(w), u"Contract");
    w.setCaption(u"Penwick: Updating 1 of 3");
    EXPECT_EQ(f.caption(w), u"Penwick: Updating 1 of 3");

    ui::Control& box = this->control("txtOne");
    box.setBackground(ui::SysColor::ButtonFace);
    EXPECT_TRUE(f.paintedIn(w, "txtOne", ui::SysColor::ButtonFace));
    EXPECT_FALSE(f.paintedIn(w, "txtOne", ui::SysColor::Window));
    box.setBackground(ui::SysColor::Window);
    EXPECT_TRUE(f.paintedIn(w, "txtOne", ui::SysColor::Window));
}

REGISTER_TYPED_TEST_SUITE_P(UiContract, SelectionCountsFromZeroAndIsCutToTheText,
                            SelectedTextReplacesTheSelectionAndLeavesTheCaretBehindIt,
                            ListsSelectNothingUntilToldAndTheLogicsChangesFireNoClick,
                            FocusGoesOnlyToShownEnabledControlsThatTakeIt,
                            OnlyAShownEnabledButtonReportsTheUsersClick,
                            ModalShowReturnsWhenAHandlerHidesTheWindow,
                            TheCloseBoxAsksAndTheWindowStaysUntilTheLogicUnloadsIt,
                            CaptionAndBackgroundReachTheScreen);

}  // namespace penwick::contract
