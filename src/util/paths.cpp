#include "util/paths.h"

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

}  // namespace penwick
