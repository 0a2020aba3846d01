#pragma once
// The small window/control interface that event handlers are written against. A front end
// implements it over real windows; tests implement it in memory.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/description.h"
#include "util/value.h"

namespace penwick::ui {

// Text-box members follow the classic rules: selection start counts from 0; a start past
// the end is taken as the end; a negative start or length is failure 380; a length running
// past the end is cut to the end.
class Control : public TextSource {
public:
    virtual const ControlDesc& description() const = 0;

    std::u16string text() const override = 0;
    virtual void setText(std::u16string_view text) = 0;
    virtual bool enabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void setFocus() = 0;
    virtual void setBackground(SysColor color) = 0;
    virtual void bringToFront() = 0;

    // Text boxes.
    virtual void setSelectionStart(int start) = 0;
    virtual void setSelectionLength(int length) = 0;
    virtual std::u16string selectedText() const = 0;
    // Replaces the selection; the caret then stands behind the new text, nothing selected.
    virtual void setSelectedText(std::u16string_view text) = 0;

    // Drop-down lists and list boxes; the index is -1 when nothing is selected.
    virtual int listIndex() const = 0;
    virtual void setListIndex(int index) = 0;
    virtual std::u16string listItem(int index) const = 0;
    virtual void clearList() = 0;
    virtual void addItem(std::u16string_view item) = 0;

    // The month calendar.
    virtual std::chrono::year_month_day calendarValue() const = 0;
    virtual void setCalendarValue(std::chrono::year_month_day date) = 0;
};

// How far long work has come, shown where the desktop shows such things (the taskbar button on
// Windows); beside the caption, which says it in words.
struct Progress {
    enum class State { None, Normal, Error };
    State state = State::None;
    int done = 0;
    int total = 0;
    bool operator==(const Progress&) const = default;
};

class Window {
public:
    virtual ~Window() = default;
    virtual const WindowDesc& description() const = 0;

    // Throws failure 5 for a name the window does not have.
    virtual Control& control(std::string_view name, int index = -1) = 0;

    virtual void setCaption(std::u16string_view caption) = 0;
    virtual void show() = 0;
    // Returns when the window has been hidden or unloaded.
    virtual void showModal() = 0;
    virtual void hide() = 0;
    virtual bool visible() const = 0;
    virtual void bringToFront() = 0;
    // Position of the window's outer top-left corner on the screen, in twips.
    virtual void moveTo(int leftTwips, int topTwips) = 0;
    // Outer size in twips.
    virtual int widthTwips() const = 0;
    virtual int heightTwips() const = 0;
    virtual void setProgress(const Progress& progress) = 0;
};

// Load and Activate come from the program itself (a window is loaded on first use and
// activated when it is first shown or a modal dialog of the program is hidden); the others
// come from the user through the front end.
enum class EventKind { Load, Activate, Click, DblClick, LostFocus, Resize, CloseRequest };

struct Event {
    EventKind kind;
    std::string control;  // empty: the window itself
    int index = -1;
};

// Receives the user's events for one window.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void deliver(const Event& event) = 0;
};

// The message boxes the program shows. The values are the Windows style bits (icon | buttons),
// so a Windows front end passes them on unchanged.
enum class MessageStyle : unsigned {
    CriticalOk = 16,              // the fatal-error report
    InformationOk = 64,           // information icon, OK button
    InformationYesNo = 68,        // information icon, Yes and No buttons
    ExclamationRetryCancel = 53,  // a server stays busy: wait on, or give up
};

// The button that closed a message box, with the Windows answer values.
enum class MessageAnswer : int {
    Ok = 1,
    Cancel = 2,  // Esc or the close box on a box without a No button
    Retry = 4,
    Yes = 6,
    No = 7,
};

struct FileDialogRequest {
    std::u16string title;
    std::u16string filter;  // "Description|pattern" pairs joined by "|"
    std::u16string initialFolder;
};

struct ScreenSize {
    int widthTwips = 0;
    int heightTwips = 0;
};

// The front end: it builds windows from their descriptions and runs the message loop.
class Ui {
public:
    virtual ~Ui() = default;

    // Creates the window (not shown); its user events go to sink.
    virtual Window& create(const WindowDesc& description, EventSink& sink) = 0;
    virtual void destroy(Window& window) = 0;

    // Lets pending window messages run once.
    virtual void yield() = 0;
    virtual MessageAnswer messageBox(std::u16string_view prompt, MessageStyle style,
                                     std::u16string_view title) = 0;
    // The modal file-open dialog over owner; nothing when the user cancels.
    virtual std::optional<std::u16string> openFile(const FileDialogRequest& request,
                                                   Window* owner) = 0;
    virtual ScreenSize screenSize() const = 0;
    // Leaves the message loop and every nested one; the process exits with exitCode.
    virtual void quit(int exitCode) = 0;
    // Runs the message loop until quit; returns the exit code.
    virtual int run() = 0;
};

}  // namespace penwick::ui
