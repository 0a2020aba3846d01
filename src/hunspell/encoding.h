#pragma once
// Words between the program's UTF-16 and the byte encoding a dictionary declares (its SET).

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace penwick::hunspell {

class DictionaryEncoding {
public:
    // Throws std::runtime_error when the system cannot convert to that encoding.
    explicit DictionaryEncoding(std::string_view dictionaryEncoding);
    ~DictionaryEncoding();
    DictionaryEncoding(const DictionaryEncoding&) = delete;
    DictionaryEncoding& operator=(const DictionaryEncoding&) = delete;

    const std::string& name() const { return name_; }
    // Nothing when the encoding has no code for one of the word's characters: such a word
    // cannot be in the dictionary.
    std::optional<std::string> encode(std::u16string_view word) const;
    std::u16string decode(std::string_view bytes) const;

private:
    std::string name_;
    bool utf8_ = false;
    // iconv's documented failure value until opened. NOLINTNEXTLINE(performance-no-int-to-ptr)
    iconv_t toDictionary_ = reinterpret_cast<iconv_t>(-1);
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    iconv_t fromDictionary_ = reinterpret_cast<iconv_t>(-1);
};

}  // namespace penwick::hunspell
