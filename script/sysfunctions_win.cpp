// The Windows half of the standard functions: the message box, and OLE
// Automation objects made by CreateOleObject and reached by late binding
// through their IDispatch interface.
#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/strings.h"
#include "script/sysfunctions_handlers.h"

namespace script::sysfn {

namespace {

using runtime::Exception;
using runtime::Variant;

// Scripts see failures to create an object under this class name.
RUNTIME_DECLARE_EXCEPTION(EOleSysError, Exception);

// Dispatch invocation passes at most this many arguments.
constexpr size_t kMaxDispatchArgs = 64;

std::wstring ToWide(std::u16string_view s) {
    return std::wstring(s.begin(), s.end());
}

// The system's text for an error code, without the trailing line break.
std::string SystemErrorText(HRESULT code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string text;
    if (buffer != nullptr) {
        text.assign(reinterpret_cast<const char16_t*>(buffer), length);
        LocalFree(buffer);
    }
    return runtime::TrimRight(runtime::WideToAnsi(text));
}

// A VARIANT that clears itself.
struct OleVariant {
    VARIANT v;
    OleVariant() { VariantInit(&v); }
    ~OleVariant() { VariantClear(&v); }
    OleVariant(const OleVariant&) = delete;
    OleVariant& operator=(const OleVariant&) = delete;
};

Variant FromOle(const VARIANT& source);
void ToOle(const Variant& value, VARIANT& target);

// An IDispatch as the class library's late-bound object.
class OleObject : public runtime::IVariantDispatch {
  public:
    // Takes over the reference.
    explicit OleObject(IDispatch* dispatch) : dispatch_(dispatch) {}
    ~OleObject() override { dispatch_->Release(); }
    OleObject(const OleObject&) = delete;
    OleObject& operator=(const OleObject&) = delete;

    IDispatch* Dispatch() const { return dispatch_; }

    Variant GetProperty(std::u16string_view name) override {
        return Call(name, {}, DISPATCH_METHOD | DISPATCH_PROPERTYGET, true);
    }
    void SetProperty(std::u16string_view name, const Variant& value) override {
        SetIndexedProperty(name, {}, value);
    }
    Variant Invoke(std::u16string_view name, std::span<Variant> args) override {
        return Call(name, args, DISPATCH_METHOD | DISPATCH_PROPERTYGET, true);
    }
    void CallMethod(std::u16string_view name, std::span<Variant> args) override {
        (void)Call(name, args, DISPATCH_METHOD, false);
    }
    // The value goes last, after the arguments (so first to the object).
    void SetIndexedProperty(std::u16string_view name, std::span<Variant> args,
                            const Variant& value) override {
        std::vector<Variant> all(args.begin(), args.end());
        all.push_back(value);
        (void)Call(name, all, DISPATCH_PROPERTYPUT, false);
    }

  private:
    Variant Call(std::u16string_view name, std::span<Variant> args, WORD flags, bool wantResult) {
        if (args.size() > kMaxDispatchArgs)
            throw runtime::Exception("OLE call of " + runtime::WideToAnsi(name) +
                                     " with more than " + std::to_string(kMaxDispatchArgs) +
                                     " arguments");
        std::wstring wideName = ToWide(name);
        LPOLESTR names[1] = {wideName.data()};
        DISPID id = DISPID_UNKNOWN;
        HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, GetThreadLocale(), &id);
        // A name the object does not know is never invoked. It is reported
        // with the code invoking it would give, which scripts may test for.
        if (hr == DISP_E_UNKNOWNNAME) hr = DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr)) {
            EXCEPINFO none{};
            ThrowInvokeError(hr, name, none);
        }

        // Dispatch invocation takes the arguments last first.
        std::vector<OleVariant> oleArgs(args.size());
        for (size_t i = 0; i < args.size(); ++i) ToOle(args[i], oleArgs[args.size() - 1 - i].v);
        std::vector<VARIANT> raw(args.size());
        for (size_t i = 0; i < args.size(); ++i) raw[i] = oleArgs[i].v;

