// TextKit: local time as OLE dates, the millisecond tick, sleeping, the per-thread
// pseudo-random generator and the component no-ops.
#include <time.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>
#include <utility>

#include "foundation/text_kit.h"

namespace qm {
namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// The generator's state: one per thread, 1 until the thread seeds it.
thread_local std::uint32_t tRandomState = 1;

// Process-wide so that two threads seeding in the same millisecond get different
// seeds. Updated with compare-and-swap, so no seed is repeated.
std::atomic<std::uint32_t> gSeedCounter{0};

int next_draw() {
    tRandomState = tRandomState * 214013u + 2531011u;
    return static_cast<int>((tRandomState >> 16) & 0x7FFFu);
}

}  // namespace

double current_time() {
    const time_t now = time(nullptr);
    struct tm local {};
    if (localtime_r(&now, &local) == nullptr) return 0;
    const std::int64_t days =
        days_from_civil(local.tm_year + 1900LL, static_cast<unsigned>(local.tm_mon + 1),
                        static_cast<unsigned>(local.tm_mday)) -
        days_from_civil(1899, 12, 30);
    const int seconds = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return static_cast<double>(days) + seconds / 86400.0;
}

// OLE dates before 1899-12-30 count days negatively but times of day positively
// (-1.25 is 1899-12-29 06:00), so dropping the fraction toward zero keeps the day.
double date_part(double when) {
    return std::trunc(when);
}

int tick_count() {
    struct timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                             static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    // Wraps like a 32-bit millisecond counter; the conversion to int is modular.
    return static_cast<int>(static_cast<std::uint32_t>(ms));
}

void sleep_ms(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void process_events() {}

void seed_random() {
    const std::uint32_t t = static_cast<std::uint32_t>(tick_count());
    std::uint32_t k = gSeedCounter.load(std::memory_order_relaxed);
    std::uint32_t seed = 0;
    do {
        seed = t + k;
    } while (!gSeedCounter.compare_exchange_weak(k, k + (seed & 0xFFu) + 100u,
                                                 std::memory_order_relaxed));
    tRandomState = seed;
}

int random_int(int min, int max) {
    std::int64_t lo = min < 0 ? 0 : min;
    std::int64_t hi = max < 0 ? 0 : max;
    if (hi < lo) std::swap(lo, hi);
    if (lo == hi) return static_cast<int>(lo);
    std::int64_t range = hi - lo;
    if (range == 2147483647) range = 2147483646;
    return static_cast<int>(lo + next_draw() % (range + 1));
}

void init_components() {}
void release_components() {}

}  // namespace qm
