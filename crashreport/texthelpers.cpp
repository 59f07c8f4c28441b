#include "crashreport/texthelpers.h"

#include "runtime/strings.h"

namespace crashreport {

size_t PosFrom(std::string_view sub, std::string_view text, size_t from) {
    if (from < 1) from = 1;
    if (from > text.size() + 1) return 0;
    const size_t at = text.find(sub, from - 1);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::string ReplaceAll(std::string_view text, std::string_view oldText, std::string_view newText) {
    if (oldText.empty()) return std::string(text);
    std::string result;
    result.reserve(newText.size() > oldText.size()
                       ? newText.size() * (text.size() / oldText.size()) +
                             text.size() % oldText.size()
                       : text.size());
    size_t start = 0;
    for (size_t at = text.find(oldText); at != std::string_view::npos;
         at = text.find(oldText, start)) {
        result.append(text.substr(start, at - start));
        result.append(newText);
        start = at + oldText.size();
    }
    result.append(text.substr(start));
    return result;
}

std::vector<std::string> SplitBySet(std::string_view charSet, std::string_view text) {
    std::vector<std::string> parts;
    size_t i = text.find_first_not_of(charSet);
    if (i == std::string_view::npos) return parts;
    size_t start = i;
    for (; i < text.size(); ++i) {
        if (charSet.find(text[i]) != std::string_view::npos) {
            parts.push_back(runtime::Trim(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    std::string last = runtime::Trim(text.substr(start));
    if (!last.empty()) parts.push_back(std::move(last));
    return parts;
}

std::string ControlsToBlanks(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    }
    return result;
}

std::vector<std::string_view> SplitCrLf(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t at = text.find(CrLf); at != std::string_view::npos; at = text.find(CrLf, start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + CrLf.size();
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
    std::string result;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) result += CrLf;
        result += lines[i];
    }
    return result;
}

}  // namespace crashreport
