#pragma once
// In-memory outside parts: settings, locale, clock and platform.

#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "util/locale.h"
#include "util/platform.h"
#include "util/settings.h"

namespace penwick::testing {

class MemorySettings final : public SettingsStore {
public:
    std::u16string get(std::u16string_view app, std::u16string_view section,
                       std::u16string_view key, std::u16string_view defaultValue) const override;
    void save(std::u16string_view app, std::u16string_view section, std::u16string_view key,
              std::u16string_view value) override;

    bool has(std::u16string_view section, std::u16string_view key) const;
    // Every save, in order, as "section/key=value".
    const std::vector<std::u16string>& writes() const { return writes_; }
    // Makes the next saves fail, as a full disk would.
    void failSaves(bool fail) { failSaves_ = fail; }

private:
    std::map<std::tuple<std::u16string, std::u16string, std::u16string>, std::u16string> values_;
    std::vector<std::u16string> writes_;
    bool failSaves_ = false;
};

// A locale with English names and a settable pattern and separator.
class FakeLocale final : public Locale {
public:
    explicit FakeLocale(std::optional<std::u16string> shortPattern = u"M/d/yyyy",
                        std::u16string separator = u"/")
        : short_(std::move(shortPattern)), separator_(std::move(separator)) {}

    std::optional<std::u16string> shortDatePattern() const override { return short_; }
    std::u16string dateSeparator() const override { return separator_; }
    std::u16string monthName(unsigned month, bool abbreviated) const override;
    std::u16string dayName(std::chrono::weekday day, bool abbreviated) const override;

    // Names in another language, twelve months then seven days from Sunday.
    void setNames(std::vector<std::u16string> months, std::vector<std::u16string> days) {
        months_ = std::move(months), days_ = std::move(days);
    }

private:
    std::optional<std::u16string> short_;
    std::u16string separator_;
    std::vector<std::u16string> months_;
    std::vector<std::u16string> days_;
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(std::chrono::year_month_day today) : today_(today) {}
    std::chrono::year_month_day today() const override { return today_; }
    void set(std::chrono::year_month_day today) { today_ = today; }

private:
    std::chrono::year_month_day today_;
};

// Files are names in a set; the search matches '*' and '?' against them.
class FakePlatform final : public Platform {
public:
    std::u16string programFolder() const override { return programFolder_; }
    std::u16string currentFolder() const override { return currentFolder_; }
    std::u16string userDataFolder() const override { return dataFolder_; }
    bool canWriteInFolder(std::u16string_view folder) const override {
        ++writeChecks_;
        if (writeChecks_ > writableChecks_ && std::u16string(folder) == turnsReadOnly_)
            return false;
        return !readOnly_.contains(std::u16string(folder));
    }
    char16_t directorySeparator() const override { return separator_; }
    std::u16string findFirstFile(std::u16string_view pattern) const override;
    void shellOpen(std::u16string_view target) override { opened_.emplace_back(target); }
    // Refused while another process is made to hold it (holdElsewhere); holds taken here are
    // counted while they live.
    std::unique_ptr<FileHold> holdFile(std::u16string_view path) const override;

    void addFile(std::u16string path) { files_.insert(std::move(path)); }
    void setProgramFolder(std::u16string f) { programFolder_ = std::move(f); }
    void setCurrentFolder(std::u16string f) { currentFolder_ = std::move(f); }
    void setReadOnly(std::u16string folder) { readOnly_.insert(std::move(folder)); }
    // The folder can be written for the first `checks` questions only, then no more (its
    // permissions changed while the program ran).
    void turnReadOnlyAfter(std::u16string folder, int checks) {
        turnsReadOnly_ = std::move(folder), writableChecks_ = checks;
    }
    void setDataFolder(std::u16string f) { dataFolder_ = std::move(f); }
    void setSeparator(char16_t s) { separator_ = s; }
    void failSearches(bool fail) { failSearches_ = fail; }
    const std::vector<std::u16string>& opened() const { return opened_; }
    void holdElsewhere(std::u16string path) { heldElsewhere_.insert(std::move(path)); }
    // The paths held by this process now, in the order taken.
    const std::vector<std::u16string>& held() const { return *held_; }

private:
    std::set<std::u16string> heldElsewhere_;
    mutable int writeChecks_ = 0;
    int writableChecks_ = 0;
    std::u16string turnsReadOnly_;
    std::shared_ptr<std::vector<std::u16string>> held_ =
        std::make_shared<std::vector<std::u16string>>();
    std::set<std::u16string> files_;
    std::set<std::u16string> readOnly_;
    std::u16string programFolder_ = u"C:\\Program Files\\Penwick";
    std::u16string currentFolder_ = u"C:\\Users\\pat";
    std::u16string dataFolder_ = u"C:\\Users\\pat\\AppData\\Penwick";
    char16_t separator_ = u'\\';
    bool failSearches_ = false;
    std::vector<std::u16string> opened_;
};

// '*' and '?' matching, as the directory search does it.
bool wildcardMatch(std::u16string_view pattern, std::u16string_view name);

}  // namespace penwick::testing
