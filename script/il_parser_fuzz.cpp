// Fuzzes script text to the intermediate form. Every unit a script names
// gets the script's own text, so "uses" nests parsers as deep as the input
// makes them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/exceptions.h"
#include "script/il_parser.h"
#include "script/pascalscript_grammar.h"

namespace {

class FuzzSite : public script::CompileSite {
  public:
    explicit FuzzSite(std::string unitText) : unitText_(std::move(unitText)) {}

    script::CompileErrors& Errors() override { return errors_; }
    bool GetUnitText(const std::string&, std::string& text) override {
        text = unitText_;
        return true;
    }

  private:
    script::CompileErrors errors_;
    std::string unitText_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = [] {
        script::RegisterPascalScriptGrammar();
        return true;
    }();
    (void)registered;

    const std::string text(reinterpret_cast<const char*>(data), size);
    FuzzSite site(text);
    script::TscILParser parser(site);
    parser.SelectGrammar("PascalScript");
    try {
        if (parser.BuildIntermediate(text)) {
            script::TscXMLDocument copy;
            copy.LoadFromString(parser.Intermediate().SaveToString());
        }
    } catch (const runtime::Exception&) {
        // An unknown grammar named by "#language".
    }
    return 0;
}
