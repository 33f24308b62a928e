// A run directory on disk for the pass and runner tests: profiles written by the real
// profile writer, site databases created from the shipped schema, a template set,
// site folders and the article pool, plus readers that check the results with SQLite
// and the file system directly (not through the code under test).
#pragma once

#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/gbk_literals.h"
#include "engine/site_profile.h"
#include "foundation/gbk_codec.h"
#include "foundation/text_kit.h"

namespace qm::runtest {

namespace fs = std::filesystem;

inline void writeBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return std::string();
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// The file names in folder, sorted.
inline std::vector<std::string> fileNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// GBK text for a UTF-8 literal in a test.
inline Text g(const std::string& utf8) {
    return utf8_to_gbk(utf8);
}

// One row of 表1 as stored (UTF-8 cells).
struct StoredRow {
    long long id = 0;
    std::string column, time, title, articleId;
};

class RunDir {
  public:
    RunDir() {
        std::string pattern = (fs::temp_directory_path() / "quillmoor-run-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) root_ = pattern;
        fs::create_directories(run() / "数据库" / "list");
        fs::create_directories(run() / "临时文章库");
        fs::create_directories(www());
        writeTemplate("首页.htm", "<h1>{网站标题}</h1>{最新文章}");
        writeTemplate("栏目页.htm", "{网站标题}-{当前栏目}");
        writeTemplate("内容页.htm", "[{文章标题}][{当前栏目}][{文章时间}]{文章内容}");
    }
    ~RunDir() {
        std::error_code ec;
        if (!root_.empty()) fs::remove_all(root_, ec);
    }
    RunDir(const RunDir&) = delete;
    RunDir& operator=(const RunDir&) = delete;

    fs::path root() const { return root_; }
    fs::path run() const { return fs::path(root_) / "run"; }
    fs::path www() const { return fs::path(root_) / "www"; }
    // ASCII paths: the same text in GBK and on disk.
    Text runText() const { return run().string(); }
    Text wwwText() const { return www().string(); }

    void writeTemplate(const std::string& file, const std::string& utf8Text,
                       const std::string& set = "t1") {
        writeBytes(run() / "模板" / set / file, utf8_to_gbk(utf8Text));
    }
    void removeTemplate(const std::string& file, const std::string& set = "t1") {
        fs::remove(run() / "模板" / set / file);
    }

    // A news site with the given count; change what a test needs.
    SiteSettings site(const std::string& domain, int count) const {
        SiteSettings s;
        s.domain = domain;
        s.ip = "127.0.0.1";
        s.installFolder = wwwText();
        s.templateName = "t1";
        s.title = g("标题") + domain;
        s.keywords = "k1,k2";
        s.description = "d";
        s.columns = g("新闻,体育");
        s.generateCount = to_text(count);
        return s;
    }

    // Writes the profile, the database with `records` earlier records and the site
    // folder with html/ and list/.
    void addSite(const SiteSettings& s, int records = 0) {
        EXPECT_TRUE(writeProfile(runText(), s));
        createDatabase(s.domain, records);
        fs::create_directories(www() / s.domain / "html");
        fs::create_directories(www() / s.domain / "list");
    }

    fs::path database(const std::string& domain) const {
        return run() / "数据库" / (domain + ".mdb");
    }

    void createDatabase(const std::string& domain, int records) {
        const std::string schema =
            readBytes(fs::path(QUILLMOOR_SOURCE_DIR) / "rundir" / "schema" / "bak.sql");
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(database(domain).c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        for (int i = 1; i <= records; ++i) {
            const std::string sql =
                "INSERT INTO 表1 (栏目, 时间, 标题, 文章ID) VALUES ('1', '2024-01-01', 'old" +
                std::to_string(i) + "', '" + std::to_string(i) + "')";
            ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        }
        sqlite3_close(db);
    }

    std::vector<StoredRow> rows(const std::string& domain) const {
        std::vector<StoredRow> out;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(database(domain).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
            SQLITE_OK) {
            sqlite3_close(db);
            return out;
        }
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT ID, 栏目, 时间, 标题, 文章ID FROM 表1 ORDER BY ID", -1, &st,
                           nullptr);
        auto text = [&](int i) {
            const unsigned char* t = sqlite3_column_text(st, i);
            return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
        };
        while (st && sqlite3_step(st) == SQLITE_ROW)
            out.push_back({sqlite3_column_int64(st, 0), text(1), text(2), text(3), text(4)});
        sqlite3_finalize(st);
        sqlite3_close(db);
        return out;
    }

    // Stores an article in the pool as collection would (file name title + ".txt").
    void poolArticle(const Text& title, const Text& body) {
        writeBytes(run() / "临时文章库" / gbk_to_utf8(title + ".txt"), body);
    }

    std::vector<std::string> pages(const std::string& domain, const std::string& sub) const {
        return fileNames(www() / domain / sub);
    }
    std::string page(const std::string& domain, const std::string& rel) const {
        return readBytes(www() / domain / rel);
    }

  private:
    std::string root_;
};

}  // namespace qm::runtest
