// The message box and the file-open dialog.
#include "win32/win32_ui.h"

#include <commdlg.h>

#include <algorithm>

#include "util/failure.h"
#include "util/text.h"
#include "windows/wide.h"

namespace penwick::win32 {

using windows::wide;

namespace {

// "Description|pattern|..." as the double-NUL-terminated list the file dialog reads.
std::wstring filterList(std::u16string_view filter) {
    std::wstring out = wide(filter);
    std::replace(out.begin(), out.end(), L'|', L'\0');
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

}  // namespace

ui::MessageAnswer Win32Ui::messageBox(std::u16string_view prompt, ui::MessageStyle style,
                                      std::u16string_view title) {
    // The program's styles are the system's own numbers: 64 information + OK, 68 information +
    // Yes/No, 16 the error icon of the fatal report; the answers are the system's too.
    const std::wstring text = wide(prompt);
    const std::wstring caption = wide(title.empty() ? std::u16string_view(u"Penwick") : title);
    HWND owner = activeOwner();
    const int answer = MessageBoxW(owner, text.c_str(), caption.c_str(),
                                   static_cast<UINT>(style) | MB_SETFOREGROUND);
    if (answer == 0) raise(err::OutOfMemory, u"MsgBox");
    return static_cast<ui::MessageAnswer>(answer);
}

std::optional<std::u16string> Win32Ui::openFile(const ui::FileDialogRequest& request,
                                                ui::Window* owner) {
    const std::wstring filter = filterList(request.filter);
    const std::wstring title = wide(request.title);
    const std::wstring folder = wide(request.initialFolder);
    std::wstring file(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner != nullptr ? handleOf(*owner) : activeOwner();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.c_str();
    ofn.Flags =
        OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    if (GetOpenFileNameW(&ofn)) return windows::narrowToU16(file.c_str());
    if (const DWORD error = CommDlgExtendedError(); error != 0)
        raise(err::InvalidCall,
              u"The file dialog failed (code " + fromUtf8(std::to_string(error)) + u")",
              u"CommonDialog");
    return std::nullopt;
}
}  // namespace penwick::win32
