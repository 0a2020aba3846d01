#pragma once
// What Microsoft Active Accessibility reads for a control: the system's own accessible object,
// with the name, role and description the window description gives, the same words as on
// Linux. The system's own guess, the label just before a control in the z-order, would name a
// box after the wrong label here: the z-order follows the tab order, which labels are not in.

#include <windows.h>

#include "ui/accessibility.h"

namespace penwick::win32 {

// The answer to WM_GETOBJECT for the control's client object; 0 for any other object, which
// the control's own handling answers.
LRESULT answerGetObject(HWND control, WPARAM wp, LPARAM lp, const ui::AccessibleDesc& spoken);

}  // namespace penwick::win32
