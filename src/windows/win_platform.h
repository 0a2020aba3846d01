#pragma once
// Folders, the directory search and the desktop shell on Windows.

#include <memory>
#include <string>

#include "util/platform.h"

namespace penwick::windows {

class WinPlatform final : public Platform {
public:
    // dataFolder: the per-user folder; empty means %LOCALAPPDATA%\penwick.
    explicit WinPlatform(std::u16string dataFolder = {});

    std::u16string programFolder() const override;
    std::u16string currentFolder() const override;
    std::u16string userDataFolder() const override;
    bool canWriteInFolder(std::u16string_view folder) const override;
    char16_t directorySeparator() const override { return u'\\'; }
    // FindFirstFileW: names match without regard to case, as the file system compares them.
    std::u16string findFirstFile(std::u16string_view pattern) const override;
    // The lock file opened with no sharing at all: a second opener, in this process or
    // another, is refused until the hold ends.
    std::unique_ptr<FileHold> holdFile(std::u16string_view path) const override;
    // ShellExecuteA(owner, "open", target, NULL, NULL, SW_SHOWNORMAL); owner is the program's
    // active window.
    void shellOpen(std::u16string_view target) override;

private:
    std::u16string dataFolder_;
};

}  // namespace penwick::windows
