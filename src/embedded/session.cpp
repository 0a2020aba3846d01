#include "embedded/session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "util/failure.h"
#include "util/text.h"

namespace penwick::embedded {

namespace {

[[noreturn]] void fail(int number, const std::string& message) {
    raise(number, fromUtf8(message), std::u16string(kSource));
}

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') fail(err::PathNotFound, "HOME is not set");
    return home;
}

std::string xdgFolder(const char* variable, const char* fallback) {
    if (const char* v = std::getenv(variable); v != nullptr && *v == '/') return v;
    return homeFolder() + fallback;
}

std::vector<std::string> lines(const std::string& content) {
    std::vector<std::string> result;
    std::istringstream in(content);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        result.push_back(line);
    }
    return result;
}

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) fail(err::PermissionDenied, "cannot read " + path);
    return content.str();
}

void fsyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool hasLineBreak(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

std::string defaultSessionPath() {
    return xdgFolder("XDG_CONFIG_HOME", "/.config") + "/penwick-contacts/session.ini";
}

std::string defaultDataFolder() {
    return xdgFolder("XDG_DATA_HOME", "/.local/share") + "/penwick";
}

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    if (ec) return path;
    return absolute.lexically_normal().string();
}

void writeFileAtomically(const std::string& path, const std::string& content) {
    const std::filesystem::path target(path);
    const std::string folder =
        target.has_parent_path() ? target.parent_path().string() : std::string(".");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);

    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) fail(err::PermissionDenied, "cannot write " + path + ": " + std::strerror(errno));
    std::size_t written = 0;
    bool ok = true;
    while (ok && written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) written += static_cast<std::size_t>(n);
    }
    ok = ok && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    const int error = errno;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int cause = ok ? errno : error;
        ::unlink(temporary.c_str());
        fail(err::PermissionDenied, "cannot write " + path + ": " + std::strerror(cause));
    }
    fsyncFolder(folder);
}

std::optional<Session> readSession(const std::string& path) {
    const auto content = readFile(path);
    if (!content) return std::nullopt;
    const auto all = lines(*content);
    if (all.empty() || all[0] != "penwick-contacts session 1") {
        fail(err::AutomationError, path + " is not a penwick-contacts session file of version 1");
    }
    Session session;
    std::string kind = "all";
    for (std::size_t i = 1; i < all.size(); ++i) {
        const std::string& line = all[i];
        if (line.empty()) continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) fail(err::AutomationError, "malformed line in " + path);
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "database") {
            session.database = value;
        } else if (key == "user") {
            session.user = value;
        } else if (key == "lookup") {
            kind = value;
        } else if (key == "where") {
            const auto e = value.find('=');
            if (e == std::string::npos) fail(err::AutomationError, "malformed lookup in " + path);
            session.lookup.where.emplace_back(value.substr(0, e), value.substr(e + 1));
        } else if (key == "ids") {
            std::size_t start = 0;
            while (start <= value.size() && !value.empty()) {
                const auto comma = value.find(',', start);
                const std::string id = value.substr(start, comma - start);
                const auto number = parseContactId(std::string_view(id));
                if (!number) fail(err::AutomationError, "malformed identifier in " + path);
                session.lookup.ids.push_back(*number);
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else {
            fail(err::AutomationError, "unknown setting " + key + " in " + path);
        }
    }
    if (kind == "all") {
        session.lookup.kind = LookupQuery::Kind::All;
    } else if (kind == "where") {
        session.lookup.kind = LookupQuery::Kind::Where;
    } else if (kind == "ids") {
        session.lookup.kind = LookupQuery::Kind::Ids;
    } else {
        fail(err::AutomationError, "unknown lookup kind " + kind + " in " + path);
    }
    if (session.database.empty()) fail(err::AutomationError, path + " names no database");
    return session;
}

void writeSession(const std::string& path, const Session& session) {
    std::string out = "penwick-contacts session 1\n";
    if (hasLineBreak(session.database) || hasLineBreak(session.user)) {
        fail(err::InvalidCall, "names may not contain line breaks");
    }
    out += "database=" + session.database + "\n";
    out += "user=" + session.user + "\n";
    switch (session.lookup.kind) {
        case LookupQuery::Kind::All:
            out += "lookup=all\n";
            break;
        case LookupQuery::Kind::Where:
            out += "lookup=where\n";
            for (const auto& [field, value] : session.lookup.where) {
                if (hasLineBreak(field) || hasLineBreak(value) ||
                    field.find('=') != std::string::npos) {
                    fail(err::InvalidCall, "a lookup condition may not contain line breaks");
                }
                out += "where=" + field + "=" + value + "\n";
            }
            break;
        case LookupQuery::Kind::Ids: {
            out += "lookup=ids\nids=";
            bool first = true;
            for (std::int64_t id : session.lookup.ids) {
                if (!first) out += ',';
                out += formatContactId(id);
                first = false;
            }
            out += "\n";
            break;
        }
    }
    writeFileAtomically(path, out);
}

void writeLookupFile(const std::string& path, const LookupFile& lookup) {
    std::string out = "penwick-lookup 1\n";
    out += "database-id=" + lookup.databaseId + "\n";
    out += "database=" + lookup.database + "\n";
    out += "count=" + std::to_string(lookup.contacts.size()) + "\n";
    out.reserve(out.size() + lookup.contacts.size() * 9 + 4);
    for (std::int64_t id : lookup.contacts) out += formatContactId(id) + "\n";
    out += "end\n";
    writeFileAtomically(path, out);
}

LookupFile readLookupFile(const std::string& path) {
    const auto content = readFile(path);
    if (!content) fail(err::FileNotFound, "no lookup file at " + path);
    const auto all = lines(*content);
    auto malformed = [&](const std::string& why) {
        fail(err::AutomationError, path + " is not a valid lookup file: " + why);
    };
    if (all.empty() || all[0] != "penwick-lookup 1") malformed("unknown format or version");
    LookupFile lookup;
    std::size_t i = 1;
    std::optional<std::size_t> count;
    for (; i < all.size(); ++i) {
        const std::string& line = all[i];
        if (line.rfind("database-id=", 0) == 0) {
            lookup.databaseId = line.substr(12);
        } else if (line.rfind("database=", 0) == 0) {
            lookup.database = line.substr(9);
        } else if (line.rfind("count=", 0) == 0) {
            char* end = nullptr;
            const unsigned long long n = std::strtoull(line.c_str() + 6, &end, 10);
            if (end == line.c_str() + 6 || *end != '\0') malformed("bad count");
            count = static_cast<std::size_t>(n);
            ++i;
            break;
        } else {
            malformed("unexpected line " + line);
        }
    }
    if (!count || lookup.databaseId.empty()) malformed("incomplete header");
    lookup.contacts.reserve(*count);
    for (; i < all.size() && all[i] != "end"; ++i) {
        const auto number = parseContactId(std::string_view(all[i]));
        if (!number) malformed("bad identifier " + all[i]);
        lookup.contacts.push_back(*number);
    }
    // Both the count and the closing line must be there: a cut-off file is refused.
    if (i >= all.size() || lookup.contacts.size() != *count) malformed("it is incomplete");
    return lookup;
}

}  // namespace penwick::embedded
