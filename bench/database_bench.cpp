// One pass's database work on a site database of 100,000 records: open, count the
// table, append 20 records in one transaction, and read the newest and the random
// 300 records into result tables. One iteration is that whole sequence.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/gbk_literals.h"
#include "engine/site_database.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

// A site database from the shipped schema, filled with n records directly.
fs::path makeDatabase(const fs::path& folder, int n) {
    const fs::path path = folder / "site.mdb";
    std::ifstream in(fs::path(QUILLMOOR_SOURCE_DIR) / "rundir/schema/bak.sql");
    std::stringstream schema;
    schema << in.rdbuf();
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, schema.str().c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO 表1 (栏目, 时间, 标题, 文章ID) VALUES (?, ?, ?, ?)", -1,
                       &insert, nullptr);
    for (int i = 1; i <= n; ++i) {
        const std::string column = std::to_string(i % 6 + 1);
        const std::string title = "国际油价连续三日上涨 市场关注供需变化" + std::to_string(i);
        const std::string id = std::to_string(i);
        sqlite3_bind_text(insert, 1, column.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, "2024-03-05", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, title.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, id.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return path;
}

class NoPrompts : public RunLogPort {
  public:
    void append_log(const Text&) override {}
    void clear_log() override {}
    Text read_log() override { return Text(); }
    void show_prompt(const Text&) override {}
    int show_message(const Text&, int, const Text&) override {
        ++failures;
        return kMbResultOk;
    }
    int failures = 0;
};

void BM_PassDatabaseWork(benchmark::State& state) {
    std::string pattern = (fs::temp_directory_path() / "qm-dbbench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const fs::path folder = pattern;
    const Text path = text_path(makeDatabase(folder, 100000).string());
    const Text title = gbk("新闻标题");
    DbConnection connection;
    DbRecordSet records;
    ResultTable latest, random;
    NoPrompts prompts;
    int rows = 0;
    for (auto _ : state) {
        connection.openAccess(path);
        records.attach(connection);
        records.open(kArticleTable, kDbSourceTable);
        const int base = records.recordCount();
        for (int i = 1; i <= 20; ++i) {
            records.addNew();
            records.writeField(kFieldColumn, to_text(i % 6 + 1));
            records.writeField(kFieldTime, "2024-03-06");
            records.writeField(kFieldTitle, title);
            records.writeField(kFieldArticleId, to_text(base + i));
        }
        records.update();
        records.close();
        queryIntoTable(connection, records, kLatestQuery300, latest, prompts);
        records.close();
        queryIntoTable(connection, records, kRandomQuery300, random, prompts);
        records.close();
        connection.close();
        rows = latest.rowCount() + random.rowCount();
    }
    state.counters["result_rows"] = rows;
    if (prompts.failures > 0) state.SkipWithError("a query failed");
    std::error_code ec;
    fs::remove_all(folder, ec);
}
BENCHMARK(BM_PassDatabaseWork)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
