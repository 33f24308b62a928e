// The site database on real SQLite files made from the shipped schema: the
// operations of the generation pass, the query translation, the cell conversion,
// and files that are missing, foreign, cut off or locked.
#include "engine/site_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "engine/gbk_literals.h"
#include "foundation/gbk_codec.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A direct SQLite handle, for preparing files and looking at what was stored.
class RawDb {
  public:
    explicit RawDb(const fs::path& path) {
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    }
    ~RawDb() { sqlite3_close(db_); }
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    bool exec(const std::string& sql) {
        return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    std::string scalar(const std::string& sql) {
        sqlite3_stmt* stmt = nullptr;
        std::string value = "<error>";
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            value = text ? text : "";
        }
        sqlite3_finalize(stmt);
        return value;
    }

  private:
    sqlite3* db_ = nullptr;
};

class SiteDatabaseTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qm-db-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    // A site database made from the shipped schema, holding records 1..n
    // (栏目 "n % 3 + 1", 时间 "2024-03-05", 标题 "标题<n>", 文章ID "<n>").
    fs::path makeDatabase(const std::string& name, int records) {
        const fs::path path = root_ / name;
        RawDb raw(path);
        EXPECT_TRUE(raw.exec(fileText(fs::path(QUILLMOOR_SOURCE_DIR) / "rundir/schema/bak.sql")));
        EXPECT_TRUE(raw.exec("BEGIN"));
        for (int i = 1; i <= records; ++i) {
            const std::string n = std::to_string(i);
            EXPECT_TRUE(raw.exec("INSERT INTO 表1 (栏目, 时间, 标题, 文章ID) VALUES ('" +
                                 std::to_string(i % 3 + 1) + "', '2024-03-05', '标题" + n + "', '" +
                                 n + "')"));
        }
        EXPECT_TRUE(raw.exec("COMMIT"));
        return path;
    }
    static Text gbkPath(const fs::path& path) { return text_path(path.string()); }

    int countOf(const fs::path& path) {
        RawDb raw(path);
        return std::stoi(raw.scalar("SELECT COUNT(*) FROM 表1"));
    }

    fs::path root_;
    DbConnection connection_;
    DbRecordSet records_;
    RecordingRunLog prompts_;
};

TEST_F(SiteDatabaseTest, ShippedEmptyDatabaseHasTheSiteTable) {
    const fs::path shipped = fs::path(QUILLMOOR_BUILD_DIR) /
                             "\xE6\x95\xB0\xE6\x8D\xAE\xE5\xBA\x93/pak/bak.mdb";  // 数据库
    ASSERT_TRUE(fs::exists(shipped)) << "build the rundir target";
    const fs::path copy = root_ / "copy.mdb";
    fs::copy_file(shipped, copy);
    ASSERT_TRUE(connection_.openAccess(gbkPath(copy)));
    ASSERT_TRUE(records_.attach(connection_));
    ASSERT_TRUE(records_.open(kArticleTable, kDbSourceTable));
    EXPECT_EQ(records_.recordCount(), 0);
    const std::vector<Text> names = {"ID",        kFieldColumn, kFieldTime,
                                     kFieldTitle, kFieldNote,   kFieldArticleId};
    ASSERT_EQ(records_.fieldCount(), 6);
    for (int f = 0; f < 6; ++f) EXPECT_EQ(records_.fieldName(f), names[f]) << f;
    EXPECT_EQ(records_.fieldType(kPosId), kAdInteger);
    EXPECT_EQ(records_.fieldType(kPosTitle), kAdVarWChar);
    EXPECT_TRUE(records_.atEnd());
}

