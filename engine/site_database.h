// The site database: one SQLite file per site (<run dir>/数据库/<domain>.mdb), table
// 表1 = ID INTEGER PRIMARY KEY AUTOINCREMENT, 栏目, 时间, 标题, 备注, 文章ID (text
// fields, stored as UTF-8), reached through a connection and a record set with the
// operations the generation pass uses, and a text table for query results.
//
// Texts are GBK on this side and UTF-8 in the database: names, values and SQL are
// converted at this boundary. The four Jet queries the pass sends (kLatestQuery300 ...)
// are translated to SQLite ("top n" to LIMIT n, "order by rnd(id)" to a random
// order); any other SQL is passed through unchanged.
//
// Failures are results, never exceptions: a missing, locked, truncated or foreign
// file makes openAccess false and every later operation false, 0 or empty. A missing
// file is never created. A locked file fails after a short busy timeout.
//
// Writes are all or nothing per update(): addNew/writeField collect pending records
// in memory and update() stores them all in one transaction. Closing the record set
// or the connection before update() discards them, so a pass that is stopped in the
// middle stores none of its records.
//
// Ownership and threads: the run context owns one DbConnection and one DbRecordSet.
// A record set keeps a pointer to the connection it is attached to; the connection
// must outlive it. Closing the connection invalidates every record set attached to
// it. Neither object is thread-safe: one thread at a time (the worker during a pass,
// the stop routine after the worker has ended).
#pragma once

#include <memory>
#include <vector>

#include "foundation/run_log.h"
#include "foundation/text_kit.h"

namespace qm {

// Sources of DbRecordSet::open.
inline constexpr int kDbSourceSql = 1;
inline constexpr int kDbSourceTable = 2;

// ADO data type codes reported by fieldType for the SQLite column types.
inline constexpr int kAdEmpty = 0;
inline constexpr int kAdInteger = 3;     // INTEGER (ID)
inline constexpr int kAdDouble = 5;      // REAL, FLOAT, DOUBLE
inline constexpr int kAdDate = 7;        // DATE, DATETIME, TIME declared columns
inline constexpr int kAdBinary = 128;    // BLOB
inline constexpr int kAdNumeric = 131;   // NUMERIC, DECIMAL
inline constexpr int kAdVarWChar = 202;  // TEXT, CHAR, VARCHAR, and untyped columns

// Names of the site table and its fields, GBK.
inline const Text kArticleTable = "\xB1\xED\x31";                // 表1
inline const Text kFieldColumn = "\xC0\xB8\xC4\xBF";             // 栏目
inline const Text kFieldTime = "\xCA\xB1\xBC\xE4";               // 时间
inline const Text kFieldTitle = "\xB1\xEA\xCC\xE2";              // 标题
inline const Text kFieldNote = "\xB1\xB8\xD7\xA2";               // 备注
inline const Text kFieldArticleId = "\xCE\xC4\xD5\xC2\x49\x44";  // 文章ID

// Field positions in a query result of 表1.
inline constexpr int kPosId = 0;
inline constexpr int kPosColumn = 1;
inline constexpr int kPosTime = 2;
inline constexpr int kPosTitle = 3;
inline constexpr int kPosNote = 4;
inline constexpr int kPosArticleId = 5;

// The queries of the generation pass, byte for byte (spaces included).
inline const Text kLatestQuery300 = "SELECT top 300 * FROM \xB1\xED\x31  ORDER BY  ID desc";
inline const Text kLatestQuery500 = "SELECT top 500 * FROM \xB1\xED\x31  ORDER BY  ID desc";
inline const Text kRandomQuery300 = "SELECT top 300 * FROM \xB1\xED\x31   order by rnd(id)";
inline const Text kRandomQuery500 = "SELECT top 500 * FROM \xB1\xED\x31   order by rnd(id)";

// "打开数据源失败。" shown with caption "提示" when a query cannot be opened.
inline const Text kOpenSourceFailed =
    "\xB4\xF2\xBF\xAA\xCA\xFD\xBE\xDD\xD4\xB4\xCA\xA7\xB0\xDC\xA1\xA3";
inline const Text kOpenSourceFailedTitle = "\xCC\xE1\xCA\xBE";

// <run dir>/数据库/<domain>.mdb and the empty database <run dir>/数据库/pak/bak.mdb.
Text siteDatabasePath(const Text& runDir, const Text& domain);
Text emptyDatabasePath(const Text& runDir);

class DbRecordSet;

class DbConnection {
  public:
    DbConnection();
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // Closes first when open, then opens the existing database file at path (GBK).
    // False for a missing file, a file that is not an SQLite database with table 表1,
    // or one that stays locked. The password is accepted for the call's shape; SQLite
    // files carry none, so a non-empty password is refused.
    bool openAccess(const Text& path, const Text& password = Text());
    // How long an operation waits for a file another process has locked before it
    // fails (default 2000 ms); takes effect at the next openAccess.
    void setBusyTimeout(int milliseconds);
    // Closes the database, discarding records that were never update()d; afterwards
    // the object is as fresh. Nothing happens when it is not open.
    void close();
    bool isOpen() const;

