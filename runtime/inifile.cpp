#include "runtime/inifile.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"

namespace runtime {

// ---- TCustomIniFile -----------------------------------------------------------

int32_t TCustomIniFile::ReadInteger(std::string_view section, std::string_view ident,
                                    int32_t def) const {
    std::string text = ReadString(section, ident, "");
    // "0x1F" is hexadecimal, as "$1F" is.
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text = "$" + text.substr(2);
    }
    return StrToIntDef(text, def);
}

void TCustomIniFile::WriteInteger(std::string_view section, std::string_view ident, int32_t value) {
    WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(std::string_view section, std::string_view ident, bool def) const {
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(std::string_view section, std::string_view ident,
                                 double def) const {
    const std::string text = ReadString(section, ident, "");
    double value = 0;
    return !text.empty() && TryStrToFloat(text, value) ? value : def;
}

void TCustomIniFile::WriteFloat(std::string_view section, std::string_view ident, double value) {
    WriteString(section, ident, FloatToStr(value));
}

TDateTime TCustomIniFile::ReadDate(std::string_view section, std::string_view ident,
                                   TDateTime def) const {
    const std::string text = ReadString(section, ident, "");
    TDateTime value = 0;
    return !text.empty() && TryStrToDate(text, value) ? value : def;
}

void TCustomIniFile::WriteDate(std::string_view section, std::string_view ident, TDateTime value) {
    WriteString(section, ident, DateToStr(value));
}

TDateTime TCustomIniFile::ReadDateTime(std::string_view section, std::string_view ident,
                                       TDateTime def) const {
    const std::string text = ReadString(section, ident, "");
    TDateTime value = 0;
    return !text.empty() && TryStrToDateTime(text, value) ? value : def;
}

void TCustomIniFile::WriteDateTime(std::string_view section, std::string_view ident,
                                   TDateTime value) {
    WriteString(section, ident, DateTimeToStr(value));
}

TDateTime TCustomIniFile::ReadTime(std::string_view section, std::string_view ident,
                                   TDateTime def) const {
    const std::string text = ReadString(section, ident, "");
    if (text.empty()) return def;
    try {
        return StrToTime(text);
    } catch (const EConvertError&) {
        return def;
    }
}

void TCustomIniFile::WriteTime(std::string_view section, std::string_view ident, TDateTime value) {
    WriteString(section, ident, TimeToStr(value));
}

void TCustomIniFile::ReadSectionValues(std::string_view section, TStrings& strings) const {
    TStringList keys;
    ReadSection(section, keys);
    strings.WithUpdate([&] {
        strings.Clear();
        for (int i = 0; i < keys.Count(); ++i) {
            const std::string key = keys.Strings(i);
            strings.Add(key + "=" + ReadString(section, key, ""));
        }
    });
}

bool TCustomIniFile::SectionExists(std::string_view section) const {
    TStringList keys;
    ReadSection(section, keys);
    return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(std::string_view section, std::string_view ident) const {
    TStringList keys;
    ReadSection(section, keys);
    return keys.IndexOf(ident) >= 0;
}

// ---- TMemIniFile --------------------------------------------------------------

struct TMemIniFile::Section {
    std::string name;
    TStringList lines;
};

TMemIniFile::TMemIniFile(const std::string& fileName)
    : TCustomIniFile(fileName), wideFileName_(AnsiToWide(fileName)) {
    Load();
}

TMemIniFile::TMemIniFile(const std::u16string& fileName)
    : TCustomIniFile(WideToAnsi(fileName)), wideFileName_(fileName) {
    Load();
}

TMemIniFile::~TMemIniFile() = default;

void TMemIniFile::Load() {
    // A missing file is an empty one; any other failure to read it is
    // raised, so that UpdateFile never overwrites a file it could not read.
    std::error_code error;
    if (wideFileName_.empty() ||
        !std::filesystem::exists(std::filesystem::path(wideFileName_), error)) {
        Clear();
        return;
    }
    TStringList list;
    list.LoadFromFile(wideFileName_);
    SetStrings(list);
}

const TMemIniFile::Section* TMemIniFile::FindSection(std::string_view name) const {
    for (const auto& section : sections_) {
        if (AnsiCompareText(section->name, name) == 0) return section.get();
    }
    return nullptr;
}

TMemIniFile::Section* TMemIniFile::FindSection(std::string_view name) {
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view ident,
                                    std::string_view def) const {
    if (const Section* found = FindSection(section)) {
        const int index = found->lines.IndexOfName(ident);
        if (index >= 0) return found->lines.ValueFromIndex(index);
    }
    return std::string(def);
}

void TMemIniFile::WriteString(std::string_view section, std::string_view ident,
                              std::string_view value) {
    Section* found = FindSection(section);
    if (found == nullptr) {
        sections_.push_back(std::make_unique<Section>());
        found = sections_.back().get();
        found->name = std::string(section);
    }
    std::string line(ident);
    line += '=';
    line += value;
    const int index = found->lines.IndexOfName(ident);
    if (index >= 0) {
        found->lines.SetStrings(index, line);
    } else {
        found->lines.Add(line);
    }
}

void TMemIniFile::ReadSection(std::string_view section, TStrings& strings) const {
    strings.WithUpdate([&] {
        strings.Clear();
        if (const Section* found = FindSection(section)) {
            for (int i = 0; i < found->lines.Count(); ++i) strings.Add(found->lines.Names(i));
        }
    });
}

void TMemIniFile::ReadSections(TStrings& strings) const {
    strings.WithUpdate([&] {
        strings.Clear();
        for (const auto& section : sections_) strings.Add(section->name);
    });
}

void TMemIniFile::ReadSectionValues(std::string_view section, TStrings& strings) const {
    strings.WithUpdate([&] {
        strings.Clear();
        if (const Section* found = FindSection(section)) strings.Assign(found->lines);
    });
}

void TMemIniFile::EraseSection(std::string_view section) {
    for (auto it = sections_.begin(); it != sections_.end(); ++it) {
        if (AnsiCompareText((*it)->name, section) == 0) {
            sections_.erase(it);
            return;
        }
    }
}

void TMemIniFile::DeleteKey(std::string_view section, std::string_view ident) {
    if (Section* found = FindSection(section)) {
        const int index = found->lines.IndexOfName(ident);
        if (index >= 0) found->lines.Delete(index);
    }
}

void TMemIniFile::UpdateFile() {
    TStringList list;
    GetStrings(list);
    list.SaveToFile(wideFileName_);
}

void TMemIniFile::Clear() {
    sections_.clear();
}

void TMemIniFile::GetStrings(TStrings& list) const {
    list.WithUpdate([&] {
        for (const auto& section : sections_) {
            list.Add("[" + section->name + "]");
            for (int i = 0; i < section->lines.Count(); ++i) list.Add(section->lines.Strings(i));
            list.Add("");
        }
    });
}

void TMemIniFile::SetStrings(const TStrings& list) {
    Clear();
    Section* current = nullptr;
    for (int i = 0; i < list.Count(); ++i) {
        std::string line = Trim(list.Strings(i));
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[' && line.back() == ']') {
            sections_.push_back(std::make_unique<Section>());
            current = sections_.back().get();
            current->name = Trim(std::string_view(line).substr(1, line.size() - 2));
        } else if (current != nullptr) {
            const size_t equals = line.find('=');
            if (equals != std::string::npos) {
                line = Trim(std::string_view(line).substr(0, equals)) + "=" +
                       Trim(std::string_view(line).substr(equals + 1));
            }
            current->lines.Add(line);
        }
    }
}

}  // namespace runtime
