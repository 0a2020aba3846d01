#pragma once
// Small POSIX file helpers shared by the Linux platform services and the embedded contact
// manager: the user's XDG folders, whole-file replacement, and advisory locks.
//
// Write and lock failures are std::system_error carrying errno and the path, so that each
// caller can report them in its own terms.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace penwick::posix {

// $HOME, else the home folder the password database gives this user; a Failure (path not
// found) when neither says.
std::string homeFolder();

// An XDG base folder: the variable when it holds an absolute path (a relative one is ignored,
// as the XDG rules say), else the home folder followed by `underHome` (e.g. "/.config").
std::string xdgFolder(const char* variable, std::string_view underHome);
std::string userConfigFolder();  // $XDG_CONFIG_HOME or ~/.config
std::string userDataFolder();    // $XDG_DATA_HOME or ~/.local/share

// Creates the folder and any missing parents, readable by the owner only; folders that exist
// are left as they are.
void makeFolders(const std::string& folder);

// Replaces the file so that readers see the old content or the new, never a part: a
// temporary file in the same folder (created with `mode`), flushed to disk, renamed over the
// old one, then the folder flushed. Missing folders are made as by makeFolders.
void writeFileAtomically(const std::string& path, std::string_view content, mode_t mode = 0600);

// The whole file, or nothing when it does not exist. Any other failure to read it (a folder
// in its place, no permission, an I/O error) is a std::system_error.
std::optional<std::string> readWholeFile(const std::string& path);

// The absolute, lexically normal form of a path (the file need not exist).
std::string absolutePath(const std::string& path);

// An exclusive advisory lock (flock) on a small lock file of its own, created 0600 when
// missing and left in place. Lock a sibling of the file you guard, never the file itself:
// replacing a file by rename would drop a lock held on it.
class FileLock {
public:
    // Waits for the lock.
    static FileLock acquire(const std::string& lockPath);
    // Nothing when another process (or another descriptor here) holds it.
    static std::optional<FileLock> tryAcquire(const std::string& lockPath);

    FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace penwick::posix
