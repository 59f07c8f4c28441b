// Late binding as scripts write it, against a recording stand-in for an
// OLE Automation object: which member each access reaches, how (a call
// whose value is used, a call statement, a property put), and with which
// arguments in which order. The real objects are tested under Wine
// (gui_rtti_test.cpp).
#include "script/ole_helper.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/strings.h"
#include "script/engine_test_support.h"

namespace script {
namespace {

using runtime::Variant;
using testing::Text;

// Records every access as "<how> <name>(<args>)[ := <value>]"; members
// whose names start with "Sub" answer with another recorder.
class TRecorder : public runtime::IVariantDispatch {
  public:
    explicit TRecorder(std::vector<std::string>& log, std::string prefix = {})
        : log_(log), prefix_(std::move(prefix)) {}

    Variant GetProperty(std::u16string_view name) override { return Invoke(name, {}); }
    void SetProperty(std::u16string_view name, const Variant& value) override {
        SetIndexedProperty(name, {}, value);
    }
    Variant Invoke(std::u16string_view name, std::span<Variant> args) override {
        log_.push_back(Entry("get", name, args));
        if (runtime::WideToAnsi(name).rfind("Sub", 0) == 0)
            return Variant(std::shared_ptr<runtime::IVariantDispatch>(
                std::make_shared<TRecorder>(log_, prefix_ + runtime::WideToAnsi(name) + ".")));
        return Variant(runtime::WideToAnsi(name) + "!");
    }
    void CallMethod(std::u16string_view name, std::span<Variant> args) override {
        log_.push_back(Entry("call", name, args));
    }
    void SetIndexedProperty(std::u16string_view name, std::span<Variant> args,
                            const Variant& value) override {
        log_.push_back(Entry("put", name, args) + " := " + runtime::VarToStr(value));
    }

  private:
    std::string Entry(const char* how, std::u16string_view name, std::span<Variant> args) const {
        std::string entry = std::string(how) + " " + prefix_ + runtime::WideToAnsi(name) + "(";
        for (size_t i = 0; i < args.size(); ++i)
            entry += (i > 0 ? "," : "") + runtime::VarToStr(args[i]);
        return entry + ")";
    }
    std::vector<std::string>& log_;
    std::string prefix_;
};

class OleHost : public testing::TestHost {
  public:
    OleHost() {
        global.DeclareVariable(
            "Server", "Variant",
            Variant(std::shared_ptr<runtime::IVariantDispatch>(std::make_shared<TRecorder>(log))));
    }

    // Runs the text; the recorder's log and the trace, or the error.
    std::string Accesses(const std::string& text) {
        log.clear();
        std::string trace;
        try {
            trace = Run(text);
        } catch (const runtime::Exception& e) {
            return std::string(e.ClassName()) + ": " + e.Message();
        }
        std::string joined;
        for (const std::string& entry : log) joined += entry + "; ";
        return joined + trace;
    }

    std::vector<std::string> log;
};

TEST(OleHelperTest, EachAccessReachesItsMemberTheWayItIsWritten) {
    OleHost host;
    struct Row {
        const char* name;
        std::string text;
        std::string expected;
    } rows[] = {
        {"a value read", Text({"var x: Variant;", "begin x := Server.Name; Trace(x) end."}),
         "get Name(); Name!"},
        {"a call statement", Text({"begin Server.Quit end."}), "call Quit(); "},
        {"a property put", Text({"begin Server.Visible := True end."}), "put Visible() := True; "},
        {"arguments in source order",
         Text({"begin Server.Add(1, 'two', 3.5); Trace(Server.Join('a', 'b', 'c')) end."}),
         "call Add(1,two,3.5); get Join(a,b,c); Join!"},
        {"an index passes further arguments",
         Text({"begin Server.Cells[1, 2] := 'v'; Trace(Server.Cells[3, 4]);",
               "  Trace(Server.Item('k')[5]) end."}),
         "put Cells(1,2) := v; get Cells(3,4); get Item(k,5); Cells! Item!"},
        {"every later name is a member of the object before it",
         Text({"begin Server.SubItems.SubList.Add(7); Trace(Server.SubItems.Count) end."}),
         "get SubItems(); get SubItems.SubList(); call SubItems.SubList.Add(7); get SubItems(); "
         "get SubItems.Count(); Count!"},
        {"inside with", Text({"var s: Variant;", "begin s := Server; with s do Quit end."}),
         "call Quit(); "},
        {"a receiver that is no longer an object",
         Text({"var s: Variant; i: Integer;",
               "begin for i := 1 to 2 do begin if i = 1 then s := Server else s := 'text';",
               "  s.Quit end end."}),
         "EVariantTypeCastError: Could not convert variant of type (String) into type "
         "(Dispatch)"},
    };
    for (const Row& row : rows) EXPECT_EQ(host.Accesses(row.text), row.expected) << row.name;
}

TEST(OleHelperTest, AnUnassignedObjectIsRefused) {
    OleHost host;
    host.global.DeclareVariable("Nothing", "Variant",
                                Variant(std::shared_ptr<runtime::IVariantDispatch>()));
    EXPECT_EQ(host.Accesses(Text({"begin Nothing.Quit end."})),
              "EVariantDispatchError: Cannot use Quit of an unassigned OLE object");
}

}  // namespace
}  // namespace script