TEST_F(SiteDatabaseTest, PassAppendsCountsAndQueries) {
    const fs::path path = makeDatabase("site.mdb", 40);
    ASSERT_TRUE(connection_.openAccess(gbkPath(path), ""));
    ASSERT_TRUE(records_.attach(connection_));
    ASSERT_TRUE(records_.open(kArticleTable, kDbSourceTable));
    const int base = records_.recordCount();
    EXPECT_EQ(base, 40);
    const Text title = "\x95\x5C\x81\x40\x95\x7C" + gbk("新闻");  // ASCII-like trail bytes
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(records_.addNew());
        EXPECT_TRUE(records_.writeField(kFieldColumn, "2"));
        EXPECT_TRUE(records_.writeField(kFieldTime, "2024-03-06"));
        EXPECT_TRUE(records_.writeField(kFieldTitle, title + to_text(i)));
        EXPECT_TRUE(records_.writeField(kFieldArticleId, to_text(base + i)));
    }
    EXPECT_FALSE(records_.writeField(gbk("没有"), "x"));
    ASSERT_TRUE(records_.update());
    EXPECT_EQ(records_.recordCount(), 43);
    records_.close();

    ResultTable latest;
    ASSERT_TRUE(queryIntoTable(connection_, records_, kLatestQuery300, latest, prompts_));
    records_.close();
    ASSERT_EQ(latest.rowCount(), 44);
    EXPECT_EQ(latest.columnCount(), 6);
    EXPECT_EQ(latest.cell(0, kPosTitle), kFieldTitle);
    EXPECT_EQ(latest.cell(1, kPosId), "43");  // the newest first
    EXPECT_EQ(latest.cell(1, kPosArticleId), "43");
    EXPECT_EQ(latest.cell(1, kPosTitle), title + "3");
    EXPECT_EQ(latest.cell(3, kPosArticleId), "41");
    EXPECT_EQ(latest.cell(43, kPosId), "1");
    EXPECT_EQ(latest.cell(4, kPosTitle), gbk("标题40"));
    EXPECT_EQ(latest.cell(1, kPosNote), "");
    EXPECT_TRUE(prompts_.messages().empty());
    connection_.close();

    // Stored as UTF-8, so any SQLite reader sees the same title.
    RawDb raw(path);
    EXPECT_EQ(raw.scalar("SELECT 标题 FROM 表1 WHERE ID = 43"), gbk_to_utf8(title + "3"));
}

TEST_F(SiteDatabaseTest, TopQueriesLimitAndRandomQueriesPickDistinctRecords) {
    const fs::path path = makeDatabase("big.mdb", 1000);
    ASSERT_TRUE(connection_.openAccess(gbkPath(path)));
    struct Case {
        const Text* sql;
        int rows;
    };
    for (const Case& c : {Case{&kLatestQuery300, 301}, Case{&kLatestQuery500, 501},
                          Case{&kRandomQuery300, 301}, Case{&kRandomQuery500, 501}}) {
        ResultTable table;
        ASSERT_TRUE(queryIntoTable(connection_, records_, *c.sql, table, prompts_)) << *c.sql;
        records_.close();
        ASSERT_EQ(table.rowCount(), c.rows) << *c.sql;
        std::set<Text> ids;
        for (int r = 1; r < table.rowCount(); ++r) {
            const int id = to_int(table.cell(r, kPosId));
            EXPECT_GE(id, 1);
            EXPECT_LE(id, 1000);
            EXPECT_EQ(table.cell(r, kPosArticleId), table.cell(r, kPosId));  // rows stay whole
            ids.insert(table.cell(r, kPosId));
        }
        EXPECT_EQ(static_cast<int>(ids.size()), c.rows - 1);
    }
    // Two random selections in a row differ in their order.
    ResultTable a, b;
    queryIntoTable(connection_, records_, kRandomQuery300, a, prompts_);
    queryIntoTable(connection_, records_, kRandomQuery300, b, prompts_);
    bool differ = false;
    for (int r = 1; r < 301 && !differ; ++r) differ = a.cell(r, 0) != b.cell(r, 0);
    EXPECT_TRUE(differ);
    EXPECT_TRUE(prompts_.messages().empty());
}

TEST_F(SiteDatabaseTest, EmptyTableGivesTheHeaderRowOnly) {
    const fs::path path = makeDatabase("empty.mdb", 0);
    ASSERT_TRUE(connection_.openAccess(gbkPath(path)));
    for (const Text* sql : {&kLatestQuery300, &kRandomQuery500}) {
        ResultTable table;
        ASSERT_TRUE(queryIntoTable(connection_, records_, *sql, table, prompts_));
        EXPECT_EQ(table.rowCount(), 1);
        EXPECT_EQ(table.recordCount(), 0);
        EXPECT_EQ(table.cell(0, kPosArticleId), kFieldArticleId);
    }
}

