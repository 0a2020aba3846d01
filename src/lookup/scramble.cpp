#include "lookup/scramble.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "util/failure.h"

namespace penwick::lookup {

std::u16string ScrambleText(std::u16string_view text, std::u16string_view key,
                            const CodePage& codePage) {
    const std::size_t length = key.size();
    if (length == 0) raise(err::InvalidCall, u"ScrambleText");

    // The key's UTF-16 code units, taken as signed 16-bit values.
    std::vector<std::int16_t> stream(length);
    std::memcpy(stream.data(), key.data(), length * sizeof(char16_t));

    std::u16string out(text);
    std::size_t index = 0;
    for (char16_t& ch : out) {
        const std::int32_t e = stream[index];
        const std::int32_t c = codePage.toAnsi(ch).value_or(static_cast<std::uint8_t>('?'));
        const std::int32_t code = c ^ e;
        if (code < 0 || code > 255) raise(err::InvalidCall, u"ScrambleText");
        ch = codePage.fromAnsi(static_cast<std::uint8_t>(code));
        if (e + 17 > INT16_MAX) raise(err::Overflow, u"ScrambleText");
        stream[index] = static_cast<std::int16_t>((e + 17) & 255);
        index = (index + 1) % length;
    }
    return out;
}

}  // namespace penwick::lookup
