#include "collect/article_extractor.h"

#include <gtest/gtest.h>

#include <thread>

#include "collect_fixture.h"

namespace qm {
namespace {

using testing::CollectFixture;
using testing::LoopbackServer;
using testing::ReceivedRequest;
using testing::Reply;

const Text kZhong = "\xD6\xD0";                // 中
const Text kSohuSuffix = "-\xCB\xD1\xBA\xFC";  // -搜狐
const Text kFullColon = "\xA3\xBA";            // ：
const Text kSeo = "<!-- seo\xB1\xEA\xC7\xA9\xC3\xE8\xCA\xF6 -->";
const Text kBodyStart = "<div itemprop=\"articleBody\">";
const Text kLogPrefix = "\xB2\xC9\xBC\xAF\xC4\xDA\xC8\xDD";  // 采集内容

Text repeated(const Text& unit, int times) {
    Text text;
    for (int i = 0; i < times; ++i) text += unit;
    return text;
}

// An article page of the portal's layout; the body ends at the seo marker and CR.
Text articlePage(const Text& title, const Text& body) {
    return "<html><head><title>" + title + kSohuSuffix + "\xD0\xC2\xCE\xC5</title></head><body>" +
           kBodyStart + body + kSeo + "\r\n</div></body></html>";
}

const Text kTitle = repeated(kZhong, 10);  // 20 bytes: just long enough
const Text kLongBody = "<p>" + repeated("\xCE\xC4", 120) + "</p>";

TEST(ParseArticlePage, TitleNeedsTwentyBytesAfterItsColonsGo) {
    const struct {
        const char* what;
        Text pageTitle;
        Text stored;  // empty: rejected
    } cases[] = {
        {"nine characters", repeated(kZhong, 9), ""},
        {"ten characters", repeated(kZhong, 10), repeated(kZhong, 10)},
        {"both colons removed", repeated(kZhong, 5) + ":" + kFullColon + repeated(kZhong, 5) + ":",
         repeated(kZhong, 10)},
        {"colons do not count", repeated(kZhong, 9) + "::", ""},
        {"nothing else changes", " /" + repeated(kZhong, 9) + "\x81\x5C ",
         " /" + repeated(kZhong, 9) + "\x81\x5C "},
    };
    for (const auto& c : cases) {
        const ArticleParts parts = parseArticlePage(articlePage(c.pageTitle, kLongBody));
        EXPECT_EQ(parts.title, c.stored) << c.what;
        EXPECT_EQ(parts.body.empty(), c.stored.empty()) << c.what;
    }
    EXPECT_TRUE(parseArticlePage("<title>" + repeated(kZhong, 20) + "</title>" + kBodyStart +
                                 kLongBody + kSeo + "\r")
                    .title.empty())
        << "no portal suffix";
}

TEST(ParseArticlePage, BodyMustExceedTwoHundredBytesOnceCleaned) {
    const Text span = "<span>" + repeated("x", 50) + "</span>";
    const struct {
        const char* what;
        Text body;
        bool stored;
    } cases[] = {
        {"200 bytes", repeated("a", 200), false},
        {"201 bytes", repeated("a", 201), true},
        {"201 bytes before cleaning only", repeated("a", 190) + span, false},
        {"201 bytes after cleaning", repeated("a", 201) + span, true},
    };
    for (const auto& c : cases) {
        const ArticleParts parts = parseArticlePage(articlePage(kTitle, c.body));
        EXPECT_EQ(!parts.body.empty(), c.stored) << c.what;
    }
}

TEST(ParseArticlePage, CleansScriptStyleAndOtherSBlocks) {
    const Text pad = repeated("p", 210);
    const struct {
        const char* what;
        Text body;
        Text cleaned;
    } cases[] = {
        {"span with its word", "a<span>x</span>b", "ab"},
        {"strong inside a paragraph", "<p>a<strong>b</strong></p>", "<p>a</p>"},
        {"lower-case script over several lines",
         "a<script type=\"text/javascript\">\r\nvar s = 1;\n\r\nrun();\r\n</script>b", "ab"},
        {"upper-case blocks by the second pattern", "a<STYLE>\r\nP{}\r\n</STYLE>b<SPAN>q</SPAN>",
         "ab"},
        {"a capital S counts as upper case", "a<Span>x</Span>b", "ab"},
        {"an unclosed block stays", "a<span>x", "a<span>x"},
        {"nested: up to the first closing s tag", "<span><strong>x</strong>y</span>z", "y</span>z"},
        {"GBK text around blocks", kZhong + "<sup>1</sup>\x81\x73" + kZhong,
         kZhong + "\x81\x73" + kZhong},
    };
    for (const auto& c : cases) {
        const ArticleParts parts = parseArticlePage(articlePage(kTitle, pad + c.body));
        EXPECT_EQ(parts.body, pad + c.cleaned) << c.what;
    }
}

TEST(ParseArticlePage, EndMarkerDependsOnTheMediaLayout) {
    const Text head = "<html><head><title>" + kTitle + kSohuSuffix + "</title></head>";
    const Text body = repeated("b", 250);
    const struct {
        const char* what;
        Text page;
        Text body;
    } cases[] = {
        {"seo marker with its carriage return",
         head + kBodyStart + body + kSeo + "\r\n<script>x</script>", body},
        {"seo marker without CR is no end", head + kBodyStart + body + kSeo + "\n", ""},
        {"media page cut at lower-case script",
         head + kBodyStart + body + "<script>media_span_url('http://v/1')</script>" + kSeo + "\r",
         body},
        {"media marker in any case, upper-case tag",
         head + "<SCRIPT>MEDIA_SPAN_URL('HTTP://v')</SCRIPT>" + kBodyStart + body +
             "<SCRIPT>x</SCRIPT>tail" + kSeo + "\r",
         body},
        {"media page without a script after the body",
         head + kBodyStart + body + kSeo + "\r\nmedia_span_url('http://v')", ""},
        {"body marker in other letter case",
         head + "<DIV ITEMPROP=\"ARTICLEBODY\">" + body + kSeo + "\r", body},
        {"no body marker", head + "<div>" + body + kSeo + "\r", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseArticlePage(c.page).body, c.body) << c.what;
    }
}

TEST(DeletePatternMatches, RemovesMatchesLeftToRightAndFailsEmpty) {
    EXPECT_EQ(deletePatternMatches("<s>1</s>2<s>3</s>", "<s.*?>.*?<\\/s.*?>"), "2");
    EXPECT_EQ(deletePatternMatches("a\r\nb\nc", "a.*c"), "");
    EXPECT_EQ(deletePatternMatches("aAa", "A"), "aa");
    EXPECT_EQ(deletePatternMatches("text", "("), "");
}

class ExtractArticle : public CollectFixture {
  protected:
    void SetUp() override { ASSERT_TRUE(makePool()); }

