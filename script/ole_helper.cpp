#include "script/ole_helper.h"

#include <utility>

#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace script {

using runtime::Variant;

TscOLEHelper::TscOLEHelper(std::string name)
    : TscCustomHelper(TscItemClass::OleHelper, std::move(name), std::string(), fskVariant),
      wideName_(runtime::AnsiToWide(Name)) {}

void TscOLEHelper::AddArgument() {
    AddParam(std::make_unique<TscParamItem>("p" + std::to_string(ParamCount()), false, false,
                                            std::string(), fskVariant));
}

std::shared_ptr<runtime::IVariantDispatch> TscOLEHelper::Receiver() const {
    std::shared_ptr<runtime::IVariantDispatch> receiver = ParentValue.AsDispatch();
    if (receiver == nullptr)
        throw runtime::EVariantDispatchError("Cannot use " + Name + " of an unassigned OLE object");
    return receiver;
}

std::vector<Variant> TscOLEHelper::Arguments() const {
    std::vector<Variant> args;
    args.reserve(static_cast<size_t>(ParamCount()));
    for (int i = 0; i < ParamCount(); ++i) args.push_back(GetParam(i)->Value);
    return args;
}

Variant TscOLEHelper::GetValue() {
    const std::shared_ptr<runtime::IVariantDispatch> receiver = Receiver();
    std::vector<Variant> args = Arguments();
    if (!NeedResult) {
        receiver->CallMethod(wideName_, args);
        return Variant();
    }
    return receiver->Invoke(wideName_, args);
}

void TscOLEHelper::SetValue(const Variant& value) {
    const std::shared_ptr<runtime::IVariantDispatch> receiver = Receiver();
    std::vector<Variant> args = Arguments();
    receiver->SetIndexedProperty(wideName_, args, value);
}

}  // namespace script
