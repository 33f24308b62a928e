// Page rendering with small templates: every placeholder of each page kind, the row
// rules of the lists, the long-tail words, the body links and the template charset.
#include "engine/page_render.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "engine/gbk_literals.h"
#include "engine/text_cleanup.h"
#include "foundation/gbk_codec.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

// Records 1..n: 栏目 "r % 2 + 1", 时间 "time<r>", 标题 "t<r>", 文章ID "<100 + r>".
ResultTable table(int records) {
    ResultTable t;
    t.resize(records + 1, 6);
    const std::vector<Text> names = {"ID",        kFieldColumn, kFieldTime,
                                     kFieldTitle, kFieldNote,   kFieldArticleId};
    for (int c = 0; c < 6; ++c) t.setCell(0, c, names[c]);
    for (int r = 1; r <= records; ++r) {
        t.setCell(r, kPosId, to_text(records - r + 1));
        t.setCell(r, kPosColumn, to_text(r % 2 + 1));
        t.setCell(r, kPosTime, "time" + to_text(r));
        t.setCell(r, kPosTitle, "t" + to_text(r));
        t.setCell(r, kPosArticleId, to_text(100 + r));
    }
    return t;
}

Text link(int r) {
    return "<a href=\"/html/" + to_text(100 + r) + ".html\">t" + to_text(r) + "</a>";
}

SiteValues site() {
    SiteValues s;
    s.domain = "example.com";
    s.title = gbk("新闻网");
    s.keywords = gbk("体育,财经");
    s.description = gbk("每日新闻");
    s.columns = columnNames(gbk("新闻,体育"));
    return s;
}

LoadedTemplate tpl(const std::string& utf8) {
    return decodeTemplate(gbk(utf8));
}

int occurrences(const Text& text, const Text& sub) {
    return countOccurrences(text, sub, true);
}

TEST(PageLinks, ArticleLinkReplacesLinkInTheTitleToo) {
    EXPECT_EQ(articleLink(gbk("标题"), "7"), "<a href=\"/html/7.html\">" + gbk("标题") + "</a>");
    EXPECT_EQ(articleLink("Linkage", "12"), "<a href=\"/html/12.html\">12age</a>");
    EXPECT_EQ(articleLink("LINK title link", "3"), "<a href=\"/html/3.html\">3 title 3</a>");
}

TEST(PageLinks, ColumnNamesAreDoubledWithoutAComma) {
    EXPECT_EQ(columnNames(gbk("新闻")), (TextList{gbk("新闻"), gbk("新闻")}));
    EXPECT_EQ(columnNames("a,b,c"), (TextList{"a", "b", "c"}));
}

TEST(PageLinks, ColumnLinksCycleThroughTheColumns) {
    Text page = gbk("{网站栏目}|{网站栏目}|{网站栏目}");
    fillColumnLinks(page, site().columns);
    EXPECT_EQ(page, "<a href=\"/list/1.html\">" + gbk("新闻") + "</a>|<a href=\"/list/2.html\">" +
                        gbk("体育") + "</a>|<a href=\"/list/1.html\">" + gbk("新闻") + "</a>");
    Text none = gbk("a{网站栏目}b");
    fillColumnLinks(none, {});
    EXPECT_EQ(none, "ab");
}

TEST(PageLinks, LatestListsFollowTheRowRuleOfEachPage) {
    const Text two = gbk("[{最新文章}][{最新文章}]");
    struct Case {
        const char* what;
        LatestRows rule;
        int r;
        int records;
        Text expected;
    };
    const std::vector<Case> cases = {
        {"article row 1 lists the next rows", LatestRows::AfterArticle, 1, 10,
         "[" + link(2) + "][" + link(3) + "]"},
        {"article row 8 stops before the last row", LatestRows::AfterArticle, 8, 10,
         "[" + link(9) + "][]"},
        {"article row 9 never lists the last row", LatestRows::AfterArticle, 9, 10, "[][]"},
        {"home lists from the newest", LatestRows::Newest, 0, 10,
         "[" + link(1) + "][" + link(2) + "]"},
        {"home with one record lists nothing", LatestRows::Newest, 0, 1, "[][]"},
        {"home with two records lists row 1", LatestRows::Newest, 0, 2, "[" + link(1) + "][]"},
        {"no records: the slots are emptied", LatestRows::Random, 0, 0, "[][]"},
    };
    for (const Case& c : cases) {
        Text page = two;
        fillLatest(page, table(c.records), c.rule, c.r);
        EXPECT_EQ(page, c.expected) << c.what;
    }
}

