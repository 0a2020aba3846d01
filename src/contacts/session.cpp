#include "contacts/session.h"
#include "contacts/contact_id.h"

#include <cstdlib>
#include <set>
#include <sstream>
#include <system_error>

#include "posix/files.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::contacts {

namespace {

[[noreturn]] void fail(int number, const std::string& message) {
    raise(number, fromUtf8(message), std::u16string(kSource));
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
    try {
        return posix::readWholeFile(path);
    } catch (const std::system_error& e) {
        fail(err::PermissionDenied, "cannot read " + path + ": " + e.code().message());
    }
}

bool hasLineBreak(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

std::optional<std::int64_t> parseRunNumber(std::string_view text) {
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    std::int64_t n = 0;
    for (char c : text) n = n * 10 + (c - '0');
    if (n == 0) return std::nullopt;
    return n;
}

}  // namespace

std::optional<Condition> parseCondition(std::string_view text) {
    const std::size_t at = text.find_first_of("=~!");
    if (at == std::string_view::npos || at == 0) return std::nullopt;
    Condition condition;
    condition.field = text.substr(0, at);
    std::size_t valueAt = at + 1;
    if (text[at] == '~') {
        condition.op = Condition::Op::Contains;
    } else if (text[at] == '!') {
        if (text.substr(at, 2) != "!=") return std::nullopt;
        condition.op = Condition::Op::NotEqual;
        valueAt = at + 2;
    }
    condition.value = text.substr(valueAt);
    return condition;
}

std::string formatCondition(const Condition& condition) {
    switch (condition.op) {
        case Condition::Op::Equal:
            return condition.field + "=" + condition.value;
        case Condition::Op::Contains:
            return condition.field + "~" + condition.value;
        case Condition::Op::NotEqual:
            return condition.field + "!=" + condition.value;
    }
    return {};
}

std::string defaultSessionPath() {
    return posix::userConfigFolder() + "/penwick-contacts/session.ini";
}

std::string defaultDataFolder() {
    return posix::userDataFolder() + "/penwick";
}

void writeFileAtomically(const std::string& path, const std::string& content) {
    try {
        posix::writeFileAtomically(path, content, 0600);
    } catch (const std::system_error& e) {
        fail(err::PermissionDenied, "cannot write " + path + ": " + e.code().message());
    }
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
            auto condition = parseCondition(value);
            if (!condition) fail(err::AutomationError, "malformed lookup in " + path);
            session.lookup.where.push_back(std::move(*condition));
        } else if (key == "match") {
            if (value != "all" && value != "any") {
                fail(err::AutomationError, "malformed lookup in " + path);
            }
            session.lookup.any = value == "any";
        } else if (key == "run") {
            const auto number = parseRunNumber(value);
            if (!number) fail(err::AutomationError, "malformed run number in " + path);
            session.lookup.run = *number;
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
    } else if (kind == "run" || kind == "rest-of-run") {
        session.lookup.kind = kind == "run" ? LookupQuery::Kind::Run : LookupQuery::Kind::RestOfRun;
        if (session.lookup.run == 0) fail(err::AutomationError, path + " names no run");
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
            out += session.lookup.any ? "match=any\n" : "match=all\n";
            for (const Condition& condition : session.lookup.where) {
                if (hasLineBreak(condition.field) || hasLineBreak(condition.value)) {
                    fail(err::InvalidCall, "a lookup condition may not contain line breaks");
                }
                // Read back, the field must end where it ends now.
                if (condition.field.find_first_of("=~!") != std::string::npos) {
                    fail(err::InvalidCall, "a field name may not contain =, ~ or !");
                }
                out += "where=" + formatCondition(condition) + "\n";
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
        case LookupQuery::Kind::Run:
            out += "lookup=run\nrun=" + std::to_string(session.lookup.run) + "\n";
            break;
        case LookupQuery::Kind::RestOfRun:
            out += "lookup=rest-of-run\nrun=" + std::to_string(session.lookup.run) + "\n";
            break;
    }
    writeFileAtomically(path, out);
}

void writeLookupFile(const std::string& path, const LookupFile& lookup) {
    if (hasLineBreak(lookup.database)) fail(err::InvalidCall, "names may not contain line breaks");
    // A lookup holds each contact once, however it was chosen.
    std::vector<std::int64_t> contacts;
    std::set<std::int64_t> seen;
    for (std::int64_t id : lookup.contacts) {
        if (seen.insert(id).second) contacts.push_back(id);
    }
    std::string out = "penwick-lookup 1\n";
    out += "database-id=" + lookup.databaseId + "\n";
    out += "database=" + lookup.database + "\n";
    if (lookup.continuesRun) out += "continues-run=" + std::to_string(*lookup.continuesRun) + "\n";
    out += "count=" + std::to_string(contacts.size()) + "\n";
    out.reserve(out.size() + contacts.size() * 9 + 4);
    for (std::int64_t id : contacts) out += formatContactId(id) + "\n";
    out += "end\n";
    writeFileAtomically(path, out);
}

LookupFile parseLookupFile(std::string_view content, const std::string& name) {
    auto malformed = [&](const std::string& why) {
        fail(err::AutomationError, name + " is not a valid lookup file: " + why);
    };
    // Every line ends with a line break; a file cut off anywhere, even inside the last line,
    // is refused. Lines are taken one at a time: nothing is sized by what the file says.
    std::size_t at = 0;
    auto nextLine = [&]() -> std::optional<std::string_view> {
        const std::size_t end = content.find('\n', at);
        if (end == std::string_view::npos) return std::nullopt;
        std::string_view line = content.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    };
    auto field = [&](std::string_view key) {
        const auto line = nextLine();
        if (!line || line->substr(0, key.size()) != key) {
            malformed("the line " + std::string(key) + "... is missing");
        }
        return line->substr(key.size());
    };

    const auto first = nextLine();
    if (!first || *first != "penwick-lookup 1") malformed("unknown format or version");
    LookupFile lookup;
    const std::string_view id = field("database-id=");
    if (id.size() != 32 || id.find_first_not_of("0123456789abcdef") != std::string_view::npos) {
        malformed("the database identity is not 32 hexadecimal digits");
    }
    lookup.databaseId = id;
    const std::string_view database = field("database=");
    if (database.find('\0') != std::string_view::npos) malformed("the database name holds NUL");
    lookup.database = database;
    std::string_view countText;
    {
        const std::size_t before = at;
        const auto line = nextLine();
        constexpr std::string_view kContinues = "continues-run=";
        if (line && line->substr(0, kContinues.size()) == kContinues) {
            lookup.continuesRun = parseRunNumber(line->substr(kContinues.size()));
            if (!lookup.continuesRun) malformed("the run it continues is not a run number");
        } else {
            at = before;
        }
        countText = field("count=");
    }
    // Digits only (no sign, space or "0x"), and no more than a 64-bit count can hold.
    if (countText.empty() || countText.size() > 18 ||
        countText.find_first_not_of("0123456789") != std::string_view::npos) {
        malformed("the count is not a number");
    }
    std::uint64_t count = 0;
    for (char c : countText) count = count * 10 + static_cast<std::uint64_t>(c - '0');

    std::set<std::int64_t> seen;
    for (;;) {
        const auto line = nextLine();
        if (!line) malformed("it is incomplete");
        if (*line == "end") break;
        const auto number = parseContactId(*line);
        if (!number) malformed("bad identifier " + std::string(line->substr(0, 40)));
        if (!seen.insert(*number).second) {
            malformed("the contact " + std::string(*line) + " appears twice");
        }
        if (lookup.contacts.size() == count) malformed("more identifiers than its count");
        lookup.contacts.push_back(*number);
    }
    if (lookup.contacts.size() != count) malformed("it is incomplete");
    if (at != content.size()) malformed("something follows its last line");
    return lookup;
}

LookupFile readLookupFile(const std::string& path) {
    const auto content = readFile(path);
    if (!content) fail(err::FileNotFound, "no lookup file at " + path);
    return parseLookupFile(*content, path);
}

}  // namespace penwick::contacts
