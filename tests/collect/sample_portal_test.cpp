// The sample portal serves what the collector reads: its pages parse into exactly the
// titles and bodies it announces, and the shipped program serves a whole pass.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <set>

#include "collect/article_extractor.h"
#include "collect/link_collector.h"
#include "collect_fixture.h"
#include "foundation/gbk_codec.h"
#include "portal_pages.h"
#include "tools/sample_portal/portal_process.h"

extern char** environ;

namespace qm {
namespace {

using testing::CollectFixture;

TEST(SamplePortalPages, ArticlesParseIntoTheAnnouncedTitleAndBody) {
    for (const bool rejects : {true, false}) {
        portal::PortalLayout layout;
        layout.articles = 120;
        layout.rejects = rejects;
        int stored = 0;
        for (int n = 1; n <= portal::lastArticle(layout); ++n) {
            const Text page = portal::articlePage(layout, n);
            EXPECT_EQ(utf8_to_gbk(gbk_to_utf8(page)), page) << "page " << n << " is clean GBK";
            const ArticleParts parts = parseArticlePage(page);
            if (!portal::isStorable(layout, n)) {
                EXPECT_TRUE(parts.title.empty() && parts.body.empty()) << n;
                continue;
            }
            ++stored;
            EXPECT_EQ(parts.title, portal::storedTitle(layout, n)) << n;
            EXPECT_EQ(parts.body, portal::storedBody(layout, n)) << n;
            EXPECT_GT(byte_length(parts.body), 200) << n;
            EXPECT_EQ(find_text(parts.title, ":"), -1);
        }
        if (rejects) {
            EXPECT_GT(stored, 100);
            EXPECT_LT(stored, portal::lastArticle(layout));
        } else {
            EXPECT_EQ(stored, portal::lastArticle(layout));
        }
    }
}

TEST(SamplePortalPages, ListPagesCarryThePageCountAndMoreThanTenLinks) {
    portal::PortalLayout layout;
    layout.articles = 95;
    const int maxPage = portal::pageCount(layout);
    EXPECT_EQ(maxPage, 6);
    EXPECT_EQ(portal::firstListPage(layout, "http://h"), portal::listPage(layout, "http://h", 6));
    std::set<int> listed;
    for (int page = 1; page <= maxPage; ++page) {
        const Text text = portal::listPage(layout, "http://h", page);
        EXPECT_EQ(text_between(text, "var maxPage = ", ";"), "6");
        ArticleQueue queue;
        parseListPage(queue, text);
        const std::vector<int> ids = portal::articlesOnPage(layout, page);
        ASSERT_EQ(queue.rowCount(),
                  static_cast<int>(ids.size()) > 10 ? static_cast<int>(ids.size()) : 0);
        for (int row = 0; row < queue.rowCount(); ++row) {
            EXPECT_EQ(queue.cell(row, 2), portal::articleAddress("http://h", ids[row]));
            EXPECT_EQ(queue.cell(row, 1), portal::pageTitle(layout, ids[row]));
            if (page < maxPage) listed.insert(ids[row]);
        }
    }
    EXPECT_EQ(listed.size(), 95u);
    EXPECT_TRUE(portal::listPage(layout, "http://h", 0).empty());
    EXPECT_EQ(portal::respond(layout, "http://h", "/news_flash_0.shtml").status, 404);
    EXPECT_EQ(portal::respond(layout, "http://h", "/a/0.shtml").status, 404);
    EXPECT_EQ(portal::respond(layout, "http://h", "/a/1.shtml").status, 200);
    EXPECT_EQ(portal::respond(layout, "http://h", "/../etc/passwd").status, 404);
}

class ShippedSamplePortal : public CollectFixture {};

TEST_F(ShippedSamplePortal, ServesAWholeCollectionPass) {
    portal::PortalProcess server(std::string(QUILLMOOR_BUILD_DIR) + "/tools/sample_portal", 60);
    ASSERT_GT(server.port(), 0) << "the program printed no port";
    target = 25;
    CollectContext ctx = context("http://127.0.0.1:" + std::to_string(server.port()));
    collectNews(ctx);
    EXPECT_EQ(collected.load(), 25);
    ASSERT_EQ(queue.rowCount(), 25);
    for (int row = 0; row < queue.rowCount(); ++row) {
        EXPECT_GT(byte_length(readPoolArticle(runDir.path(), queue.cell(row, 1))), 200);
    }
}

}  // namespace
}  // namespace qm