TEST_F(SiteDatabaseTest, OnlyTheFourQueriesAreTranslated) {
    EXPECT_EQ(translateQuery(kLatestQuery300),
              "SELECT * FROM \xB1\xED\x31 ORDER BY ID DESC LIMIT 300");
    EXPECT_NE(translateQuery(kRandomQuery500).find("LIMIT 500"), Text::npos);
    const Text oneSpaceLess = "SELECT top 300 * FROM \xB1\xED\x31 ORDER BY  ID desc";
    EXPECT_EQ(translateQuery(oneSpaceLess), oneSpaceLess);
    EXPECT_EQ(translateQuery("SELECT 1"), "SELECT 1");

    // Untranslated Jet is not SQLite: the query fails the way a failed source does.
    const fs::path path = makeDatabase("site.mdb", 5);
    ASSERT_TRUE(connection_.openAccess(gbkPath(path)));
    ResultTable table;
    EXPECT_FALSE(queryIntoTable(connection_, records_, oneSpaceLess, table, prompts_));
    EXPECT_EQ(prompts_.messages().size(), 1u);
    // Other SQL passes through as written.
    ASSERT_TRUE(queryIntoTable(connection_, records_, "SELECT COUNT(*) AS n FROM \xB1\xED\x31",
                               table, prompts_));
    EXPECT_EQ(table.cell(0, 0), "n");
    EXPECT_EQ(table.cell(1, 0), "5");
}

TEST_F(SiteDatabaseTest, CellsAreConvertedByFieldType) {
    const fs::path path = makeDatabase("types.mdb", 0);
    {
        RawDb raw(path);
        ASSERT_TRUE(
            raw.exec("CREATE TABLE kinds (i INTEGER, r REAL, d DATE, t TEXT, n NUMERIC);"
                     "INSERT INTO kinds VALUES (12, 3.14159, '2024-03-05', '007', 2.5);"
                     "INSERT INTO kinds VALUES (-7, 2.5, 45356.75, '1.239', NULL);"
                     "INSERT INTO kinds VALUES (0, 1.125, 'soon', '', 1e3);"));
    }
    ASSERT_TRUE(connection_.openAccess(gbkPath(path)));
    ResultTable t;
    ASSERT_TRUE(queryIntoTable(connection_, records_, "SELECT * FROM kinds", t, prompts_));
    ASSERT_EQ(t.rowCount(), 4);
    EXPECT_EQ(records_.fieldType(0), kAdInteger);
    EXPECT_EQ(records_.fieldType(1), kAdDouble);
    EXPECT_EQ(records_.fieldType(2), kAdDate);
    EXPECT_EQ(records_.fieldType(3), kAdVarWChar);
    EXPECT_EQ(records_.fieldType(4), kAdNumeric);
    const std::vector<std::vector<Text>> expected = {
        {"12", "3.14", "2024-3-5", "007", "2.5"},
        {"-7", "2.5", "2024-3-5", "1.239", "0"},
        {"0", "1.13", "soon", "", "1000"},
    };
    for (int r = 1; r <= 3; ++r)
        for (int c = 0; c < 5; ++c) EXPECT_EQ(t.cell(r, c), expected[r - 1][c]) << r << "," << c;
}

