#pragma once

// What the library's tests share: song folders on disk, the files a damaged
// database was moved aside to, and the lines the library says.

#include "platform/SqliteDatabase.h"
#include "support/TestSupport.h"
#include "writers/WavWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace librarytest {

// A song folder with its chart file and two seconds of silence as song.wav.
inline void writeSong(const testsupport::ScratchDir& scratch, const std::string& folder, const std::string& chartFile,
                      const std::string& chart)
{
    scratch.write(folder + "/" + chartFile, chart);
    forge::WavWriter::write(scratch.path() / folder / "song.wav", {8000, 1, std::vector<float>(16000)});
}

// The files of `folder` a database was moved aside to, without their journals.
inline std::vector<std::filesystem::path> movedAside(const std::filesystem::path& folder = ".")
{
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".moved-aside-") != std::string::npos && !name.ends_with("-wal") && !name.ends_with("-shm"))
            found.push_back(entry.path());
    }
    return found;
}

// How many of the lines say `text`.
inline std::size_t mentions(const std::vector<std::string>& lines, const std::string& text)
{
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; }));
}

// Exactly one line was said, and it says `text`.
inline testing::AssertionResult saidOnly(const std::vector<std::string>& lines, const std::string& text)
{
    if (lines.size() == 1 && mentions(lines, text) == 1)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "expected one line saying \"" << text << "\", got "
                                       << testing::PrintToString(lines);
}

// Runs the statements on the database `file` as another program would.
inline testing::AssertionResult runSql(const std::filesystem::path& file, const std::vector<std::string>& statements)
{
    platform::SqliteDatabase db;
    if (db.open(file.string(), 100) != platform::SqliteStatus::Ok)
        return testing::AssertionFailure() << "cannot open " << file;
    for (const std::string& statement : statements)
        if (db.execute(statement) != platform::SqliteStatus::Ok)
            return testing::AssertionFailure() << statement << ": " << db.lastError();
    return testing::AssertionSuccess();
}

// The rows of a query on the database `file`; none when it fails.
inline std::vector<platform::SqliteDatabase::Row> queried(const std::filesystem::path& file, const std::string& sql)
{
    platform::SqliteDatabase db;
    std::vector<platform::SqliteDatabase::Row> rows;
    if (db.open(file.string(), 100) != platform::SqliteStatus::Ok || db.query(sql, {}, rows) != platform::SqliteStatus::Ok)
        rows.clear();
    return rows;
}

} // namespace librarytest
