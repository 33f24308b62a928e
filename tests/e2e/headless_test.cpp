// quillmoor --headless as operators run it: a real process over a real run directory,
// collecting from the sample portal on 127.0.0.1 and publishing into site folders.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "child_process.h"
#include "foundation/gbk_codec.h"

namespace qm::e2e {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return std::string();
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int countLinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

std::vector<std::string> titlesIn(const fs::path& database) {
    std::vector<std::string> titles;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT 标题 FROM 表1 ORDER BY ID", -1, &st, nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            titles.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return titles;
}

// A run directory with a news site, a custom-article site with three article files
// and a news site whose database is missing; the sample portal serving on loopback.
class HeadlessRun : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quillmoor-e2e-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        run = root / "run";
        www = root / "www";
        library = root / "library";
        fs::create_directories(run / "数据库" / "list");
        writeFile(run / "模板" / "t1" / "首页.htm", gbk("<h1>{网站标题}</h1>{最新文章}"));
        writeFile(run / "模板" / "t1" / "栏目页.htm", gbk("{网站标题}-{当前栏目}{随机文章}"));
        writeFile(run / "模板" / "t1" / "内容页.htm", gbk("<h1>{文章标题}</h1>{文章内容}"));
        addSite("news.e2e", true, 5, true);
        addSite("own.e2e", false, 2, true);
        addSite("nodb.e2e", true, 0, false);
        for (const char* name : {"第一篇", "第二篇", "第三篇"})
            writeFile(library / (std::string(name) + ".txt"),
                      gbk(std::string(name) + "的正文，完。"));

        portal =
            std::make_unique<Child>(std::vector<std::string>{SAMPLE_PORTAL_EXE, "--port", "0"});
        ASSERT_TRUE(portal->started());
        ASSERT_TRUE(portal->waitForOutput("\n"));
        const std::string first = portal->out();
        ASSERT_EQ(first.rfind("listening on ", 0), 0u) << first;
        portalUrl = "http://127.0.0.1:" + first.substr(13, first.find('\n') - 13);
    }

    void TearDown() override {
        if (portal) {
            portal->signal(SIGTERM);
            portal->wait();
        }
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    static std::string gbk(const std::string& utf8) { return utf8_to_gbk(utf8); }

    void addSite(const std::string& domain, bool news, int count, bool database) {
        const std::string line1 = domain + "||127.0.0.1||" + www.string() + "||t1||站" + domain +
                                  "||k1,k2||描述||新闻,体育";
        const std::string line2 =
            std::string("选择框6=") + (news ? "真" : "假") + "||选择框5=" + (news ? "假" : "真") +
            "||选择框1=假||选择框2=假||插入关键词=假||插入关键词数=1||编辑框8=" +
            (news ? "" : library.string()) +
            "||编辑框12=||长尾词调用数=3||内链调用数=2||生成数量=" + std::to_string(count) +
            "||间隔时间=60||组合框1=||";
        writeFile(run / "数据库" / "list" / (domain + ".txt"), gbk(line1 + "\r\n" + line2));
        if (database) fs::copy_file(EMPTY_DATABASE, run / "数据库" / (domain + ".mdb"));
        fs::create_directories(www / domain / "html");
        fs::create_directories(www / domain / "list");
    }

    std::vector<std::string> command(const std::string& interval) const {
        return {QUILLMOOR_EXE, "--headless", "--run-dir",  run.string(),
                "--portal",    portalUrl,    "--interval", interval};
    }

    fs::path root, run, www, library;
    std::unique_ptr<Child> portal;
    std::string portalUrl;
};

