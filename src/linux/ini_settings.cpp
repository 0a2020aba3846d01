#include "linux/ini_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "util/failure.h"
#include "util/text.h"

namespace penwick::linux_platform {

namespace {

const char kHex[] = "0123456789ABCDEF";

void appendEscape(std::string& out, char kind, unsigned code, int digits) {
    out += '\\';
    out += kind;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xF];
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

[[noreturn]] void raiseWriteFailure(int error, const std::string& path) {
    const int number = (error == EACCES || error == EPERM || error == EROFS)
                           ? err::PermissionDenied
                           : err::PathFileAccessError;
    const std::u16string what =
        number == err::PermissionDenied ? u"Permission denied" : u"Path/File access error";
    raise(number, what + u": " + fromUtf8(path) + u": " + fromUtf8(std::strerror(error)),
          u"SaveSetting");
}

// Creates the folder and any missing parents, the user's only.
void makeFolders(const std::string& folder) {
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        const std::string part = folder.substr(0, pos);
        if (part.empty()) continue;
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) raiseWriteFailure(errno, part);
    }
}

bool writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string escapeIni(std::u16string_view text, bool name) {
    std::string out;
    std::u16string plain;  // a run of characters written as UTF-8
    auto flush = [&] {
        out += toUtf8(plain);
        plain.clear();
    };
    for (char16_t c : text) {
        const bool nameSyntax =
            name && (c == u'=' || c == u'[' || c == u']' || c == u';' || c == u'#');
        if (c == u'\\') {
            flush();
            out += "\\\\";
        } else if (c < 0x20 || c == 0x7F || nameSyntax) {
            flush();
            appendEscape(out, 'x', c, 2);
        } else if ((c >= 0x80 && c <= 0x9F) || (c >= 0xD800 && c <= 0xDFFF)) {
            // C1 controls stay readable; surrogates, paired or not, go one by one so that even
            // a lone one comes back.
            flush();
            appendEscape(out, 'u', c, 4);
        } else {
            plain += c;
        }
    }
    flush();
    return out;
}

std::u16string unescapeIni(std::string_view text) {
    std::u16string out;
    std::string raw;  // UTF-8 waiting to be decoded
    auto flush = [&] {
        out += fromUtf8(raw);
        raw.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            raw += text[i];
            continue;
        }
        const char kind = text[i + 1];
        const int digits = kind == 'x' ? 2 : kind == 'u' ? 4 : 0;
        if (kind == '\\') {
            flush();
            out += u'\\';
            ++i;
            continue;
        }
        unsigned code = 0;
        bool valid = digits > 0;
        for (int d = 0; valid && d < digits; ++d) {
            const std::size_t at = i + 2 + static_cast<std::size_t>(d);
            const int v = at < text.size() ? hexValue(text[at]) : -1;
            valid = v >= 0;
            code = code * 16 + static_cast<unsigned>(v);
        }
        if (!valid) {  // not written by us: keep it as it stands
            raw += text[i];
            continue;
        }
        flush();
        out += static_cast<char16_t>(code);
        i += 1 + static_cast<std::size_t>(digits);
    }
    flush();
    return out;
}

std::string userConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config";
}

IniSettings::IniSettings(std::string folder)
    : folder_(folder.empty() ? userConfigFolder() : std::move(folder)) {}

std::string IniSettings::filePath(std::u16string_view app) const {
    std::string name = toUtf8(app);
    for (char& c : name) {
        if (c == '/' || c == '\0') c = '_';
    }
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    return folder_ + "/" + name + "/" + name + ".ini";
}

IniSettings::Sections IniSettings::read(std::u16string_view app) const {
    Sections sections;
    std::ifstream in(filePath(app), std::ios::binary);
    if (!in) return sections;  // nothing saved yet: every value takes its default
    std::u16string section;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[' && line.back() == ']') {
            section = unescapeIni(std::string_view(line).substr(1, line.size() - 2));
            sections[section];
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        sections[section][unescapeIni(std::string_view(line).substr(0, eq))] =
            unescapeIni(std::string_view(line).substr(eq + 1));
    }
    return sections;
}

std::u16string IniSettings::get(std::u16string_view app, std::u16string_view section,
                                std::u16string_view key, std::u16string_view defaultValue) const {
    const Sections sections = read(app);
    auto s = sections.find(std::u16string(section));
    if (s == sections.end()) return std::u16string(defaultValue);
    auto k = s->second.find(std::u16string(key));
    return k == s->second.end() ? std::u16string(defaultValue) : k->second;
}

void IniSettings::save(std::u16string_view app, std::u16string_view section,
                       std::u16string_view key, std::u16string_view value) {
    Sections sections = read(app);
    sections[std::u16string(section)][std::u16string(key)] = value;

    std::ostringstream text;
    for (const auto& [name, keys] : sections) {
        text << '[' << escapeIni(name, true) << "]\n";
        for (const auto& [k, v] : keys)
            text << escapeIni(k, true) << '=' << escapeIni(v, false) << '\n';
    }

    const std::string path = filePath(app);
    const std::string folder = path.substr(0, path.rfind('/'));
    makeFolders(folder);
    // The folder is the program's own: it may have been made by someone else's umask.
    chmod(folder.c_str(), 0700);

    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());  // mode 0600
    if (fd < 0) raiseWriteFailure(errno, path);
    const bool written = writeAll(fd, text.str()) && fchmod(fd, 0600) == 0 && fsync(fd) == 0;
    const int writeError = errno;
    if (close(fd) != 0 || !written) {
        const int error = written ? errno : writeError;
        unlink(temp.c_str());
        raiseWriteFailure(error, path);
    }
    if (rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        unlink(temp.c_str());
        raiseWriteFailure(error, path);
    }
    // The rename itself must reach the disk before the value counts as saved.
    if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY); dir >= 0) {
        fsync(dir);
        close(dir);
    }
}

}  // namespace penwick::linux_platform
