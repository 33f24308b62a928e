// The generation pass over a real run directory: profiles, SQLite site databases,
// templates, the article pool and the site folders on disk.
#include "engine/generation_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <regex>
#include <set>

#include "engine/date_format.h"
#include "engine/run_context.h"
#include "engine/site_database.h"
#include "run_fixture.h"

namespace qm {
namespace {

using runtest::g;
using runtest::RunDir;

// Records log lines in order; optionally requests a stop when a line begins with a
// given text (to stop the pass between two pages).
class PassLog : public RecordingRunLog {
  public:
    void append_log(const Text& text) override {
        RecordingRunLog::append_log(text);
        if (!stopAt.empty() && text.rfind(stopAt, 0) == 0 && stop) stop->request_stop();
    }
    Text stopAt;
    std::stop_source* stop = nullptr;
};

class GenerationPassTest : public ::testing::Test {
  protected:
    GenerationPassTest() : run(log, controls, clock, {dir.runText(), "http://127.0.0.1:9", "0"}) {}

    void setSites(const std::vector<std::string>& names) {
        SiteList& sites = run.siteList();
        sites.setRowCount(static_cast<int>(names.size()) + 2);  // trailing empty rows
        for (std::size_t i = 0; i < names.size(); ++i) {
            sites.setCell(static_cast<int>(i), 0, to_text(static_cast<int>(i) + 1));
            sites.setCell(static_cast<int>(i), 1, names[i]);
        }
    }

    // n pool articles with their titles queued, as collection leaves them.
    std::vector<Text> queueArticles(int n) {
        std::vector<Text> titles;
        for (int i = 1; i <= n; ++i) {
            const Text title = g("新闻标题第") + to_text(i) + g("篇文章");
            dir.poolArticle(title, g("正文开始，内容") + to_text(i) + g("。"));
            ArticleRow row;
            row.cells[1] = title;
            run.articleQueue().addRow(row);
            titles.push_back(title);
        }
        return titles;
    }

    void pass(GenerationMode mode, std::stop_token stop = {}) {
        WorkerScope scope{run, log, std::move(stop)};
        runGenerationPass(scope, mode);
    }

    std::vector<Text> lines() { return log.appended(); }

    // The log lines a site with the given new ids and column count produces.
    static std::vector<Text> siteLines(const std::string& domain, std::vector<int> idsNewestFirst,
                                       int columns, bool home = true) {
        std::vector<Text> out;
        for (int id : idsNewestFirst)
            out.push_back(g("生成文章：") + domain + "/html/" + std::to_string(id) + ".html\r\n");
        for (int c = 1; c <= columns; ++c)
            out.push_back(g("生成栏目：") + domain + "/list/" + std::to_string(c) + ".html\r\n");
        if (home) out.push_back(g("生成首页：") + domain + "\r\n");
        return out;
    }

