// The generation pass fed hand-edited profiles, odd counts, hostile library and
// template files and broken databases: it must neither crash nor hang, write nowhere
// but the site folder, lose none of the operator's files, nor report a failure as
// success, and it goes on with the next site.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "engine/generation_pass.h"
#include "engine/run_context.h"
#include "engine/site_database.h"
#include "run_fixture.h"

namespace qm {
namespace {

namespace fs = runtest::fs;
using runtest::g;
using runtest::RunDir;

// Every file and folder under root, relative, sorted.
std::set<std::string> tree(const fs::path& root) {
    std::set<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec))
        out.insert(fs::relative(it->path(), root).string());
    return out;
}

class HostilePassTest : public ::testing::Test {
  protected:
    HostilePassTest() : run(log, controls, clock, {dir.runText(), "http://127.0.0.1:9", "0"}) {
        run.dbConnection().setBusyTimeout(0);  // a locked database fails at once
    }

    void setSites(const std::vector<std::string>& names) {
        SiteList& sites = run.siteList();
        sites.setRowCount(static_cast<int>(names.size()));
        for (std::size_t i = 0; i < names.size(); ++i) {
            sites.setCell(static_cast<int>(i), 0, to_text(static_cast<int>(i) + 1));
            sites.setCell(static_cast<int>(i), 1, names[i]);
        }
    }

    void queueTitles(const std::vector<Text>& titles) {
        for (const Text& title : titles) {
            ArticleRow row;
            row.cells[1] = title;
            run.articleQueue().addRow(row);
        }
    }
    void queueArticles(int n) {
        std::vector<Text> titles;
        for (int i = 1; i <= n; ++i) {
            titles.push_back("art" + to_text(i));
            dir.poolArticle(titles.back(), g("正文，") + to_text(i));
        }
        queueTitles(titles);
    }

    // The log lines appended since the last pass began.
    std::vector<Text> lines() {
        const std::vector<Text> all = log.appended();
        return std::vector<Text>(all.begin() + static_cast<std::ptrdiff_t>(mark), all.end());
    }

    void pass(GenerationMode mode) {
        mark = log.appended().size();
        WorkerScope scope{run, log, {}};
        runGenerationPass(scope, mode);
    }

    // A profile file written byte for byte under the site name.
    void writeProfileBytes(const std::string& name, const std::string& bytes) {
        runtest::writeBytes(dir.run() / "数据库" / "list" / (name + ".txt"), bytes);
    }

    // A custom-article site reading the library folder lib.
    SiteSettings customSite(const std::string& domain, int count, const fs::path& lib) {
        SiteSettings s = dir.site(domain, count);
        s.news = false;
        s.customFolder = lib.string();
        return s;
    }

    bool logged(const Text& line) {
        const auto all = lines();
        return std::find(all.begin(), all.end(), line) != all.end();
    }
    std::string allLog() {
        std::string out;
        for (const Text& line : lines()) out += gbk_to_utf8(line);
        return out;
    }

    RunDir dir;
    RecordingRunLog log;
    std::size_t mark = 0;
    RecordingRunControls controls;
    FakeClock clock;
    RunContext run;
};

Text incomplete(const std::string& name) {
    return g("错误提示：") + name + g(" 配置不完整\r\n");
}

