#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace soar {

float SystemClock::seconds_since_midnight() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&secs, &local);
    const double frac =
        duration<double>(now.time_since_epoch()).count() - static_cast<double>(secs);
    return static_cast<float>(local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + frac);
}

}  // namespace soar
