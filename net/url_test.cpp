#include "net/url.h"

#include <gtest/gtest.h>

#include "net/base64.h"

namespace net {
namespace {

TEST(ParseURL, Parts) {
    struct Row {
        const char* url;
        TURLParts parts;
        const char* uri;
    } rows[] = {
        {"https://user:pw@[::1]:8443/a/b?x=1",
         {"https", "user", "pw", "::1", "8443", "/a/b", "x=1"},
         "/a/b?x=1"},
        {"example.com", {"http", "", "", "example.com", "80", "/", ""}, "/"},
        {"ftp://files.example", {"ftp", "", "", "files.example", "21", "/", ""}, "/"},
        {"HTTPS://secure.example/", {"HTTPS", "", "", "secure.example", "443", "/", ""}, "/"},
        {"http://h:8080/p", {"http", "", "", "h", "8080", "/p", ""}, "/p"},
        {"http://h:/p", {"http", "", "", "h", "80", "/p", ""}, "/p"},
        {"http://bob@h/p", {"http", "bob", "", "h", "80", "/p", ""}, "/p"},
        {"http:///p", {"http", "", "", "localhost", "80", "/p", ""}, "/p"},
        // The host ends at "?" and "#" too; a fragment is not requested.
        {"http://h?q=a@b", {"http", "", "", "h", "80", "/", "q=a@b"}, "/?q=a@b"},
        {"http://h#frag", {"http", "", "", "h", "80", "/", ""}, "/"},
        {"http://h/p?q#f", {"http", "", "", "h", "80", "/p", "q"}, "/p?q"},
        {"http://h/x@y", {"http", "", "", "h", "80", "/x@y", ""}, "/x@y"},
        {"http://[fe80::1%25]/", {"http", "", "", "fe80::1%25", "80", "/", ""}, "/"},
    };
    for (const Row& row : rows) {
        TURLParts parts;
        EXPECT_EQ(ParseURL(row.url, parts), row.uri) << row.url;
        EXPECT_EQ(parts.Protocol, row.parts.Protocol) << row.url;
        EXPECT_EQ(parts.User, row.parts.User) << row.url;
        EXPECT_EQ(parts.Password, row.parts.Password) << row.url;
        EXPECT_EQ(parts.Host, row.parts.Host) << row.url;
        EXPECT_EQ(parts.Port, row.parts.Port) << row.url;
        EXPECT_EQ(parts.Path, row.parts.Path) << row.url;
        EXPECT_EQ(parts.Parameters, row.parts.Parameters) << row.url;
    }
}

TEST(Escapes, Decode) {
    struct Row {
        const char* text;
        char delimiter;
        const char* expected;
    } rows[] = {
        {"a%41", '%', "aA"},
        {"%7e%7E", '%', "~~"},
        // A delimiter without two characters after it stays, with the rest.
        {"a%41%", '%', "aA%"},
        {"%4", '%', "%4"},
        {"%zz", '%', "%zz"},
        {"%%41", '%', "%A"},
        {"ab=\r\ncd", '=', "abcd"},
        {"ab=\n\rcd", '=', "abcd"},
        {"ab=\ncd", '=', "abcd"},
        {"ab=\r", '=', "ab"},
        {"ab=\r\r", '=', "ab\r"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(DecodeEscapes(row.text, row.delimiter), row.expected) << row.text;
    EXPECT_EQ(DecodeURL("a%20b"), "a b");
}

TEST(Escapes, Encode) {
    EXPECT_EQ(EncodeURLSpecialChars("a b_c"), "a%20b%5Fc");
    EXPECT_EQ(EncodeURLSpecialChars("#&/:=?@"), "#&/:=?@");
    EXPECT_EQ(EncodeURLSpecialChars(std::string("\x00~\x7F\xFF%", 5)), "%00%7E%7F%FF%25");
    TCharSet only;
    only.set('x');
    EXPECT_EQ(EncodeEscapes("xyx", '=', only), "=78y=78");
    // Round trip of every byte.
    std::string all;
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
    EXPECT_EQ(DecodeURL(EncodeURLSpecialChars(all)), all);
}

TEST(Base64, Encode) {
    struct Row {
        const char* bytes;
        const char* expected;
    } rows[] = {
        {"", ""},        {"a", "YQ=="},        {"ab", "YWI="},
        {"abc", "YWJj"}, {"abcd", "YWJjZA=="}, {"user:pass", "dXNlcjpwYXNz"},
    };
    for (const Row& row : rows) EXPECT_EQ(EncodeToBase64(row.bytes), row.expected) << row.bytes;
    EXPECT_EQ(EncodeToBase64(std::string("\xFF\xFE\x00", 3)), "//4A");
}

}  // namespace
}  // namespace net