// A domain, template name or install folder that is not one name inside its folder
// skips the site before anything is read or written; the next site is served.
TEST_F(HostilePassTest, HandEditedPathsInTheProfileSkipTheSite) {
    struct Case {
        const char* what;
        std::string domain, templateName, installFolder;
    };
    const std::string www = dir.wwwText();
    const std::vector<Case> cases = {
        {"domain climbing out", "../escape", "t1", www},
        {"domain with a folder", "sub/inner", "t1", www},
        {"domain ..", "..", "t1", www},
        {"domain .", ".", "t1", www},
        {"empty domain", "", "t1", www},
        {"domain of 1 MB", std::string(1 << 20, 'd'), "t1", www},
        {"template climbing out", "t.test", "../../etc", www},
        {"template with a folder", "t.test", "t1/../t1", www},
        {"template ..", "t.test", "..", www},
        {"empty template", "t.test", "", www},
        {"empty install folder", "t.test", "t1", ""},
    };
    // Folders the pages would land in if the domain were followed.
    for (const char* sub : {"html", "list"}) {
        fs::create_directories(dir.root() / "escape" / sub);
        fs::create_directories(dir.www() / "sub" / "inner" / sub);
        fs::create_directories(dir.www() / "t.test" / sub);
        fs::create_directories(dir.www() / sub);
    }
    dir.createDatabase("t.test", 0);
    runtest::writeBytes(dir.run() / "数据库" / "sub" / "inner.mdb", "");
    // A template set outside the run directory that "../../etc" would reach.
    for (const char* file : {"首页.htm", "栏目页.htm", "内容页.htm"})
        runtest::writeBytes(dir.root() / "etc" / file, "OUTSIDE");
    dir.addSite(dir.site("good.test", 2));
    queueArticles(3);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SiteSettings s = dir.site("t.test", 2);
        s.domain = c.domain;
        s.templateName = c.templateName;
        s.installFolder = c.installFolder;
        writeProfileBytes("bad.test", profileText(s));
        setSites({"bad.test", "good.test"});
        const std::set<std::string> before = tree(dir.root());
        const int queued = run.articleQueue().rowCount();

        pass(GenerationMode::News);

        ASSERT_FALSE(lines().empty());
        EXPECT_EQ(lines().front(), incomplete("bad.test"));
        EXPECT_TRUE(dir.rows("t.test").empty());
        // Only good.test's pages changed: nothing new anywhere else.
        std::set<std::string> added;
        for (const std::string& path : tree(dir.root()))
            if (!before.count(path) && path.rfind("www/good.test/", 0) != 0 &&
                path.rfind("run/数据库/good.test.mdb", 0) != 0)
                added.insert(path);
        EXPECT_TRUE(added.empty()) << *added.begin();
        EXPECT_TRUE(logged(g("生成首页：good.test\r\n")));
        EXPECT_LE(run.articleQueue().rowCount(), queued);
        for (const char* sub : {"html", "list"}) {
            EXPECT_TRUE(runtest::fileNames(dir.root() / "escape" / sub).empty());
            EXPECT_TRUE(runtest::fileNames(dir.www() / sub).empty());
        }
        EXPECT_FALSE(fs::exists(dir.www() / "index.html"));
        EXPECT_FALSE(fs::exists(dir.root() / "escape" / "index.html"));
    }
}

// Damaged profile files: each either serves its site or skips it with the
// incomplete-profile line; the next site is always served.
TEST_F(HostilePassTest, DamagedProfileFilesAreSkippedOrServedNeverCrash) {
    const SiteSettings base = dir.site("p.test", 1);
    const std::string good = profileText(base);
    const std::string crlf = "\r\n";
    const std::string line1 = good.substr(0, good.find(crlf));
    const std::string line2 = good.substr(good.find(crlf) + 2);
    enum Outcome { Served, Incomplete, Silent };
    struct Case {
        const char* what;
        std::string bytes;
        Outcome outcome;
    };
    SiteSettings bigTitle = base;
    bigTitle.title = std::string(1 << 20, 'T');
    SiteSettings pipes = base;
    pipes.title = "a||b";  // one part more: the fields shift by one
    SiteSettings badGbk = base;
    badGbk.title = "\x81";  // a lead byte that eats the first "|" of the separator
    SiteSettings badGbk2 = base;
    badGbk2.description = "\xFF\x81\x5C\x7C\x40";
    const std::vector<Case> cases = {
        {"0 bytes", "", Incomplete},
        {"only line 1", line1, Silent},  // no 选择框6: not a news site
        {"CR without LF", line1 + "\r" + line2, Silent},
        {"LF without CR", line1 + "\n" + line2, Silent},
        {"NUL in line 1", line1.substr(0, 5) + std::string(1, '\0') + good, Silent},
        {"NUL in line 2", line1 + crlf + line2.substr(0, 20) + std::string(1, '\0') + line2,
         Incomplete},
        {"blank lines between", line1 + "\r\n\r\n \r\n" + line2, Served},
        {"title of 1 MB", profileText(bigTitle), Served},
        {"|| inside the title", profileText(pipes), Served},
        {"lone lead byte before ||", profileText(badGbk), Incomplete},
        {"invalid GBK in the description", profileText(badGbk2), Served},
        {"binary noise", std::string("\x00\xFF\xFE\x80\x81\r\n\x7C\x7C", 8) + good, Incomplete},
    };
    dir.addSite(base);
    dir.addSite(dir.site("next.test", 1));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        queueArticles(2);
        writeProfileBytes("p.test", c.bytes);
        setSites({"p.test", "next.test"});

        pass(GenerationMode::News);

        const std::vector<Text> got = lines();
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.back(), g("生成首页：next.test\r\n"));
        switch (c.outcome) {
            case Served:
                EXPECT_TRUE(logged(g("生成首页：p.test\r\n")));
                break;
            case Incomplete:
                EXPECT_EQ(got.front(), incomplete("p.test"));
                break;
            case Silent:
                EXPECT_EQ(allLog().find("p.test"), std::string::npos);
                break;
        }
        run.articleQueue().clear();
    }
    // The 1 MB title reached the home page whole.
    writeProfileBytes("p.test", profileText(bigTitle));
    pass(GenerationMode::News);
    EXPECT_NE(dir.page("p.test", "index.html").find(std::string(1 << 20, 'T')), std::string::npos);
}

