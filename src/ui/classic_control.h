#pragma once
// The classic argument rules of the control members, kept once for every front end: a front
// end's control derives from ClassicControl and supplies only the native reads and writes.

#include <chrono>
#include <string>
#include <string_view>

#include "ui/window.h"

namespace penwick::ui {

class ClassicControl : public Control {
public:
    // Only an entry of a drop-down list can be its text, compared exactly (failure 383 for any
    // other); a list box and a calendar have no text to set (380).
    void setText(std::u16string_view text) final;
    void setSelectionStart(int start) final;
    void setSelectionLength(int length) final;
    // -1 chooses nothing; an index outside the list is failure 380.
    void setListIndex(int index) final;
    // An index outside the list is failure 381.
    std::u16string listItem(int index) const final;
    // A day that does not exist is failure 380.
    void setCalendarValue(std::chrono::year_month_day date) final;

    // Text boxes: where the selection starts, or the caret stands when nothing is selected.
    virtual int selectionStart() const = 0;
    // Drop-down lists and list boxes.
    virtual int listCount() const = 0;

protected:
    // The native writes, called with arguments the rules have accepted.
    virtual void writeText(std::u16string_view text) = 0;
    virtual int textLength() const { return static_cast<int>(text().size()); }
    // The caret at `position`, nothing selected.
    virtual void placeCaret(int position) = 0;
    // `length` characters selected from `start`, the caret behind them.
    virtual void select(int start, int length) = 0;
    // The logic's own choice, which notifies nobody; -1 for none.
    virtual void selectEntry(int index) = 0;
    virtual std::u16string entry(int index) const = 0;
    virtual void showDate(std::chrono::year_month_day date) = 0;

    // Failure 438 for a member the control's kind does not have.
    void requireTextBox(const char16_t* member) const;
    void requireList(const char16_t* member) const;
    [[noreturn]] void unsupported(const char16_t* member) const;
    // Failure 380 for a value the member refuses.
    [[noreturn]] void invalidValue(const char16_t* member) const;
};

}  // namespace penwick::ui