    RunDir dir;
    PassLog log;
    RecordingRunControls controls;
    FakeClock clock;
    RunContext run;
};

std::vector<int> range(int from, int to) {  // from down to `to`
    std::vector<int> out;
    for (int i = from; i >= to; --i) out.push_back(i);
    return out;
}

TEST_F(GenerationPassTest, NewsSitesShareTheQueueInListOrder) {
    dir.addSite(dir.site("a.test", 20));
    dir.addSite(dir.site("b.test", 20));
    dir.addSite(dir.site("c.test", 20));
    setSites({"a.test", "b.test", "c.test"});
    const std::vector<Text> titles = queueArticles(25);

    pass(GenerationMode::News);

    // a takes 20 of the 25, b the remaining 5, c finds the queue empty.
    const auto a = dir.rows("a.test");
    const auto b = dir.rows("b.test");
    ASSERT_EQ(a.size(), 20u);
    ASSERT_EQ(b.size(), 5u);
    EXPECT_TRUE(dir.rows("c.test").empty());
    EXPECT_EQ(run.articleQueue().rowCount(), 0);
    std::set<std::string> stored;
    for (const auto* rows : {&a, &b})
        for (const auto& row : *rows) stored.insert(row.title);
    std::set<std::string> expected;
    for (const Text& t : titles) expected.insert(gbk_to_utf8(t));
    EXPECT_EQ(stored, expected);  // every article once, none twice

    const std::regex day(R"(\d{4}-\d{2}-\d{2})");
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].articleId, std::to_string(i + 1));
        EXPECT_TRUE(a[i].column == "1" || a[i].column == "2") << a[i].column;
        EXPECT_TRUE(std::regex_match(a[i].time, day)) << a[i].time;
    }
    EXPECT_EQ(a[0].time, gbk_to_utf8(format_datetime(current_time(), 1, 1)));

    // Every article page carries its own pool body; c gets no article page but its
    // column pages and home page are rebuilt.
    EXPECT_EQ(dir.pages("a.test", "html").size(), 20u);
    EXPECT_EQ(dir.pages("b.test", "html").size(), 5u);
    EXPECT_TRUE(dir.pages("c.test", "html").empty());
    for (const auto& row : b) {
        const std::string page = dir.page("b.test", "html/" + row.articleId + ".html");
        const std::string number = row.title.substr(row.title.find("第") + 3);
        EXPECT_NE(gbk_to_utf8(page).find("[" + row.title + "]"), std::string::npos);
        EXPECT_NE(gbk_to_utf8(page).find("正文开始，内容" + number.substr(0, number.find("篇"))),
                  std::string::npos);
    }
    EXPECT_EQ(dir.pages("c.test", "list"), (std::vector<std::string>{"1.html", "2.html"}));
    EXPECT_EQ(gbk_to_utf8(dir.page("c.test", "index.html")).rfind("<h1>标题c.test</h1>", 0), 0u);

    std::vector<Text> want = siteLines("a.test", range(20, 1), 2);
    for (const Text& line : siteLines("b.test", range(5, 1), 2)) want.push_back(line);
    for (const Text& line : siteLines("c.test", {}, 2)) want.push_back(line);
    EXPECT_EQ(lines(), want);

    // One second after opening each database, 10 ms after each article.
    EXPECT_EQ(clock.total_waited(), std::chrono::milliseconds(3 * 1000 + 25 * 10));
}

TEST_F(GenerationPassTest, ColumnTextWithoutCommaGivesTwoColumnsOfThatName) {
    SiteSettings s = dir.site("one.test", 6);
    s.columns = g("新闻");
    dir.addSite(s);
    setSites({"one.test"});
    queueArticles(6);

    pass(GenerationMode::News);

    EXPECT_EQ(dir.pages("one.test", "list"), (std::vector<std::string>{"1.html", "2.html"}));
    EXPECT_EQ(gbk_to_utf8(dir.page("one.test", "list/1.html")), "标题one.test-新闻");
    EXPECT_EQ(gbk_to_utf8(dir.page("one.test", "list/2.html")), "标题one.test-新闻");
    for (const auto& row : dir.rows("one.test"))
        EXPECT_TRUE(row.column == "1" || row.column == "2") << row.column;
}

TEST_F(GenerationPassTest, IdsContinueFromTheRecordCount) {
    dir.addSite(dir.site("old.test", 3), 40);
    setSites({"old.test"});
    queueArticles(5);

    pass(GenerationMode::News);

    const auto rows = dir.rows("old.test");
    ASSERT_EQ(rows.size(), 43u);
    EXPECT_EQ(rows[40].articleId, "41");
    EXPECT_EQ(rows[41].articleId, "42");
    EXPECT_EQ(rows[42].articleId, "43");
    EXPECT_EQ(run.articleQueue().rowCount(), 2);
    // Only the three new articles get pages, newest first.
    EXPECT_EQ(dir.pages("old.test", "html"),
              (std::vector<std::string>{"41.html", "42.html", "43.html"}));
    EXPECT_EQ(lines(), siteLines("old.test", {43, 42, 41}, 2));
    // The result tables hold the newest records first.
    EXPECT_EQ(run.latestArticles().recordCount(), 43);
    EXPECT_EQ(run.latestArticles().cell(1, kPosArticleId), "43");
    EXPECT_EQ(run.randomArticles().recordCount(), 43);
}