// A profile that is a folder or a named pipe is skipped, never read (a pipe would
// block the pass until someone writes to it).
TEST_F(HostilePassTest, ProfileThatIsNotAFileIsSkipped) {
    fs::create_directories(dir.run() / "数据库" / "list" / "folder.test.txt");
    const fs::path pipe = dir.run() / "数据库" / "list" / "pipe.test.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    dir.addSite(dir.site("next.test", 1));
    setSites({"folder.test", "pipe.test", "next.test"});
    queueArticles(1);

    pass(GenerationMode::News);

    const std::vector<Text> got = lines();
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(got[0], incomplete("folder.test"));
    EXPECT_EQ(got[1], incomplete("pipe.test"));
    EXPECT_EQ(got.back(), g("生成首页：next.test\r\n"));
    // The editor's reader refuses them alike.
    EXPECT_EQ(readProfile(dir.runText(), "pipe.test").partCount(), 0);
    EXPECT_EQ(readProfile(dir.runText(), "folder.test").partCount(), 0);
}

// Counts as typed: negative, zero, huge, full-width. The pass takes what the queue
// holds at most, and a page takes at most a bounded number of insertions.
TEST_F(HostilePassTest, OddCountsNeitherHangNorAllocateHugely) {
    struct Case {
        const char* count;
        int stored;  // of the 15 queued articles
    };
    const std::vector<Case> counts = {
        {"-5", 0}, {"0", 0}, {"999999999", 15}, {"2147483648", 15}, {"１２", 12},
        {"+3", 3}, {"", 0},  {"3x", 3},         {"-2147483649", 0},
    };
    const fs::path words = dir.root() / "words";
    runtest::writeBytes(words / "w.txt", "alpha\r\nbeta\r\ngamma");
    dir.writeTemplate("内容页.htm", "<p>{文章内容}</p><i>{长尾词}</i>");
    dir.writeTemplate("首页.htm", "<i>{长尾词}</i>");
    int n = 0;
    for (const Case& c : counts) {
        SCOPED_TRACE(c.count);
        const std::string domain = "c" + std::to_string(++n) + ".test";
        SiteSettings s = dir.site(domain, 0);
        s.generateCount = g(c.count);
        // Every insertion count at its most hostile.
        s.longTail = s.internalLinks = s.keywordLinks = true;
        s.longTailFolder = words.string();
        s.longTailCount = s.internalLinkCount = s.keywordLinkCount = g(c.count);
        dir.addSite(s);
        setSites({domain});
        run.articleQueue().clear();
        std::vector<Text> titles;
        for (int i = 1; i <= 15; ++i) {
            titles.push_back(domain + "-" + to_text(i));
            dir.poolArticle(titles.back(), g("甲，乙，丙，丁，戊，") + to_text(i));
        }
        queueTitles(titles);

        pass(GenerationMode::News);

        EXPECT_EQ(dir.rows(domain).size(), static_cast<std::size_t>(c.stored));
        EXPECT_EQ(dir.pages(domain, "html").size(), static_cast<std::size_t>(c.stored));
        const std::string home = dir.page(domain, "index.html");
        EXPECT_EQ(home.rfind("<i>", 0), 0u);
        EXPECT_LT(home.size(), 100000u);  // 1000 words of 5 bytes at most
        for (const std::string& file : dir.pages(domain, "html"))
            EXPECT_LT(dir.page(domain, "html/" + file).size(), 400000u) << file;
    }
    // A negative count gives no long-tail text and no link at all.
    EXPECT_EQ(dir.page("c1.test", "index.html"), "<i></i>");
}

