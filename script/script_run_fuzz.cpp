// Fuzzes script text through the whole engine: compile, run the main
// program and call every procedure it declares. A step limit ends endless
// loops; the stack budget ends endless recursion. Units named in "uses"
// are empty.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "script/engine_test_support.h"
#include "script/script.h"

namespace {

constexpr uint64_t kStepLimit = 20000;

struct Host {
    Host() {
        script::init();
        script::DeclareLanguageBasics(global);
        global.DeclareMethodEx(
            "function Echo(v: Variant): Variant",
            [](runtime::TObject*, const runtime::TClassInfo*, const std::string&,
               script::TscMethodHelper& caller) { return caller.GetParamValue(0); });
        global.DeclareMethodEx(
            "procedure Raise(s: String)",
            [](runtime::TObject*, const runtime::TClassInfo*, const std::string&,
               script::TscMethodHelper& caller) -> runtime::Variant {
                throw runtime::EConvertError(runtime::VarToStr(caller.GetParamValue(0)));
            });
    }
    script::TscScript global;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Host* host = new Host;
    script::TscScript script;
    script.ParentScript = &host->global;
    script.SetStepLimit(kStepLimit);
    script.OnGetUnit = script::TscGetUnitEvent(
        [](runtime::TObject*, const std::string&, std::string& text) { text.clear(); });
    script.SetText(std::string(reinterpret_cast<const char*>(data), size));
    try {
        if (!script.Compile()) return 0;
    } catch (const runtime::Exception&) {
        return 0;  // "#language" naming an unknown grammar
    }
    try {
        script.Execute();
    } catch (const runtime::Exception&) {
    } catch (const script::EScriptStepLimit&) {
    }
    std::vector<std::string> procedures;
    for (int i = 0; i < script.ItemCount(); ++i) {
        auto* item = dynamic_cast<script::TscProcVariable*>(script.GetItem(i));
        if (item != nullptr) procedures.push_back(item->Name);
    }
    for (const std::string& name : procedures) {
        try {
            (void)script.CallScriptFunction(name, runtime::Variant::ArrayOf({runtime::Variant(1)}));
        } catch (const runtime::Exception&) {
        } catch (const script::EScriptStepLimit&) {
        }
    }
    return 0;
}
