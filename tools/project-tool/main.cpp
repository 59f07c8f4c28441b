// project-tool: looks into project files from outside the program.
//
//   project-tool dump FILE       prints the whole project as JSON (UTF-8)
//   project-tool convert IN OUT  reads any format, writes the newest
//
// Exit status 0 on success, 1 when the file does not load (the reason on
// standard error), 2 for a wrong command line.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "arguments.h"
#include "core/project_file.h"
#include "core/site.h"
#include "core/state.h"
#include "runtime/strings.h"

namespace {

void AppendString(std::string& out, std::string_view utf8) {
    out += '"';
    for (unsigned char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    out += escape;
                } else {
                    out += char(c);
                }
        }
    }
    out += '"';
}

void AppendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char digits[32];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void Field(std::string& out, const char* name, bool first = false) {
    if (!first) out += ',';
    out += '"';
    out += name;
    out += "\":";
}

std::string Json(const core::TSiteList& sites) {
    std::string out = "{\"sites\":[";
    for (int i = 0; i < sites.Count(); ++i) {
        const core::TSite& site = *sites.Items(i);
        if (i > 0) out += ',';
        Field(out += '{', "url", true);
        AppendString(out, runtime::AnsiToUtf8(site.URL));
        Field(out, "notes");
        AppendString(out, runtime::WideToUtf8(site.Notes));
        Field(out, "keywords");
        out += '[';
        for (int j = 0; j < site.Keywords.Count(); ++j) {
            const core::TKeyword& keyword = *site.Keywords.Items(j);
            if (j > 0) out += ',';
            Field(out += '{', "name", true);
            AppendString(out, runtime::WideToUtf8(keyword.Name));
            Field(out, "position");
            out += std::to_string(keyword.Position);
            Field(out, "lastPosition");
            out += std::to_string(keyword.LastPosition);
            Field(out, "best");
            out += std::to_string(keyword.Best);
            Field(out, "active");
            out += keyword.Active ? "true" : "false";
            Field(out, "date");
            AppendNumber(out, keyword.Date);
            Field(out, "links");
            out += '[';
            for (int k = 0; k < keyword.Links.Count(); ++k) {
                const core::TLink& link = *keyword.Links.Links(k);
                if (k > 0) out += ',';
                Field(out += '{', "name", true);
                AppendString(out, runtime::AnsiToUtf8(link.Name()));
                Field(out, "title");
                AppendString(out, runtime::WideToUtf8(link.Title()));
                Field(out, "position");
                out += std::to_string(link.Position);
                Field(out, "page");
                out += std::to_string(link.Page);
                Field(out, "cost");
                AppendNumber(out, link.Cost);
                out += '}';
            }
            out += "]}";
        }
        out += "]}";
    }
    out += "]}\n";
    return out;
}

bool Load(const std::u16string& file) {
    core::Sites = std::make_unique<core::TSiteList>();
    // The wrong-format notice goes where every other reason goes.
    core::Callbacks.ShowMessage = [](const std::string& text, const std::string&, core::MessageKind,
                                     core::MessageOwner) {
        std::fprintf(stderr, "%s\n", runtime::AnsiToUtf8(text).c_str());
    };
    return core::LoadProject(file, core::ProjectBackup::None);
}

int Usage() {
    std::fprintf(stderr, "usage: project-tool dump FILE\n       project-tool convert IN OUT\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    BinaryStandardOutput();
    std::vector<std::u16string> args = Arguments(argc, argv);
    if (args.size() < 2) return Usage();
    const std::u16string& command = args[1];
    int status = 0;
    try {
        if (command == u"dump" && args.size() == 3) {
            if (!Load(args[2])) {
                status = 1;
            } else {
                std::string json = Json(*core::Sites);
                std::fwrite(json.data(), 1, json.size(), stdout);
            }
        } else if (command == u"convert" && args.size() == 4) {
            if (!Load(args[2]))
                status = 1;
            else
                core::SaveProject(args[3]);
        } else {
            return Usage();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", runtime::AnsiToUtf8(e.what()).c_str());
        status = 1;
    }
    core::WaitForReleasedProjects();
    core::Sites.reset();
    return status;
}