// The operator's custom library: what cannot be read is reported and left in place,
// what can is published and deleted; nothing outside the library is touched.
TEST_F(HostilePassTest, HostileCustomLibraryFilesAreReportedAndKept) {
    const fs::path lib = dir.root() / "lib";
    const fs::path outside = dir.root() / "outside";
    runtest::writeBytes(outside / "secret.txt", g("库外的文件，不可删除"));
    runtest::writeBytes(lib / "ok.txt", g("正常，文章"));
    runtest::writeBytes(lib / "empty.txt", "");
    runtest::writeBytes(lib / "bad\xFF\xFE.txt", "not UTF-8 on disk");  // no GBK name
    runtest::writeBytes(lib / "smile\xF0\x9F\x98\x80.txt", "emoji");    // not in GBK
    runtest::writeBytes(lib / "gbk\xC4\xE3.txt", "GBK bytes on disk");  // invalid UTF-8
    fs::create_directories(lib / "folder.txt");
    fs::create_symlink(outside / "secret.txt", lib / "link.txt");
    fs::create_symlink(outside / "missing.txt", lib / "dangling.txt");
    fs::create_symlink(outside, lib / "dirlink.txt");
    ASSERT_EQ(::mkfifo((lib / "pipe.txt").c_str(), 0600), 0);
    SiteSettings s = customSite("lib.test", 20, lib);
    dir.addSite(s);
    dir.addSite(dir.site("next.test", 1));
    setSites({"lib.test", "next.test"});
    queueArticles(1);

    pass(GenerationMode::Custom);
    const std::string all = allLog();
    pass(GenerationMode::News);

    // Published and deleted: ok, empty and the link (the link itself, not its target).
    std::set<std::string> titles;
    for (const auto& row : dir.rows("lib.test")) titles.insert(row.title);
    EXPECT_EQ(titles, (std::set<std::string>{"ok", "empty", "link"}));
    EXPECT_EQ(runtest::readBytes(outside / "secret.txt"), g("库外的文件，不可删除"));
    EXPECT_FALSE(fs::is_symlink(lib / "link.txt"));
    // Kept: everything that could not be read as itself, and the folders.
    const std::vector<std::string> kept = runtest::fileNames(lib);
    const std::set<std::string> keptSet(kept.begin(), kept.end());
    for (const char* name : {"bad\xFF\xFE.txt", "smile\xF0\x9F\x98\x80.txt", "gbk\xC4\xE3.txt",
                             "folder.txt", "dangling.txt", "dirlink.txt", "pipe.txt"})
        EXPECT_TRUE(keptSet.count(name)) << name;
    EXPECT_TRUE(fs::exists(outside));
    // Each unreadable one is reported; the published link's page holds its target's text.
    EXPECT_NE(all.find("dangling.txt 读取失败"), std::string::npos) << all;
    EXPECT_NE(all.find("pipe.txt 读取失败"), std::string::npos) << all;
    EXPECT_NE(all.find("smile?.txt 读取失败"), std::string::npos) << all;
    std::string pages;
    for (const std::string& file : dir.pages("lib.test", "html"))
        pages += dir.page("lib.test", "html/" + file);
    EXPECT_NE(pages.find(g("库外的文件")), std::string::npos);
    EXPECT_NE(pages.find(g("正常，文章")), std::string::npos);
    EXPECT_TRUE(logged(g("生成首页：next.test\r\n")));

    // The next pass publishes nothing twice.
    pass(GenerationMode::Custom);
    EXPECT_EQ(dir.rows("lib.test").size(), 3u);
    EXPECT_TRUE(logged(g("重要提醒：lib.test 自定义文章库不足\r\n")));
}

// A 50 MB custom article is published whole and its file deleted.
TEST_F(HostilePassTest, LargeCustomArticleIsPublishedWhole) {
    const fs::path lib = dir.root() / "lib";
    std::string big(50u << 20, 'x');
    for (std::size_t i = 1000; i < big.size(); i += 100000) big.replace(i, 2, g("，"));
    big.replace(big.size() - 2, 2, g("，"));  // a comma after every drawn position
    runtest::writeBytes(lib / "big.txt", big);
    SiteSettings s = customSite("big.test", 1, lib);
    s.internalLinks = s.keywordLinks = true;
    dir.addSite(s);
    setSites({"big.test"});

    pass(GenerationMode::Custom);

    ASSERT_EQ(dir.rows("big.test").size(), 1u);
    EXPECT_FALSE(fs::exists(lib / "big.txt"));
    const std::string page = dir.page("big.test", "html/1.html");
    EXPECT_GT(page.size(), big.size());
    EXPECT_NE(page.find("http://big.test"), std::string::npos);  // a keyword link went in
}

