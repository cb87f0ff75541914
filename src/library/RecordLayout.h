#pragma once

#include "platform/SqliteDatabase.h"

#include <cstdint>
#include <string>

namespace library {

// The tables of the records database and their version (`PRAGMA
// user_version`). Version 0 is the first layout (records without a rate, no
// replays); it carries no version number of its own.
class RecordLayout {
public:
    // "FVXR" in the database header marks the file as ours.
    static constexpr std::int64_t applicationId = 0x46565852;
    static constexpr std::int64_t version = 1;

    enum class Change { None, Created, Migrated };

    // In one transaction: creates the tables in a new file, or brings a file
    // of an older layout up to this one, keeping its rows. A file of a newer
    // layout is answered Damaged, to be set aside; `problem` then says why,
    // as it does for any failure.
    static platform::SqliteStatus prepare(platform::SqliteDatabase& db, std::string& problem, Change& change);

private:
    static platform::SqliteStatus create(platform::SqliteDatabase& db);
    static platform::SqliteStatus migrate(platform::SqliteDatabase& db, std::string& problem);
    static platform::SqliteStatus inTransaction(platform::SqliteDatabase& db, std::string& problem, Change& change);
};

} // namespace library