    struct Impl;

  private:
    friend class DbRecordSet;
    std::unique_ptr<Impl> impl_;
};

class DbRecordSet {
  public:
    DbRecordSet();
    ~DbRecordSet();
    DbRecordSet(const DbRecordSet&) = delete;
    DbRecordSet& operator=(const DbRecordSet&) = delete;

    // Makes connection the active connection (closes the record set first).
    bool attach(DbConnection& connection);
    // kind kDbSourceSql: source is SQL (GBK), run once and kept as a static result,
    // so moveFirst walks the same records again. kind kDbSourceTable: source is a
    // table name; records are read in ID order as they are walked, and recordCount
    // is a COUNT, never a load of every row.
    bool open(const Text& source, int kind);
    // Closes the record set, discarding pending records. Nothing when closed.
    void close();
    bool isOpen() const;

    int recordCount() const;  // 0 when closed
    int fieldCount() const;   // 0 when closed
    bool atEnd() const;       // true when closed or past the last record

    // Starts a pending record; a record still pending is kept first. Only on a table.
    bool addNew();
    // Sets a field of the pending record by name (GBK); false when none is pending
    // or the table has no such field.
    bool writeField(const Text& name, const Text& value);
    // Stores every pending record in one transaction: all of them or none.
    bool update();

    // The current record's field as text (GBK); false when closed, at the end or out
    // of range. Numbers give their decimal text, NULL gives empty text.
    bool readField(int position, Text& out) const;
    bool readField(const Text& name, Text& out) const;
    Text fieldName(int position) const;  // empty when out of range
    int fieldType(int position) const;   // kAdEmpty when out of range
    bool moveFirst();
    bool moveNext();

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// A rectangular table of GBK text cells: row 0 holds the field names, row r (from 1)
// record r in query order. Out-of-range reads give empty text.
class ResultTable {
  public:
    void clear();  // no rows, no columns
    void resize(int rows, int columns);
    int rowCount() const { return static_cast<int>(rows_.size()); }
    int columnCount() const { return columns_; }
    // Rows after the header; 0 for an empty table.
    int recordCount() const { return rows_.empty() ? 0 : rowCount() - 1; }
    const Text& cell(int row, int column) const;
    void setCell(int row, int column, Text value);

  private:
    std::vector<std::vector<Text>> rows_;
    int columns_ = 0;
};

// Fills out from the query sql through records (attached to connection first): the
// field names in row 0, one row per record, each cell converted by its field's type
// (numbers rounded to 2 decimals, dates as y-m-d without leading zeros, other text
// unchanged). When the query cannot be opened, shows "打开数据源失败。" (caption
// "提示", error icon) through prompts, leaves out empty and returns false.
bool queryIntoTable(DbConnection& connection, DbRecordSet& records, const Text& sql,
                    ResultTable& out, RunLogPort& prompts);

// The SQLite form of a Jet query: the four queries of the pass translated, anything
// else unchanged (GBK in, GBK out).
Text translateQuery(const Text& sql);

}  // namespace qm
