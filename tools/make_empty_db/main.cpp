// make_empty_db SCHEMA OUTPUT: creates OUTPUT afresh as an SQLite database holding
// the statements of the UTF-8 file SCHEMA. The database is built beside OUTPUT and
// renamed into place, so a failed run leaves no half-made file.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_empty_db SCHEMA OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream schema;
    schema << in.rdbuf();
    if (!in) {
        std::fprintf(stderr, "make_empty_db: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string output = argv[2];
    const std::string temporary = output + ".tmp";
    std::remove(temporary.c_str());
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(temporary.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
    char* error = nullptr;
    if (rc == SQLITE_OK) {
        // A plain rollback journal: the file is copied as one file for every new site.
        rc = sqlite3_exec(db, "PRAGMA journal_mode = DELETE;", nullptr, nullptr, &error);
    }
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, schema.str().c_str(), nullptr, nullptr, &error);
    if (rc == SQLITE_OK)
        rc = sqlite3_close(db) == SQLITE_OK ? SQLITE_OK : SQLITE_ERROR;
    else
        sqlite3_close(db);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "make_empty_db: %s\n", error ? error : sqlite3_errstr(rc));
        sqlite3_free(error);
        std::remove(temporary.c_str());
        return 1;
    }
    if (std::rename(temporary.c_str(), output.c_str()) != 0) {
        std::perror("make_empty_db: rename");
        return 1;
    }
    return 0;
}
