// The local clock on Windows.

#include <windows.h>

#include "runtime/datetime.h"

namespace runtime {

TDateTime Now() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    TDateTime date, time;
    if (!TryEncodeDate(local.wYear, local.wMonth, local.wDay, date) ||
        !TryEncodeTime(local.wHour, local.wMinute, local.wSecond, local.wMilliseconds, time))
        return 0;
    return date + time;
}

}  // namespace runtime
