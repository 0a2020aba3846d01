#include "ui/accessibility.h"

#include <algorithm>

namespace penwick::ui {

namespace {

Role roleOf(const ControlDesc& c) {
    switch (c.kind) {
        case ControlKind::Label:
            return c.cursor == Cursor::Link ? Role::Link : Role::StaticText;
        case ControlKind::TextBox:
        case ControlKind::MultiLineTextBox:
            return Role::Edit;
        case ControlKind::DropDownList:
            return Role::ComboBox;
        case ControlKind::ListBox:
            return Role::List;
        case ControlKind::Button:
            return Role::Button;
        case ControlKind::Frame:
            return Role::Grouping;
        case ControlKind::MonthCalendar:
            return Role::Calendar;
    }
    return Role::StaticText;
}

bool isSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

}  // namespace

std::u16string spokenWords(std::u16string_view text) {
    std::u16string words;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // "&&" is a literal ampersand; a single '&' marks the next letter as the access key.
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&') words += u'&', ++i;
            continue;
        }
        words += text[i];
    }
    while (!words.empty() &&
           (isSpace(words.back()) || words.back() == u':' || words.back() == u'.'))
        words.pop_back();
    const auto first = std::find_if_not(words.begin(), words.end(), isSpace);
    words.erase(words.begin(), first);
    return words;
}

bool isSpeakable(std::u16string_view name) {
    // Every character past ASCII counts: letters of other scripts are speakable.
    return std::any_of(name.begin(), name.end(), [](char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
               c > 0x7F;
    });
}

AccessibleDesc accessibleDesc(const WindowDesc& window, const ControlDesc& control) {
    AccessibleDesc a;
    a.role = roleOf(control);
    a.description = control.toolTip;
    for (const ControlDesc& c : window.controls) {
        if (c.kind == ControlKind::Label && !c.labelFor.empty() && c.labelFor == control.name &&
            control.index < 0) {
            a.label = &c;
            break;
        }
    }
    if (!control.accessibleName.empty()) {
        a.name = control.accessibleName;
    } else if (a.label != nullptr) {
        a.name = spokenWords(a.label->text);
    } else {
        a.name = spokenWords(control.text);
    }
    return a;
}

}  // namespace penwick::ui