TEST_F(GenerationPassTest, CustomLibraryIsPublishedInListingOrderOverTwoPasses) {
    SiteSettings s = dir.site("lib.test", 5);
    s.news = false;
    const runtest::fs::path lib = dir.root() / "lib";
    s.customFolder = lib.string();
    dir.addSite(s);
    setSites({"lib.test"});
    for (int i = 1; i <= 7; ++i)
        runtest::writeBytes(lib / ("art" + std::to_string(i) + ".txt"),
                            g("自定义正文，第") + to_text(i));
    const TextList order = list_files(s.customFolder, "*.txt", false);
    ASSERT_EQ(order.size(), 7u);

    // News mode leaves a custom-article site alone.
    queueArticles(3);
    pass(GenerationMode::News);
    EXPECT_TRUE(dir.rows("lib.test").empty());
    EXPECT_TRUE(lines().empty());

    pass(GenerationMode::Custom);
    auto rows = dir.rows("lib.test");
    ASSERT_EQ(rows.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rows[i].title, order[i].substr(0, order[i].size() - 4));
        EXPECT_FALSE(runtest::fs::exists(lib / order[i])) << order[i];
    }
    EXPECT_EQ(runtest::fileNames(lib).size(), 2u);
    // The page body is the consumed file's text.
    const std::string first = gbk_to_utf8(dir.page("lib.test", "html/1.html"));
    EXPECT_NE(first.find("自定义正文，第" + order[0].substr(3, 1)), std::string::npos) << first;
    EXPECT_EQ(lines(), siteLines("lib.test", range(5, 1), 2));
    // Custom mode queries 500 rows; the queue was refilled from the library.
    EXPECT_EQ(run.latestArticles().recordCount(), 5);

    pass(GenerationMode::Custom);
    rows = dir.rows("lib.test");
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[5].title, order[5].substr(0, order[5].size() - 4));
    EXPECT_EQ(rows[6].title, order[6].substr(0, order[6].size() - 4));
    EXPECT_TRUE(runtest::fileNames(lib).empty());
    for (const Text& line : lines())
        EXPECT_EQ(line.find(g("重要提醒")), Text::npos) << gbk_to_utf8(line);

    // The empty library is reported and the site skipped.
    log.clear_log();
    const std::size_t before = lines().size();
    pass(GenerationMode::Custom);
    const std::vector<Text> after = lines();
    ASSERT_EQ(after.size(), before + 1);
    EXPECT_EQ(after.back(), g("重要提醒：lib.test 自定义文章库不足\r\n"));
    EXPECT_EQ(dir.rows("lib.test").size(), 7u);
}

TEST_F(GenerationPassTest, CustomFilesAreFoundByTheirOwnNames) {
    // Both names lose every ".txt" and give the same title; each file is still read
    // and deleted as itself.
    SiteSettings s = dir.site("twin.test", 5);
    s.news = false;
    const runtest::fs::path lib = dir.root() / "lib";
    s.customFolder = lib.string();
    dir.addSite(s);
    setSites({"twin.test"});
    runtest::writeBytes(lib / "b.txt", g("甲，") + "one");
    runtest::writeBytes(lib / "b.txt.txt", g("乙，") + "two");
    runtest::writeBytes(lib / "keep.dat", "not an article");

    pass(GenerationMode::Custom);

    const auto rows = dir.rows("twin.test");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].title, "b");
    EXPECT_EQ(rows[1].title, "b");
    const std::string bodies =
        dir.page("twin.test", "html/1.html") + dir.page("twin.test", "html/2.html");
    EXPECT_NE(bodies.find("one"), std::string::npos);
    EXPECT_NE(bodies.find("two"), std::string::npos);
    EXPECT_EQ(runtest::fileNames(lib), (std::vector<std::string>{"keep.dat"}));
}

