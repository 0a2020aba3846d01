#include "linux/ini_settings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>
#include <system_error>

#include "posix/files.h"
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

// A line is a comment, a section header or key=value; anything else means the file is not
// one of ours (or was damaged), and it must not be rewritten from what could be made of it.
std::optional<IniSections> parseIni(std::string_view content) {
    IniSections sections;
    std::u16string section;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string_view line(content.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos) return std::nullopt;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[' && line.back() == ']' && line.size() >= 2) {
            section = unescapeIni(line.substr(1, line.size() - 2));
            sections[section];
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        sections[section][unescapeIni(line.substr(0, eq))] = unescapeIni(line.substr(eq + 1));
    }
    return sections;
}

std::string userConfigFolder() {
    return posix::userConfigFolder();
}

IniSettings::IniSettings(std::string folder, Warn warn)
    : folder_(folder.empty() ? userConfigFolder() : std::move(folder)), warn_(std::move(warn)) {
    if (!warn_) {
        warn_ = [](const std::string& message) { std::cerr << "penwick: " << message << '\n'; };
    }
}

std::string IniSettings::filePath(std::u16string_view app) const {
    std::string name = toUtf8(app);
    for (char& c : name) {
        if (c == '/' || c == '\0') c = '_';
    }
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    return folder_ + "/" + name + "/" + name + ".ini";
}

std::optional<IniSettings::Sections> IniSettings::read(std::u16string_view app) const {
    const std::string path = filePath(app);
    std::string problem;
    try {
        const auto content = posix::readWholeFile(path);
        if (!content) return Sections{};  // nothing saved yet: every value takes its default
        if (auto sections = parseIni(*content)) return sections;
        problem = "it is not a settings file this program can read";
    } catch (const std::system_error& e) {
        problem = e.code().message();
    }
    // Said once per file: the same file is read at every get.
    if (warned_.insert(path).second) {
        warn_("cannot use the settings file " + path + " (" + problem +
              "); it is kept as it is, and values start from their defaults");
    }
    return std::nullopt;
}

std::u16string IniSettings::get(std::u16string_view app, std::u16string_view section,
                                std::u16string_view key, std::u16string_view defaultValue) const {
    return find(app, section, key).value_or(std::u16string(defaultValue));
}

std::optional<std::u16string> IniSettings::find(std::u16string_view app,
                                                std::u16string_view section,
                                                std::u16string_view key) const {
    const Sections sections = read(app).value_or(Sections{});
    auto lookIn = [&](const Sections& all,
                      std::u16string_view sectionName) -> std::optional<std::u16string> {
        auto s = all.find(std::u16string(sectionName));
        if (s == all.end()) return std::nullopt;
        auto k = s->second.find(std::u16string(key));
        if (k == s->second.end()) return std::nullopt;
        return k->second;
    };
    if (auto kept = lookIn(unsaved_, unsavedSection(app, section))) return kept;
    return lookIn(sections, section);
}

std::u16string IniSettings::unsavedSection(std::u16string_view app, std::u16string_view section) {
    return std::u16string(app) + u'\0' + std::u16string(section);
}

void IniSettings::save(std::u16string_view app, std::u16string_view section,
                       std::u16string_view key, std::u16string_view value) {
    store(app, section, key, value);
}

void IniSettings::remove(std::u16string_view app, std::u16string_view section,
                         std::u16string_view key) {
    store(app, section, key, std::nullopt);
}

void IniSettings::store(std::u16string_view app, std::u16string_view section,
                        std::u16string_view key, std::optional<std::u16string_view> value) {
    const std::string path = filePath(app);
    const std::string folder = path.substr(0, path.rfind('/'));
    try {
        posix::makeFolders(folder);
    } catch (const std::system_error& e) {
        raiseWriteFailure(e.code().value(), e.what());
    }
    // The folder is the program's own: it may have been made by someone else's umask.
    chmod(folder.c_str(), 0700);

    // Read, change and write under one lock, so that two processes saving at once each keep
    // the other's values.
    std::optional<posix::FileLock> lock;
    try {
        lock = posix::FileLock::acquire(path + ".lock");
    } catch (const std::system_error& e) {
        raiseWriteFailure(e.code().value(), path);
    }
    auto sections = read(app);
    if (!sections) {
        // A file that could not be read is never replaced by what little this process knows;
        // the value lives on until the program ends.
        auto& kept = unsaved_[unsavedSection(app, section)];
        if (value) {
            kept[std::u16string(key)] = *value;
        } else {
            kept.erase(std::u16string(key));
        }
        return;
    }
    if (value) {
        (*sections)[std::u16string(section)][std::u16string(key)] = *value;
    } else {
        if (auto s = sections->find(std::u16string(section)); s != sections->end()) {
            s->second.erase(std::u16string(key));
            if (s->second.empty()) sections->erase(s);
        }
        if (auto kept = unsaved_.find(unsavedSection(app, section)); kept != unsaved_.end())
            kept->second.erase(std::u16string(key));
    }

    std::ostringstream text;
    for (const auto& [name, keys] : *sections) {
        text << '[' << escapeIni(name, true) << "]\n";
        for (const auto& [k, v] : keys)
            text << escapeIni(k, true) << '=' << escapeIni(v, false) << '\n';
    }
    try {
        posix::writeFileAtomically(path, text.str(), 0600);
    } catch (const std::system_error& e) {
        raiseWriteFailure(e.code().value(), path);
    }
}

}  // namespace penwick::linux_platform
