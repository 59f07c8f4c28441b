// TIniFile natively: the private-profile rules carried out on the file
// itself. Each call parses the whole file; a write that changes it rewrites
// the whole file. The model and its quirks follow Wine's profile functions,
// checked against them by the tests that run in both builds.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/inifile.h"
#include "runtime/os/kernel_handles.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"

namespace runtime {

namespace {

enum class Encoding { Ansi, Utf8, Utf16Le, Utf16Be };

struct Key {
    std::u16string name;
    std::optional<std::u16string> value;  // none: a line without "="
};

struct Section {
    std::u16string name;  // "" for the lines before the first section
    std::vector<Key> keys;
};

struct Profile {
    Encoding encoding = Encoding::Ansi;
    // The first section is always the nameless one.
    std::vector<Section> sections{Section{}};
    bool changed = false;
};

// ---- names and blanks ---------------------------------------------------------

bool isProfileSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == u' ';
}

std::u16string_view trimLeft(std::u16string_view s) {
    size_t start = 0;
    while (start < s.size() && isProfileSpace(s[start])) ++start;
    return s.substr(start);
}

std::u16string_view trimRight(std::u16string_view s) {
    size_t end = s.size();
    while (end > 0 && isProfileSpace(s[end - 1])) --end;
    return s.substr(0, end);
}

std::u16string_view trim(std::u16string_view s) {
    return trimRight(trimLeft(s));
}

// Names are equal regardless of the case of ASCII letters only.
bool sameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i];
        char16_t y = b[i];
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// A value in matching quotes comes back without them.
std::u16string stripQuotes(std::u16string_view value) {
    if (value.size() >= 2 && (value[0] == u'\'' || value[0] == u'"') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
    }
    return std::u16string(value);
}

// The default loses its trailing spaces (spaces only).
std::u16string_view defaultValue(std::u16string_view def) {
    size_t end = def.size();
    while (end > 0 && def[end - 1] == u' ') --end;
    return def.substr(0, end);
}

// ---- file text ----------------------------------------------------------------

std::u16string decode(std::string_view bytes, Encoding& encoding) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        encoding = Encoding::Utf8;
        return Utf8ToWide(bytes.substr(3));
    }
    if (bytes.size() >= 2 &&
        ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
        const bool little = byte(0) == 0xFF;
        encoding = little ? Encoding::Utf16Le : Encoding::Utf16Be;
        std::u16string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const unsigned first = byte(i);
            const unsigned second = byte(i + 1);
            text += static_cast<char16_t>(little ? first | second << 8 : first << 8 | second);
        }
        return text;
    }
    encoding = Encoding::Ansi;
    return AnsiToWide(bytes);
}

std::string encode(std::u16string_view text, Encoding encoding) {
    switch (encoding) {
        case Encoding::Ansi:
            return WideToAnsi(text);
        case Encoding::Utf8:
            return "\xEF\xBB\xBF" + WideToUtf8(text);
        case Encoding::Utf16Le:
        case Encoding::Utf16Be: {
            const bool little = encoding == Encoding::Utf16Le;
            std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
            for (const char16_t c : text) {
                const char low = static_cast<char>(c & 0xFF);
                const char high = static_cast<char>(c >> 8);
                bytes += little ? low : high;
                bytes += little ? high : low;
            }
            return bytes;
        }
    }
    return {};
}

Profile parse(std::string_view bytes) {
    Profile profile;
    const std::u16string text = decode(bytes, profile.encoding);
    Section* section = &profile.sections.front();
    const Key* previous = nullptr;
    size_t next = 0;
    while (next < text.size()) {
        const size_t start = next;
        while (next < text.size() && text[next] != u'\r' && text[next] != u'\n') ++next;
        const std::u16string_view line =
            trim(std::u16string_view(text).substr(start, next - start));
        while (next < text.size() && (text[next] == u'\r' || text[next] == u'\n')) ++next;
        if (line.empty()) continue;  // blank lines are not kept
        if (line[0] == u'[') {
            const size_t close = line.rfind(u']');
            if (close != std::u16string_view::npos && close > 0) {
                profile.sections.push_back(
                    Section{std::u16string(trim(line.substr(1, close - 1))), {}});
                section = &profile.sections.back();
                previous = nullptr;
                continue;
            }
            // Without "]" the line is an ordinary one.
        }
        Key key;
        const size_t equals = line.find(u'=');
        if (equals == std::u16string_view::npos) {
            key.name = line;
        } else {
            key.name = trimRight(line.substr(0, equals));
            key.value = std::u16string(trimLeft(line.substr(equals + 1)));
        }
        // Of several lines in a row that have no name only the first is kept.
        if (!key.name.empty() || previous == nullptr || !previous->name.empty()) {
            section->keys.push_back(std::move(key));
            previous = &section->keys.back();
        }
    }
    return profile;
}

