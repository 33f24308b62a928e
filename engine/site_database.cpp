// DbConnection and DbRecordSet on SQLite 3.
#include "engine/site_database.h"

#include <sqlite3.h>

#include <algorithm>
#include <optional>

#include "engine/gbk_literals.h"
#include "foundation/gbk_codec.h"

namespace qm {

namespace {

// What an SQLite result code means to the callers here.
enum class DbStatus { Ok, Row, Done, Busy, Failed };

DbStatus statusOf(int rc) {
    switch (rc & 0xFF) {  // primary code; extended codes carry detail only
        case SQLITE_OK:
            return DbStatus::Ok;
        case SQLITE_ROW:
            return DbStatus::Row;
        case SQLITE_DONE:
            return DbStatus::Done;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return DbStatus::Busy;
        default:
            return DbStatus::Failed;  // NOTADB, CORRUPT, IOERR, CANTOPEN, ...
    }
}

bool ok(int rc) {
    return statusOf(rc) == DbStatus::Ok;
}

// One prepared statement, finalized with its owner.
class Statement {
  public:
    Statement() = default;
    Statement(sqlite3* db, const std::string& utf8Sql) {
        if (!ok(sqlite3_prepare_v2(db, utf8Sql.c_str(), static_cast<int>(utf8Sql.size()), &stmt_,
                                   nullptr))) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(Statement&& other) noexcept : stmt_(other.stmt_) { other.stmt_ = nullptr; }
    Statement& operator=(Statement&& other) noexcept {
        std::swap(stmt_, other.stmt_);
        return *this;
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    explicit operator bool() const { return stmt_ != nullptr; }
    sqlite3_stmt* get() const { return stmt_; }
    DbStatus step() { return stmt_ ? statusOf(sqlite3_step(stmt_)) : DbStatus::Failed; }
    void reset() {
        if (stmt_) sqlite3_reset(stmt_);
    }

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

bool execute(sqlite3* db, const char* sql) {
    return db && ok(sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

std::string quoteIdentifier(const std::string& utf8) {
    std::string quoted = "\"";
    for (char c : utf8) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

// The column's value as a GBK text.
Text columnText(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_INTEGER:
            return std::to_string(sqlite3_column_int64(stmt, i));
        case SQLITE_FLOAT:
            return to_text(sqlite3_column_double(stmt, i));
        case SQLITE_NULL:
            return Text();
        case SQLITE_BLOB: {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt, i));
            const int n = sqlite3_column_bytes(stmt, i);
            return bytes ? to_text(ByteArray(std::string(bytes, static_cast<std::size_t>(n))))
                         : Text();
        }
        default: {
            const auto* utf8 = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            const int n = sqlite3_column_bytes(stmt, i);
            return utf8 ? utf8_to_gbk(std::string_view(utf8, static_cast<std::size_t>(n))) : Text();
        }
    }
}

bool contains(const std::string& upper, const char* part) {
    return upper.find(part) != std::string::npos;
}

// ADO type code for a declared column type (SQLite's affinity rules, in their order),
// or from the storage class of a value when the column has no declared type.
int adoTypeOf(const char* declared, int storageClass) {
    if (declared && *declared) {
        std::string upper(declared);
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (contains(upper, "INT")) return kAdInteger;
        if (contains(upper, "CHAR") || contains(upper, "CLOB") || contains(upper, "TEXT"))
            return kAdVarWChar;
        if (contains(upper, "BLOB")) return kAdBinary;
        if (contains(upper, "REAL") || contains(upper, "FLOA") || contains(upper, "DOUB"))
            return kAdDouble;
        if (contains(upper, "DATE") || contains(upper, "TIME")) return kAdDate;
        return kAdNumeric;
    }
    switch (storageClass) {
        case SQLITE_INTEGER:
            return kAdInteger;
        case SQLITE_FLOAT:
            return kAdDouble;
        case SQLITE_BLOB:
            return kAdBinary;
        default:
            return kAdVarWChar;
    }
}

bool sameName(const Text& a, const Text& b) {
    // Field names compare as Jet compares them: ASCII letter case ignored.
    return a.size() == b.size() && find_text(a, b, 1, true) == 1;
}

}  // namespace

// ---- connection -------------------------------------------------------------------

struct DbConnection::Impl {
    sqlite3* db = nullptr;
    int busyMs = 2000;
    std::vector<DbRecordSet::Impl*> attached;

    void detachAll();
};

struct DbRecordSet::Impl {
    DbConnection::Impl* connection = nullptr;

    bool open = false;
    int kind = 0;
    std::vector<Text> names;  // GBK
    std::vector<int> types;

    // Query: every record, read once at open.
    std::vector<std::vector<Text>> records;
    std::size_t position = 0;

    // Table: walked in ID order through a statement prepared on first use.
    std::string tableUtf8;
    int count = 0;
    Statement cursor;
    bool cursorStarted = false;
    bool cursorAtEnd = true;
    std::vector<Text> current;

    // Records added since the last update(); the last one is being written.
    std::vector<std::vector<std::optional<Text>>> pending;

    ~Impl() { detach(); }

    sqlite3* db() const { return connection ? connection->db : nullptr; }

    void reset() {
        open = false;
        kind = 0;
        names.clear();
        types.clear();
        records.clear();
        position = 0;
        tableUtf8.clear();
        count = 0;
        cursor = Statement();
        cursorStarted = false;
        cursorAtEnd = true;
        current.clear();
        pending.clear();
    }

    void detach() {
        reset();
        if (connection) {
            auto& list = connection->attached;
            list.erase(std::remove(list.begin(), list.end(), this), list.end());
            connection = nullptr;
        }
    }

    void stepCursor() {
        cursorStarted = true;
        if (cursor.step() == DbStatus::Row) {
            const int n = sqlite3_column_count(cursor.get());
            current.clear();
            for (int i = 0; i < n; ++i) current.push_back(columnText(cursor.get(), i));
            cursorAtEnd = false;
        } else {
            // The end, or a read error (a damaged page): either way no record here.
            current.clear();
            cursorAtEnd = true;
            cursor.reset();
        }
    }

    void startCursor() {
        if (cursorStarted) return;
        cursor.reset();
        stepCursor();
    }

    int fieldIndex(const Text& name) const {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (sameName(names[i], name)) return static_cast<int>(i);
        }
        return -1;
    }

    bool openTable(const Text& name);
    bool openQuery(const Text& sql);
    bool storePending();
};

void DbConnection::Impl::detachAll() {
    // Record sets let go of their statements before the handle closes; pending
    // records are discarded with them.
    for (DbRecordSet::Impl* set : attached) {
        set->reset();
        set->connection = nullptr;
    }
    attached.clear();
}

DbConnection::DbConnection() : impl_(std::make_unique<Impl>()) {}

DbConnection::~DbConnection() {
    close();
}

void DbConnection::setBusyTimeout(int milliseconds) {
    impl_->busyMs = std::max(0, milliseconds);
}

bool DbConnection::isOpen() const {
    return impl_->db != nullptr;
}

void DbConnection::close() {
    impl_->detachAll();
    if (impl_->db) {
        sqlite3_close_v2(impl_->db);
        impl_->db = nullptr;
    }
}

bool DbConnection::openAccess(const Text& path, const Text& password) {
    close();
    if (!password.empty() || path.empty()) return false;
    sqlite3* db = nullptr;
    const std::string native = native_path(path);
    // Never SQLITE_OPEN_CREATE: a missing site database must fail, not appear empty.
    const int rc = sqlite3_open_v2(native.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (!ok(rc)) {
        sqlite3_close_v2(db);
        return false;
    }
    sqlite3_busy_timeout(db, impl_->busyMs);
    // Reading the schema proves the file is an SQLite database (a foreign or cut-off
    // file fails here) and that it is a site database.
    Statement check(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = '" +
                            gbk_to_utf8(kArticleTable) + "'");
    if (!check || check.step() != DbStatus::Row) {
        check = Statement();
        sqlite3_close_v2(db);
        return false;
    }
    impl_->db = db;
    return true;
}

// ---- record set ---------------------------------------------------------------------

DbRecordSet::DbRecordSet() : impl_(std::make_unique<Impl>()) {}

DbRecordSet::~DbRecordSet() = default;

bool DbRecordSet::attach(DbConnection& connection) {
    impl_->detach();
    impl_->connection = connection.impl_.get();
    impl_->connection->attached.push_back(impl_.get());
    return connection.isOpen();
}

bool DbRecordSet::Impl::openTable(const Text& name) {
    tableUtf8 = gbk_to_utf8(name);
    const std::string quoted = quoteIdentifier(tableUtf8);
    Statement shape(db(), "SELECT * FROM " + quoted + " ORDER BY rowid");
    Statement counter(db(), "SELECT COUNT(*) FROM " + quoted);
    if (!shape || !counter || counter.step() != DbStatus::Row) return false;
    count = sqlite3_column_int(counter.get(), 0);
    const int n = sqlite3_column_count(shape.get());
    for (int i = 0; i < n; ++i) {
        names.push_back(utf8_to_gbk(sqlite3_column_name(shape.get(), i)));
        types.push_back(adoTypeOf(sqlite3_column_decltype(shape.get(), i), SQLITE_NULL));
    }
    cursor = std::move(shape);
    return true;
}

bool DbRecordSet::Impl::openQuery(const Text& sql) {
    Statement query(db(), gbk_to_utf8(translateQuery(sql)));
    if (!query) return false;
    const int n = sqlite3_column_count(query.get());
    for (int i = 0; i < n; ++i) names.push_back(utf8_to_gbk(sqlite3_column_name(query.get(), i)));
    std::vector<int> storage(static_cast<std::size_t>(n), SQLITE_NULL);
    DbStatus status = DbStatus::Failed;
    while ((status = query.step()) == DbStatus::Row) {
        std::vector<Text> record;
        record.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            if (storage[static_cast<std::size_t>(i)] == SQLITE_NULL)
                storage[static_cast<std::size_t>(i)] = sqlite3_column_type(query.get(), i);
            record.push_back(columnText(query.get(), i));
        }
        records.push_back(std::move(record));
    }
    if (status != DbStatus::Done) return false;  // busy, damaged: no partial result
    for (int i = 0; i < n; ++i) {
        types.push_back(adoTypeOf(sqlite3_column_decltype(query.get(), i),
                                  storage[static_cast<std::size_t>(i)]));
    }
    return true;
}

bool DbRecordSet::open(const Text& source, int kind) {
    Impl& s = *impl_;
    close();
    if (!s.db() || (kind != kDbSourceSql && kind != kDbSourceTable)) return false;
    const bool opened = kind == kDbSourceSql ? s.openQuery(source) : s.openTable(source);
    if (!opened) {
        s.reset();
        return false;
    }
    s.open = true;
    s.kind = kind;
    return true;
}

void DbRecordSet::close() {
    impl_->reset();
}

bool DbRecordSet::isOpen() const {
    return impl_->open;
}

int DbRecordSet::recordCount() const {
    if (!impl_->open) return 0;
    return impl_->kind == kDbSourceSql ? static_cast<int>(impl_->records.size()) : impl_->count;
}

int DbRecordSet::fieldCount() const {
    return impl_->open ? static_cast<int>(impl_->names.size()) : 0;
}

bool DbRecordSet::atEnd() const {
    Impl& s = *impl_;
    if (!s.open) return true;
    if (s.kind == kDbSourceSql) return s.position >= s.records.size();
    s.startCursor();
    return s.cursorAtEnd;
}

bool DbRecordSet::addNew() {
    Impl& s = *impl_;
    if (!s.open || s.kind != kDbSourceTable) return false;
    s.pending.emplace_back(s.names.size());
    return true;
}

bool DbRecordSet::writeField(const Text& name, const Text& value) {
    Impl& s = *impl_;
    if (!s.open || s.pending.empty()) return false;
    const int index = s.fieldIndex(name);
    if (index < 0) return false;
    s.pending.back()[static_cast<std::size_t>(index)] = value;
    return true;
}

bool DbRecordSet::Impl::storePending() {
    sqlite3* handle = db();
    if (!execute(handle, "BEGIN IMMEDIATE")) return false;
    const std::string quoted = quoteIdentifier(tableUtf8);
    for (const auto& record : pending) {
        std::string columns;
        std::string marks;
        for (std::size_t i = 0; i < record.size(); ++i) {
            if (!record[i]) continue;
            columns += (columns.empty() ? "" : ", ") + quoteIdentifier(gbk_to_utf8(names[i]));
            marks += marks.empty() ? "?" : ", ?";
        }
        const std::string sql =
            columns.empty() ? "INSERT INTO " + quoted + " DEFAULT VALUES"
                            : "INSERT INTO " + quoted + " (" + columns + ") VALUES (" + marks + ")";
        Statement insert(handle, sql);
        int bind = 1;
        for (const auto& value : record) {
            if (!value) continue;
            const std::string utf8 = gbk_to_utf8(*value);
            sqlite3_bind_text(insert.get(), bind++, utf8.c_str(), static_cast<int>(utf8.size()),
                              SQLITE_TRANSIENT);
        }
        if (!insert || insert.step() != DbStatus::Done) {
            execute(handle, "ROLLBACK");
            return false;
        }
    }
    if (!execute(handle, "COMMIT")) {
        execute(handle, "ROLLBACK");
        return false;
    }
    return true;
}

bool DbRecordSet::update() {
    Impl& s = *impl_;
    if (!s.open || s.kind != kDbSourceTable) return false;
    if (s.pending.empty()) return true;
    // The walk of the table must not hold its read open across the write.
    s.cursor.reset();
    s.cursorStarted = false;
    if (!s.storePending()) return false;  // kept pending; close() discards them
    s.count += static_cast<int>(s.pending.size());
    s.pending.clear();
    return true;
}

bool DbRecordSet::readField(int position, Text& out) const {
    Impl& s = *impl_;
    out.clear();
    if (!s.open || position < 0 || position >= static_cast<int>(s.names.size())) return false;
    const auto index = static_cast<std::size_t>(position);
    if (s.kind == kDbSourceSql) {
        if (s.position >= s.records.size()) return false;
        out = s.records[s.position][index];
        return true;
    }
    s.startCursor();
    if (s.cursorAtEnd || index >= s.current.size()) return false;
    out = s.current[index];
    return true;
}

bool DbRecordSet::readField(const Text& name, Text& out) const {
    return readField(impl_->fieldIndex(name), out);
}

Text DbRecordSet::fieldName(int position) const {
    if (!impl_->open || position < 0 || position >= static_cast<int>(impl_->names.size()))
        return Text();
    return impl_->names[static_cast<std::size_t>(position)];
}

int DbRecordSet::fieldType(int position) const {
    if (!impl_->open || position < 0 || position >= static_cast<int>(impl_->types.size()))
        return kAdEmpty;
    return impl_->types[static_cast<std::size_t>(position)];
}

bool DbRecordSet::moveFirst() {
    Impl& s = *impl_;
    if (!s.open) return false;
    if (s.kind == kDbSourceSql) {
        s.position = 0;
    } else {
        s.cursorStarted = false;
        s.startCursor();
    }
    return true;
}

bool DbRecordSet::moveNext() {
    Impl& s = *impl_;
    if (!s.open) return false;
    if (s.kind == kDbSourceSql) {
        if (s.position >= s.records.size()) return false;
        ++s.position;
        return true;
    }
    s.startCursor();
    if (s.cursorAtEnd) return false;
    s.stepCursor();
    return true;
}

// ---- paths ----------------------------------------------------------------------------

Text siteDatabasePath(const Text& runDir, const Text& domain) {
    return join_path(join_path(runDir, QM_GBK("数据库")), domain + ".mdb");
}

Text emptyDatabasePath(const Text& runDir) {
    return join_path(join_path(join_path(runDir, QM_GBK("数据库")), "pak"), "bak.mdb");
}

}  // namespace qm