    // Serves one page for every request.
    static LoopbackServer::Handler serving(const Text& page, int status = 200) {
        return [page, status](const ReceivedRequest&) { return Reply::page(page, status); };
    }
};

TEST_F(ExtractArticle, StoresTheCleanedBodyUnderTheTitleAndLogsIt) {
    LoopbackServer server(serving(articlePage(
        repeated(kZhong, 5) + kFullColon + repeated(kZhong, 5), kLongBody + "<span>ad</span>")));
    CollectContext ctx = context(server.url());
    EXPECT_EQ(extractArticle(ctx, server.url("/a/1.shtml"), 3), kTitle);
    EXPECT_EQ(collected.load(), 1);
    EXPECT_EQ(joinedLog(), kLogPrefix + "3" + kFullColon + kTitle + "\r\n");
    EXPECT_EQ(to_text(read_file(poolFilePath(runDir.path(), kTitle))), kLongBody);
}

TEST_F(ExtractArticle, RejectedPagesStoreCountAndLogNothing) {
    const Text pages[] = {
        articlePage(repeated(kZhong, 9), kLongBody),
        articlePage(kTitle, repeated("a", 200)),
        "<html>no layout</html>",
        "",
    };
    for (const Text& page : pages) {
        LoopbackServer server(serving(page));
        CollectContext ctx = context(server.url());
        EXPECT_TRUE(extractArticle(ctx, server.url("/a"), 1).empty());
    }
    EXPECT_EQ(collected.load(), 0);
    EXPECT_EQ(joinedLog(), "");
    EXPECT_TRUE(runDir.allFiles().empty());
}

TEST_F(ExtractArticle, ANotFoundPageInTheLayoutIsStoredLikeAnyOther) {
    LoopbackServer server(serving(articlePage(kTitle, kLongBody), 404));
    CollectContext ctx = context(server.url());
    EXPECT_EQ(extractArticle(ctx, server.url("/gone"), 1), kTitle);
    EXPECT_EQ(collected.load(), 1);
}

TEST_F(ExtractArticle, AFailedWriteIsNeitherCountedNorLogged) {
    LoopbackServer server(serving(articlePage(kTitle, kLongBody)));
    ASSERT_TRUE(remove_directory(poolFolder(runDir.path())));
    CollectContext ctx = context(server.url());
    EXPECT_TRUE(extractArticle(ctx, server.url("/a"), 1).empty());
    EXPECT_EQ(collected.load(), 0);
    EXPECT_EQ(joinedLog(), "");
}

TEST_F(ExtractArticle, HostileTitlesStayInsideThePoolAndKeepTheirRealName) {
    const Text titles[] = {
        "../../" + repeated(kZhong, 10),
        "/tmp/" + repeated(kZhong, 10),
        "a:b\xA3\xBA/" + repeated(kZhong, 10),
        "\xFF\x2F\x81/..\x80/" + repeated(kZhong, 10),  // damaged GBK around slashes
        repeated(kZhong, 400),                          // longer than any file name
    };
    int number = 0;
    for (const Text& title : titles) {
        LoopbackServer server(serving(articlePage(title, kLongBody)));
        CollectContext ctx = context(server.url());
        const Text stored = extractArticle(ctx, server.url("/a"), ++number);
        ASSERT_FALSE(stored.empty()) << number;
        EXPECT_EQ(readPoolArticle(runDir.path(), stored), kLongBody);
        EXPECT_NE(joinedLog().find(kFullColon + stored + "\r\n"), Text::npos);
    }
    EXPECT_EQ(collected.load(), 5);
    EXPECT_TRUE(runDir.filesOutsidePool().empty());
    EXPECT_EQ(runDir.allFiles().size(), 5u);
}

TEST_F(ExtractArticle, TheBodyEndsAtTheFirstNulByte) {
    // A NUL before the end marker leaves no end marker; one after it changes nothing.
    const Text early =
        articlePage(kTitle, kLongBody.substr(0, 50) + std::string(1, '\0') + kLongBody.substr(50));
    const Text late = articlePage(kTitle, kLongBody) + std::string(1, '\0') + "tail";
    LoopbackServer server([&](const ReceivedRequest& request) {
        return Reply::page(request.target == "/early" ? early : late);
    });
    CollectContext ctx = context(server.url());
    EXPECT_TRUE(extractArticle(ctx, server.url("/early"), 1).empty());
    EXPECT_EQ(extractArticle(ctx, server.url("/late"), 2), kTitle);
    EXPECT_EQ(readPoolArticle(runDir.path(), kTitle), kLongBody);
}

TEST_F(ExtractArticle, StoresATwentyMegabyteBody) {
    const Text paragraph = "<p>" + repeated(kZhong, 20) + "<span>x</span></p>\r\n";
    const Text body = repeated(paragraph, 20 * 1024 * 1024 / static_cast<int>(paragraph.size()));
    LoopbackServer server(serving(articlePage(kTitle, body)));
    CollectContext ctx = context(server.url());
    EXPECT_EQ(extractArticle(ctx, server.url("/big"), 1), kTitle);
    const Text cleanParagraph = "<p>" + repeated(kZhong, 20) + "</p>\r\n";
    EXPECT_EQ(file_size(poolFilePath(runDir.path(), kTitle)),
              static_cast<int>(body.size() / paragraph.size() * cleanParagraph.size()));
}

TEST_F(ExtractArticle, ResetHangAndUnreachableAddressesAreSkipped) {
    LoopbackServer server([](const ReceivedRequest& request) {
        if (request.target == "/reset") return Reply::of(Reply::Kind::Reset);
        return Reply::of(Reply::Kind::Hang);
    });
    CollectContext ctx = context(server.url());
    EXPECT_TRUE(extractArticle(ctx, server.url("/reset"), 1).empty());
    EXPECT_TRUE(extractArticle(ctx, "file:///etc/passwd", 2).empty());
    std::thread stopper([&] {
        server.waitForRequests(2);
        stop.request_stop();
    });
    EXPECT_TRUE(extractArticle(ctx, server.url("/hang"), 3).empty());
    stopper.join();
    EXPECT_EQ(collected.load(), 0);
    EXPECT_EQ(joinedLog(), "");
}

}  // namespace
}  // namespace qm
