#pragma once
// The operating system as the program logic sees it: folders, the directory search and the
// desktop shell.

#include <memory>
#include <string>
#include <string_view>

namespace penwick {

// An exclusive hold on a file between processes, kept for as long as the object lives.
class FileHold {
public:
    virtual ~FileHold() = default;
};

class Platform {
public:
    virtual ~Platform() = default;

    // The folder that holds the program's executable file, without a trailing separator.
    virtual std::u16string programFolder() const = 0;
    // The current working folder at this moment.
    virtual std::u16string currentFolder() const = 0;
    // A per-user folder the program may always write to (created on demand).
    virtual std::u16string userDataFolder() const = 0;
    // True when a new file can be created in that folder.
    virtual bool canWriteInFolder(std::u16string_view folder) const = 0;
    // '\\' on Windows, '/' on Linux.
    virtual char16_t directorySeparator() const = 0;

    // The directory search with the wildcards '*' and '?', ordinary files only (no folders,
    // no hidden or system files): the name of the first match, empty when nothing matches.
    // Throws a Failure when the search itself fails.
    virtual std::u16string findFirstFile(std::u16string_view pattern) const = 0;

    // Holds `path` against every other process that asks for it here, taken on a lock file
    // beside it (the path with ".lock" added), so the file itself stays free: another program
    // may write it while the hold lasts. Nothing when another process holds it now; never
    // waits. Throws a Failure when the lock file cannot be made.
    virtual std::unique_ptr<FileHold> holdFile(std::u16string_view path) const = 0;

    // The desktop shell's verb "open" on a document or web address. The outcome is not
    // reported: a missing browser changes nothing.
    virtual void shellOpen(std::u16string_view target) = 0;
};

}  // namespace penwick