TEST_F(GenerationPassTest, CustomFilesStayWhenTheirRecordsCannotBeStored) {
    SiteSettings s = dir.site("nodb.test", 5);
    s.news = false;
    const runtest::fs::path lib = dir.root() / "lib";
    s.customFolder = lib.string();
    dir.addSite(s);
    runtest::fs::remove(dir.database("nodb.test"));
    setSites({"nodb.test"});
    for (int i = 1; i <= 3; ++i)
        runtest::writeBytes(lib / ("n" + std::to_string(i) + ".txt"), g("正文，") + to_text(i));

    pass(GenerationMode::Custom);

    EXPECT_EQ(runtest::fileNames(lib).size(), 3u);  // nothing of the operator's is lost
    const auto messages = log.messages();
    ASSERT_EQ(messages.size(), 2u);  // one per query
    EXPECT_EQ(messages[0].text, kOpenSourceFailed);
    EXPECT_EQ(messages[0].title, kOpenSourceFailedTitle);
    EXPECT_EQ(messages[0].style, kMbIconError);
    EXPECT_TRUE(dir.pages("nodb.test", "html").empty());
    EXPECT_EQ(lines(), siteLines("nodb.test", {}, 2));
}

TEST_F(GenerationPassTest, BadProfilesAreReportedAndSkipped) {
    const Text incomplete = g(" 配置不完整\r\n");
    // A profile that passes the mode gate but counts 10 parts.
    runtest::writeBytes(dir.run() / "数据库" / "list" / "short.test.txt",
                        "short.test||ip||/w||t1||T||K||D||C\r\n" + g("选择框6=真||生成数量=5||"));
    // An empty column field: line 1 ends with "||" and the profile counts 20 parts.
    SiteSettings noColumns = dir.site("nocol.test", 5);
    noColumns.columns.clear();
    dir.addSite(noColumns);
    // Nothing but a line break: empty once cleaned.
    runtest::writeBytes(dir.run() / "数据库" / "list" / "blank.test.txt", "\r\n");
    dir.addSite(dir.site("good.test", 2));
    setSites({"missing.test", "short.test", "nocol.test", "blank.test", "good.test"});
    queueArticles(2);

    pass(GenerationMode::News);

    std::vector<Text> want = {
        g("错误提示：missing.test") + incomplete, g("错误提示：short.test") + incomplete,
        g("错误提示：nocol.test") + incomplete, g("错误提示：blank.test") + incomplete};
    for (const Text& line : siteLines("good.test", {2, 1}, 2)) want.push_back(line);
    EXPECT_EQ(lines(), want);
    EXPECT_TRUE(dir.rows("nocol.test").empty());
}

TEST_F(GenerationPassTest, MissingTemplatesSkipTheirPagesOnly) {
    dir.addSite(dir.site("tpl.test", 3));
    setSites({"tpl.test"});
    queueArticles(3);
    dir.removeTemplate("内容页.htm");

    pass(GenerationMode::News);

    EXPECT_EQ(dir.rows("tpl.test").size(), 3u);  // the records are stored all the same
    EXPECT_TRUE(dir.pages("tpl.test", "html").empty());
    EXPECT_EQ(lines(), siteLines("tpl.test", {}, 2));

    dir.removeTemplate("栏目页.htm");
    dir.removeTemplate("首页.htm");
    log.clear_log();
    const std::size_t before = lines().size();
    pass(GenerationMode::News);
    EXPECT_EQ(lines().size(), before);
}

