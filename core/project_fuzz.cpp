// Fuzzes reading a project file. The first byte picks how the rest becomes
// a file: the newest format's text, the same compressed by zlib, raw
// compressed data of the middle format, the oldest format's XML compressed,
// or the whole file as it is.
#include <unistd.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/project_file.h"
#include "core/site.h"
#include "core/state.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace {

std::string Packed(const std::string& data) {
    uLongf size = compressBound(uLong(data.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size,
             reinterpret_cast<const Bytef*>(data.data()), uLong(data.size()));
    out.resize(size);
    return out;
}

std::string Header(std::string_view magic, size_t length) {
    std::string header(magic);
    for (int i = 0; i < 4; ++i) header.push_back(char((length >> (8 * i)) & 0xFF));
    return header;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("serplow-project-fuzz-" + std::to_string(getpid()) + ".spj"))
                                        .string();
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string file;
    switch (data[0] % 5) {
        case 0:
            file = Header(core::ProjectMagic2008, rest.size()) + rest;
            break;
        case 1:
            file = Header(core::ProjectMagic2007, rest.size()) + Packed(rest);
            break;
        case 2:
            file = Header(core::ProjectMagic2007, 1u << 16) + rest;
            break;
        case 3:
            file = Header(core::ProjectMagic2004, rest.size()) + Packed(rest);
            break;
        default:
            file = rest;
            break;
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(file.data(), std::streamsize(file.size()));

    if (!core::Sites) core::Sites = std::make_unique<core::TSiteList>();
    try {
        (void)core::LoadProject(runtime::AnsiToWide(path), core::ProjectBackup::None);
    } catch (const runtime::Exception&) {
    }
    core::WaitForReleasedProjects();
    core::CurrentSite = nullptr;
    core::CurrentKeyword = nullptr;
    core::Sites = std::make_unique<core::TSiteList>();
    return 0;
}
