#include "util/paths.h"

#include <algorithm>

#include "util/failure.h"
#include "util/text.h"

namespace penwick {

bool FileExists(const Platform& platform, std::u16string_view path) {
    std::u16string first;
    const bool searched = endingSilentlyOnFailure([&] { first = platform.findFirstFile(path); });
    return searched && !first.empty();
}

std::u16string EnsureTrailingChar(std::u16string& text, std::u16string_view suffix) {
    text = trimSpaces(text);
    const std::u16string_view last =
        text.empty() ? std::u16string_view{} : std::u16string_view(text).substr(text.size() - 1);
    return last == suffix ? text : text + std::u16string(suffix);
}

std::u16string FolderOfPath(std::u16string_view path, PathStyle style) {
    if (style == PathStyle::Posix) {
        const auto cut = path.rfind(u'/');
        if (cut == std::u16string_view::npos) return {};
        // A path in the root folder keeps its "/", or nothing would name the root.
        return cut == 0 ? std::u16string(u"/") : std::u16string(path.substr(0, cut));
    }
    for (std::size_t p = path.size(); p-- > 0;) {
        if (path[p] == u':') return std::u16string(path.substr(0, p + 1));
        if (path[p] == u'\\') return std::u16string(path.substr(0, p));
    }
    return {};
}

std::u16string FileNameOfPath(std::u16string_view path) {
    const auto cut = path.find_last_of(u":\\/");
    if (cut == std::u16string_view::npos) return {};
    return std::u16string(path.substr(cut + 1));
}

std::u16string SettingsSectionOf(std::u16string_view databasePath) {
    std::u16string_view rest;
    for (std::u16string_view scheme : {u"postgresql://", u"postgres://"}) {
        if (databasePath.starts_with(scheme)) rest = databasePath.substr(scheme.size());
    }
    if (rest.empty()) return FileNameOfPath(databasePath);
    // The options after "?" may hold paths of their own (a socket folder, a certificate);
    // one of them names the database when the path does not.
    const auto question = rest.find(u'?');
    const std::u16string_view options =
        question == std::u16string_view::npos ? std::u16string_view() : rest.substr(question + 1);
    rest = rest.substr(0, rest.find_first_of(u"?#"));
    const auto slash = rest.find(u'/');
    std::u16string_view name =
        slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
    if (name.empty()) {
        for (std::size_t at = 0; at < options.size();) {
            const auto end = std::min(options.find(u'&', at), options.size());
            const std::u16string_view option = options.substr(at, end - at);
            if (option.starts_with(u"dbname=")) name = option.substr(7);
            at = end + 1;
        }
    }
    std::u16string decoded;
    const auto hex = [](char16_t c) -> int {
        if (c >= u'0' && c <= u'9') return c - u'0';
        if (c >= u'a' && c <= u'f') return c - u'a' + 10;
        if (c >= u'A' && c <= u'F') return c - u'A' + 10;
        return -1;
    };
    std::string bytes;  // percent-escapes spell UTF-8 bytes
    const auto flushBytes = [&] {
        decoded += fromUtf8(bytes);
        bytes.clear();
    };
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == u'%' && i + 2 < name.size() && hex(name[i + 1]) >= 0 &&
            hex(name[i + 2]) >= 0) {
            bytes += static_cast<char>(hex(name[i + 1]) * 16 + hex(name[i + 2]));
            i += 2;
            continue;
        }
        flushBytes();
        decoded += name[i];
    }
    flushBytes();
    return decoded;
}

}  // namespace penwick
