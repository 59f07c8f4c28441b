// The local clock, natively.

#include <time.h>

#include <algorithm>
#include <chrono>

#include "runtime/datetime.h"

namespace runtime {

TDateTime Now() {
    const auto now = std::chrono::system_clock::now();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const time_t seconds = static_cast<time_t>(ms / 1000);
    tm local{};
    localtime_r(&seconds, &local);
    TDateTime date, time;
    if (!TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date) ||
        !TryEncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59),
                       static_cast<int>(ms % 1000), time))
        return 0;
    return date + time;
}

}  // namespace runtime
