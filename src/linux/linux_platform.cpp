#include "linux/linux_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

#include "util/failure.h"
#include "util/text.h"

namespace penwick::linux_platform {

namespace {

std::string defaultDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/')
        return std::string(xdg) + "/penwick";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share/penwick";
}

int searchFailureNumber(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return err::PathNotFound;
        case EACCES:
        case EPERM:
            return err::PermissionDenied;
        default:
            return err::BadFileNameOrNumber;
    }
}

}  // namespace

bool matchesWildcards(std::u16string_view pattern, std::u16string_view name) {
    // Iterative, backing up to the last '*': linear enough for any file name.
    std::size_t p = 0, n = 0, starP = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p, ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

LinuxPlatform::LinuxPlatform(std::string dataFolder)
    : dataFolder_(dataFolder.empty() ? defaultDataFolder() : std::move(dataFolder)) {}

std::u16string LinuxPlatform::programFolder() const {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return currentFolder();
    std::string path(buffer.data(), static_cast<std::size_t>(n));
    const std::size_t cut = path.rfind('/');
    return fromUtf8(cut == 0 ? "/" : path.substr(0, cut));
}

std::u16string LinuxPlatform::currentFolder() const {
    std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
    if (!cwd) raise(err::PathNotFound, u"CurDir");
    return fromUtf8(cwd.get());
}

std::u16string LinuxPlatform::userDataFolder() const {
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = dataFolder_.find('/', pos + 1);
        const std::string part = dataFolder_.substr(0, pos);
        if (!part.empty()) mkdir(part.c_str(), 0700);  // an existing folder is fine
    }
    return fromUtf8(dataFolder_);
}

bool LinuxPlatform::canWriteInFolder(std::u16string_view folder) const {
    // Trying is the only sure answer: access() knows nothing of read-only mounts or ACLs.
    std::string probe =
        (folder.empty() ? std::string(".") : toUtf8(folder)) + "/.penwick-write-test-XXXXXX";
    const int fd = mkstemp(probe.data());
    if (fd < 0) return false;
    close(fd);
    unlink(probe.c_str());
    return true;
}

std::u16string LinuxPlatform::findFirstFile(std::u16string_view pattern) const {
    const std::string path = toUtf8(pattern);
    const std::size_t cut = path.rfind('/');
    const std::string folder = cut == std::string::npos ? "."
                               : cut == 0               ? "/"
                                                        : path.substr(0, cut);
    const std::u16string namePattern =
        fromUtf8(cut == std::string::npos ? path : path.substr(cut + 1));

    struct CloseDir {
        void operator()(DIR* d) const { closedir(d); }
    };
    std::unique_ptr<DIR, CloseDir> dir(opendir(folder.c_str()));
    if (!dir) {
        const int number = searchFailureNumber(errno);
        raise(number, standardDescription(number) + u": " + fromUtf8(folder), u"Dir");
    }
    // The directory's own order is arbitrary; the first name in code order is stable.
    std::u16string first;
    bool found = false;
    while (const dirent* entry = readdir(dir.get())) {
        if (entry->d_name[0] == '.') continue;  // hidden, and the folder entries themselves
        const std::u16string name = fromUtf8(entry->d_name);
        if (!matchesWildcards(namePattern, name)) continue;
        struct stat info {};
        if (fstatat(dirfd(dir.get()), entry->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode))
            continue;
        if (!found || name < first) first = name;
        found = true;
    }
    return first;
}

void LinuxPlatform::shellOpen(std::u16string_view target) {
    const QString text = QString::fromUtf16(target.data(), static_cast<qsizetype>(target.size()));
    QDesktopServices::openUrl(QUrl::fromUserInput(text));  // the outcome is not the program's
}

}  // namespace penwick::linux_platform
