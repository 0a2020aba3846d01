#include "ui/classic_control.h"

#include <algorithm>

#include "util/failure.h"
#include "util/text.h"

namespace penwick::ui {

void ClassicControl::setText(std::u16string_view text) {
    switch (description().kind) {
        case ControlKind::DropDownList:
            for (int i = 0, n = listCount(); i < n; ++i)
                if (entry(i) == text) return selectEntry(i);
            raise(err::ReadOnlyProperty, fromUtf8(description().name));
        case ControlKind::ListBox:
        case ControlKind::MonthCalendar:
            invalidValue(u"Text");
        default:
            writeText(text);
    }
}

void ClassicControl::setSelectionStart(int start) {
    requireTextBox(u"SelStart");
    if (start < 0) invalidValue(u"SelStart");
    placeCaret(std::min(start, textLength()));
}

void ClassicControl::setSelectionLength(int length) {
    requireTextBox(u"SelLength");
    if (length < 0) invalidValue(u"SelLength");
    const int start = selectionStart();
    select(start, std::min(length, textLength() - start));
}

void ClassicControl::setListIndex(int index) {
    requireList(u"ListIndex");
    if (index < -1 || index >= listCount()) invalidValue(u"ListIndex");
    selectEntry(index);
}

std::u16string ClassicControl::listItem(int index) const {
    requireList(u"List");
    if (index < 0 || index >= listCount())
        raise(err::InvalidPropertyArrayIndex, fromUtf8(description().name) + u".List");
    return entry(index);
}

void ClassicControl::setCalendarValue(std::chrono::year_month_day date) {
    if (description().kind != ControlKind::MonthCalendar) unsupported(u"Value");
    if (!date.ok()) invalidValue(u"Value");
    showDate(date);
}

void ClassicControl::requireTextBox(const char16_t* member) const {
    const ControlKind kind = description().kind;
    if (kind != ControlKind::TextBox && kind != ControlKind::MultiLineTextBox) unsupported(member);
}

void ClassicControl::requireList(const char16_t* member) const {
    const ControlKind kind = description().kind;
    if (kind != ControlKind::DropDownList && kind != ControlKind::ListBox) unsupported(member);
}

void ClassicControl::unsupported(const char16_t* member) const {
    raise(err::UnsupportedMember, fromUtf8(description().name) + u"." + member);
}

void ClassicControl::invalidValue(const char16_t* member) const {
    raise(err::InvalidPropertyValue, fromUtf8(description().name) + u"." + member);
}

}  // namespace penwick::ui
