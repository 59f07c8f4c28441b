#pragma once

// TscSysFunctions: the registration module of the language's standard
// names. Constructed on a script (GlobalScript, as the first module), it
// declares there, in this order: the basic type names, True/False/nil/Null,
// the "__StringHelper" and "__ArrayHelper" items the builder indexes with,
// the ExceptionClassName and ExceptionMessage variables, the 65 standard
// functions and procedures, and the Variant type codes (varEmpty ...).
//
// Arguments convert by the class library's Variant rules, and a failed
// conversion raises its error into the script, as any run-time error does.
// Numbers and dates are formatted and parsed with the program-wide locale
// settings (runtime::FormatSettings) current at the call.

#include <cstdint>
#include <random>

#include "script/script.h"

namespace script {

class TscSysFunctions : public TscRTTIModule {
  public:
    explicit TscSysFunctions(TscScript& script);

    // The generator behind Random: the same sequence in every run until a
    // script calls Randomize, which seeds it from the clock.
    std::mt19937_64& RandomGenerator() { return random_; }

  private:
    std::mt19937_64 random_;
};

// The first part of what TscSysFunctions declares: the basic type names,
// True/False/nil/Null, the two index helpers and the exception variables.
// Enough for a script that uses no standard function.
void DeclareLanguageBasics(TscScript& script);

// Adds TscSysFunctions to ModuleClassList (again: nothing). script::init()
// calls it before the other modules register, so its names come first.
void RegisterSysFunctions();

}  // namespace script