        DISPID putId = DISPID_PROPERTYPUT;
        DISPPARAMS params{};
        params.rgvarg = raw.empty() ? nullptr : raw.data();
        params.cArgs = static_cast<UINT>(raw.size());
        if (flags == DISPATCH_PROPERTYPUT) {
            params.rgdispidNamedArgs = &putId;
            params.cNamedArgs = 1;
        }
        OleVariant result;
        EXCEPINFO info{};
        UINT argError = 0;
        hr = dispatch_->Invoke(id, IID_NULL, 0, flags, &params, wantResult ? &result.v : nullptr,
                               &info, &argError);
        if (FAILED(hr)) ThrowInvokeError(hr, name, info);
        return wantResult ? FromOle(result.v) : Variant();
    }

    [[noreturn]] static void ThrowInvokeError(HRESULT hr, std::u16string_view name,
                                              EXCEPINFO& info) {
        if (info.pfnDeferredFillIn != nullptr) info.pfnDeferredFillIn(&info);
        std::string text = SystemErrorText(hr);
        // Some systems have no text for the code a name nobody knows gets.
        if (text.empty() && hr == DISP_E_MEMBERNOTFOUND) text = "Member not found.";
        std::string message = "OLE error " + runtime::IntToHex(static_cast<uint32_t>(hr), 8) +
                              ": " + runtime::WideToAnsi(name) + ": " + text;
        const struct {
            BSTR text;
            const char* label;
        } fields[] = {{info.bstrSource, "Source        ::  "},
                      {info.bstrDescription, "Description ::  "},
                      {info.bstrHelpFile, "Help File     ::  "}};
        for (const auto& field : fields) {
            if (field.text != nullptr && SysStringLen(field.text) > 0) {
                message += "\r\n";
                message += field.label;
                message += runtime::WideToAnsi(std::u16string_view(
                    reinterpret_cast<const char16_t*>(field.text), SysStringLen(field.text)));
            }
            SysFreeString(field.text);
        }
        throw runtime::Exception(std::move(message));
    }

    IDispatch* dispatch_;
};

Variant WrapDispatch(IDispatch* dispatch) {
    if (dispatch == nullptr) return Variant(std::shared_ptr<runtime::IVariantDispatch>());
    return Variant(
        std::shared_ptr<runtime::IVariantDispatch>(std::make_shared<OleObject>(dispatch)));
}

[[noreturn]] void ThrowCannotConvert(const std::string& what) {
    throw runtime::EVariantTypeCastError("Could not convert variant of type (" + what +
                                         ") for an OLE call");
}

Variant FromOle(const VARIANT& source) {
    if ((V_VT(&source) & VT_BYREF) != 0) {
        OleVariant direct;
        if (FAILED(VariantCopyInd(&direct.v, const_cast<VARIANT*>(&source))))
            ThrowCannotConvert("ByRef");
        return FromOle(direct.v);
    }
    switch (V_VT(&source)) {
        case VT_EMPTY:
            return Variant();
        case VT_NULL:
            return Variant::Null();
        case VT_I1:
            return Variant::FromShortInt(static_cast<int8_t>(V_I1(&source)));
        case VT_UI1:
            return Variant::FromByte(V_UI1(&source));
        case VT_I2:
            return Variant::FromSmallint(V_I2(&source));
        case VT_UI2:
            return Variant::FromWord(V_UI2(&source));
        case VT_I4:
            return Variant(int32_t{V_I4(&source)});
        case VT_INT:
            return Variant(int32_t{V_INT(&source)});
        case VT_UI4:
            return Variant(uint32_t{V_UI4(&source)});
        case VT_UINT:
            return Variant(uint32_t{V_UINT(&source)});
        case VT_I8:
            return Variant(int64_t{V_I8(&source)});
        case VT_UI8:
            if (V_UI8(&source) <= static_cast<ULONGLONG>(INT64_MAX))
                return Variant(static_cast<int64_t>(V_UI8(&source)));
            return Variant(static_cast<double>(V_UI8(&source)));
        case VT_R4:
            return Variant::FromSingle(V_R4(&source));
        case VT_R8:
            return Variant(V_R8(&source));
        case VT_CY:
            return Variant::FromCurrency(V_CY(&source).int64);
        case VT_DATE:
            return Variant::FromDate(V_DATE(&source));
        case VT_BOOL:
            return Variant(V_BOOL(&source) != VARIANT_FALSE);
        case VT_ERROR:
            return Variant::FromError(V_ERROR(&source));
        case VT_BSTR:
            return Variant(std::u16string(reinterpret_cast<const char16_t*>(V_BSTR(&source)),
                                          SysStringLen(V_BSTR(&source))));
        case VT_DISPATCH:
            if (V_DISPATCH(&source) != nullptr) V_DISPATCH(&source)->AddRef();
            return WrapDispatch(V_DISPATCH(&source));
        case VT_UNKNOWN: {
            IDispatch* dispatch = nullptr;
            if (V_UNKNOWN(&source) != nullptr)
                V_UNKNOWN(&source)->QueryInterface(IID_IDispatch,
                                                   reinterpret_cast<void**>(&dispatch));
            return WrapDispatch(dispatch);
        }
        default:
            ThrowCannotConvert("$" + runtime::IntToHex(V_VT(&source), 4));
    }
}