TEST_F(SiteDatabaseTest, RecordSetWalksReadsAndRefusesOutOfRange) {
    const fs::path path = makeDatabase("walk.mdb", 3);
    ASSERT_TRUE(connection_.openAccess(gbkPath(path)));
    records_.attach(connection_);
    for (int kind : {kDbSourceTable, kDbSourceSql}) {
        ASSERT_TRUE(records_.open(
            kind == kDbSourceTable ? kArticleTable : "SELECT * FROM \xB1\xED\x31", kind));
        std::vector<Text> titles;
        Text value;
        while (!records_.atEnd()) {
            ASSERT_TRUE(records_.readField(kFieldTitle, value));
            titles.push_back(value);
            EXPECT_TRUE(records_.moveNext());
        }
        EXPECT_EQ(titles, (std::vector<Text>{gbk("标题1"), gbk("标题2"), gbk("标题3")})) << kind;
        EXPECT_FALSE(records_.readField(0, value));  // past the end
        EXPECT_EQ(value, "");
        EXPECT_FALSE(records_.moveNext());
        EXPECT_TRUE(records_.moveFirst());
        EXPECT_TRUE(records_.readField(kPosArticleId, value));
        EXPECT_EQ(value, "1");
        EXPECT_FALSE(records_.readField(6, value));
        EXPECT_FALSE(records_.readField(-1, value));
        EXPECT_EQ(records_.fieldName(6), "");
        EXPECT_EQ(records_.fieldType(6), kAdEmpty);
        records_.close();
    }
    // Closed: every operation fails and nothing throws.
    Text value;
    EXPECT_FALSE(records_.isOpen());
    EXPECT_EQ(records_.recordCount(), 0);
    EXPECT_EQ(records_.fieldCount(), 0);
    EXPECT_TRUE(records_.atEnd());
    EXPECT_FALSE(records_.addNew());
    EXPECT_FALSE(records_.writeField(kFieldTitle, "x"));
    EXPECT_FALSE(records_.update());
    EXPECT_FALSE(records_.readField(0, value));
    EXPECT_FALSE(records_.moveFirst());
    EXPECT_FALSE(records_.moveNext());
    EXPECT_FALSE(records_.open(kArticleTable, 3));  // no such kind
    EXPECT_FALSE(records_.open(gbk("表2"), kDbSourceTable));
    records_.close();
}

TEST_F(SiteDatabaseTest, TwoAddNewAndOneUpdateStoreTwoRecords) {
    const fs::path path = makeDatabase("two.mdb", 0);
    ASSERT_TRUE(connection_.openAccess(gbkPath(path)));
    records_.attach(connection_);
    ASSERT_TRUE(records_.open(kArticleTable, kDbSourceTable));
    EXPECT_FALSE(records_.writeField(kFieldTitle, "before addNew"));
    ASSERT_TRUE(records_.addNew());
    records_.writeField(kFieldTitle, "a");
    ASSERT_TRUE(records_.addNew());
    records_.writeField(kFieldTitle, "b");
    EXPECT_EQ(countOf(path), 0);  // nothing reaches the file before update
    ASSERT_TRUE(records_.update());
    EXPECT_EQ(countOf(path), 2);
    EXPECT_TRUE(records_.update());  // nothing pending: nothing to do
    EXPECT_EQ(countOf(path), 2);
}

TEST_F(SiteDatabaseTest, StoppedPassStoresNoneOfItsRecords) {
    const fs::path path = makeDatabase("stop.mdb", 10);
    for (int how = 0; how < 3; ++how) {
        ASSERT_TRUE(connection_.openAccess(gbkPath(path)));
        records_.attach(connection_);
        ASSERT_TRUE(records_.open(kArticleTable, kDbSourceTable));
        for (int i = 0; i < 5; ++i) {
            records_.addNew();
            records_.writeField(kFieldTitle, "half");
        }
        // The stop routine closes the record set and the connection; a new pass
        // reopens the connection; or the objects simply go away.
        if (how == 0) records_.close();
        if (how == 2) connection_.openAccess(gbkPath(path));
        connection_.close();
        EXPECT_EQ(countOf(path), 10) << how;
    }
    {
        DbConnection scoped;
        DbRecordSet set;
        ASSERT_TRUE(scoped.openAccess(gbkPath(path)));
        set.attach(scoped);
        ASSERT_TRUE(set.open(kArticleTable, kDbSourceTable));
        set.addNew();
        set.writeField(kFieldTitle, "gone");
    }
    EXPECT_EQ(countOf(path), 10);
}

TEST_F(SiteDatabaseTest, LockedFileFailsAfterTheBusyTimeoutAndKeepsPendingRecords) {
    const fs::path path = makeDatabase("locked.mdb", 2);
    connection_.setBusyTimeout(20);
    {
        RawDb other(path);
        ASSERT_TRUE(other.exec("BEGIN EXCLUSIVE"));
        EXPECT_FALSE(connection_.openAccess(gbkPath(path)));
        ASSERT_TRUE(other.exec("COMMIT"));
    }
    ASSERT_TRUE(connection_.openAccess(gbkPath(path)));
    records_.attach(connection_);
    ASSERT_TRUE(records_.open(kArticleTable, kDbSourceTable));
    records_.addNew();
    records_.writeField(kFieldTitle, "waits");
    {
        RawDb other(path);
        ASSERT_TRUE(other.exec("BEGIN IMMEDIATE"));
        EXPECT_FALSE(records_.update());
        ASSERT_TRUE(other.exec("COMMIT"));
    }
    EXPECT_EQ(countOf(path), 2);
    ASSERT_TRUE(records_.update());  // the same records, stored once
    EXPECT_EQ(countOf(path), 3);
}

