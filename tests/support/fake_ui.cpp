#include "support/fake_ui.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ui/layout.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::testing {

using ui::ControlKind;

FakeControl::FakeControl(FakeWindow& window, const ui::ControlDesc& description)
    : window_(window),
      description_(description),
      text_(description.text),
      visible_(description.visible),
      background_(description.background.value_or(ui::SysColor::Window)) {}

bool FakeControl::isList() const {
    return description_.kind == ControlKind::DropDownList ||
           description_.kind == ControlKind::ListBox;
}

std::u16string FakeControl::text() const {
    if (isList()) return listIndex_ < 0 ? std::u16string{} : items_[listIndex_];
    return text_;
}

void FakeControl::writeText(std::u16string_view text) {
    text_ = text;
    selStart_ = 0;
    selLength_ = 0;
}

void FakeControl::setVisible(bool visible) {
    visible_ = visible;
    if (!visible && window_.focused_ == this) window_.moveFocus(nullptr);
}

void FakeControl::setFocus() {
    const bool takesFocus =
        description_.kind != ControlKind::Label && description_.kind != ControlKind::Frame;
    if (!visible_ || !enabled_ || !takesFocus || !window_.visible_)
        raise(err::InvalidCall, fromUtf8(description_.name + ".SetFocus"));
    window_.moveFocus(this);
}

bool FakeControl::hasFocus() const {
    return window_.focused_ == this;
}

void FakeControl::bringToFront() {
    ++raised_;
}

std::u16string FakeControl::selectedText() const {
    return text_.substr(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_));
}

void FakeControl::setSelectedText(std::u16string_view text) {
    requireTextBox(u"SelText");
    text_.replace(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_), text);
    selStart_ += static_cast<int>(text.size());
    selLength_ = 0;
}

void FakeControl::clearList() {
    requireList(u"Clear");
    items_.clear();
    listIndex_ = -1;
}

void FakeControl::addItem(std::u16string_view item) {
    requireList(u"AddItem");
    items_.emplace_back(item);
}

FakeWindow::FakeWindow(FakeUi& ui, const ui::WindowDesc& description, ui::EventSink& sink)
    : ui_(ui), description_(description), sink_(sink), caption_(description.caption) {
    for (const auto& c : description.controls)
        controls_.push_back(std::make_unique<FakeControl>(*this, c));
}

FakeControl& FakeWindow::control(std::string_view name, int index) {
    return ui::findControl(controls_, description_, name, index);
}

void FakeWindow::setCaption(std::u16string_view caption) {
    caption_ = caption;
    captions_.push_back(caption_);
}

void FakeWindow::moveFocus(FakeControl* to) {
    FakeControl* from = focused_;
    focused_ = to;
    if (from != nullptr && from != to)
        deliver(ui::EventKind::LostFocus, from->description().name, from->description().index);
}

void FakeWindow::deliver(ui::EventKind kind, std::string_view control, int index) {
    sink_.deliver(ui::Event{kind, std::string(control), index});
}

void FakeWindow::showModal() {
    visible_ = true;
    auto& queue = ui_.modal_[description_.name];
    if (queue.empty()) {
        ADD_FAILURE() << description_.name << " was shown modally with no answer queued";
        visible_ = false;
        return;
    }
    auto answer = std::move(queue.front());
    queue.pop_front();
    const std::string name = description_.name;
    FakeUi& ui = ui_;
    answer(*this);
    // The answer may have destroyed this window; look it up again before touching it.
    if (FakeWindow* still = ui.find(name); still == this && visible_) {
        ADD_FAILURE() << name << " is still shown after the test's answer";
        visible_ = false;
    }
}

void FakeWindow::click(std::string_view control, int index) {
    // A hidden or disabled control cannot be clicked: the user's click goes nowhere.
    const FakeControl& c = this->control(control, index);
    if (!c.visible() || !c.enabled()) return;
    deliver(ui::EventKind::Click, control, index);
}

void FakeWindow::doubleClick(std::string_view control, int index) {
    deliver(ui::EventKind::DblClick, control, index);
}

