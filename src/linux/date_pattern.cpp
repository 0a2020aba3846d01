#include "linux/date_pattern.h"

#include <algorithm>

#include <vector>

#include "util/text.h"

namespace penwick::linux_platform {

namespace {

enum class TokenKind { Field, Literal, Dropped };

struct Token {
    TokenKind kind;
    std::u16string text;  // the pattern letters of a field, the text of a literal
};

// The pattern letters for one strftime conversion; empty for one that has no place in a date
// pattern (times, zones, eras).
std::u16string fieldLetters(char conversion, char padFlag) {
    const bool unpadded = padFlag == '-' || padFlag == '_';
    switch (conversion) {
        case 'd':
            return unpadded ? u"d" : u"dd";
        case 'e':
            return padFlag == '0' ? u"dd" : u"d";
        case 'm':
            return unpadded ? u"M" : u"MM";
        case 'y':
        case 'g':
            return u"yy";
        case 'Y':
        case 'G':
            return u"yyyy";
        case 'b':
        case 'h':
            return u"MMM";
        case 'B':
            return u"MMMM";
        case 'a':
            return u"ddd";
        case 'A':
            return u"dddd";
        default:
            return {};
    }
}

void addLiteral(std::vector<Token>& tokens, std::u16string_view text) {
    if (!tokens.empty() && tokens.back().kind == TokenKind::Literal)
        tokens.back().text += text;
    else
        tokens.push_back({TokenKind::Literal, std::u16string(text)});
}

void tokenize(std::string_view format, std::vector<Token>& tokens) {
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            const std::size_t next = format.find('%', i);
            const std::size_t end = next == std::string_view::npos ? format.size() : next;
            addLiteral(tokens, fromUtf8(format.substr(i, end - i)));
            i = end;
            continue;
        }
        ++i;
        char padFlag = 0;
        while (i < format.size() &&
               std::string_view("-_0^#").find(format[i]) != std::string_view::npos)
            padFlag = format[i++];
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;  // field width
        bool eraForm = false;
        if (i < format.size() && (format[i] == 'E' || format[i] == 'O')) {
            eraForm = format[i] == 'E';
            ++i;
        }
        if (i >= format.size()) break;
        const char c = format[i++];
        switch (c) {
            case '%':
                addLiteral(tokens, u"%");
                break;
            case 'n':
                addLiteral(tokens, u"\n");
                break;
            case 't':
                addLiteral(tokens, u"\t");
                break;
            case 'D':
                tokenize("%m/%d/%y", tokens);
                break;
            case 'F':
                tokenize("%Y-%m-%d", tokens);
                break;
            default: {
                // An era's own year count (%EY, %Ey) or name (%EC) means nothing to the pattern
                // letters; only the plain fields carry over.
                std::u16string letters = eraForm ? std::u16string{} : fieldLetters(c, padFlag);
                if (letters.empty())
                    tokens.push_back({TokenKind::Dropped, {}});
                else
                    tokens.push_back({TokenKind::Field, std::move(letters)});
            }
        }
    }
}

// Removes dropped fields. The literal text around them goes too: between two kept fields only
// the first literal of the run stays ("%e %H:%M %Y" keeps one space), at either end nothing.
std::vector<Token> withoutDropped(const std::vector<Token>& tokens) {
    std::vector<Token> kept;
    std::size_t i = 0;
    while (i < tokens.size()) {
        if (tokens[i].kind == TokenKind::Field) {
            kept.push_back(tokens[i++]);
            continue;
        }
        std::size_t end = i;
        bool dropped = false;
        while (end < tokens.size() && tokens[end].kind != TokenKind::Field) {
            dropped = dropped || tokens[end].kind == TokenKind::Dropped;
            ++end;
        }
        const bool between = !kept.empty() && end < tokens.size();
        if (!dropped) {
            kept.push_back(tokens[i]);  // a single literal: runs of literals were merged
        } else if (between) {
            for (std::size_t j = i; j < end; ++j) {
                if (tokens[j].kind == TokenKind::Literal) {
                    kept.push_back(tokens[j]);
                    break;
                }
            }
        }
        i = end;
    }
    return kept;
}

// Literal text as the pattern writes it: ASCII letters and stray slashes in single quotes,
// a quote doubled.
std::u16string quoted(std::u16string_view text) {
    std::u16string out;
    bool open = false;
    for (char16_t c : text) {
        const bool special = isAsciiLetter(c) || c == u'/';
        if (c == u'\'') {
            if (open) out += u'\'';
            open = false;
            out += u"''";
            continue;
        }
        if (special != open) {
            out += u'\'';
            open = special;
        }
        out += c;
    }
    if (open) out += u'\'';
    return out;
}

}  // namespace

std::optional<DatePattern> patternFromStrftime(std::string_view format,
                                               std::optional<std::u16string_view> separator) {
    std::vector<Token> raw;
    tokenize(format, raw);
    const std::vector<Token> tokens = withoutDropped(raw);

    DatePattern result;
    bool seenField = false;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != TokenKind::Field) continue;
        if (seenField) break;
        seenField = true;
        if (i + 2 < tokens.size() && tokens[i + 1].kind == TokenKind::Literal &&
            tokens[i + 2].kind == TokenKind::Field)
            result.separator = tokens[i + 1].text;
    }
    if (!seenField) return std::nullopt;
    if (separator) result.separator = *separator;
    if (result.separator.empty()) result.separator = u"/";

    for (const Token& t : tokens) {
        if (t.kind == TokenKind::Field)
            result.pattern += t.text;
        else if (t.text == result.separator)
            result.pattern += u'/';
        else
            result.pattern += quoted(t.text);
    }
    return result;
}

std::u16string writtenPattern(const DatePattern& pattern) {
    std::u16string separator = pattern.separator;
    if (std::any_of(separator.begin(), separator.end(),
                    [](char16_t c) { return isAsciiLetter(c) || c == u'\''; })) {
        std::u16string quoted = u"'";
        for (char16_t c : separator)
            quoted += c == u'\'' ? std::u16string(u"''") : std::u16string(1, c);
        separator = quoted + u"'";
    }
    std::u16string out;
    bool quoted = false;
    for (char16_t c : pattern.pattern) {
        if (c == u'\'') quoted = !quoted;
        if (c == u'/' && !quoted)
            out += separator;
        else
            out += c;
    }
    return out;
}

}  // namespace penwick::linux_platform
