#pragma once
// Folders, the directory search and the desktop shell on Linux.

#include <string>

#include "util/platform.h"

namespace penwick::linux_platform {

class LinuxPlatform final : public Platform {
public:
    // dataFolder: the per-user folder; empty means $XDG_DATA_HOME/penwick (or
    // ~/.local/share/penwick).
    explicit LinuxPlatform(std::string dataFolder = {});

    std::u16string programFolder() const override;
    std::u16string currentFolder() const override;
    std::u16string userDataFolder() const override;
    bool canWriteInFolder(std::u16string_view folder) const override;
    char16_t directorySeparator() const override { return u'/'; }
    // Names are matched case for case, as the file system compares them. A pattern without a
    // folder searches the current one.
    std::u16string findFirstFile(std::u16string_view pattern) const override;
    // flock on "path.lock" (0600, left in place; the lock goes with the process).
    std::unique_ptr<FileHold> holdFile(std::u16string_view path) const override;
    void shellOpen(std::u16string_view target) override;

private:
    std::string dataFolder_;
};

// '*' (any run, the empty one too) and '?' (any one character) against a whole name.
bool matchesWildcards(std::u16string_view pattern, std::u16string_view name);

}  // namespace penwick::linux_platform
