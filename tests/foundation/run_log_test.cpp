// The recording run log that engine tests observe the log and prompts through.
#include <gtest/gtest.h>

#include <thread>

#include "foundation/run_log.h"

namespace qm {
namespace {

TEST(RecordingRunLogTest, KeepsTheLogAndEveryAppend) {
    RecordingRunLog log;
    log.append_log("a\r\n");
    log.append_log("\xD6\xD0\r\n");
    EXPECT_EQ(log.read_log(), "a\r\n\xD6\xD0\r\n");
    log.clear_log();
    EXPECT_EQ(log.read_log(), "");
    log.append_log("b\r\n");
    EXPECT_EQ(log.read_log(), "b\r\n");
    EXPECT_EQ(log.appended(), (std::vector<Text>{"a\r\n", "\xD6\xD0\r\n", "b\r\n"}));
    EXPECT_EQ(log.clear_count(), 1);
}

TEST(RecordingRunLogTest, RecordsPromptsAndMessages) {
    RecordingRunLog log;
    log.show_prompt("p1");
    EXPECT_EQ(log.show_message("m", kMbIconError | kMbSystemModal, kPromptCaption), kMbResultOk);
    EXPECT_EQ(log.prompts(), (std::vector<Text>{"p1"}));
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0].text, "m");
    EXPECT_EQ(log.messages()[0].style, kMbIconError | kMbSystemModal);
    EXPECT_EQ(log.messages()[0].title, "\xD3\xD1\xC7\xE9\xCC\xE1\xD0\xD1");
    EXPECT_EQ(log.read_log(), "");  // prompts do not go into the log
}

TEST(RecordingRunLogTest, AppendsFromThreadsAreAllKept) {
    RecordingRunLog log;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&log] {
            for (int i = 0; i < 500; ++i) log.append_log("x");
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(log.read_log(), Text(2000, 'x'));
    EXPECT_EQ(log.appended().size(), 2000u);
}

}  // namespace
}  // namespace qm
