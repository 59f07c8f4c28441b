// The math category of the standard functions (ctMath). Arguments are read
// as doubles. A result that is not a number, or infinite, from a finite
// argument raises the floating-point error the class library raises for
// the same result of an operator, instead of travelling on silently.
#include <cmath>
#include <numbers>

#include "runtime/exceptions.h"
#include "runtime/variant.h"
#include "script/sysfunctions_handlers.h"

namespace script::sysfn {

using runtime::Variant;

namespace {

double Checked(double argument, double result) {
    if (std::isnan(result) && !std::isnan(argument))
        throw runtime::EInvalidOp("Invalid floating point operation");
    if (std::isinf(result) && std::isfinite(argument)) {
        if (argument == 0) throw runtime::EZeroDivide("Floating point division by zero");
        throw runtime::EOverflow("Floating point overflow");
    }
    return result;
}

using MathFunction = double (*)(double);

Variant Apply(const SysCall& call, MathFunction f) {
    const double x = call.Arg(0).AsDouble();
    return Variant(Checked(x, f(x)));
}

}  // namespace

// Halves go to the even neighbour; a result outside 32 bits raises the
// Variant overflow error rather than being cut to its low bits.
Variant Round(const SysCall& call) {
    return Variant(Variant(call.Arg(0).AsDouble()).AsInteger());
}

Variant Trunc(const SysCall& call) {
    return Variant(Variant(std::trunc(call.Arg(0).AsDouble())).AsInteger());
}

// The integer part, as a float.
Variant Int(const SysCall& call) {
    return Apply(call, [](double x) { return std::trunc(x); });
}

Variant Frac(const SysCall& call) {
    return Apply(call, [](double x) { return x - std::trunc(x); });
}

Variant Sqrt(const SysCall& call) {
    return Apply(call, [](double x) { return std::sqrt(x); });
}

Variant Abs(const SysCall& call) {
    return Apply(call, [](double x) { return std::fabs(x); });
}

Variant Sin(const SysCall& call) {
    return Apply(call, [](double x) { return std::sin(x); });
}

Variant Cos(const SysCall& call) {
    return Apply(call, [](double x) { return std::cos(x); });
}

Variant ArcTan(const SysCall& call) {
    return Apply(call, [](double x) { return std::atan(x); });
}

Variant Tan(const SysCall& call) {
    return Apply(call, [](double x) { return std::sin(x) / std::cos(x); });
}

Variant Exp(const SysCall& call) {
    return Apply(call, [](double x) { return std::exp(x); });
}

Variant Ln(const SysCall& call) {
    return Apply(call, [](double x) { return std::log(x); });
}

Variant Pi(const SysCall&) {
    return Variant(std::numbers::pi);
}

}  // namespace script::sysfn
