// Windows date and time pictures to FormatDateTime notation. Portable, so
// the conversion is tested natively too; only the Windows build reads the
// pictures from the locale.

#include <string>
#include <string_view>

#include "runtime/strings_platform.h"

namespace runtime::detail {

namespace {

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Literal text quoted so FormatDateTime copies it unchanged.
void appendLiteral(std::string& out, std::string_view text) {
    if (text.empty()) return;
    const char quote = text.find('"') == text.npos ? '"' : '\'';
    out += quote;
    for (char c : text)
        if (c != quote) out += c;
    out += quote;
}

// Picture letters and what each run becomes; a run longer than the table
// row takes the last entry.
struct Letter {
    char picture;
    std::string_view byCount[4];
};

constexpr Letter kLetters[] = {
    {'d', {"d", "dd", "ddd", "dddd"}},       {'M', {"m", "mm", "mmm", "mmmm"}},
    {'y', {"yy", "yy", "yyyy", "yyyy"}},     {'g', {"", "", "", ""}},
    {'h', {"h", "hh", "hh", "hh"}},          {'H', {"h", "hh", "hh", "hh"}},
    {'m', {"n", "nn", "nn", "nn"}},          {'s', {"s", "ss", "ss", "ss"}},
    {'t', {"AMPM", "AMPM", "AMPM", "AMPM"}},
};

}  // namespace

std::string LocalePictureToFormat(std::string_view picture) {
    std::string out;
    for (size_t i = 0; i < picture.size();) {
        const char c = picture[i];
        if (c == '\'') {
            // Quoted literal; two quotes inside stand for one.
            std::string literal;
            size_t j = i + 1;
            while (j < picture.size()) {
                if (picture[j] == '\'') {
                    if (j + 1 < picture.size() && picture[j + 1] == '\'') {
                        literal += '\'';
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                literal += picture[j++];
            }
            appendLiteral(out, literal);
            i = j;
            continue;
        }
        size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) ++run;
        const Letter* letter = nullptr;
        for (const Letter& l : kLetters)
            if (l.picture == c) letter = &l;
        if (letter) {
            out += letter->byCount[run > 4 ? 3 : run - 1];
        } else if (isLetter(c) || c == '"') {
            appendLiteral(out, picture.substr(i, run));
        } else {
            out.append(picture.substr(i, run));
        }
        i += run;
    }
    return out;
}

std::string ShortTimeFromLong(std::string_view longTimeFormat) {
    std::string_view f = longTimeFormat;
    for (size_t i = 0; i < f.size(); ++i) {
        const char c = f[i];
        if (c == '\'' || c == '"') {
            const size_t close = f.find(c, i + 1);
            if (close == f.npos) break;
            i = close;
            continue;
        }
        if (c != 's' && c != 'S') continue;
        size_t end = i;
        while (end < f.size() && (f[end] == 's' || f[end] == 'S')) ++end;
        size_t begin = i;
        while (begin > 0 && !isLetter(f[begin - 1]) && f[begin - 1] != '"' && f[begin - 1] != '\'')
            --begin;
        std::string out(f.substr(0, begin));
        // Keep a blank that separated the seconds from a following marker.
        if (end < f.size() && begin < i && f[begin] == ' ') out += ' ';
        out.append(f.substr(end));
        return out;
    }
    return std::string(f);
}

}  // namespace runtime::detail