TEST_F(GenerationPassTest, StopWhileTakingArticlesStoresNothing) {
    dir.addSite(dir.site("s.test", 5), 2);
    setSites({"s.test"});
    queueArticles(5);
    std::stop_source stop;
    int waits = 0;
    clock.set_on_wait([&](std::chrono::milliseconds) {
        if (++waits == 3) stop.request_stop();  // the second article's wait
    });

    pass(GenerationMode::News, stop.get_token());
    run.closeDatabase();  // as the stop routine does

    EXPECT_EQ(dir.rows("s.test").size(), 2u);
    EXPECT_TRUE(dir.pages("s.test", "html").empty());
    EXPECT_TRUE(dir.pages("s.test", "list").empty());
    EXPECT_TRUE(lines().empty());
}

TEST_F(GenerationPassTest, StopBetweenPagesLeavesOnlyWholePages) {
    dir.addSite(dir.site("p.test", 4));
    dir.addSite(dir.site("q.test", 4));
    setSites({"p.test", "q.test"});
    queueArticles(8);
    std::stop_source stop;
    log.stop = &stop;
    log.stopAt = g("生成文章：");

    pass(GenerationMode::News, stop.get_token());

    EXPECT_EQ(dir.rows("p.test").size(), 4u);  // stored before the pages
    EXPECT_EQ(dir.pages("p.test", "html"), (std::vector<std::string>{"4.html"}));
    EXPECT_EQ(gbk_to_utf8(dir.page("p.test", "html/4.html")).rfind("[", 0), 0u);
    EXPECT_TRUE(dir.pages("p.test", "list").empty());
    EXPECT_FALSE(runtest::fs::exists(dir.www() / "p.test" / "index.html"));
    EXPECT_TRUE(dir.rows("q.test").empty());
    EXPECT_EQ(lines().size(), 1u);
}

TEST_F(GenerationPassTest, APageThatCannotBeWrittenIsReportedNotLoggedAsMade) {
    dir.addSite(dir.site("ro.test", 1));
    runtest::fs::remove_all(dir.www() / "ro.test" / "html");
    setSites({"ro.test"});
    queueArticles(1);

    pass(GenerationMode::News);

    const Text page = dir.wwwText() + "/ro.test/html/1.html";
    std::vector<Text> want = {g("错误提示：") + page + g(" 写入失败\r\n")};
    for (const Text& line : siteLines("ro.test", {}, 2)) want.push_back(line);
    EXPECT_EQ(lines(), want);
    EXPECT_TRUE(runtest::fileNames(dir.www() / "ro.test" / "list").size() == 2);
}

TEST_F(GenerationPassTest, LongTailWordsComeFromOneSmallEnoughFile) {
    const runtest::fs::path words = dir.root() / "words";
    EXPECT_TRUE(longTailWords(words.string()).empty());  // no folder
    runtest::fs::create_directories(words);
    EXPECT_TRUE(longTailWords(words.string()).empty());  // no file
    runtest::writeBytes(words / "w.txt", g("甲\r\n乙\r\nc"));
    EXPECT_EQ(longTailWords(words.string()), (TextList{g("甲"), g("乙"), "c"}));

    // Sizes by the kilobyte rule: 50 MB is still read, anything in the 51st MB not.
    auto sparse = [&](std::uintmax_t size) {
        runtest::fs::remove_all(words);
        runtest::writeBytes(words / "big.txt", "x\r\ny");
        runtest::fs::resize_file(words / "big.txt", size);
    };
    sparse(50ull * 1024 * 1024);
    EXPECT_EQ(longTailWords(words.string()), (TextList{"x", "y"}));
    sparse(51ull * 1024 * 1024);
    EXPECT_TRUE(longTailWords(words.string()).empty());
}

TEST_F(GenerationPassTest, PagePathsJoinInstallFolderDomainAndKind) {
    EXPECT_EQ(articlePagePath("/srv/www", "a.test", "7"), "/srv/www/a.test/html/7.html");
    EXPECT_EQ(columnPagePath("/srv/www/", "a.test", 2), "/srv/www/a.test/list/2.html");
    EXPECT_EQ(homePagePath("/srv/www", "a.test"), "/srv/www/a.test/index.html");
}

}  // namespace
}  // namespace qm
