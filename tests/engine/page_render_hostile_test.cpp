// Page rendering fed hostile bodies, counts and result tables: damaged GBK, commas
// that are only the bytes of other characters, counts at the int limits, cells that
// are not numbers. Rendering must stay bounded and never split a character.
#include <gtest/gtest.h>

#include <climits>

#include "engine/gbk_literals.h"
#include "engine/page_render.h"
#include "engine/text_cleanup.h"
#include "foundation/gbk_codec.h"

namespace qm {
namespace {

// Records 1..n with titles "t<r>" and ids "<100 + r>".
ResultTable table(int records) {
    ResultTable t;
    t.resize(records + 1, 6);
    for (int r = 1; r <= records; ++r) {
        t.setCell(r, kPosColumn, "1");
        t.setCell(r, kPosTime, "time" + to_text(r));
        t.setCell(r, kPosTitle, "t" + to_text(r));
        t.setCell(r, kPosArticleId, to_text(100 + r));
    }
    return t;
}

SiteValues linkingSite(int count) {
    SiteValues s;
    s.domain = "example.com";
    s.title = "T";
    s.keywords = "k1,k2";
    s.columns = columnNames("a,b");
    s.internalLinks = s.keywordLinks = s.longTail = true;
    s.internalLinkCount = s.keywordLinkCount = s.longTailCount = count;
    s.longTailWords = {"w1", "w2"};
    return s;
}

int links(const Text& text) {
    return countOccurrences(text, "<a href", true);
}

// Bodies whose bytes hold a full-width comma only across two other characters, or
// that end in half a character: nothing is inserted there, nothing is cut.
TEST(PageRenderHostileTest, BodiesWithoutARealCommaGetNoLink) {
    const std::vector<Text> bodies = {
        "",
        "\x81",              // a lone lead byte
        "\xB0\xA3\xAC\xA1",  // 啊 then a character starting 0xAC: the comma bytes straddle
        "x\xB0\xA3\xAC",     // the same, ending in a lead byte
        "\x81\x5C\x81\x7C\x81\x40\x81\x41",  // trail bytes that look like ASCII
        ",,,",                               // ASCII commas only
        std::string(3000, '\xB0'),           // lead bytes only
    };
    const ResultTable random = table(5);
    for (const Text& body : bodies) {
        SCOPED_TRACE(testing::PrintToString(body));
        EXPECT_EQ(enrichBody(body, linkingSite(1000), random), body);
    }
}

// Counts at the int limits: a bounded number of insertions, never a huge page; a
// negative count inserts nothing.
TEST(PageRenderHostileTest, InsertionCountsAreBounded) {
    const Text body = gbk("甲，乙，丙，");
    const ResultTable latest = table(3);
    const ResultTable random = table(3);
    const LoadedTemplate tpl = decodeTemplate(gbk("{文章内容}|{长尾词}"));
    struct Case {
        int count;
        int linksAtMost;
        int wordsAtMost;
    };
    for (const Case c : {Case{INT_MAX, 2000, 1000}, Case{1000000, 2000, 1000}, Case{3, 6, 3},
                         Case{0, 0, 0}, Case{-1, 0, 0}, Case{INT_MIN, 0, 0}}) {
        SCOPED_TRACE(c.count);
        const RenderedPage page =
            renderArticlePage(tpl, linkingSite(c.count), latest, random, 1, body);
        EXPECT_LE(links(page.text), c.linksAtMost);
        const std::size_t bar = page.text.rfind('|');
        ASSERT_NE(bar, Text::npos);
        const Text words = page.text.substr(bar + 1);
        EXPECT_LE(countOccurrences(words, "w", true), c.wordsAtMost);
        if (c.count <= 0) {
            EXPECT_EQ(page.text, body + "|");
        }
        EXPECT_LT(page.text.size(), 200000u);
    }
}

// Result tables whose cells are not what the pass stores: non-numeric or huge column
// numbers, empty ids, titles holding placeholders; rows out of range.
TEST(PageRenderHostileTest, OddResultCellsRenderAsText) {
    ResultTable latest = table(4);
    latest.setCell(1, kPosColumn, "abc");
    latest.setCell(2, kPosColumn, "99999999999");
    latest.setCell(3, kPosColumn, "-1");
    latest.setCell(4, kPosColumn, "");
    latest.setCell(1, kPosTitle, gbk("{网站标题}{最新文章}{发布时间}"));
    latest.setCell(2, kPosArticleId, "");
    const ResultTable random = table(0);
    const LoadedTemplate tpl =
        decodeTemplate(gbk("[{当前栏目}][{文章标题}]{最新文章}{发布时间}{随机文章}"));
    SiteValues site = linkingSite(2);
    for (int r : {1, 2, 3, 4, 5, 0, 1000}) {
        SCOPED_TRACE(r);
        const RenderedPage page = renderArticlePage(tpl, site, latest, random, r, Text());
        EXPECT_EQ(page.text.rfind("[]", 0), 0u);  // no column of that number
    }
    // A title holding placeholders stays as written; the next row is listed.
    const RenderedPage first = renderArticlePage(tpl, site, latest, random, 1, Text());
    EXPECT_EQ(first.text,
              gbk("[][{网站标题}{最新文章}{发布时间}]") + "<a href=\"/html/.html\">t2</a>time2");
    // A column page of a number beyond the columns names none and still renders.
    const RenderedPage column = renderColumnPage(tpl, site, latest, random, 7);
    EXPECT_EQ(column.text.rfind(gbk("[][{文章标题}]"), 0), 0u);
}

}  // namespace
}  // namespace qm
