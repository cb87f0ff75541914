#pragma once

namespace platform {

// What became of a database operation, as far as the caller can act on it.
enum class SqliteStatus {
    Ok,
    // Another connection holds the lock longer than the busy timeout.
    Busy,
    // The file is not a database, or a damaged one.
    Damaged,
    // The file or its folder cannot be created or written.
    Unwritable,
    // Anything else (a full disk, an I/O error, a mistake in the SQL).
    Failed,
};

} // namespace platform