std::string serialize(const Profile& profile) {
    std::u16string text;
    for (const Section& section : profile.sections) {
        if (!section.name.empty()) text += u"[" + section.name + u"]\r\n";
        for (const Key& key : section.keys) {
            text += key.name;
            if (key.value) text += u"=" + *key.value;
            text += u"\r\n";
        }
    }
    return encode(text, profile.encoding);
}

// ---- the file -----------------------------------------------------------------

// Opens and parses the file. A missing file in an existing folder is an
// empty profile; a missing folder, a folder in the file's place or a file
// that cannot be opened (for writing too, with writeAccess) is a failure.
std::optional<Profile> openProfile(const std::string& path, bool writeAccess) {
    const os::TFileHandle file(::open(path.c_str(), (writeAccess ? O_RDWR : O_RDONLY) | O_CLOEXEC));
    if (!file) {
        if (errno != ENOENT) return std::nullopt;
        std::error_code error;
        std::filesystem::path folder = std::filesystem::path(path).parent_path();
        if (folder.empty()) folder = ".";
        if (!std::filesystem::is_directory(folder, error)) return std::nullopt;
        return Profile{};
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || S_ISDIR(info.st_mode)) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    return parse(bytes);
}

// Writes the profile when it changed; false when the file cannot be written.
[[nodiscard]] bool flushProfile(const std::string& path, const Profile& profile) {
    if (!profile.changed) return true;
    os::TFileHandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!file) return false;
    const std::string bytes = serialize(profile);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(file.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return os::CloseFile(file) && done == bytes.size();
}

// ---- the operations -----------------------------------------------------------

// The first section of that name (trimmed, any ASCII case).
Section* findSection(Profile& profile, std::u16string_view name) {
    for (Section& section : profile.sections) {
        if (sameName(section.name, name)) return &section;
    }
    return nullptr;
}

Key* findKey(Section& section, std::u16string_view name) {
    for (Key& key : section.keys) {
        if (sameName(key.name, name)) return &key;
    }
    return nullptr;
}

std::u16string getString(Profile& profile, std::u16string_view section, std::u16string_view key,
                         std::u16string_view def) {
    const Key* found = nullptr;
    if (Section* s = findSection(profile, trim(section))) found = findKey(*s, trim(key));
    return stripQuotes(found != nullptr && found->value ? std::u16string_view(*found->value)
                                                        : defaultValue(def));
}

// The keys with a value, comments excepted, of the first section of exactly
// that name (not trimmed).
std::vector<std::u16string> keyNames(Profile& profile, std::u16string_view section) {
    std::vector<std::u16string> names;
    if (Section* s = findSection(profile, section)) {
        for (const Key& key : s->keys) {
            if (!key.value || (!key.name.empty() && key.name[0] == u';')) continue;
            names.push_back(key.name);
        }
    }
    // The list comes out as names joined by NULs: one starting with an empty
    // name reads as an empty list.
    if (!names.empty() && names.front().empty()) names.clear();
    return names;
}

void setString(Profile& profile, std::u16string_view section, std::u16string_view key,
               std::u16string_view value) {
    Section* s = findSection(profile, trim(section));
    if (s == nullptr) {
        // A new section or key keeps its name less the leading blanks.
        profile.sections.push_back(Section{std::u16string(trimLeft(section)), {}});
        s = &profile.sections.back();
    }
    Key* k = findKey(*s, trim(key));
    if (k == nullptr) {
        s->keys.push_back(Key{std::u16string(trimLeft(key)), std::nullopt});
        k = &s->keys.back();
    }
    const std::u16string_view stored = trimLeft(value);
    if (k->value && *k->value == stored) return;
    k->value = std::u16string(stored);
    profile.changed = true;
}

