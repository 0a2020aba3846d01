#pragma once
// The reversible scrambling of the remembered password.

#include <string>
#include <string_view>

#include "util/codepage.h"

namespace penwick::lookup {

// The fixed key both the login and the write-note run use.
inline constexpr std::u16string_view kScrambleKey = u"QuillaRavenTopsyMarnFizz";

// XORs each character's ANSI code with a key stream that rolls forward by 17 (mod 256) per
// pass over the key; applying it twice with the same key gives the text back. An empty key is
// failure 5; a key code that would overflow 16 bits is failure 6. A character the code page
// lacks is taken as "?", as the system's own conversion does.
std::u16string ScrambleText(std::u16string_view text, std::u16string_view key,
                            const CodePage& codePage);

}  // namespace penwick::lookup
