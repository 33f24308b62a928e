// Time, the random generator, processes and the environment of TextKit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <thread>

#include "foundation/gbk_codec.h"
#include "foundation/text_kit.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

// The generator's draws from a given state, computed independently.
int lcg_draw(std::uint32_t& state) {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

TEST(TextKitTimeTest, CurrentTimeIsALocalOleDateInWholeSeconds) {
    const time_t before = time(nullptr);
    const double now = current_time();
    const time_t after = time(nullptr);
    struct tm local {};
    localtime_r(&before, &local);
    // Whole seconds: the fraction times 86400 is an integer.
    const double seconds = (now - std::floor(now)) * 86400.0;
    EXPECT_NEAR(seconds, std::round(seconds), 1e-4);
    if (before == after) {
        EXPECT_NEAR(seconds, local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec, 1e-4);
    }
    // 2000-01-01 is OLE day 36526; today is later than that.
    EXPECT_GT(now, 36526.0);
    EXPECT_DOUBLE_EQ(date_part(now), std::floor(now));
}

TEST(TextKitTimeTest, DatePartKeepsTheDay) {
    EXPECT_DOUBLE_EQ(date_part(36526.75), 36526.0);
    EXPECT_DOUBLE_EQ(date_part(0.5), 0.0);
    EXPECT_DOUBLE_EQ(date_part(-1.25), -1.0);  // 1899-12-29 06:00
}

TEST(TextKitTimeTest, TickCountMovesForwardAndSleepReturns) {
    const int a = tick_count();
    sleep_ms(20);
    sleep_ms(-5);  // counts as 0
    sleep_ms(INT_MIN);
    const int b = tick_count();
    // Unsigned difference, as callers must compute it across the wrap.
    const unsigned elapsed = static_cast<unsigned>(b) - static_cast<unsigned>(a);
    EXPECT_GE(elapsed, 20u);
    EXPECT_LT(elapsed, 60000u);
    process_events();
    init_components();
    release_components();
}

TEST(TextKitRandomTest, UnseededThreadStartsFromStateOne) {
    std::vector<int> got;
    std::thread([&] {
        for (int i = 0; i < 5; ++i) got.push_back(random_int(0, 32767));
    }).join();
    std::uint32_t state = 1;
    std::vector<int> expected;
    for (int i = 0; i < 5; ++i) expected.push_back(lcg_draw(state));
    EXPECT_EQ(got, expected);
    EXPECT_EQ(expected[0], 41);  // the classic first value
}

TEST(TextKitRandomTest, RangesFollowTheDrawModuloRule) {
    std::thread([] {
        std::uint32_t state = 1;
        EXPECT_EQ(random_int(5, 5), 5);  // no draw taken
        EXPECT_EQ(random_int(10, 1), 1 + lcg_draw(state) % 10);
        EXPECT_EQ(random_int(-7, 3), lcg_draw(state) % 4);  // min below 0 counts as 0
        EXPECT_EQ(random_int(-7, -3), 0);                   // both 0: no draw
        EXPECT_EQ(random_int(), lcg_draw(state) % 2147483647);
        EXPECT_EQ(random_int(INT_MAX, INT_MAX), INT_MAX);
        EXPECT_EQ(random_int(INT_MAX - 1, INT_MAX), INT_MAX - 1 + lcg_draw(state) % 2);
        EXPECT_EQ(random_int(INT_MIN, INT_MAX), lcg_draw(state) % 2147483647);
        EXPECT_EQ(random_int(100, 0), lcg_draw(state) % 101);
    }).join();
}

TEST(TextKitRandomTest, WideRangesNeverExceedTheDrawLimit) {
    seed_random();
    for (int i = 0; i < 20000; ++i) {
        const int r = random_int(0, 100000);
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
        const int s = random_int(10, 1);
        ASSERT_GE(s, 1);
        ASSERT_LE(s, 10);
    }
}

TEST(TextKitRandomTest, SeedsInTheSameMillisecondDiffer) {
    std::set<std::vector<int>> sequences;
    for (int i = 0; i < 8; ++i) {
        seed_random();
        std::vector<int> seq;
        for (int j = 0; j < 4; ++j) seq.push_back(random_int(0, 32767));
        sequences.insert(seq);
    }
    EXPECT_EQ(sequences.size(), 8u);
}

TEST(TextKitRandomTest, SeedingFromManyThreadsIsSafe) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 1000; ++i) {
                seed_random();
                const int r = random_int(1, 6);
                ASSERT_GE(r, 1);
                ASSERT_LE(r, 6);
            }
        });
    }
    for (auto& t : threads) t.join();
}

class TextKitProcessTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qm-process-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    std::string root_;
};

TEST_F(TextKitProcessTest, LaunchPassesArgumentsWithoutAShell) {
    const std::string out = root_ + "/out.txt";
    // Shell syntax in an argument stays a plain argument.
    ASSERT_TRUE(launch_program(
        {"sh", "-c", "printf '%s|' \"$@\" > \"$0\"", out, "a b", "$(x);*", "\xE4\xB8\xAD"}, true));
    EXPECT_EQ(read_file(text_path(out)).bytes, "a b|$(x);*|\xE4\xB8\xAD|");
}

TEST_F(TextKitProcessTest, LaunchWithoutWaitReturnsAndTheProgramRuns) {
    const std::string marker = root_ + "/done";
    ASSERT_TRUE(launch_program({"touch", marker}, false));
    // touch ends well within the first second, so it has run by the time we return.
    EXPECT_TRUE(fs::exists(marker));
    // A program that outlives the wait still starts; launch returns.
    ASSERT_TRUE(launch_program({"sleep", "2"}, false));
}

TEST_F(TextKitProcessTest, LaunchFailsForMissingPrograms) {
    EXPECT_FALSE(launch_program({}, true));
    EXPECT_FALSE(launch_program({""}, true));
    EXPECT_FALSE(launch_program({"qm-no-such-program-anywhere"}, true));
    EXPECT_FALSE(launch_program({root_ + "/missing"}, false));
}

TEST(TextKitEnvTest, GetEnvConvertsValuesToGbk) {
    ASSERT_EQ(setenv("QM_TEXTKIT_TEST", "\xE4\xB8\xAD\xE6\x96\x87", 1), 0);
    EXPECT_EQ(get_env("QM_TEXTKIT_TEST"), "\xD6\xD0\xCE\xC4");
    unsetenv("QM_TEXTKIT_TEST");
    EXPECT_EQ(get_env("QM_TEXTKIT_TEST"), "");
    EXPECT_EQ(get_env(""), "");
    EXPECT_EQ(get_env("A=B"), "");
}

TEST(TextKitEnvTest, RunDirectoryIsTheExecutableFolderUnlessOverridden) {
    const char* saved = std::getenv("QUILLMOOR_RUN_DIR");
    const std::string keep = saved ? saved : "";
    unsetenv("QUILLMOOR_RUN_DIR");
    const std::string exe = fs::read_symlink("/proc/self/exe").parent_path().string();
    EXPECT_EQ(run_directory(), text_path(exe));
    setenv("QUILLMOOR_RUN_DIR", "/srv/\xE4\xB8\xAD\xE6\x96\x87/", 1);
    EXPECT_EQ(run_directory(), "/srv/\xD6\xD0\xCE\xC4");
    setenv("QUILLMOOR_RUN_DIR", "", 1);
    EXPECT_EQ(run_directory(), text_path(exe));
    if (saved) {
        setenv("QUILLMOOR_RUN_DIR", keep.c_str(), 1);
    } else {
        unsetenv("QUILLMOOR_RUN_DIR");
    }
}

}  // namespace
}  // namespace qm