// Long-tail files: blank lines, one word, binary, and a size the kilobyte rule
// misreads (4 GB and a few bytes look like 1 kB in its low 32 bits).
TEST_F(HostilePassTest, HostileLongTailFilesGiveBoundedWordLists) {
    const fs::path words = dir.root() / "words";
    auto only = [&](const std::string& bytes) {
        fs::remove_all(words);
        runtest::writeBytes(words / "w.txt", bytes);
        return longTailWords(words.string());
    };
    EXPECT_EQ(only(std::string(20000, '\r') + "\r\n").size(), 1u);  // one "line" of CRs
    EXPECT_EQ(only(std::string(20000, '\n')).size(), 1u);
    TextList blank = only([] {
        std::string s;
        for (int i = 0; i < 10000; ++i) s += "\r\n";
        return s;
    }());
    EXPECT_EQ(blank.size(), 10000u);
    EXPECT_TRUE(std::all_of(blank.begin(), blank.end(), [](const Text& w) { return w.empty(); }));
    EXPECT_EQ(only("single word without line break"), (TextList{"single word without line break"}));
    EXPECT_EQ(only(std::string("ab\r\ncd\0\r\nef", 11)), (TextList{"ab", "cd"}));  // cut at NUL

    fs::remove_all(words);
    runtest::writeBytes(words / "huge.txt", "x\r\ny");
    fs::resize_file(words / "huge.txt", (4ull << 30) + 4);  // sparse
    EXPECT_TRUE(longTailWords(words.string()).empty());
    fs::remove_all(words);
    fs::create_directories(words);
    ASSERT_EQ(::mkfifo((words / "pipe.txt").c_str(), 0600), 0);
    EXPECT_TRUE(longTailWords(words.string()).empty());

    // A page over a list of empty words: LT commas, nothing else.
    fs::remove(words / "pipe.txt");
    runtest::writeBytes(words / "e.txt", "\r\n\r\n");
    SiteSettings s = dir.site("lt.test", 0);
    s.longTail = true;
    s.longTailFolder = words.string();
    s.longTailCount = "4";
    dir.writeTemplate("首页.htm", "[{长尾词}]");
    dir.addSite(s);
    setSites({"lt.test"});
    pass(GenerationMode::News);
    EXPECT_EQ(dir.page("lt.test", "index.html"), "[,,,]");
}

