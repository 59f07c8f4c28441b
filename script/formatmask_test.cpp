#include "script/formatmask.h"

#include <gtest/gtest.h>

#include "runtime/locale.h"

namespace script {
namespace {

struct MaskCase {
    const char* mask;
    const char* value;
    const char* expected;
};

TEST(FormatMaskTextTest, CommonMasks) {
    constexpr MaskCase kCases[] = {
        // Values without literals (";0"): literals go between the characters.
        {"(999) 000-0000;0;_", "5551234567", "(555) 123-4567"},
        {"(999) 000-0000;0;_", "555123", "(555) 123-    "},
        {"000-00-0000;0;_", "123456789", "123-45-6789"},
        {"000-00-0000;0;_", "12345678901", "123-45-678901"},
        {"00000;0;_", "123", "123  "},
        {"!00000;0;_", "123", "  123"},
        {"!000-000;0;_", "12345", " 12-345"},
        {"!000;0;_", "12345", "12345"},
        {"99/99/0000;0;_", "01022024", "01/02/2024"},
        {"00:00;0", "1230", "12:30"},
        {">LL<ll;0;_", "abCD", "abCD"},
        {"\\(000\\);0;_", "123", "(123)"},
        {"\\0\\0-00;0", "12", "00-12"},
        {"000_000;0;_", "123456", "123 456"},
        {"LL 0;0;*", "AB", "AB  "},
        // Values with literals (";1", or no save field): each run of input
        // positions is padded to its width.
        {"(999) 000-0000;1;_", "(555) 123-4567", "(555) 123-4567"},
        {"(999) 000-0000;1;_", "(55) 12-45", "(55 ) 12 -45  "},
        {"!99/99/0000;1;_", "1/2/2024", " 1/ 2/2024"},
        {"99/99/0000;1;_", "1/2/2024", "1 /2 /2024"},
        {"!90:00;1;_", "9:30", " 9:30"},
        {"00-00", "12-34", "12-34"},
        {"00-00", "1234", "12-34"},
        {"LL-00;1", "A-12", "A -12"},
        {"", "abc", "abc"},
        {";0", "abc", "abc"},
    };
    const runtime::TFormatSettings us = runtime::DefaultFormatSettings();
    for (const MaskCase& c : kCases)
        EXPECT_EQ(FormatMaskText(c.mask, c.value, us), c.expected)
            << "mask \"" << c.mask << "\" value \"" << c.value << "\"";
}

// ":" and "/" in a mask stand for the locale's separators.
TEST(FormatMaskTextTest, SeparatorsComeFromTheLocale) {
    runtime::TFormatSettings dots = runtime::DefaultFormatSettings();
    dots.DateSeparator = '.';
    dots.TimeSeparator = '.';
    constexpr MaskCase kCases[] = {
        {"99/99/0000;0;_", "01022024", "01.02.2024"},
        {"!99/99/0000;1;_", "1.2.2024", " 1. 2.2024"},
        {"00:00;0", "1230", "12.30"},
        {"00\\:00;0", "1230", "12:30"},
    };
    for (const MaskCase& c : kCases)
        EXPECT_EQ(FormatMaskText(c.mask, c.value, dots), c.expected) << c.mask;

    const runtime::ScopedFormatSettings scoped(dots);
    EXPECT_EQ(FormatMaskText("00/00;0", "1231"), "12.31");
}

}  // namespace
}  // namespace script