void ToOle(const Variant& value, VARIANT& target) {
    switch (value.Type()) {
        case runtime::varEmpty:
            V_VT(&target) = VT_EMPTY;
            return;
        case runtime::varNull:
            V_VT(&target) = VT_NULL;
            return;
        case runtime::varSmallint:
            V_VT(&target) = VT_I2;
            V_I2(&target) = value.AsSmallint();
            return;
        case runtime::varInteger:
            V_VT(&target) = VT_I4;
            V_I4(&target) = value.AsInteger();
            return;
        case runtime::varSingle:
            V_VT(&target) = VT_R4;
            V_R4(&target) = value.AsSingle();
            return;
        case runtime::varDouble:
            V_VT(&target) = VT_R8;
            V_R8(&target) = value.AsDouble();
            return;
        case runtime::varCurrency:
            V_VT(&target) = VT_CY;
            V_CY(&target).int64 = value.AsCurrency();
            return;
        case runtime::varDate:
            V_VT(&target) = VT_DATE;
            V_DATE(&target) = value.AsDate();
            return;
        case runtime::varString:
        case runtime::varOleStr: {
            const std::u16string text = value.AsWideString();
            V_VT(&target) = VT_BSTR;
            V_BSTR(&target) = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                                static_cast<UINT>(text.size()));
            return;
        }
        case runtime::varBoolean:
            V_VT(&target) = VT_BOOL;
            V_BOOL(&target) = value.AsBoolean() ? VARIANT_TRUE : VARIANT_FALSE;
            return;
        case runtime::varError:
            V_VT(&target) = VT_ERROR;
            V_ERROR(&target) = value.AsInteger();
            return;
        case runtime::varShortInt:
            V_VT(&target) = VT_I1;
            V_I1(&target) = static_cast<CHAR>(value.AsShortInt());
            return;
        case runtime::varByte:
            V_VT(&target) = VT_UI1;
            V_UI1(&target) = value.AsByte();
            return;
        case runtime::varWord:
            V_VT(&target) = VT_UI2;
            V_UI2(&target) = value.AsWord();
            return;
        case runtime::varLongWord:
            V_VT(&target) = VT_UI4;
            V_UI4(&target) = value.AsLongWord();
            return;
        case runtime::varInt64:
            V_VT(&target) = VT_I8;
            V_I8(&target) = value.AsInt64();
            return;
        case runtime::varDispatch: {
            const auto* object = dynamic_cast<const OleObject*>(value.AsDispatch().get());
            if (value.AsDispatch() != nullptr && object == nullptr) ThrowCannotConvert("Dispatch");
            V_VT(&target) = VT_DISPATCH;
            V_DISPATCH(&target) = object != nullptr ? object->Dispatch() : nullptr;
            if (object != nullptr) object->Dispatch()->AddRef();
            return;
        }
        default:
            ThrowCannotConvert(runtime::VarTypeAsText(value.Type()));
    }
}

}  // namespace

void ShowMessageText(const std::string& text) {
    // The caption is the program's name, as an application's title is by
    // default.
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring caption = path;
    caption = caption.substr(caption.find_last_of(L"\\/") + 1);
    caption = caption.substr(0, caption.find_last_of(L'.'));
    const std::u16string message = runtime::AnsiToWide(text);
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(message.c_str()), caption.c_str(),
                MB_OK | MB_TASKMODAL);
}

Variant CreateOleObjectByName(const std::string& progId) {
    // Script runs happen on worker threads too: make sure this one has
    // joined COM. A thread this call joins stays joined, as the objects made
    // on it may outlive the call; a thread that had joined already keeps its
    // own count unchanged.
    if (CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) == S_FALSE) CoUninitialize();
    const std::wstring name = ToWide(runtime::AnsiToWide(progId));
    CLSID classId{};
    HRESULT hr = CLSIDFromProgID(name.c_str(), &classId);
    if (FAILED(hr)) throw EOleSysError(SystemErrorText(hr));
    IDispatch* dispatch = nullptr;
    hr = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                          IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (FAILED(hr)) throw EOleSysError(SystemErrorText(hr));
    return WrapDispatch(dispatch);
}

}  // namespace script::sysfn
