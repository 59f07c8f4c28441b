#include "core/news.h"

#include <array>
#include <charconv>
#include <optional>

#include "core/download.h"
#include "core/maker.h"
#include "core/options.h"
#include "core/state.h"
#include "net/httpsend.h"
#include "runtime/exceptions.h"
#include "runtime/os/files.h"
#include "runtime/streams.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"

namespace core {

namespace {

using TVersion = std::array<uint32_t, 4>;

// Decimal digits per component: enough for any real version, and safe
// from overflow.
constexpr size_t kMaxVersionDigits = 9;

std::optional<TVersion> ParseVersion(std::string_view text) {
    // A version file saved as UTF-8 may start with a byte-order mark.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const std::string trimmed = runtime::Trim(text);
    TVersion version{};
    std::string_view rest = trimmed;
    for (size_t i = 0; i < version.size(); ++i) {
        const size_t dot = i + 1 < version.size() ? rest.find('.') : rest.size();
        if (dot == std::string_view::npos) return std::nullopt;
        const std::string_view part = rest.substr(0, dot);
        if (part.empty() || part.size() > kMaxVersionDigits) return std::nullopt;
        const auto [end, error] =
            std::from_chars(part.data(), part.data() + part.size(), version[i]);
        if (error != std::errc() || end != part.data() + part.size()) return std::nullopt;
        rest.remove_prefix(std::min(dot + 1, rest.size()));
    }
    return version;
}

void Log(const std::string& line) {
    if (Callbacks.LogLine) Callbacks.LogLine(runtime::AnsiToWide(line));
}

std::string DocumentText(net::THTTPSend& http) {
    runtime::TMemoryStream& document = http.Document();
    if (document.Size() == 0) return {};
    return std::string(static_cast<const char*>(document.Memory()),
                       static_cast<size_t>(document.Size()));
}

std::string JoinedHeaders(const net::THTTPSend& http) {
    std::string joined;
    for (int i = 0; i < http.Headers().Count(); ++i) {
        if (i > 0) joined += "\r\n";
        joined += http.Headers().Strings(i);
    }
    return joined;
}

// A client for the maker's server with the settings' proxy.
void PrepareClient(net::THTTPSend& http) {
    http.Timeout = kMakerTimeout;
    UseProxySettings(http);
}

std::string ReadWholeFile(const std::u16string& fileName) {
    runtime::TFileStream stream(fileName, runtime::fmOpenRead | runtime::fmShareDenyWrite);
    std::string bytes(static_cast<size_t>(stream.Size()), '\0');
    if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
}

void WriteWholeFile(const std::u16string& fileName, std::string_view bytes) {
    runtime::TFileStream stream(fileName, runtime::fmCreate);
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

// The whole line of the header `name` ("Last-Modified"), the name as the
// server wrote it; nothing when the head has no such line.
std::optional<std::string_view> HeaderLine(std::string_view headers, std::string_view name) {
    size_t start = 0;
    while (start < headers.size()) {
        size_t end = headers.find("\r\n", start);
        if (end == std::string_view::npos) end = headers.size();
        const std::string_view line = headers.substr(start, end - start);
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos && runtime::SameText(line.substr(0, colon), name)) {
            return line;
        }
        start = end + 2;
    }
    return std::nullopt;
}

}  // namespace

std::u16string NewsFileName() {
    return TempDir + u"newsblock.txt";
}

void FetchNews() {
    if (!Options) return;
    net::THTTPSend http;
    PrepareClient(http);
    std::string body;
    try {
        if (!DownloadNews(http, body)) return;
    } catch (const runtime::Exception& e) {
        Log("The news could not be checked: " + e.Message());
        return;
    }
    try {
        WriteWholeFile(NewsFileName(), body);
    } catch (const runtime::Exception& e) {
        Log("The news could not be kept: " + e.Message());
    }
    Options->NeedToShowNews = true;
    try {
        Options->Save();
    } catch (const runtime::Exception& e) {
        Log("The settings could not be saved: " + e.Message());
    }
}

bool DownloadNews(net::THTTPSend& client, std::string& body) {
    body.clear();
    if (!client.ExecuteRequest("GET", MakerURL(kNewsPath))) return false;
    // An error page is no news.
    if (client.ResultCode() != 200) return false;
    body = DocumentText(client);
    if (body.empty()) return false;
    const std::u16string kept = NewsFileName();
    if (runtime::os::FileExists(kept)) Options->NewsText = ReadWholeFile(kept);
    if (body == Options->NewsText) return false;
    Options->NewsText = body;
    return UpdateNewsDate(JoinedHeaders(client));
}

bool UpdateNewsDate(std::string_view headers) {
    std::optional<std::string_view> line = HeaderLine(headers, "Last-Modified");
    if (!line) line = HeaderLine(headers, "Date");
    if (!line || *line == Options->LastNewsDate) return false;
    Options->LastNewsDate = std::string(*line);
    Options->Save();
    return true;
}

bool CheckNewVersion() {
    net::THTTPSend http;
    PrepareClient(http);
    const std::string url = MakerURL(kVersionPath);
    if (!http.ExecuteRequest("GET", url) || http.ResultCode() != 200) return false;
    runtime::TStringList lines;
    lines.SetText(DocumentText(http));
    const std::string first = lines.Count() > 0 ? lines.Strings(0) : std::string();
    if (!ParseVersion(first)) {
        Log("The version file " + url + " starts with no version: \"" + first + "\"");
        return false;
    }
    if (!IsNewerVersion(first, kProgramVersion)) return false;
    lines.Delete(0);
    NewVersionText =
        "There is a newer version of Serplow available at " + MakerWebAddress() + ".\r\n";
    for (int i = 0; i < lines.Count(); ++i) NewVersionText += lines.Strings(i) + "\r\n";
    NewVersionText += "\r\nDo you want to download the latest version right now?";
    return true;
}

bool IsNewerVersion(std::string_view remote, std::string_view own) {
    const std::optional<TVersion> theirs = ParseVersion(remote);
    const std::optional<TVersion> ours = ParseVersion(own);
    return theirs && ours && *theirs > *ours;
}

bool IsNewsLinkAllowed(std::string_view url) {
    for (const std::string_view scheme : {"http://", "https://", "mailto:"}) {
        if (url.size() >= scheme.size() &&
            runtime::SameText(url.substr(0, scheme.size()), scheme)) {
            return true;
        }
    }
    return false;
}

}  // namespace core
