#include "support/fakes.h"

#include <array>

#include "util/failure.h"

namespace penwick::testing {

std::u16string MemorySettings::get(std::u16string_view app, std::u16string_view section,
                                   std::u16string_view key,
                                   std::u16string_view defaultValue) const {
    auto it = values_.find({std::u16string(app), std::u16string(section), std::u16string(key)});
    return it == values_.end() ? std::u16string(defaultValue) : it->second;
}

void MemorySettings::save(std::u16string_view app, std::u16string_view section,
                          std::u16string_view key, std::u16string_view value) {
    if (failSaves_) raise(err::PathFileAccessError, u"SaveSetting");
    values_[{std::u16string(app), std::u16string(section), std::u16string(key)}] = value;
    writes_.push_back(std::u16string(section) + u"/" + std::u16string(key) + u"=" +
                      std::u16string(value));
}

bool MemorySettings::has(std::u16string_view section, std::u16string_view key) const {
    return values_.contains({u"penwick", std::u16string(section), std::u16string(key)});
}

std::u16string FakeLocale::monthName(unsigned month, bool abbreviated) const {
    static const std::array<std::u16string_view, 12> kNames = {
        u"January", u"February", u"March",     u"April",   u"May",      u"June",
        u"July",    u"August",   u"September", u"October", u"November", u"December"};
    std::u16string name = months_.size() == 12 ? months_[month - 1]
                                               : std::u16string(kNames[month - 1]);
    return abbreviated ? name.substr(0, 3) : name;
}

std::u16string FakeLocale::dayName(std::chrono::weekday day, bool abbreviated) const {
    static const std::array<std::u16string_view, 7> kNames = {
        u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"};
    std::u16string name = days_.size() == 7 ? days_[day.c_encoding()]
                                            : std::u16string(kNames[day.c_encoding()]);
    return abbreviated ? name.substr(0, 3) : name;
}

bool wildcardMatch(std::u16string_view pattern, std::u16string_view name) {
    if (pattern.empty()) return name.empty();
    if (pattern[0] == u'*') {
        for (std::size_t i = 0; i <= name.size(); ++i)
            if (wildcardMatch(pattern.substr(1), name.substr(i))) return true;
        return false;
    }
    if (name.empty()) return false;
    if (pattern[0] != u'?' && pattern[0] != name[0]) return false;
    return wildcardMatch(pattern.substr(1), name.substr(1));
}

std::u16string FakePlatform::findFirstFile(std::u16string_view pattern) const {
    if (failSearches_) raise(err::BadFileNameOrNumber, u"Dir");
    for (const auto& f : files_) {
        if (wildcardMatch(pattern, f)) {
            const auto cut = f.find_last_of(u"\\/");
            return cut == std::u16string::npos ? f : f.substr(cut + 1);
        }
    }
    return {};
}

}  // namespace penwick::testing
