#include "hunspell/dictionaries.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace penwick::hunspell {

std::string languageOfLocaleName(std::string_view name) {
    name = name.substr(0, name.find_first_of(".@"));
    if (name == "C" || name == "POSIX") return {};
    return std::string(name);
}

std::string environmentLanguage() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return languageOfLocaleName(value);
    }
    return {};
}

std::vector<std::string> installedDictionaries(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        if (path.extension() != ".aff") continue;
        fs::path dic = path;
        dic.replace_extension(".dic");
        std::error_code exists;
        if (fs::is_regular_file(dic, exists)) names.push_back(path.stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> chooseDictionary(std::string_view language,
                                            const std::vector<std::string>& installed) {
    const auto has = [&](std::string_view name) {
        return std::find(installed.begin(), installed.end(), name) != installed.end();
    };
    if (!language.empty() && has(language)) return std::string(language);

    const std::string alone(language.substr(0, language.find('_')));
    if (!alone.empty()) {
        if (has(alone)) return alone;
        std::string same = alone + "_";
        for (char c : alone)
            same.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        if (has(same)) return same;
        for (const auto& name : installed)
            if (name.starts_with(alone + "_")) return name;
    }
    if (has("en_US")) return std::string("en_US");
    return std::nullopt;
}

}  // namespace penwick::hunspell
