#include "host/clock.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace host {

namespace {
constexpr double kDay = 86400.0;
}

float Clock::Timer() const {
  float t = static_cast<float>(secondsSinceMidnight());
  // Rounding to single precision may carry 86399.998 up to a full day: that is midnight again.
  return t >= static_cast<float>(kDay) ? 0.0f : t;
}

int64_t SystemClock::nowMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

double SystemClock::secondsSinceMidnight() const {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t t = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  double fraction =
      static_cast<double>(duration_cast<microseconds>(now.time_since_epoch()).count() % 1000000) /
      1e6;
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
}

double VirtualClock::secondsSinceMidnight() const {
  return std::fmod(start_ + static_cast<double>(now_) / 1000.0, kDay);
}

void VirtualClock::setTimeOfDay(double seconds) {
  start_ = std::fmod(seconds - static_cast<double>(now_) / 1000.0, kDay);
  if (start_ < 0) start_ += kDay;
}

}  // namespace host