// Hostile templates: each is rendered or skipped, never crashes or hangs, and the
// pages come out as the placeholders say.
TEST_F(HostilePassTest, HostileTemplatesRenderOrAreSkipped) {
    struct Case {
        const char* what;
        std::string home;  // 首页.htm (UTF-8 test text, stored as GBK)
        std::string want;  // index.html as GBK-decoded UTF-8; "-" for no page
    };
    std::string many;
    for (int i = 0; i < 5000; ++i) many += "{网站栏目}{最新文章}{随机文章}{发布时间}{长尾词}";
    const std::vector<Case> cases = {
        {"0 bytes", "", ""},
        {"unterminated", "{网站标题", "{网站标题"},
        {"nested", "{{网站标题}}", "{标题h.test}"},
        {"split by a brace", "{网站{网站标题}标题}", "{网站标题h.test标题}"},
        {"in attributes", "<a title=\"{网站标题}\" href=\"{网站关键词}\">",
         "<a title=\"标题h.test\" href=\"k1,k2\">"},
        {"only braces", "{}{{}}}{", "{}{{}}}{"},
        {"thousands of placeholders", many, ""},
    };
    dir.addSite(dir.site("h.test", 1));
    setSites({"h.test"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir.writeTemplate("首页.htm", c.home);
        pass(GenerationMode::News);
        EXPECT_TRUE(logged(g("生成首页：h.test\r\n")));
        const std::string page = gbk_to_utf8(dir.page("h.test", "index.html"));
        if (&c == &cases.back()) {
            // No records: every list slot is emptied; the columns cycle.
            EXPECT_EQ(page.find('{'), std::string::npos);
            EXPECT_NE(page.find("/list/2.html"), std::string::npos);
        } else {
            EXPECT_EQ(page, c.want);
        }
    }

    // A template that is a folder or a named pipe counts as missing: no page of that
    // kind, the others are built.
    fs::remove(dir.run() / "模板" / "t1" / "首页.htm");
    fs::create_directories(dir.run() / "模板" / "t1" / "首页.htm");
    fs::remove(dir.run() / "模板" / "t1" / "栏目页.htm");
    ASSERT_EQ(::mkfifo((dir.run() / "模板" / "t1" / "栏目页.htm").c_str(), 0600), 0);
    fs::remove(dir.www() / "h.test" / "index.html");
    queueArticles(1);
    pass(GenerationMode::News);
    EXPECT_EQ(lines(), (std::vector<Text>{g("生成文章：h.test/html/1.html\r\n")}));
    EXPECT_FALSE(fs::exists(dir.www() / "h.test" / "index.html"));
}

// A 20 MB template is rendered for every page of the site.
TEST_F(HostilePassTest, LargeTemplateIsRendered) {
    std::string tpl = "{网站标题}";
    tpl += std::string(20u << 20, 'z');
    tpl += "{网站栏目}";
    dir.writeTemplate("首页.htm", tpl);
    dir.writeTemplate("栏目页.htm", tpl);
    dir.addSite(dir.site("big.test", 0));
    setSites({"big.test"});

    pass(GenerationMode::News);

    const std::string want =
        g("标题big.test") + std::string(20u << 20, 'z') + g("<a href=\"/list/1.html\">新闻</a>");
    EXPECT_TRUE(dir.page("big.test", "index.html") == want);
    EXPECT_EQ(dir.pages("big.test", "list").size(), 2u);
}

// A database another connection holds locked, or a damaged one: nothing stored, the
// failure reported, the custom files kept, and the next site served.
TEST_F(HostilePassTest, LockedOrDamagedDatabaseStoresNothingAndKeepsTheFiles) {
    const fs::path lib = dir.root() / "lib";
    for (int i = 1; i <= 3; ++i)
        runtest::writeBytes(lib / ("a" + std::to_string(i) + ".txt"), g("正文，") + to_text(i));
    dir.addSite(customSite("locked.test", 5, lib), 2);
    SiteSettings damaged = customSite("damaged.test", 5, lib);
    dir.addSite(damaged);
    runtest::writeBytes(dir.database("damaged.test"),
                        "SQLite format 3" + std::string(1, '\0') + std::string(8000, '\xA5'));
    SiteSettings next = customSite("next.test", 1, dir.root() / "lib2");
    runtest::writeBytes(dir.root() / "lib2" / "n.txt", "n");
    dir.addSite(next);
    setSites({"locked.test", "damaged.test", "next.test"});

    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(dir.database("locked.test").c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    pass(GenerationMode::Custom);
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);

    EXPECT_EQ(dir.rows("locked.test").size(), 2u);
    EXPECT_EQ(runtest::fileNames(lib).size(), 3u);
    EXPECT_TRUE(dir.pages("locked.test", "html").empty());
    EXPECT_TRUE(dir.pages("damaged.test", "html").empty());
    EXPECT_FALSE(log.messages().empty());  // the failures were reported
    EXPECT_EQ(runtest::readBytes(dir.database("damaged.test")).size(), 8016u);
    EXPECT_EQ(dir.rows("next.test").size(), 1u);
    EXPECT_TRUE(logged(g("生成文章：next.test/html/1.html\r\n")));
    for (const Text& line : lines())
        EXPECT_EQ(line.find(g("生成文章：locked")), Text::npos) << gbk_to_utf8(line);
}

// Queue titles that look like paths: stored as titles, pages named by id, bodies read
// from the pool only.
TEST_F(HostilePassTest, QueueTitlesThatLookLikePathsStayTitles) {
    runtest::writeBytes(dir.run() / "outside.txt", "SECRET");
    runtest::writeBytes(dir.root() / "outside.txt", "SECRET");
    const std::vector<Text> titles = {"../outside", "../../outside", "..", ".", "a/b", "/", ""};
    dir.addSite(dir.site("q.test", 10));
    setSites({"q.test"});
    queueTitles(titles);
    const std::set<std::string> before = tree(dir.root());

    pass(GenerationMode::News);

    std::set<std::string> stored;
    for (const auto& row : dir.rows("q.test")) stored.insert(row.title);
    EXPECT_EQ(stored, std::set<std::string>(titles.begin(), titles.end()));
    EXPECT_EQ(dir.pages("q.test", "html").size(), titles.size());
    for (const std::string& file : dir.pages("q.test", "html"))
        EXPECT_EQ(dir.page("q.test", "html/" + file).find("SECRET"), std::string::npos);
    for (const std::string& path : tree(dir.root()))
        if (!before.count(path)) {
            EXPECT_EQ(path.rfind("www/q.test/", 0), 0u) << path;
        }
}

}  // namespace
}  // namespace qm
