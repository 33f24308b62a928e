// ResultTable and queryIntoTable: a query's records as a table of text cells.
#include <cstdio>
#include <cstdlib>

#include "engine/site_database.h"

namespace qm {

namespace {

bool isNumericType(int type) {
    switch (type) {
        case 2:    // small integer
        case 3:    // integer
        case 4:    // single
        case 5:    // double
        case 6:    // currency
        case 131:  // decimal
            return true;
        default:
            return false;
    }
}

// Civil date of a day number counted from 1899-12-30 (H. Hinnant's days_from_civil
// inverse, shifted to that epoch).
void civilFromOleDay(long long oleDay, long long& y, unsigned& m, unsigned& d) {
    const long long z = oleDay - 25569 + 719468;  // 25569: 1899-12-30 to 1970-01-01
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
}

// A date field's text (a stored "yyyy-mm-dd[ hh:mm:ss]" or a day number) reduced to
// its day, as year-month-day without leading zeros; other text is kept.
Text dateCell(const Text& text) {
    int y = 0, m = 0, d = 0;
    char sep1 = 0, sep2 = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c%d", &y, &sep1, &m, &sep2, &d) == 5 && sep1 == sep2 &&
        (sep1 == '-' || sep1 == '/') && m >= 1 && m <= 12 && d >= 1 && d <= 31) {
        return to_text(y) + "-" + to_text(m) + "-" + to_text(d);
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (!text.empty() && end && *end == '\0') {
        long long year = 0;
        unsigned month = 0, day = 0;
        civilFromOleDay(static_cast<long long>(date_part(value)), year, month, day);
        return std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day);
    }
    return text;
}

Text cellText(const Text& read, int type) {
    if (isNumericType(type)) return to_text(round_number(to_number(read), 2));
    if (type == kAdDate) return dateCell(read);
    return read;
}

const Text kEmptyCell;

}  // namespace

void ResultTable::clear() {
    rows_.clear();
    columns_ = 0;
}

void ResultTable::resize(int rows, int columns) {
    columns_ = columns < 0 ? 0 : columns;
    rows_.assign(rows < 0 ? 0 : static_cast<std::size_t>(rows),
                 std::vector<Text>(static_cast<std::size_t>(columns_)));
}

const Text& ResultTable::cell(int row, int column) const {
    if (row < 0 || column < 0 || row >= rowCount() || column >= columns_) return kEmptyCell;
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void ResultTable::setCell(int row, int column, Text value) {
    if (row < 0 || column < 0 || row >= rowCount() || column >= columns_) return;
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = std::move(value);
}

bool queryIntoTable(DbConnection& connection, DbRecordSet& records, const Text& sql,
                    ResultTable& out, RunLogPort& prompts) {
    out.clear();
    records.attach(connection);
    if (!records.open(sql, kDbSourceSql)) {
        prompts.show_message(kOpenSourceFailed, kMbIconError, kOpenSourceFailedTitle);
        return false;
    }
    const int fields = records.fieldCount();
    const int count = records.recordCount();
    out.resize(count + 1, fields);
    for (int f = 0; f < fields; ++f) {
        out.setCell(0, f, records.fieldName(f));
        const int type = records.fieldType(f);
        Text value;
        for (int r = 1; r <= count && !records.atEnd(); ++r) {
            records.readField(f, value);
            out.setCell(r, f, cellText(value, type));
            records.moveNext();
        }
        records.moveFirst();
    }
    return true;
}

}  // namespace qm
