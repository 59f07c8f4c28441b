#include "core/engines.h"

#include <algorithm>
#include <utility>

#include "core/options.h"
#include "core/state.h"
#include "core/zstream.h"
#include "runtime/inifile.h"
#include "runtime/os/files.h"
#include "runtime/os/paths.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace core {

namespace {

constexpr const char* kEngineListFile = "selist.ini";
// The file of the engine that older releases named with this inside.
constexpr std::string_view kOldNameInsert = "duzevedi";
constexpr const char* kFallbackCountry = "USA";

// The most a zlib stream inflates to per byte of its own (deflate's limit
// is 1032:1), and the bytes its header and trailer take.
constexpr int64_t kMaxDeflateRatio = 1032;
constexpr int64_t kZlibOverhead = 64;

bool IsSpaceOrTab(char c) {
    return c == ' ' || c == '\t';
}

// Spaces and control characters, as the class library's Trim.
std::string_view TrimControls(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

std::string CutHeader(std::string value) {
    if (value.size() > TSE::MaxHeaderLength) value.resize(TSE::MaxHeaderLength);
    return value;
}

// Either delimiter: settings may name the file the other platform's way.
template <class Char>
std::basic_string<Char> LastPathComponent(std::basic_string_view<Char> path) {
    constexpr Char delimiters[] = {'\\', '/', 0};
    const size_t slash = path.find_last_of(delimiters);
    return std::basic_string<Char>(slash == path.npos ? path : path.substr(slash + 1));
}

std::u16string LastPathComponent(const std::u16string& path) {
    return LastPathComponent(std::u16string_view(path));
}

}  // namespace

std::u16string EnginesDir() {
    return ExeDir + u"SearchEngines" + char16_t(runtime::os::PathDelim);
}

// ---- the container -----------------------------------------------------------------------

std::string ReadEngineText(runtime::TStream& stream) {
    unsigned char head[4];
    if (stream.Read(head, 4) != 4) throw EEngineFileError("The file is too short");
    const uint32_t length = uint32_t{head[0]} | uint32_t{head[1]} << 8 | uint32_t{head[2]} << 16 |
                            uint32_t{head[3]} << 24;
    if (length > kMaxEngineTextSize) {
        throw EEngineFileError("The script is too long (" + std::to_string(length) + " bytes)");
    }
    const int64_t compressed = stream.Size() - stream.Position();
    if (length > 0 && int64_t{length} > compressed * kMaxDeflateRatio + kZlibOverhead) {
        throw EEngineFileError("The script's length does not match the file");
    }

    std::string text(length, '\0');
    try {
        TZDecompressionStream inflater(stream);
        int64_t got = 0;
        while (got < length) {
            const int64_t n = inflater.Read(text.data() + got, length - got);
            if (n <= 0) break;
            got += n;
        }
        text.resize(static_cast<size_t>(got));
    } catch (const EZLibError& e) {
        throw EEngineFileError("The compressed script is corrupt (" + e.Message() + ")");
    }
    return text;
}

std::string ReadEngineFile(const std::u16string& path) {
    std::unique_ptr<runtime::TFileStream> file;
    try {
        file = std::make_unique<runtime::TFileStream>(
            path, runtime::fmOpenRead | runtime::fmShareDenyWrite);
    } catch (const runtime::EFileStreamError& e) {
        throw EEngineFileError(e.Message());
    }
    return ReadEngineText(*file);
}

std::string PackEngineText(std::string_view text) {
    runtime::TStringStream out;
    const auto length = static_cast<uint32_t>(text.size());
    const unsigned char head[4] = {
        static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
        static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 24)};
    out.WriteBuffer(head, 4);
    TZCompressionStream deflater(out, Z_BEST_COMPRESSION);
    deflater.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    deflater.Finish();
    return out.DataString();
}

// ---- header constants --------------------------------------------------------------------

std::string ReadScriptConstant(std::string_view key, std::string_view text) {
    if (key.empty()) return {};
    size_t at = text.find(key);
    while (at != std::string_view::npos) {
        const size_t after = at + key.size();
        const bool before = at > 0 && IsSpaceOrTab(text[at - 1]);
        const bool follows =
            after < text.size() && (IsSpaceOrTab(text[after]) || text[after] == '=');
        if (before && follows) break;
        at = text.find(key, at + 1);
    }
    if (at == std::string_view::npos) return {};

    const size_t equals = text.find('=', at + key.size());
    if (equals == std::string_view::npos) return {};
    const size_t end = text.find(';', equals + 1);
    if (end == std::string_view::npos) return {};
    std::string value(TrimControls(text.substr(equals + 1, end - equals - 1)));
    std::erase(value, '\'');
    return value;
}

// ---- engines -----------------------------------------------------------------------------

