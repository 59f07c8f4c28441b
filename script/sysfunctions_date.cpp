// The date category of the standard functions (ctDate). Dates are
// TDateTime values: Variants of type varDate.
#include "runtime/datetime.h"
#include "runtime/variant.h"
#include "script/sysfunctions_handlers.h"

namespace script::sysfn {

using runtime::Variant;

Variant EncodeDate(const SysCall& call) {
    return Variant::FromDate(runtime::EncodeDate(call.Arg(0).AsInteger(), call.Arg(1).AsInteger(),
                                                 call.Arg(2).AsInteger()));
}

Variant DecodeDate(const SysCall& call) {
    int year = 0, month = 0, day = 0;
    runtime::DecodeDate(call.Arg(0).AsDate(), year, month, day);
    call.SetArg(1, Variant(int32_t{year}));
    call.SetArg(2, Variant(int32_t{month}));
    call.SetArg(3, Variant(int32_t{day}));
    return Variant();
}

Variant EncodeTime(const SysCall& call) {
    return Variant::FromDate(runtime::EncodeTime(call.Arg(0).AsInteger(), call.Arg(1).AsInteger(),
                                                 call.Arg(2).AsInteger(), call.Arg(3).AsInteger()));
}

Variant DecodeTime(const SysCall& call) {
    int hour = 0, min = 0, sec = 0, msec = 0;
    runtime::DecodeTime(call.Arg(0).AsDate(), hour, min, sec, msec);
    call.SetArg(1, Variant(int32_t{hour}));
    call.SetArg(2, Variant(int32_t{min}));
    call.SetArg(3, Variant(int32_t{sec}));
    call.SetArg(4, Variant(int32_t{msec}));
    return Variant();
}

Variant Date(const SysCall&) {
    return Variant::FromDate(runtime::Date());
}

Variant Time(const SysCall&) {
    return Variant::FromDate(runtime::Time());
}

Variant Now(const SysCall&) {
    return Variant::FromDate(runtime::Now());
}

Variant DayOfWeek(const SysCall& call) {
    return Variant(int32_t{runtime::DayOfWeek(call.Arg(0).AsDate())});
}

Variant IsLeapYear(const SysCall& call) {
    return Variant(runtime::IsLeapYear(call.Arg(0).AsInteger()));
}

// A month outside 1..12 has no days (0), rather than a value read past the
// month table.
Variant DaysInMonth(const SysCall& call) {
    return Variant(int32_t{runtime::DaysInMonth(call.Arg(0).AsInteger(), call.Arg(1).AsInteger())});
}

}  // namespace script::sysfn
