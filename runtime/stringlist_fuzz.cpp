// Fuzz target for the text forms of a string list: Text, CommaText and
// DelimitedText. The first two bytes choose the delimiter and the quote
// character, the rest is the text. Each form is read; what it gives is
// written and read again, and must come back as the same list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/stringlist.h"

namespace {

using runtime::TStringList;

std::vector<std::string> items(const TStringList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
    return out;
}

void check(bool condition) {
    if (!condition) std::abort();
}

// Written, then read back: the same items. Holds for any items as long as
// the delimiter and the quote differ and neither is a blank, which reading
// skips outside quotes.
void delimitedRoundTrip(const TStringList& list, char delimiter, char quote) {
    TStringList source, again;
    source.Assign(&list);
    for (TStringList* l : {&source, &again}) {
        l->SetDelimiter(delimiter);
        l->SetQuoteChar(quote);
    }
    again.SetDelimitedText(source.DelimitedText());
    check(items(again) == items(list));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const char delimiter = static_cast<char>(data[0]);
    const char quote = static_cast<char>(data[1]);
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    const bool sound = static_cast<unsigned char>(delimiter) > ' ' &&
                       static_cast<unsigned char>(quote) > ' ' && delimiter != quote;

    TStringList lines;
    lines.SetText(text);
    TStringList again;
    again.SetText(lines.Text());
    check(items(again) == items(lines));

    TStringList comma;
    comma.SetCommaText(text);
    again.SetCommaText(comma.CommaText());
    check(items(again) == items(comma));
    // Lines and comma items of any content through each other's forms.
    again.SetCommaText(lines.CommaText());
    check(items(again) == items(lines));

    TStringList delimited;
    delimited.SetDelimiter(delimiter);
    delimited.SetQuoteChar(quote);
    delimited.SetDelimitedText(text);
    delimited.SetText(delimited.Text());  // exercises the text form of odd items
    if (sound) {
        delimitedRoundTrip(delimited, delimiter, quote);
        delimitedRoundTrip(comma, delimiter, quote);
        delimitedRoundTrip(lines, delimiter, quote);
    }
    return 0;
}
