#include "host/clock.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace keloscroll::host {

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
#ifdef _WIN32
  localtime_s(&local, &t);
#else
  localtime_r(&t, &local);
#endif
  double fraction =
      static_cast<double>(duration_cast<microseconds>(now.time_since_epoch()).count() % 1000000) /
      1e6;
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
}

double VirtualClock::secondsSinceMidnight() const {
  // Whole days of the count drop out exactly; the rest is below a day.
  int64_t sinceSet = (now_ - base_) % 86400000;
  if (sinceSet < 0) sinceSet += 86400000;
  double t = start_ + static_cast<double>(sinceSet) / 1000.0;
  return t >= kDay ? t - kDay : t;
}

void VirtualClock::setTimeOfDay(double seconds) {
  double t = std::fmod(seconds, kDay);
  if (t < 0) t += kDay;
  start_ = t < kDay ? t : 0.0;  // -1e-20 + 86400 rounds to a full day
  base_ = now_;
}

}  // namespace keloscroll::host
