#include "hunspell/encoding.h"

#include <cctype>
#include <cerrno>
#include <stdexcept>
#include <vector>

#include "util/text.h"

namespace penwick::hunspell {

namespace {

// iconv's documented failure value. NOLINTNEXTLINE(performance-no-int-to-ptr)
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

std::string upper(std::string_view s) {
    std::string out;
    for (char c : s) out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    return out;
}

// Hunspell's names for a few encodings differ from the C library's.
std::string iconvName(std::string_view hunspellName) {
    std::string name = upper(hunspellName);
    if (name == "MICROSOFT-CP1251") return "CP1251";
    if (name == "TIS620-2533") return "TIS-620";
    if (name.empty()) return "ISO-8859-1";  // Hunspell's own default for a missing SET
    return name;
}

// Converts all of in, or returns nothing when a character has no code in the target.
std::optional<std::string> convert(iconv_t cd, std::string_view in) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state
    std::string out;
    std::vector<char> buffer(in.size() * 4 + 16);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    while (true) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t done =
            iconv(cd, inLeft > 0 ? &inPtr : nullptr, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (done != static_cast<std::size_t>(-1)) {
            if (inLeft == 0) break;
            continue;
        }
        if (errno == E2BIG) continue;
        return std::nullopt;  // EILSEQ or EINVAL: a character the target cannot hold
    }
    return out;
}

}  // namespace

DictionaryEncoding::DictionaryEncoding(std::string_view dictionaryEncoding)
    : name_(iconvName(dictionaryEncoding)) {
    utf8_ = name_ == "UTF-8" || name_ == "UTF8";
    if (utf8_) return;
    toDictionary_ = iconv_open(name_.c_str(), "UTF-8");
    fromDictionary_ = iconv_open("UTF-8", name_.c_str());
    if (toDictionary_ == kNoConverter || fromDictionary_ == kNoConverter) {
        if (toDictionary_ != kNoConverter) iconv_close(toDictionary_);
        if (fromDictionary_ != kNoConverter) iconv_close(fromDictionary_);
        throw std::runtime_error("no conversion to the dictionary encoding " + name_);
    }
}

DictionaryEncoding::~DictionaryEncoding() {
    if (toDictionary_ != kNoConverter) iconv_close(toDictionary_);
    if (fromDictionary_ != kNoConverter) iconv_close(fromDictionary_);
}

std::optional<std::string> DictionaryEncoding::encode(std::u16string_view word) const {
    if (utf8_) return toUtf8(word);
    return convert(toDictionary_, toUtf8(word));
}

std::u16string DictionaryEncoding::decode(std::string_view bytes) const {
    if (utf8_) return fromUtf8(bytes);
    // A dictionary's own bytes that do not convert are dropped rather than shown garbled.
    return fromUtf8(convert(fromDictionary_, bytes).value_or(std::string{}));
}

}  // namespace penwick::hunspell
