#include "crashreport/callstack.h"

#include "crashreport/texthelpers.h"

namespace crashreport {

namespace {

bool named(const TVvDebugInfo& e) {
    return e.Kind >= dkExport;
}

// The next named entry after index i of the same module, or npos.
size_t nextNamed(const TVvStackList& list, size_t i) {
    for (size_t k = i + 1; k < list.size(); ++k) {
        if (named(list[k]) && list[k].ModuleInfo == list[i].ModuleInfo) return k;
    }
    return static_cast<size_t>(-1);
}

}  // namespace

void FilterCallStack(TVvStackList& list, size_t firstIndex) {
    if (list.size() < 2) return;
    for (size_t i = list.size() - 1; i-- > firstIndex;) {
        if (!named(list[i])) continue;
        const size_t next = nextNamed(list, i);
        if (next == static_cast<size_t>(-1)) continue;
        size_t after = static_cast<size_t>(-1);
        if (list[next].Address != list[i].Address) after = nextNamed(list, next);
        if (list[next].Address == list[i].Address ||
            (after != static_cast<size_t>(-1) && list[after].Address == list[i].Address)) {
            list[i].Kind = dkNothing;
        }
    }
}

void ParseExportName(std::string_view name, std::string_view sourceExtension, TVvDebugInfo& info) {
    std::string text(name);
    if (!text.empty() && text[0] == '@') {
        const size_t dollar = text.find('$');
        if (dollar != std::string::npos) text.resize(dollar);
        if (!text.empty() && text.back() == '@') text.pop_back();
        text.erase(0, 1);
        // "@@" stands for a name that itself begins with "@".
        for (size_t at = text.find("@@"); at != std::string::npos; at = text.find("@@", at + 2)) {
            text[at + 1] = '_';
        }
        for (char& c : text) {
            if (c == '@') c = '.';
        }
    } else if (text.find('.') != std::string::npos) {
        const size_t at = text.find('@');
        if (at != std::string::npos) text.resize(at);
    } else {
        if (!text.empty() && text[0] != '?') {
            info.ProcedureName = text;
            if (info.ProcedureName[0] == '@') info.ProcedureName[0] = '_';
            info.Kind = dkExport;
        }
        return;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t dot = text.find('.'); dot != std::string::npos; dot = text.find('.', start)) {
        parts.push_back(text.substr(start, dot - start));
        start = dot + 1;
    }
    parts.push_back(text.substr(start));
    if (parts.size() == 2) {
        info.UnitName = parts[0] + std::string(sourceExtension);
        info.ClassName.clear();
        info.ProcedureName = parts[1];
    } else if (parts.size() == 3) {
        info.UnitName = parts[0] + std::string(sourceExtension);
        info.ClassName = parts[1];
        info.ProcedureName = parts[2];
    } else {
        return;
    }
    if (!info.ProcedureName.empty() && info.ProcedureName[0] == '@') info.ProcedureName[0] = '_';
    info.Kind = dkDecorated;
}

int CallInstructionLength(const uint8_t (&c)[7]) {
    // call rel32
    if (c[2] == 0xE8) return 5;
    // call [rip+disp32], call [reg+disp32] (with an optional REX prefix)
    if (c[1] == 0xFF && (c[2] == 0x15 || ((c[2] & 0xF8) == 0x90 && c[2] != 0x94))) {
        return (c[0] & 0xF0) == 0x40 ? 7 : 6;
    }
    // call [rsp+disp32]
    if (c[0] == 0xFF && c[1] == 0x94 && c[2] == 0x24) return 7;
    // call reg
    if (c[5] == 0xFF && (c[6] & 0xF8) == 0xD0) return (c[4] & 0xF0) == 0x40 ? 3 : 2;
    // call [reg]
    if (c[5] == 0xFF && (c[6] & 0xF8) == 0x10 && c[6] != 0x14 && c[6] != 0x15) {
        return (c[4] & 0xF0) == 0x40 ? 3 : 2;
    }
    // call [reg+disp8]
    if (c[4] == 0xFF && (c[5] & 0xF8) == 0x50 && c[5] != 0x54) {
        return (c[3] & 0xF0) == 0x40 ? 4 : 3;
    }
    // call [rsp+disp8], call [rsp]
    if (c[3] == 0xFF && c[4] == 0x54 && c[5] == 0x24) return 4;
    if (c[4] == 0xFF && c[5] == 0x14 && c[6] == 0x24) return 3;
    return 0;
}

}  // namespace crashreport