TSE::TSE(const std::u16string& path) : FileName(path) {
    Script.SetText(ReadEngineFile(path));
    ReadHeader();
}

TSE::TSE(std::u16string fileName, std::string_view text) : FileName(std::move(fileName)) {
    Script.SetText(text);
    ReadHeader();
}

void TSE::ReadHeader() {
    // As the lines joined with CR LF, so that a key at a line's start after
    // indentation qualifies and one at the very start does not.
    const std::string text = Script.Text();
    Name = CutHeader(ReadScriptConstant("Name", text));
    Country = CutHeader(ReadScriptConstant("Country", text));
    Url = CutHeader(ReadScriptConstant("Url", text));
    Lang = CutHeader(ReadScriptConstant("Lang", text));
    FreeListing = ReadScriptConstant("FreeListing", text) == "True";
    PaidListing = ReadScriptConstant("PaidListing", text) == "True";
}

TSE& TSEList::Add(std::unique_ptr<TSE> engine) {
    engines_.push_back(std::move(engine));
    return *engines_.back();
}

int TSEList::FindEngineByCountry(std::string_view country) const {
    for (int i = 0; i < Count(); ++i) {
        if (Items(i)->Country == country) return i;
    }
    return -1;
}

int TSEList::FindEngineByFile(std::string_view path) const {
    return FindEngineByFile(runtime::AnsiToWide(path));
}

int TSEList::FindEngineByFile(std::u16string_view path) const {
    const std::u16string wanted = LastPathComponent(path);
    for (int i = 0; i < Count(); ++i) {
        if (LastPathComponent(Items(i)->FileName) == wanted) return i;
    }
    return -1;
}

std::unique_ptr<TSEList> LoadSearchEngines(const std::u16string& folder) {
    auto list = std::make_unique<TSEList>();
    // Read whole and never written back: loading leaves the list as it is.
    const runtime::TMemIniFile ini(folder + runtime::AnsiToWide(kEngineListFile));
    runtime::TStringList sections;
    ini.ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i) {
        const std::string section = sections.Strings(i);
        const std::string name = ini.ReadString(section, "Name", "");
        if (name.empty() || ini.ReadBool(section, "Main", false)) continue;
        const std::u16string path = folder + runtime::AnsiToWide(name);
        if (!runtime::os::FileExists(path)) {
            list->Problems.push_back("Search engine \"" + name + "\" is listed in " +
                                     kEngineListFile + " but its file is missing");
            continue;
        }
        try {
            list->Add(std::make_unique<TSE>(path));
        } catch (const EEngineFileError& e) {
            list->Problems.push_back("Search engine \"" + name +
                                     "\" cannot be read: " + e.Message());
        }
        if (Callbacks.ProcessPending) Callbacks.ProcessPending();
    }
    return list;
}

void ChooseEngine() {
    CurrentEngine = nullptr;
    if (!Options || !EngineList) return;
    TOptions& options = *Options;
    const TSEList& engines = *EngineList;
    auto engineAt = [&](int index) { return index >= 0 ? engines.Items(index) : nullptr; };

    if (options.SEFileName.empty()) {
        CurrentEngine = engineAt(engines.FindEngineByCountry(options.Country));
        return;
    }
    const size_t old = runtime::LowerCase(options.SEFileName).find(kOldNameInsert);
    if (old != std::string::npos) {
        options.SEFileName.erase(old, kOldNameInsert.size());
        options.Save();
    }
    CurrentEngine = engineAt(engines.FindEngineByFile(options.SEFileName));
    if (CurrentEngine != nullptr) return;
    CurrentEngine = engineAt(engines.FindEngineByCountry(kFallbackCountry));
    if (CurrentEngine == nullptr) return;
    options.SEFileName = runtime::WideToAnsi(CurrentEngine->FileName);
    options.Country = CurrentEngine->Country;
    options.Lang = CurrentEngine->Lang;
    options.Save();
}

// ---- units -------------------------------------------------------------------------------

std::string LoadScriptUnit(const std::u16string& folder, const std::string& unitName) {
    const bool plain = !unitName.empty() && unitName.find_first_of("/\\:") == std::string::npos &&
                       unitName.find("..") == std::string::npos;
    if (!plain) throw EEngineFileError("Invalid unit name: '" + unitName + "'");
    std::string base = unitName;
    if (base.size() > 4 && base[base.size() - 4] == '.') base.resize(base.size() - 4);
    const std::u16string path = folder + runtime::AnsiToWide(base) + u".se";
    if (!runtime::os::FileExists(path)) {
        throw EEngineFileError("Unit file not found: " + runtime::WideToAnsi(path));
    }
    try {
        return ReadEngineFile(path);
    } catch (const EEngineFileError& e) {
        throw EEngineFileError("Unit " + unitName + ": " + e.Message());
    }
}

}  // namespace core
