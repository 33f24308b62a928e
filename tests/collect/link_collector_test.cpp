#include "collect/link_collector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "collect_fixture.h"
#include "portal_pages.h"

namespace qm {
namespace {

using testing::CollectFixture;
using testing::LoopbackServer;
using testing::portalHandler;
using testing::ReceivedRequest;
using testing::Reply;

const Text kLogStart = "\xBF\xAA\xCA\xBC\xB2\xC9\xBC\xAF\xC1\xB4\xBD\xD3\r\n";  // 开始采集链接
const Text kLogLinks = "\xB2\xC9\xBC\xAF\xB5\xBD\xC1\xB4\xBD\xD3\xA3\xBA";  // 采集到链接：
const Text kLogArticles =
    "\xBF\xAA\xCA\xBC\xB2\xC9\xBC\xAF\xD0\xC2\xCE\xC5\xC4\xDA\xC8\xDD\r\n";  // 开始采集新闻内容
const Text kLogDone = "\xB2\xC9\xBC\xAF\xCD\xEA\xB3\xC9\r\n";                // 采集完成
const Text kLogArticle = "\xB2\xC9\xBC\xAF\xC4\xDA\xC8\xDD";                 // 采集内容
const Text kFullColon = "\xA3\xBA";

Text linkLine(const Text& address, const Text& title) {
    return "<div class='scroll_news'><a href='" + address + "' class='news' target=_blank>" +
           title + "</a></div>\r\n";
}

Text listPageWith(int links, const Text& addressPrefix = "http://127.0.0.1:9/a/") {
    Text page = "<html><script>var maxPage = 3;</script>\r\n";
    for (int i = 1; i <= links; ++i) {
        page += linkLine(addressPrefix + to_text(i), "\xD0\xC2\x81\x5C" + to_text(i));
    }
    return page;
}

std::vector<std::string> targets(const LoopbackServer& server) {
    std::vector<std::string> paths;
    for (const ReceivedRequest& request : server.requests()) paths.push_back(request.target);
    return paths;
}

TEST(ParseListPage, IgnoresPagesOfTenLinksOrFewer) {
    for (const int links : {0, 1, 10}) {
        ArticleQueue queue;
        parseListPage(queue, listPageWith(links));
        EXPECT_EQ(queue.rowCount(), 0) << links;
    }
}

TEST(ParseListPage, AddsNumberedRowsWithTitleAndAddress) {
    ArticleQueue queue;
    queue.addRow({});
    queue.setCell(0, 0, "1");
    parseListPage(queue, listPageWith(11));
    ASSERT_EQ(queue.rowCount(), 12);
    for (int row = 1; row <= 11; ++row) {
        EXPECT_EQ(queue.cell(row, 0), to_text(row + 1));
        EXPECT_EQ(queue.cell(row, 1), "\xD0\xC2\x81\x5C" + to_text(row));
        EXPECT_EQ(queue.cell(row, 2), "http://127.0.0.1:9/a/" + to_text(row));
        EXPECT_EQ(queue.cell(row, 3), "");
    }
}

TEST(ParseListPage, MatchesInAnyLetterCaseLineByLineAndAllOfAHugePage) {
    Text page = "<DIV CLASS='SCROLL_NEWS'><A HREF='u1' CLASS='NEWS' TARGET=_BLANK>t1</A></DIV>";
    // A link split over two lines is no match.
    page += "<div class='scroll_news'><a href='u2' class='news' target=_blank>t\n2</a></div>";
    page += listPageWith(10);
    ArticleQueue queue;
    parseListPage(queue, page);
    ASSERT_EQ(queue.rowCount(), 11);
    EXPECT_EQ(queue.cell(0, 2), "u1");
    EXPECT_EQ(queue.cell(0, 1), "t1");

    ArticleQueue huge;
    parseListPage(huge, listPageWith(5000));
    EXPECT_EQ(huge.rowCount(), 5000);
    EXPECT_EQ(huge.cell(4999, 0), "5000");
}

TEST(ListPageUrl, BuildsTheFixedPathsOnThePortal) {
    EXPECT_EQ(firstListPageUrl("http://news.example"), "http://news.example/news_flash.shtml");
    EXPECT_EQ(listPageUrl("http://news.example/", 119), "http://news.example/news_flash_119.shtml");
}

class CollectNews : public CollectFixture {};

TEST_F(CollectNews, FillsThePoolAndTheQueueFromThePortal) {
    portal::PortalLayout layout;
    layout.articles = 100;  // pages 1 to 5 of 20 links, maxPage 6
    LoopbackServer server(portalHandler(layout));
    target = 30;
    CollectContext ctx = context(server.url());
    collectNews(ctx);

    // Pages 5 and 4 give 40 links, newest first; articles are taken in that order
    // until 30 are stored.
    std::vector<int> links;
    for (const int page : {5, 4}) {
        for (const int id : portal::articlesOnPage(layout, page)) links.push_back(id);
    }
    Text expectedLog = kLogStart + kLogLinks + "40\r\n" + kLogArticles;
    std::vector<std::string> expectedTargets = {"/news_flash.shtml", "/news_flash_5.shtml",
                                                "/news_flash_4.shtml"};
    std::set<Text> expectedTitles;
    for (std::size_t i = 0; i < links.size() && expectedTitles.size() < 30; ++i) {
        expectedTargets.push_back(portal::articlePath(links[i]));
        if (!portal::isStorable(layout, links[i])) continue;
        const Text title = portal::storedTitle(layout, links[i]);
        expectedTitles.insert(title);
        expectedLog += kLogArticle + to_text(static_cast<int>(i) + 1) + kFullColon + title + "\r\n";
        EXPECT_EQ(readPoolArticle(runDir.path(), title), portal::storedBody(layout, links[i]));
    }
    expectedLog += kLogDone;

    EXPECT_EQ(joinedLog(), expectedLog);
    EXPECT_EQ(targets(server), expectedTargets);
    EXPECT_EQ(collected.load(), 30);
    ASSERT_EQ(queue.rowCount(), 30);
    std::set<Text> queued;
    for (int row = 0; row < queue.rowCount(); ++row) {
        queued.insert(queue.cell(row, 1));
        for (const int column : {0, 2, 3, 4}) EXPECT_EQ(queue.cell(row, column), "");
    }
    EXPECT_EQ(queued, expectedTitles);
    EXPECT_EQ(runDir.allFiles().size(), 30u);
    EXPECT_EQ(clock.total_waited().count(), 250);
}

TEST_F(CollectNews, ATargetOfZeroFetchesOnlyTheFirstPageAndEmptiesThePool) {
    portal::PortalLayout layout;
    LoopbackServer server(portalHandler(layout));
    ASSERT_TRUE(makePool());
    ASSERT_TRUE(writePoolArticle(runDir.path(), "old article of an earlier pass", "body"));
    queue.addRow({});
    CollectContext ctx = context(server.url());
    collectNews(ctx);

    EXPECT_EQ(joinedLog(), kLogStart + kLogLinks + "0\r\n" + kLogDone);
    EXPECT_EQ(targets(server), std::vector<std::string>{"/news_flash.shtml"});
    EXPECT_EQ(queue.rowCount(), 0);
    EXPECT_TRUE(runDir.allFiles().empty());
    EXPECT_TRUE(file_exists(poolFolder(runDir.path())));
}

TEST_F(CollectNews, WalksBackwardsFromTheNewestPage) {
    LoopbackServer server([](const ReceivedRequest& request) {
        if (request.target == "/news_flash.shtml") return Reply::page("var maxPage = 120;");
        return Reply::page(listPageWith(11, "http://127.0.0.1:9/none/"));
    });
    target = 33;
    CollectContext ctx = context(server.url());
    collectNews(ctx);
    const std::vector<std::string> paths = targets(server);
    ASSERT_GE(paths.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(paths.begin(), paths.begin() + 4),
              (std::vector<std::string>{"/news_flash.shtml", "/news_flash_119.shtml",
                                        "/news_flash_118.shtml", "/news_flash_117.shtml"}));
    EXPECT_EQ(paths.size(), 4u);  // the article links lead to a closed port
    EXPECT_NE(joinedLog().find(kLogLinks + "33\r\n"), Text::npos);
}

TEST_F(CollectNews, TheWalkEndsAfterPageOneWhenPagesYieldNothing) {
    const struct {
        const char* what;
        Text firstPage;
        std::vector<std::string> paths;
    } cases[] = {
        {"pages of ten links",
         "var maxPage = 4;",
         {"/news_flash.shtml", "/news_flash_3.shtml", "/news_flash_2.shtml",
          "/news_flash_1.shtml"}},
        {"no page count", "<html>another layout</html>", {"/news_flash.shtml"}},
        {"page count of one", "var maxPage = 1;", {"/news_flash.shtml"}},
        {"negative page count", "var maxPage = -2147483648;", {"/news_flash.shtml"}},
    };
    for (const auto& c : cases) {
        LoopbackServer server([&](const ReceivedRequest& request) {
            if (request.target == "/news_flash.shtml") return Reply::page(c.firstPage);
            return Reply::page(listPageWith(10));
        });
        target = 50;
        log.clear_log();
        CollectContext ctx = context(server.url());
        collectNews(ctx);
        EXPECT_EQ(targets(server), c.paths) << c.what;
        EXPECT_EQ(joinedLog(), kLogStart + kLogLinks + "0\r\n" + kLogDone) << c.what;
    }
}

TEST_F(CollectNews, APortalThatIsDownEndsTheRunWithoutLinks) {
    int closedPort = 0;
    {
        LoopbackServer gone([](const ReceivedRequest&) { return Reply::page(""); });
        closedPort = gone.port();
    }
    target = 10;
    CollectContext ctx = context("http://127.0.0.1:" + std::to_string(closedPort));
    collectNews(ctx);
    EXPECT_EQ(joinedLog(), kLogStart + kLogLinks + "0\r\n" + kLogDone);
    EXPECT_EQ(queue.rowCount(), 0);
}

TEST_F(CollectNews, EqualTitlesShareOneFileButCountTwice) {
    portal::PortalLayout layout;
    LoopbackServer server([layout](const ReceivedRequest& request) {
        if (request.target == "/news_flash.shtml") return Reply::page("var maxPage = 2;");
        if (request.target == "/news_flash_1.shtml") {
            return Reply::page(
                listPageWith(12, "http://" + request.header("Host") + "/a/1.shtml?"));
        }
        return Reply::page(portal::articlePage(layout, 1));
    });
    target = 3;
    CollectContext ctx = context(server.url());
    collectNews(ctx);
    EXPECT_EQ(collected.load(), 3);
    ASSERT_EQ(queue.rowCount(), 1);
    EXPECT_EQ(queue.cell(0, 1), portal::storedTitle(layout, 1));
}

TEST_F(CollectNews, HostileLinksAreSkippedAndNothingLandsOutsideThePool) {
    const Text slashTitle =
        "../../\xD6\xD0/\xCE\xC4:\xA3\xBA\xB1\xEA\xCC\xE2\xB1\xEA\xCC\xE2\xB1\xEA";
    LoopbackServer server([&](const ReceivedRequest& request) {
        const Text base = "http://" + request.header("Host");
        if (request.target == "/news_flash.shtml") return Reply::page("var maxPage = 2;");
        if (request.target == "/news_flash_1.shtml") {
            Text page;
            const Text hostile[] = {"file:///etc/passwd",  "ftp://127.0.0.1/x", "../relative",
                                    "javascript:alert(1)", base + "/reset",     base + "/404"};
            for (int i = 0; i < 3000; ++i) {
                page += linkLine(i % 7 == 6 ? base + "/good/" + to_text(i) : hostile[i % 6], "t");
            }
            return Reply::page(page);
        }
        if (request.target == "/reset") return Reply::of(Reply::Kind::Reset);
        if (request.target == "/404") return Reply::page("<html>not found</html>", 404);
        const Text body = "<p>" + Text(300, 'w') + request.target + "</p>";
        return Reply::page("<title>" + slashTitle + request.target + "-\xCB\xD1\xBA\xFC</title>" +
                           "<div itemprop=\"articleBody\">" + body +
                           "<!-- seo\xB1\xEA\xC7\xA9\xC3\xE8\xCA\xF6 -->\r\n");
    });
    target = 5;
    CollectContext ctx = context(server.url());
    collectNews(ctx);
    EXPECT_NE(joinedLog().find(kLogLinks + "3000\r\n"), Text::npos);
    EXPECT_EQ(collected.load(), 5);
    ASSERT_EQ(queue.rowCount(), 5);
    for (int row = 0; row < 5; ++row) {
        const Text title = queue.cell(row, 1);
        EXPECT_EQ(find_text(title, "../../\xD6\xD0/\xCE\xC4"), 1) << "the real title is kept";
        EXPECT_FALSE(readPoolArticle(runDir.path(), title).empty());
    }
    EXPECT_TRUE(runDir.filesOutsidePool().empty());
}

TEST_F(CollectNews, AStopDuringExtractionReturnsWithoutFinishingOrHalfFiles) {
    portal::PortalLayout layout;
    auto portal = portalHandler(layout);
    LoopbackServer server([&](const ReceivedRequest& request) {
        if (request.target == portal::articlePath(portal::articlesOnPage(layout, 19)[5])) {
            stop.request_stop();
            return Reply::of(Reply::Kind::Hang);
        }
        return portal(request);
    });
    target = 100;
    CollectContext ctx = context(server.url());
    collectNews(ctx);
    const Text logText = joinedLog();
    EXPECT_EQ(logText.find(kLogDone), Text::npos);
    EXPECT_EQ(collected.load(), static_cast<int>(runDir.allFiles().size()));
    EXPECT_GT(collected.load(), 0);
    for (const auto& file : runDir.allFiles()) {
        EXPECT_EQ(file.extension(), ".txt");  // no temporary file left behind
    }
}

TEST_F(CollectNews, AStopDuringThePoolResetFetchesNothing) {
    portal::PortalLayout layout;
    LoopbackServer server(portalHandler(layout));
    clock.set_on_wait([&](std::chrono::milliseconds) { stop.request_stop(); });
    target = 10;
    CollectContext ctx = context(server.url());
    collectNews(ctx);
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_EQ(joinedLog(), kLogStart);
}

}  // namespace
}  // namespace qm
