#include "windows/win_platform.h"

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "util/failure.h"
#include "windows/wide.h"

namespace penwick::windows {

namespace {

std::u16string defaultDataFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, path)))
        return {};
    return narrowToU16(path) + u"\\penwick";
}

int searchFailureNumber(DWORD error) {
    switch (error) {
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return err::PathNotFound;
        case ERROR_ACCESS_DENIED:
            return err::PermissionDenied;
        case ERROR_NOT_READY:
            return 71;  // disk not ready
        default:
            return 52;  // bad file name or number
    }
}

constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;

}  // namespace

WinPlatform::WinPlatform(std::u16string dataFolder)
    : dataFolder_(dataFolder.empty() ? defaultDataFolder() : std::move(dataFolder)) {}

std::u16string WinPlatform::programFolder() const {
    // Paths may be longer than MAX_PATH; grow until the name fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return currentFolder();
        if (n < buffer.size()) {
            std::u16string path = narrowToU16(std::wstring_view(buffer.data(), n));
            return path.substr(0, path.rfind(u'\\'));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::u16string WinPlatform::currentFolder() const {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring buffer(size, L'\0');
    const DWORD n = GetCurrentDirectoryW(size, buffer.data());
    if (n == 0 || n >= size) raise(err::PathNotFound, u"CurDir");
    buffer.resize(n);
    return narrowToU16(buffer);
}

std::u16string WinPlatform::userDataFolder() const {
    // Creates every missing level; an existing folder is fine.
    for (std::size_t pos = dataFolder_.find(u'\\', 3);; pos = dataFolder_.find(u'\\', pos + 1)) {
        CreateDirectoryW(wide(dataFolder_.substr(0, pos)).c_str(), nullptr);
        if (pos == std::u16string::npos) break;
    }
    return dataFolder_;
}

bool WinPlatform::canWriteInFolder(std::u16string_view folder) const {
    // Trying is the only sure answer: attributes know nothing of ACLs or read-only media.
    std::wstring dir = folder.empty() ? L"." : wide(folder);
    wchar_t probe[MAX_PATH + 16] = {};
    if (GetTempFileNameW(dir.c_str(), L"pwk", 0, probe) == 0) return false;
    DeleteFileW(probe);
    return true;
}

std::u16string WinPlatform::findFirstFile(std::u16string_view pattern) const {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(wide(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return {};
        const int number = searchFailureNumber(error);
        raise(number, standardDescription(number) + u": " + std::u16string(pattern), u"Dir");
    }
    std::u16string name;
    do {
        if ((found.dwFileAttributes & kNotOrdinary) == 0) {
            name = narrowToU16(found.cFileName);
            break;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return name;
}

std::unique_ptr<FileHold> WinPlatform::holdFile(std::u16string_view path) const {
    struct Hold final : FileHold {
        explicit Hold(HANDLE h) : handle(h) {}
        ~Hold() override { CloseHandle(handle); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        HANDLE handle;
    };
    const std::u16string lockPath = std::u16string(path) + u".lock";
    const HANDLE handle = CreateFileW(wide(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return nullptr;
        const int number = error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT
                               ? err::PermissionDenied
                               : err::PathNotFound;
        raise(number, standardDescription(number) + u": " + lockPath, u"Penwick");
    }
    return std::make_unique<Hold>(handle);
}

void WinPlatform::shellOpen(std::u16string_view target) {
    // The ANSI call, as the program always made it: an address is plain ASCII. Characters the
    // code page lacks become '?', which no address contains.
    const std::wstring w = wide(target);
    const int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string address(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, address.data(), n, nullptr, nullptr);
    ShellExecuteA(GetActiveWindow(), "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace penwick::windows
