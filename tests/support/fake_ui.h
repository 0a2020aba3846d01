#pragma once
// An in-memory front end: windows and controls built from their descriptions, with every
// message box, dialog and modal show answered by the test.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/classic_control.h"
#include "ui/window.h"

namespace penwick::testing {

class FakeUi;
class FakeWindow;

class FakeControl final : public ui::ClassicControl {
public:
    FakeControl(FakeWindow& window, const ui::ControlDesc& description);

    const ui::ControlDesc& description() const override { return description_; }
    std::u16string text() const override;
    bool enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool visible() const { return visible_; }
    void setVisible(bool visible) override;
    void setFocus() override;
    bool hasFocus() const;
    ui::SysColor background() const { return background_; }
    void setBackground(ui::SysColor color) override { background_ = color; }
    void bringToFront() override;

    int selectionStart() const override { return selStart_; }
    int selectionLength() const { return selLength_; }
    std::u16string selectedText() const override;
    void setSelectedText(std::u16string_view text) override;

    int listIndex() const override { return listIndex_; }
    int listCount() const override { return static_cast<int>(items_.size()); }
    void clearList() override;
    void addItem(std::u16string_view item) override;

    std::chrono::year_month_day calendarValue() const override { return calendar_; }

    // How many times the control was brought to the front.
    int raisedCount() const { return raised_; }

protected:
    void writeText(std::u16string_view text) override;
    void placeCaret(int position) override { selStart_ = position, selLength_ = 0; }
    void select(int start, int length) override { selStart_ = start, selLength_ = length; }
    void selectEntry(int index) override { listIndex_ = index; }
    std::u16string entry(int index) const override {
        return items_[static_cast<std::size_t>(index)];
    }
    void showDate(std::chrono::year_month_day date) override { calendar_ = date; }

private:
    bool isList() const;

    FakeWindow& window_;
    const ui::ControlDesc& description_;
    std::u16string text_;
    bool enabled_ = true;
    bool visible_ = true;
    ui::SysColor background_ = ui::SysColor::Window;
    int selStart_ = 0;
    int selLength_ = 0;
    std::vector<std::u16string> items_;
    int listIndex_ = -1;
    std::chrono::year_month_day calendar_{};
    int raised_ = 0;
};

class FakeWindow final : public ui::Window {
public:
    FakeWindow(FakeUi& ui, const ui::WindowDesc& description, ui::EventSink& sink);

    const ui::WindowDesc& description() const override { return description_; }
    FakeControl& control(std::string_view name, int index = -1) override;
    std::u16string caption() const { return caption_; }
    void setCaption(std::u16string_view caption) override;
    void show() override { visible_ = true; }
    void showModal() override;
    void hide() override { visible_ = false; }
    bool visible() const override { return visible_; }
    void bringToFront() override { ++raised_; }
    void moveTo(int leftTwips, int topTwips) override { left_ = leftTwips, top_ = topTwips; }
    int widthTwips() const override { return description_.clientWidth + 120; }
    int heightTwips() const override { return description_.clientHeight + 450; }
    void setProgress(const ui::Progress& progress) override;

    // The user's side: events as the front end delivers them.
    void click(std::string_view control, int index = -1);
    void doubleClick(std::string_view control, int index = -1);
    void requestClose();
    // The user types into a text box or picks an entry (which fires its click).
    void type(std::string_view control, std::u16string_view text);
    void choose(std::string_view control, int index);

    int left() const { return left_; }
    int top() const { return top_; }
    int raisedCount() const { return raised_; }
    const std::vector<std::u16string>& captionHistory() const { return captions_; }
    FakeControl* focused() const { return focused_; }

private:
    friend class FakeControl;
    void moveFocus(FakeControl* to);
    void deliver(ui::EventKind kind, std::string_view control, int index);

    FakeUi& ui_;
    const ui::WindowDesc& description_;
    ui::EventSink& sink_;
    std::vector<std::unique_ptr<FakeControl>> controls_;
    std::u16string caption_;
    std::vector<std::u16string> captions_;
    FakeControl* focused_ = nullptr;
    bool visible_ = false;
    int left_ = 0, top_ = 0;
    int raised_ = 0;
};

struct ShownMessage {
    std::u16string prompt;
    ui::MessageStyle style;
    std::u16string title;
};

class FakeUi final : public ui::Ui {
    friend class FakeWindow;

public:
    ~FakeUi() override;

    ui::Window& create(const ui::WindowDesc& description, ui::EventSink& sink) override;
    void destroy(ui::Window& window) override;
    void yield() override;
    ui::MessageAnswer messageBox(std::u16string_view prompt, ui::MessageStyle style,
                                 std::u16string_view title) override;
    std::optional<std::u16string> openFile(const ui::FileDialogRequest& request,
                                           ui::Window* owner) override;
    ui::ScreenSize screenSize() const override { return screen_; }
    void quit(int exitCode) override { quitCode_ = exitCode; }
    int run() override { return quitCode_.value_or(0); }

    // --- the test's side ---
    // The window of that name, or nullptr when it is not created.
    FakeWindow* find(std::string_view name) const;
    // Whether that window is still loaded (it is not dereferenced).
    bool holds(const ui::Window* window) const;
    FakeWindow& window(std::string_view name) const;

    // What the user does when a window is shown modally. Each show takes the next answer for
    // that window; the answer must hide or close the window.
    void onModal(std::string name, std::function<void(FakeWindow&)> answer);
    // Answers for the next message boxes, in order. An answer the box's style does not offer
    // fails the test.
    void answerMessages(std::initializer_list<ui::MessageAnswer> answers);
    // Every progress any window showed, oldest first; kept when the window goes.
    const std::vector<ui::Progress>& progressShown() const { return progress_; }
    // The next file dialog returns this path, or nothing for a cancel.
    void answerFileDialog(std::optional<std::u16string> path);
    // Runs at every yield (the user acting while the program lets messages through).
    void onYield(std::function<void(int yieldNumber)> action) { onYield_ = std::move(action); }

    const std::vector<ShownMessage>& messages() const { return messages_; }
    const std::vector<ui::FileDialogRequest>& fileDialogs() const { return fileDialogs_; }
    const std::vector<std::string>& destroyed() const { return destroyed_; }
    int yieldCount() const { return yields_; }
    std::optional<int> quitCode() const { return quitCode_; }
    void setScreen(ui::ScreenSize size) { screen_ = size; }

private:
    friend class FakeWindow;
    std::vector<std::unique_ptr<FakeWindow>> windows_;
    std::map<std::string, std::deque<std::function<void(FakeWindow&)>>, std::less<>> modal_;
    std::deque<ui::MessageAnswer> answers_;
    std::vector<ui::Progress> progress_;
    std::deque<std::optional<std::u16string>> fileAnswers_;
    std::function<void(int)> onYield_;
    std::vector<ShownMessage> messages_;
    std::vector<ui::FileDialogRequest> fileDialogs_;
    std::vector<std::string> destroyed_;
    int yields_ = 0;
    std::optional<int> quitCode_;
    ui::ScreenSize screen_{19200, 14400};  // 1280 x 960 pixels at 96 dpi
};

}  // namespace penwick::testing
