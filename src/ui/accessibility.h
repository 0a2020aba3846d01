#pragma once
// What a screen reader says for each control of a described window: its name, its role and its
// description, worked out once here so that every front end speaks the same words.

#include <string>
#include <string_view>

#include "ui/description.h"

namespace penwick::ui {

enum class Role { StaticText, Link, Edit, ComboBox, List, Button, Grouping, Calendar };

struct AccessibleDesc {
    std::u16string name;
    std::u16string description;  // the tool tip
    Role role = Role::StaticText;
    // The label that names the control (Qt's buddy; on Win32 it goes just before the control
    // in the z-order), if any.
    const ControlDesc* label = nullptr;
};

// The control's own accessible name if it has one, else the words of the label naming it, else
// its own text; a label's '&' marks and closing ':' or '.' are not spoken.
AccessibleDesc accessibleDesc(const WindowDesc& window, const ControlDesc& control);

// A text without mnemonic '&' marks, surrounding spaces and a closing ':' or '.'.
std::u16string spokenWords(std::u16string_view text);

// True when a name has something to speak: a letter or a digit, not just a symbol.
bool isSpeakable(std::u16string_view name);

}  // namespace penwick::ui