TEST(PageLinks, ColumnPageDrawsAnyRecordIncludingTheLast) {
    const ResultTable three = table(3);
    std::set<Text> seen;
    for (int i = 0; i < 100; ++i) {
        Text page = gbk("{最新文章}{随机文章}");
        fillLatest(page, three, LatestRows::Random, 0);
        fillRandom(page, three);
        const std::regex a("<a href=\"/html/(\\d+)\\.html\">t(\\d)</a>");
        int links = 0;
        for (std::sregex_iterator m(page.begin(), page.end(), a), end; m != end; ++m, ++links) {
            EXPECT_EQ(std::stoi((*m)[1]), 100 + std::stoi((*m)[2]));  // a whole row
            seen.insert((*m)[2]);
        }
        EXPECT_EQ(links, 2) << page;
    }
    EXPECT_EQ(seen, (std::set<Text>{"1", "2", "3"}));
}

TEST(PageLinks, PublishTimesFollowTheLatestThenTheRandomList) {
    LoadedTemplate t =
        tpl("{最新文章}{发布时间};{最新文章}{发布时间};{随机文章}{发布时间};{发布时间}.");
    const RenderedPage page = renderHomePage(t, site(), table(5), table(1));
    EXPECT_EQ(page.text, link(1) + "time1;" + link(2) + "time2;" + link(1) + "time1;.");
    // Without any record the times are removed all the same.
    const RenderedPage empty = renderHomePage(t, site(), table(0), table(0));
    EXPECT_EQ(empty.text, ";;;.");
}

TEST(PageLinks, LongTailTextDrawsLtWordsWhenSwitchedOn) {
    SiteValues s = site();
    s.longTail = true;
    s.longTailCount = 3;
    s.longTailWords = {"a", "b", "c"};
    for (int i = 0; i < 20; ++i) {
        Text page = gbk("<{长尾词}|{长尾词}>");
        longTailText(page, s);
        EXPECT_TRUE(std::regex_match(page, std::regex("<([abc],[abc],[abc])\\|\\1>"))) << page;
    }
    struct Case {
        const char* what;
        bool on;
        TextList words;
        int count;
    };
    for (const Case& c :
         {Case{"switched off", false, {"a", "b"}, 3}, Case{"one word only", true, {"a"}, 3},
          Case{"no word", true, {}, 3}, Case{"LT of 0", true, {"a", "b"}, 0}}) {
        s.longTail = c.on;
        s.longTailWords = c.words;
        s.longTailCount = c.count;
        Text page = gbk("<{长尾词}>");
        longTailText(page, s);
        EXPECT_EQ(page, "<>") << c.what;
    }
}

TEST(PageKinds, EachPageFillsExactlyItsPlaceholders) {
    LoadedTemplate t =
        tpl("{网站标题}|{网站关键词}|{网站描述}|{文章标题}|{文章内容}|{当前栏目}|{文章时间}|"
            "{网站栏目}|{最新文章}|{随机文章}|{发布时间}|{长尾词}");
    SiteValues s = site();
    s.longTail = true;
    s.longTailCount = 1;
    s.longTailWords = {"w", "w"};
    const ResultTable latest = table(4);
    const ResultTable random = table(1);
    const Text column1 = "<a href=\"/list/1.html\">" + gbk("新闻") + "</a>";

    const RenderedPage article = renderArticlePage(t, s, latest, random, 1, gbk("正文"));
    EXPECT_EQ(article.text, gbk("新闻网|{网站关键词}|{网站描述}|") + "t1|" + gbk("正文|体育|") +
                                "time1|" + column1 + "|" + link(2) + "|" + link(1) + "|time2|w");

    const RenderedPage column = renderColumnPage(t, s, latest, random, 2);
    const Text columnText = column.text;
    EXPECT_EQ(columnText.rfind(
                  gbk("新闻网|{网站关键词}|{网站描述}|{文章标题}|{文章内容}|体育|{文章时间}|") +
                      column1 + "|<a href",
                  0),
              0u)
        << columnText;
    // Any record for the latest slot, its time, and the long-tail slot removed.
    EXPECT_TRUE(std::regex_search(
        columnText, std::regex("\\|<a href=\"/html/10([1-4])\\.html\">t\\1</a>\\|" + link(1) +
                               "\\|time\\1\\|$")))
        << columnText;

    const RenderedPage home = renderHomePage(t, s, latest, random);
    EXPECT_EQ(home.text,
              gbk("新闻网|体育,财经|每日新闻|{文章标题}|{文章内容}|{当前栏目}|{文章时间}|") +
                  column1 + "|" + link(1) + "|" + link(1) + "|time1|w");
}

