// serplow-debugdata: appends the exception reporter's debug data to a
// linked program.
//
//   serplow-debugdata <program.exe>
//
// Reads the program's DWARF line tables, its function symbols and its
// function table, writes them in the reporter's compact form together with
// the default options, and appends the result to the program file (in
// place of data appended before). The program keeps its DWARF sections:
// the data is read by the program itself when it reports a failure.

#include <cxxabi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "crashreport/debugformat.h"
#include "crashreport/options_stream.h"
#include "dwarf_lines.h"
#include "pe_image.h"

namespace {

using crashreport::TLineRow;
using crashreport::TUnitRows;

std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + name);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Writes beside the file and renames it over, so a failure leaves the
// program as it was.
void writeFile(const std::string& name, const std::string& bytes) {
    const std::string scratch = name + ".debugdata";
    {
        std::ofstream out(scratch, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + scratch);
    }
    const auto permissions = std::filesystem::status(name).permissions();
    std::filesystem::rename(scratch, name);
    std::filesystem::permissions(name, permissions);
}

// "Class.Procedure" (or "Procedure") from a linked symbol name: demangled,
// without a compiler clone's suffix; points inside the parts would read as
// the separator, so they become "_".
std::string procedureName(const std::string& symbol) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> text(
        abi::__cxa_demangle(symbol.c_str(), nullptr, nullptr, &status), std::free);
    std::string name = status == 0 && text ? text.get() : symbol;
    // A compiler's copy of a function is named after the function.
    const size_t clone = name.find(status == 0 ? " [clone " : ".");
    if (clone != std::string::npos && clone > 0) name.resize(clone);
    std::string qualifier, procedure = name;
    // Find the split outside template arguments and before the parameters.
    int depth = 0;
    size_t split = std::string::npos;
    for (size_t i = 0; i + 1 < name.size(); ++i) {
        const char c = name[i];
        if (c == '(' && depth == 0) break;
        if (c == '<' || c == '(') ++depth;
        if (c == '>' || c == ')') --depth;
        if (depth == 0 && c == ':' && name[i + 1] == ':') split = i;
    }
    if (split != std::string::npos) {
        qualifier = name.substr(0, split);
        procedure = name.substr(split + 2);
    }
    std::replace(qualifier.begin(), qualifier.end(), '.', '_');
    if (qualifier.empty()) {
        std::replace(procedure.begin(), procedure.end(), '.', '_');
        return procedure;
    }
    return qualifier + "." + procedure;
}

// The function holding an address: from the function table when it covers
// it, else the nearest symbol before it.
class Functions {
  public:
    explicit Functions(const debugdata::PeImage& image) : image_(image) {}

    // The symbol index of the function holding rva, or -1.
    [[nodiscard]] long IndexAt(uint32_t rva) const {
        const auto& ranges = image_.Ranges();
        auto r = std::upper_bound(ranges.begin(), ranges.end(), rva,
                                  [](uint32_t v, const auto& x) { return v < x.Begin; });
        uint32_t start = 0;
        if (r != ranges.begin() && rva < std::prev(r)->End) start = std::prev(r)->Begin;
        const auto& symbols = image_.Functions();
        const uint32_t key = start != 0 ? start : rva;
        auto s = std::upper_bound(symbols.begin(), symbols.end(), key,
                                  [](uint32_t v, const auto& x) { return v < x.Rva; });
        if (s == symbols.begin()) return -1;
        return static_cast<long>(std::prev(s) - symbols.begin());
    }
    [[nodiscard]] std::string NameOf(long index) const {
        return procedureName(image_.Functions()[static_cast<size_t>(index)].Name);
    }

  private:
    const debugdata::PeImage& image_;
};

std::vector<TUnitRows> buildUnits(const debugdata::PeImage& image) {
    const auto line = image.SectionData(".debug_line");
    if (!line) throw std::runtime_error("the program has no .debug_line section");
    const debugdata::LineTables tables(*line, image.SectionData(".debug_line_str").value_or(""),
                                       image.SectionData(".debug_str").value_or(""));
    const debugdata::Section* text = image.SectionNamed(".text");
    if (text == nullptr) throw std::runtime_error("the program has no .text section");
    const uint64_t codeStart = image.ImageBase() + text->VirtualAddress;
    const uint64_t codeEnd = codeStart + text->VirtualSize;
    const uint64_t offsetBase = image.ImageBase() + crashreport::CodeBaseOffset;
    const Functions functions(image);

    std::vector<TUnitRows> units;
    for (const debugdata::LineSequence& s : tables.Sequences()) {
        // Code the linker dropped keeps its sequences at address 0.
        if (s.Rows.empty() || s.Rows.front().Address < codeStart || s.End > codeEnd) continue;
        long function = -2;
        for (size_t i = 0; i < s.Rows.size(); ++i) {
            const debugdata::LineRow& row = s.Rows[i];
            const uint64_t next = i + 1 < s.Rows.size() ? s.Rows[i + 1].Address : s.End;
            // A row of no length: the next one at the same address counts.
            if (next == row.Address) continue;
            const std::string& file =
                row.File < s.Files->size() ? (*s.Files)[row.File] : std::string("?");
            const auto offset = static_cast<uint32_t>(row.Address - offsetBase);
            const long at =
                functions.IndexAt(static_cast<uint32_t>(row.Address - image.ImageBase()));
            const bool newFunction = at != function;
            function = at;
            TUnitRows* unit = units.empty() ? nullptr : &units.back();
            const bool continues = unit != nullptr && unit->Name == file && unit->CodeEnd == offset;
            if (!continues) {
                units.push_back(TUnitRows{file, {}, 0});
                unit = &units.back();
            }
            // The same line again just goes on.
            if (continues && !newFunction && unit->Rows.back().Line == row.Line) {
                unit->CodeEnd = static_cast<uint32_t>(next - offsetBase);
                continue;
            }
            TLineRow r;
            r.Line = row.Line;
            r.Offset = offset;
            if ((newFunction || !continues) && at >= 0) r.Procedure = functions.NameOf(at);
            unit->Rows.push_back(std::move(r));
            unit->CodeEnd = static_cast<uint32_t>(next - offsetBase);
        }
    }
    return units;
}

// Days since 30 December 1899, in UTC, as the data's build date.
double buildDate() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return 25569.0 + std::chrono::duration<double>(now).count() / 86400.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: serplow-debugdata <program.exe>\n";
        return 2;
    }
    try {
        const std::string name = argv[1];
        std::string bytes = readFile(name);
        if (const auto old = crashreport::FindAppendedData(bytes)) {
            bytes.resize(bytes.size() - old->size() - 8);
        }
        const debugdata::PeImage image(bytes);
        const std::vector<TUnitRows> units = buildUnits(image);
        const crashreport::TCipherKey key = crashreport::CipherKeyOf("");
        const std::string debug = crashreport::BuildDebugInformation(units, key);
        const std::string options = crashreport::SaveOptions(crashreport::TVvOptionsValues());
        const std::string data =
            crashreport::BuildLibraryData(buildDate(), {}, options, debug, key);
        writeFile(name, bytes + crashreport::AppendedForm(data));
    } catch (const std::exception& e) {
        std::cerr << "serplow-debugdata: " << argv[1] << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