TEST_F(HeadlessRun, SingleRunCollectsStoresAndPublishes) {
    Child quillmoor(command("0"));
    ASSERT_TRUE(quillmoor.started());
    ASSERT_EQ(quillmoor.wait(), 0) << quillmoor.err();

    const std::vector<std::string> out = linesOf(quillmoor.out());
    EXPECT_EQ(quillmoor.out().find('\r'), std::string::npos);
    EXPECT_EQ(countLinesStartingWith(out, "开始采集链接"), 1);
    EXPECT_EQ(countLinesStartingWith(out, "采集完成"), 1);
    EXPECT_EQ(countLinesStartingWith(out, "采集内容"), 5);
    EXPECT_EQ(countLinesStartingWith(out, "此次任务需要采集文章"), 0);  // a single run
    EXPECT_EQ(countLinesStartingWith(out, "生成文章：news.e2e/html/"), 5);
    EXPECT_EQ(countLinesStartingWith(out, "生成文章：own.e2e/html/"), 2);
    for (const char* line : {"生成栏目：news.e2e/list/1.html", "生成栏目：news.e2e/list/2.html",
                             "生成首页：news.e2e", "生成首页：own.e2e", "生成首页：nodb.e2e"})
        EXPECT_EQ(countLinesStartingWith(out, line), 1) << line;

    // Prompts and messages went to standard error without stopping the run.
    const std::vector<std::string> err = linesOf(quillmoor.err());
    EXPECT_EQ(err.back(), "任务完成");
    EXPECT_EQ(std::count_if(err.begin(), err.end(),
                            [](const std::string& l) {
                                return l.find("打开数据源失败。") != std::string::npos;
                            }),
              2);

    // The pool holds the five articles; the news site stored exactly those titles and
    // every article page carries its pool body.
    std::set<std::string> pool;
    for (const auto& entry : fs::directory_iterator(run / "临时文章库")) {
        const std::string name = entry.path().filename().string();
        pool.insert(name.substr(0, name.size() - 4));
    }
    EXPECT_EQ(pool.size(), 5u);
    const std::vector<std::string> stored = titlesIn(run / "数据库" / "news.e2e.mdb");
    EXPECT_EQ(std::set<std::string>(stored.begin(), stored.end()), pool);
    for (std::size_t id = 1; id <= stored.size(); ++id) {
        const std::string page =
            readFile(www / "news.e2e" / "html" / (std::to_string(id) + ".html"));
        const std::string body = readFile(run / "临时文章库" / (stored[id - 1] + ".txt"));
        EXPECT_FALSE(body.empty());
        EXPECT_NE(page.find(body), std::string::npos) << id;
        EXPECT_NE(page.find(gbk(stored[id - 1])), std::string::npos) << id;
    }
    EXPECT_TRUE(fs::exists(www / "news.e2e" / "index.html"));

    // The custom site published two of its three files and deleted exactly those.
    const std::vector<std::string> own = titlesIn(run / "数据库" / "own.e2e.mdb");
    ASSERT_EQ(own.size(), 2u);
    int left = 0;
    for (const auto& entry : fs::directory_iterator(library)) {
        ++left;
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(std::count(own.begin(), own.end(), name.substr(0, name.size() - 4)), 0);
    }
    EXPECT_EQ(left, 1);
    EXPECT_NE(readFile(www / "own.e2e" / "html" / "1.html").find(gbk("的正文，完。")),
              std::string::npos);
}

TEST_F(HeadlessRun, TerminationStopsALoopAndExitsCleanly) {
    Child quillmoor(command("60"));
    ASSERT_TRUE(quillmoor.started());
    ASSERT_TRUE(quillmoor.waitForOutput("循环倒计时：60 分\n")) << quillmoor.out();
    EXPECT_EQ(quillmoor.out().rfind("此次任务需要采集文章：5，需要本地文章：2\n", 0), 0u);

    quillmoor.signal(SIGTERM);

    EXPECT_EQ(quillmoor.wait(), 0);
    EXPECT_EQ(linesOf(quillmoor.err()).back(), "已经停止");
    EXPECT_EQ(titlesIn(run / "数据库" / "news.e2e.mdb").size(), 5u);
}

TEST(HeadlessArguments, BadArgumentsExitWithStatusTwoAndOneLine) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},
        {"--interval"},
        {"--interval", "soon"},
        {"--run-dir", "/nonexistent/quillmoor-run"},
        {"--portal", "ftp://127.0.0.1"},
    };
    for (const auto& extra : cases) {
        std::vector<std::string> argv = {QUILLMOOR_EXE, "--headless"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        Child quillmoor(argv);
        ASSERT_TRUE(quillmoor.started());
        EXPECT_EQ(quillmoor.wait(), 2) << extra[0];
        EXPECT_EQ(linesOf(quillmoor.err()).size(), 1u) << quillmoor.err();
        EXPECT_TRUE(quillmoor.out().empty());
    }
}

}  // namespace
}  // namespace qm::e2e
