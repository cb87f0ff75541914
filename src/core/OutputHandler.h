#pragma once

#include "core/Object.h"

#include <cstdio>
#include <string>

// Report levels of OutputHandler::report.
enum ReportLevel {
    Notice = 1,    // "NOTICE: " line
    Warning = 2,   // "WARNING: " line
    Fatal = 3,     // "FATAL ERROR [Program Stopped]: " line, exit code 3
    Error = 4,     // "ERROR: " line and a message box
    ErrorExit = 5, // "ERROR: " line, a message box, exit code 5
};

// Writes "output.log" and is the single channel for reporting problems.
// Registered as "OutputHandler"; one per process, created on first request.
class OutputHandler : public Object {
public:
    static constexpr const char* defaultFileName = "output.log";
    static constexpr const char* messageTitle = "Flarevox Message";

    // The process-wide handler, created (closed) on first call and again after
    // a registry teardown destroyed the previous one.
    static OutputHandler* instance();

    ~OutputHandler() override;

    // Deletes and recreates "output.log" (or the given path) and writes the banner.
    bool open();
    bool open(const std::string& path);
    void close();
    void setTimestamps(bool on) { timestamps = on; }
    bool isOpen() const { return openFlag; }
    const std::string& getFileName() const { return fileName; }

    // Each takes the handler explicitly; a null or closed handler writes nothing.
    static bool log(OutputHandler* handler, const char* format, ...) __attribute__((format(printf, 2, 3)));
    static void report(OutputHandler* handler, int level, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
    static void showError(OutputHandler* handler, const char* format, ...) __attribute__((format(printf, 2, 3)));

    // The handler registered as "OutputHandler", or null.
    static OutputHandler* find();

private:
    OutputHandler();

    bool openFile(const std::string& path);
    bool writeLine(const char* message);
    static void showErrorMessage(OutputHandler* handler, const char* message);

    bool openFlag = false;
    bool timestamps = false;
    std::string fileName;
    std::FILE* stream = nullptr;
};