TEST_F(SiteDatabaseTest, UnusableFilesFailCleanlyAndReportTheSourceOnce) {
    const fs::path good = makeDatabase("good.mdb", 2000);
    const fs::path truncated = root_ / "truncated.mdb";
    {
        const std::string bytes = fileText(good);
        std::ofstream(truncated, std::ios::binary) << bytes.substr(0, bytes.size() / 3);
    }
    std::ofstream(root_ / "text.mdb") << "Standard Jet DB, or so it says\n";
    std::ofstream(root_ / "zero.mdb");
    const fs::path other = root_ / "other.mdb";
    {
        RawDb raw(other);
        ASSERT_TRUE(raw.exec("CREATE TABLE t (x)"));
    }
    struct Case {
        const char* what;
        fs::path path;
    };
    const std::vector<Case> cases = {
        {"missing", root_ / "missing.mdb"},
        {"not SQLite", root_ / "text.mdb"},
        {"empty file", root_ / "zero.mdb"},
        {"no site table", other},
        {"cut off", truncated},
        {"a folder", root_},
    };
    for (const Case& c : cases) {
        RecordingRunLog prompts;
        DbConnection connection;
        DbRecordSet records;
        connection.openAccess(gbkPath(c.path));  // the pass does not test it
        records.attach(connection);
        int count = 0;
        if (records.open(kArticleTable, kDbSourceTable)) {
            count = records.recordCount();
            records.addNew();
            records.writeField(kFieldTitle, "x");
            records.update();
        }
        records.close();
        ResultTable latest, random;
        EXPECT_FALSE(queryIntoTable(connection, records, kLatestQuery300, latest, prompts))
            << c.what;
        records.close();
        EXPECT_FALSE(queryIntoTable(connection, records, kRandomQuery300, random, prompts))
            << c.what;
        EXPECT_EQ(latest.rowCount(), 0) << c.what;
        EXPECT_EQ(random.recordCount(), 0) << c.what;
        EXPECT_EQ(count, 0) << c.what;
        const auto messages = prompts.messages();
        ASSERT_EQ(messages.size(), 2u) << c.what;
        EXPECT_EQ(messages[0].text, gbk("打开数据源失败。"));
        EXPECT_EQ(messages[0].title, gbk("提示"));
        EXPECT_EQ(messages[0].style, 0x10);
    }
    EXPECT_FALSE(fs::exists(root_ / "missing.mdb"));  // never created
}

TEST_F(SiteDatabaseTest, ReopeningAndClosingLeaveFreshObjects) {
    const fs::path a = makeDatabase("a.mdb", 1);
    const fs::path b = makeDatabase("b.mdb", 4);
    ASSERT_TRUE(connection_.openAccess(gbkPath(a)));
    records_.attach(connection_);
    ASSERT_TRUE(records_.open(kArticleTable, kDbSourceTable));
    EXPECT_EQ(records_.recordCount(), 1);
    ASSERT_TRUE(connection_.openAccess(gbkPath(b)));             // closes a first
    EXPECT_FALSE(records_.isOpen());                             // the record set went with it
    EXPECT_FALSE(records_.open(kArticleTable, kDbSourceTable));  // not attached any more
    records_.attach(connection_);
    ASSERT_TRUE(records_.open(kArticleTable, kDbSourceTable));
    EXPECT_EQ(records_.recordCount(), 4);
    connection_.close();
    connection_.close();
    EXPECT_FALSE(connection_.isOpen());
    EXPECT_FALSE(connection_.openAccess(gbkPath(b), "secret"));
    EXPECT_EQ(siteDatabasePath("/run", "a.b"), "/run/" + gbk("数据库") + "/a.b.mdb");
    EXPECT_EQ(emptyDatabasePath("/run"), "/run/" + gbk("数据库") + "/pak/bak.mdb");
}

}  // namespace
}  // namespace qm