// The first key of that name (not trimmed) in the sections of that name.
void deleteKey(Profile& profile, std::u16string_view section, std::u16string_view key) {
    for (Section& s : profile.sections) {
        if (!sameName(s.name, section)) continue;
        for (auto it = s.keys.begin(); it != s.keys.end(); ++it) {
            if (sameName(it->name, key)) {
                s.keys.erase(it);
                profile.changed = true;
                return;
            }
        }
    }
}

// The first section of that name (not trimmed).
void deleteSection(Profile& profile, std::u16string_view section) {
    for (auto it = profile.sections.begin(); it != profile.sections.end(); ++it) {
        if (sameName(it->name, section)) {
            profile.sections.erase(it);
            profile.changed = true;
            return;
        }
    }
}

void fillStrings(TStrings& strings, const std::vector<std::u16string>& names) {
    strings.WithUpdate([&] {
        strings.Clear();
        for (const std::u16string& name : names) strings.Add(WideToAnsi(name));
    });
}

}  // namespace

TIniFile::TIniFile(const std::string& fileName)
    : TCustomIniFile(fileName), wideFileName_(AnsiToWide(fileName)) {}

TIniFile::TIniFile(const std::u16string& fileName)
    : TCustomIniFile(WideToAnsi(fileName)), wideFileName_(fileName) {}

TIniFile::~TIniFile() = default;

std::string TIniFile::ReadString(std::string_view section, std::string_view ident,
                                 std::string_view def) const {
    const std::u16string wideDefault = AnsiToWide(def);
    std::optional<Profile> profile = openProfile(WideToUtf8(wideFileName_), false);
    // A file that cannot be opened gives the default as it is, quotes and all.
    if (!profile) return WideToAnsi(defaultValue(wideDefault));
    return WideToAnsi(getString(*profile, AnsiToWide(section), AnsiToWide(ident), wideDefault));
}

void TIniFile::WriteString(std::string_view section, std::string_view ident,
                           std::string_view value) {
    const std::string path = WideToUtf8(wideFileName_);
    std::optional<Profile> profile = openProfile(path, true);
    if (profile) setString(*profile, AnsiToWide(section), AnsiToWide(ident), AnsiToWide(value));
    if (!profile || !flushProfile(path, *profile)) {
        throw EIniFileException(Format(SIniFileWriteError, {FileName()}));
    }
}

void TIniFile::ReadSection(std::string_view section, TStrings& strings) const {
    std::optional<Profile> profile = openProfile(WideToUtf8(wideFileName_), false);
    fillStrings(strings,
                profile ? keyNames(*profile, AnsiToWide(section)) : std::vector<std::u16string>());
}

void TIniFile::ReadSections(TStrings& strings) const {
    std::vector<std::u16string> names;
    if (std::optional<Profile> profile = openProfile(WideToUtf8(wideFileName_), false)) {
        for (const Section& section : profile->sections) {
            if (!section.name.empty()) names.push_back(section.name);
        }
    }
    fillStrings(strings, names);
}

void TIniFile::EraseSection(std::string_view section) {
    const std::string path = WideToUtf8(wideFileName_);
    std::optional<Profile> profile = openProfile(path, true);
    if (profile) deleteSection(*profile, AnsiToWide(section));
    if (!profile || !flushProfile(path, *profile)) {
        throw EIniFileException(Format(SIniFileWriteError, {FileName()}));
    }
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident) {
    // As in the class library, a failure to delete is not reported.
    const std::string path = WideToUtf8(wideFileName_);
    if (std::optional<Profile> profile = openProfile(path, true)) {
        deleteKey(*profile, AnsiToWide(section), AnsiToWide(ident));
        (void)flushProfile(path, *profile);
    }
}

void TIniFile::UpdateFile() {
    // Every write has reached the file already.
}

}  // namespace runtime
