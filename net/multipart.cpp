#include "net/multipart.h"

#include <random>

#include "net/httpsend.h"

namespace net {

namespace {

// A quoted parameter's value with the characters that would end it or its
// line written as %-escapes.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                out += "%22";
                break;
            case '\r':
                out += "%0D";
                break;
            case '\n':
                out += "%0A";
                break;
            default:
                out += c;
        }
    }
    return out + "\"";
}

std::string RandomBoundary() {
    static constexpr char kChars[] =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
    std::string boundary = "SerplowFormBoundary";
    for (int i = 0; i < 24; ++i) boundary += kChars[pick(random)];
    return boundary;
}

constexpr int kMakerAttempts = 16;

}  // namespace

TMultipartFormData::TMultipartFormData() : TMultipartFormData(&RandomBoundary) {}

TMultipartFormData::TMultipartFormData(TBoundaryMaker makeBoundary)
    : makeBoundary_(std::move(makeBoundary)) {}

void TMultipartFormData::AddField(const std::string& name, const std::string& value) {
    parts_.push_back({"Content-Disposition: form-data; name=" + Quoted(name) + "\r\n", value});
    boundary_.clear();
}

bool TMultipartFormData::AddFile(const std::string& name, const std::string& fileName,
                                 const std::string& contentType, std::string data) {
    if (contentType.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
    parts_.push_back({"Content-Disposition: form-data; name=" + Quoted(name) +
                          "; filename=" + Quoted(fileName) + "\r\nContent-Type: " +
                          (contentType.empty() ? "application/octet-stream" : contentType) + "\r\n",
                      std::move(data)});
    boundary_.clear();
    return true;
}

const std::string& TMultipartFormData::Boundary() {
    // A maker that keeps making boundaries the parts hold gives way to
    // random ones.
    for (int attempt = 0; boundary_.empty(); ++attempt) {
        std::string candidate = attempt < kMakerAttempts ? makeBoundary_() : RandomBoundary();
        // A boundary line is "--" and the boundary; no part may hold it.
        std::string line = "--" + candidate;
        bool clash = candidate.empty();
        for (const TPart& part : parts_)
            clash = clash || part.head.find(line) != std::string::npos ||
                    part.data.find(line) != std::string::npos;
        if (!clash) boundary_ = std::move(candidate);
    }
    return boundary_;
}

std::string TMultipartFormData::ContentType() {
    return "multipart/form-data; boundary=" + Boundary();
}

std::string TMultipartFormData::Body() {
    const std::string& boundary = Boundary();
    std::string body;
    size_t size = boundary.size() + 8;
    for (const TPart& part : parts_)
        size += boundary.size() + part.head.size() + part.data.size() + 8;
    body.reserve(size);
    for (const TPart& part : parts_) {
        body += "--" + boundary + "\r\n";
        body += part.head;
        body += "\r\n";
        body += part.data;
        body += "\r\n";
    }
    body += "--" + boundary + "--\r\n";
    return body;
}

void TMultipartFormData::Prepare(THTTPSend& http) {
    std::string body = Body();
    http.Document().Clear();
    http.Document().WriteBuffer(body.data(), static_cast<int64_t>(body.size()));
    http.Document().SetPosition(0);
    http.MimeType = ContentType();
}

}  // namespace net
