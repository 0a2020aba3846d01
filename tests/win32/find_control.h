#pragma once
// Finding a control of one of the program's windows from outside its process, by the id the
// front end gives it (see win32::controlId). Controls inside a frame are children of the
// frame, so every descendant is searched.

#include <windows.h>

#include <string_view>

#include "ui/description.h"
#include "win32/win32_ui.h"

namespace penwick::testing {

struct ControlSearch {
    int id;
    HWND found;
};

inline BOOL CALLBACK matchControlId(HWND hwnd, LPARAM data) {
    auto* search = reinterpret_cast<ControlSearch*>(data);
    if (GetDlgCtrlID(hwnd) != search->id) return TRUE;
    search->found = hwnd;
    return FALSE;
}

inline HWND findControl(HWND window, const ui::WindowDesc& description, std::string_view name) {
    for (std::size_t i = 0; i < description.controls.size(); ++i) {
        if (description.controls[i].name != name) continue;
        ControlSearch search{win32::controlId(description, i), nullptr};
        EnumChildWindows(window, matchControlId, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    return nullptr;
}

}  // namespace penwick::testing
