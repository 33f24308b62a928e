// The Jet queries of the generation pass in SQLite's dialect.
#include <array>

#include "engine/site_database.h"

namespace qm {

namespace {

struct Translation {
    const Text* jet;
    const char* sqlite;  // GBK, like the input (表1 is spelled in hex)
};

// The newest records: Jet's "top n ... ORDER BY ID desc" is LIMIT n.
// A random selection: Jet evaluates rnd(id) per row. Sorting whole records by
// random() would carry every row through the sorter; instead only the IDs are
// shuffled and the chosen records are fetched by key, then shuffled again, since
// IN returns them in key order.
const std::array<Translation, 4>& translations() {
    static const std::array<Translation, 4> table = {{
        {&kLatestQuery300, "SELECT * FROM \xB1\xED\x31 ORDER BY ID DESC LIMIT 300"},
        {&kLatestQuery500, "SELECT * FROM \xB1\xED\x31 ORDER BY ID DESC LIMIT 500"},
        {&kRandomQuery300,
         "SELECT * FROM \xB1\xED\x31 WHERE ID IN (SELECT ID FROM \xB1\xED\x31 ORDER BY random() "
         "LIMIT 300) ORDER BY random()"},
        {&kRandomQuery500,
         "SELECT * FROM \xB1\xED\x31 WHERE ID IN (SELECT ID FROM \xB1\xED\x31 ORDER BY random() "
         "LIMIT 500) ORDER BY random()"},
    }};
    return table;
}

}  // namespace

Text translateQuery(const Text& sql) {
    for (const Translation& t : translations()) {
        if (sql == *t.jet) return t.sqlite;
    }
    return sql;
}

}  // namespace qm