TEST(PageKinds, InsertedValuesAreNeverReadAsPlaceholders) {
    ResultTable latest = table(2);
    latest.setCell(1, kPosTitle, gbk("{网站标题}{最新文章}"));
    LoadedTemplate t = tpl("{文章标题}/{网站标题}/{文章内容}");
    const RenderedPage page = renderArticlePage(t, site(), latest, table(1), 1, gbk("{文章时间}"));
    EXPECT_EQ(page.text, gbk("{网站标题}{最新文章}/新闻网/{文章时间}"));
}

TEST(PageKinds, PlaceholderBracesOnTrailBytesAreNotPlaceholders) {
    // 81 7B is one character whose trail byte is "{".
    const LoadedTemplate t = decodeTemplate("\x81{" + gbk("网站标题}") + gbk("{网站标题}"));
    const RenderedPage page = renderHomePage(t, site(), table(0), table(0));
    EXPECT_EQ(page.text, "\x81{" + gbk("网站标题}新闻网"));
}

TEST(PageKinds, TemplatesAreDecodedByTheirCharset) {
    struct Case {
        const char* what;
        std::string head;
        bool utf8;
    };
    const std::vector<Case> cases = {
        {"UTF-8", "<meta charset=UTF-8>", true},
        {"utf-8 in quotes",
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">", true},
        {"gb2312", "<meta charset=gb2312>", false},
        {"no declaration", "<html>", false},
        {"utf twice", "<meta charset=\"utf-8\" data-utf=\"1\">", false},
        {"byte-order mark", "\xEF\xBB\xBF<html>", true},
    };
    for (const Case& c : cases) {
        const std::string body = "{网站标题}中文";  // UTF-8 source text
        const LoadedTemplate t = decodeTemplate(c.utf8 ? c.head + body : c.head + gbk(body));
        EXPECT_EQ(t.utf8, c.utf8) << c.what;
        const RenderedPage page = renderHomePage(t, site(), table(0), table(0));
        EXPECT_EQ(page.utf8, c.utf8) << c.what;
        const std::string head = c.head.starts_with("\xEF\xBB\xBF") ? c.head.substr(3) : c.head;
        if (c.utf8) {
            EXPECT_EQ(page.text, head + gbk("新闻网中文")) << c.what;
            EXPECT_EQ(page.fileBytes().bytes, head + "新闻网中文")
                << c.what;  // matches its charset
        } else {
            EXPECT_EQ(page.fileBytes().bytes, head + gbk("新闻网中文")) << c.what;
        }
    }
}

TEST(BodyLinks, InternalAndKeywordLinksFollowAFullWidthComma) {
    SiteValues s = site();
    s.internalLinks = true;
    s.internalLinkCount = 2;
    s.keywordLinks = true;
    s.keywords = "k1";
    s.keywordLinkCount = 1;
    const Text comma = gbk("，");
    // Double-byte characters only: the drawn positions (always even) fall on trail
    // bytes, and the commas after them must still be found.
    const Text body = gbk("甲，乙，丙，丁，戊，己，庚，辛");
    const Text internal = link(1);
    const Text keyword = "<a href=\"http://example.com\">k1</a>";
    int internals = 0, keywords = 0;
    for (int i = 0; i < 30; ++i) {
        const Text text = enrichBody(body, s, table(1));
        internals += occurrences(text, internal);
        keywords += occurrences(text, keyword);
        // Each link comes right after a comma, or after a link that did.
        for (std::size_t at = text.find("<a "); at != Text::npos; at = text.find("<a ", at + 1)) {
            const Text before = text.substr(0, at);
            EXPECT_TRUE(before.ends_with(comma) || before.ends_with("</a>")) << text;
        }
        // Removing the links gives the body back.
        EXPECT_EQ(replace_text(replace_text(text, internal, ""), keyword, ""), body);
        EXPECT_LE(occurrences(text, internal), 2);
        EXPECT_LE(occurrences(text, keyword), 1);
    }
    EXPECT_GT(internals, 0);
    EXPECT_GT(keywords, 0);
}