void FakeWindow::requestClose() {
    deliver(ui::EventKind::CloseRequest, {}, -1);
}

void FakeWindow::type(std::string_view name, std::u16string_view text) {
    FakeControl& c = control(name);
    EXPECT_TRUE(c.enabled()) << name << " is disabled";
    c.setText(text);
}

void FakeWindow::choose(std::string_view name, int index) {
    control(name).setListIndex(index);
    click(name);
}

FakeUi::~FakeUi() = default;

ui::Window& FakeUi::create(const ui::WindowDesc& description, ui::EventSink& sink) {
    EXPECT_EQ(find(description.name), nullptr) << description.name << " created twice";
    windows_.push_back(std::make_unique<FakeWindow>(*this, description, sink));
    return *windows_.back();
}

void FakeUi::destroy(ui::Window& window) {
    auto it = std::find_if(windows_.begin(), windows_.end(),
                           [&](const auto& w) { return w.get() == &window; });
    ASSERT_NE(it, windows_.end());
    destroyed_.push_back((*it)->description().name);
    windows_.erase(it);
}

void FakeWindow::setProgress(const ui::Progress& progress) {
    ui_.progress_.push_back(progress);
}

void FakeUi::yield() {
    ++yields_;
    if (onYield_) onYield_(yields_);
}

ui::MessageAnswer FakeUi::messageBox(std::u16string_view prompt, ui::MessageStyle style,
                                     std::u16string_view title) {
    messages_.push_back({std::u16string(prompt), style, std::u16string(title)});
    // The buttons the style puts on the box: an answer it does not offer is the test's
    // mistake or the program's wrong style, and fails the test either way.
    const bool question = style == ui::MessageStyle::InformationYesNo;
    if (!answers_.empty()) {
        const ui::MessageAnswer answer = answers_.front();
        answers_.pop_front();
        const bool retry = style == ui::MessageStyle::ExclamationRetryCancel;
        const bool offered =
            question ? answer == ui::MessageAnswer::Yes || answer == ui::MessageAnswer::No
            : retry  ? answer == ui::MessageAnswer::Retry || answer == ui::MessageAnswer::Cancel
                     : answer == ui::MessageAnswer::Ok;
        if (offered) return answer;
        ADD_FAILURE() << "answer " << static_cast<int>(answer) << " queued for a box of style "
                      << static_cast<unsigned>(style)
                      << ", which does not offer it: " << toUtf8(prompt);
        return question ? ui::MessageAnswer::No : ui::MessageAnswer::Ok;  // the box's Esc
    }
    if (style == ui::MessageStyle::InformationYesNo) {
        ADD_FAILURE() << "a Yes/No question with no answer queued: " << toUtf8(prompt);
        return ui::MessageAnswer::No;
    }
    return ui::MessageAnswer::Ok;
}

std::optional<std::u16string> FakeUi::openFile(const ui::FileDialogRequest& request, ui::Window*) {
    fileDialogs_.push_back(request);
    if (fileAnswers_.empty()) {
        ADD_FAILURE() << "a file dialog with no answer queued";
        return std::nullopt;
    }
    auto answer = fileAnswers_.front();
    fileAnswers_.pop_front();
    return answer;
}

FakeWindow* FakeUi::find(std::string_view name) const {
    for (const auto& w : windows_) {
        if (w->description().name == name) return w.get();
    }
    return nullptr;
}

bool FakeUi::holds(const ui::Window* window) const {
    return std::any_of(windows_.begin(), windows_.end(),
                       [&](const auto& w) { return w.get() == window; });
}

FakeWindow& FakeUi::window(std::string_view name) const {
    FakeWindow* w = find(name);
    if (w == nullptr) throw std::runtime_error("window not created: " + std::string(name));
    return *w;
}

void FakeUi::onModal(std::string name, std::function<void(FakeWindow&)> answer) {
    modal_[name].push_back(std::move(answer));
}

void FakeUi::answerMessages(std::initializer_list<ui::MessageAnswer> answers) {
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

void FakeUi::answerFileDialog(std::optional<std::u16string> path) {
    fileAnswers_.push_back(std::move(path));
}

}  // namespace penwick::testing
