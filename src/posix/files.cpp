#include "posix/files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "util/failure.h"
#include "util/text.h"

namespace penwick::posix {

namespace {

[[noreturn]] void failErrno(int error, const std::string& path) {
    throw std::system_error(error, std::generic_category(), path);
}

bool writeAll(int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const std::size_t cut = path.rfind('/');
    if (cut == std::string::npos) return ".";
    return cut == 0 ? "/" : path.substr(0, cut);
}

int openLockFile(const std::string& lockPath) {
    makeFolders(folderOf(lockPath));
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) failErrno(errno, lockPath);
    return fd;
}

}  // namespace

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    // getpwuid_r with a buffer of the size the system suggests.
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    raise(err::PathNotFound, u"no home folder: HOME is not set and the user has no entry",
          u"penwick");
}

std::string xdgFolder(const char* variable, std::string_view underHome) {
    if (const char* v = std::getenv(variable); v != nullptr && v[0] == '/') return v;
    return homeFolder() + std::string(underHome);
}

std::string userConfigFolder() {
    return xdgFolder("XDG_CONFIG_HOME", "/.config");
}

std::string userDataFolder() {
    return xdgFolder("XDG_DATA_HOME", "/.local/share");
}

void makeFolders(const std::string& folder) {
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        const std::string part = folder.substr(0, pos);
        if (part.empty()) continue;
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) failErrno(errno, part);
    }
}

void writeFileAtomically(const std::string& path, std::string_view content, mode_t mode) {
    const std::string folder = folderOf(path);
    makeFolders(folder);

    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());  // 0600 from the start
    if (fd < 0) failErrno(errno, path);
    bool ok = writeAll(fd, content) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
    }
    const int error = ok ? 0 : (writeError != 0 ? writeError : errno);
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int cause = ok ? errno : error;
        ::unlink(temporary.c_str());
        failErrno(cause, path);
    }
    // The rename itself must reach the disk before the content counts as saved.
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

std::optional<std::string> readWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        failErrno(errno, path);
    }
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;  // EISDIR for a folder in the file's place
            ::close(fd);
            failErrno(error, path);
        }
        if (n == 0) break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return content;
}

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    if (ec) return path;
    return absolute.lexically_normal().string();
}

FileLock FileLock::acquire(const std::string& lockPath) {
    const int fd = openLockFile(lockPath);
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        const int error = errno;
        ::close(fd);
        failErrno(error, lockPath);
    }
    return FileLock(fd);
}

std::optional<FileLock> FileLock::tryAcquire(const std::string& lockPath) {
    const int fd = openLockFile(lockPath);
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return FileLock(fd);
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) return std::nullopt;
    failErrno(error, lockPath);
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the only descriptor releases the lock
}

}  // namespace penwick::posix