TEST(BodyLinks, NoCommaFromThePositionOnMeansNoLink) {
    SiteValues s = site();
    s.internalLinks = true;
    s.internalLinkCount = 5;
    s.keywordLinks = true;
    s.keywordLinkCount = 5;
    // Every drawn position is 2 or more: a comma at byte 1 is never used.
    const Text leading = gbk("，") + "abcdefghij";
    const Text noComma = gbk("没有逗号的正文,ascii comma");
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(enrichBody(leading, s, table(3)), leading);
        EXPECT_EQ(enrichBody(noComma, s, table(3)), noComma);
    }
    // With no record there is no article to link to; keyword links still come.
    s.keywordLinks = false;
    const Text body = gbk("一，二，三，四");
    EXPECT_EQ(enrichBody(body, s, table(0)), body);
    s.internalLinks = false;
    EXPECT_EQ(enrichBody(body, s, table(3)), body);
}

class TemplateFilesTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qm-render-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        folder_ = root_ / "\xE6\xA8\xA1\xE6\x9D\xBF" / "\xE9\xBB\x98\xE8\xAE\xA4";  // 模板/默认
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    fs::path root_;
    fs::path folder_;
};

TEST_F(TemplateFilesTest, MissingTemplatesYieldNoPage) {
    std::ofstream(folder_ / "\xE9\xA6\x96\xE9\xA1\xB5.htm", std::ios::binary)  // 首页.htm
        << gbk("<title>{网站标题}</title>");
    SiteValues s = site();
    s.runDir = text_path(root_.string());
    s.templateName = gbk("默认");
    const auto home = renderHomePage(s, table(2), table(2));
    ASSERT_TRUE(home.has_value());
    EXPECT_EQ(home->text, gbk("<title>新闻网</title>"));
    EXPECT_FALSE(renderColumnPage(s, table(2), table(2), 1).has_value());
    EXPECT_FALSE(renderArticlePage(s, table(2), table(2), 1, "body").has_value());
    const TemplateSet set = loadTemplateSet(s.runDir, s.templateName);
    EXPECT_TRUE(set.home.has_value());
    EXPECT_FALSE(set.column.has_value());
    EXPECT_FALSE(set.article.has_value());
    EXPECT_EQ(templatePath("/r", "t", kHomeTemplate), "/r/" + gbk("模板") + "/t/" + kHomeTemplate);
}

TEST_F(TemplateFilesTest, ShippedTemplatesUseEveryPlaceholderOfTheirPage) {
    const fs::path shipped = fs::path(QUILLMOOR_SOURCE_DIR) / "rundir";
    const Text runDir = text_path(shipped.string());
    const Text name = gbk("默认");
    const TemplateSet set = loadTemplateSet(runDir, name);
    ASSERT_TRUE(set.home && set.column && set.article);
    struct Case {
        const char* what;
        const LoadedTemplate* t;
        std::vector<std::string> placeholders;
    };
    const std::vector<std::string> shared = {"{网站标题}", "{网站栏目}", "{最新文章}", "{随机文章}",
                                             "{发布时间}"};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.end(), shared.begin(), shared.end());
        return more;
    };
    const std::vector<Case> cases = {
        {"home", &*set.home, with({"{网站关键词}", "{网站描述}", "{长尾词}"})},
        {"column", &*set.column, with({"{当前栏目}"})},
        {"article", &*set.article,
         with({"{文章标题}", "{文章内容}", "{当前栏目}", "{文章时间}", "{长尾词}"})},
    };
    SiteValues s = site();
    for (const Case& c : cases) {
        EXPECT_FALSE(c.t->utf8) << c.what;
        EXPECT_NE(find_text(c.t->text, "charset=\"gbk\"", 1, true), -1) << c.what;
        for (const std::string& p : c.placeholders)
            EXPECT_NE(find_text(c.t->text, gbk(p)), -1) << c.what << " " << p;
    }
    // Rendered with records, no placeholder of the page's own kind is left.
    const ResultTable latest = table(30);
    const ResultTable random = table(30);
    s.longTail = true;
    s.longTailCount = 3;
    s.longTailWords = {"a", "b"};
    const std::vector<Text> pages = {
        renderHomePage(*set.home, s, latest, random).text,
        renderColumnPage(*set.column, s, latest, random, 1).text,
        renderArticlePage(*set.article, s, latest, random, 1, gbk("正文，正文")).text,
    };
    for (std::size_t i = 0; i < pages.size(); ++i) {
        for (const std::string& p : cases[i].placeholders)
            EXPECT_EQ(find_text(pages[i], gbk(p)), -1) << cases[i].what << " " << p;
    }
}

}  // namespace
}  // namespace qm
