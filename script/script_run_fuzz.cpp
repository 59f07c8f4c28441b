// Fuzzes script text through the whole engine as the program runs it: the
// built-in functions and host classes loaded, on a thread with the stack the
// program gives script threads; compile, run the main program and call
// every procedure it declares. A step limit ends endless loops, the stack
// budget endless recursion and a memory limit runaway strings and arrays.
// Units named in "uses" are empty.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "script/engine_test_support.h"
#include "script/script.h"

namespace {

constexpr uint64_t kStepLimit = 20000;
constexpr size_t kMemoryLimit = size_t{64} << 20;

struct Host {
    Host() {
        script::init();
        global.ParentScript = script::GlobalScript();
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

// Raised out of a run on purpose: the ends a host expects.
template <typename Work>
void Tolerating(Work work) {
    try {
        work();
    } catch (const runtime::Exception&) {
    } catch (const script::EScriptStepLimit&) {
    }
}

void RunText(Host& host, std::string text) {
    script::TscScript script;
    script.ParentScript = &host.global;
    script.SetStepLimit(kStepLimit);
    script.SetMemoryLimit(kMemoryLimit);
    script.OnGetUnit = script::TscGetUnitEvent(
        [](runtime::TObject*, const std::string&, std::string& unit) { unit.clear(); });
    script.SetText(std::move(text));
    bool compiled = false;
    Tolerating([&] { compiled = script.Compile(); });  // "#language" naming no grammar
    if (!compiled) return;
    Tolerating([&] { script.Execute(); });
    std::vector<std::string> procedures;
    for (int i = 0; i < script.ItemCount(); ++i) {
        auto* item = dynamic_cast<script::TscProcVariable*>(script.GetItem(i));
        if (item != nullptr) procedures.push_back(item->Name);
    }
    for (const std::string& name : procedures)
        Tolerating([&] {
            (void)script.CallScriptFunction(name, runtime::Variant::ArrayOf({runtime::Variant(1)}));
        });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Host* host = new Host;
    std::string text(reinterpret_cast<const char*>(data), size);
    script::testing::OnScriptThread([&] { RunText(*host, std::move(text)); });
    return 0;
}
