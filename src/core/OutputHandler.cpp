#include "core/OutputHandler.h"

#include "core/ObjectRegistry.h"
#include "platform/Dialog.h"
#include "platform/FileSystem.h"

#include <cstdarg>
#include <cstdlib>
#include <ctime>

namespace {

constexpr std::size_t messageBufferSize = 1024;

OutputHandler* theHandler = nullptr;

std::string utcTimestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char buffer[256];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &utc);
    return buffer;
}

// printf into a fixed buffer; overlong messages are cut, never overflowed.
std::string formatMessage(const char* format, std::va_list args)
{
    char buffer[messageBufferSize];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    return buffer;
}

} // namespace

OutputHandler::OutputHandler()
    : Object(true, "OutputHandler")
{
}

OutputHandler* OutputHandler::instance()
{
    if (!theHandler)
        theHandler = new OutputHandler();
    return theHandler;
}

OutputHandler::~OutputHandler()
{
    // Closed here, not at exit: every mode switch makes a new handler.
    close();
    if (theHandler == this)
        theHandler = nullptr;
}

OutputHandler* OutputHandler::find()
{
    if (!ObjectRegistry::exists())
        return nullptr;
    return ObjectRegistry::instance()->findAs<OutputHandler>("OutputHandler");
}

bool OutputHandler::open()
{
    platform::FileSystem::remove(defaultFileName);
    timestamps = false;
    return openFile(defaultFileName);
}

bool OutputHandler::open(const std::string& path)
{
    platform::FileSystem::remove(path);
    timestamps = false;
    return openFile(path);
}

bool OutputHandler::openFile(const std::string& path)
{
    if (openFlag)
        close();
    fileName = path;
    stream = platform::FileSystem::open(path, "a");
    if (!stream)
        return false;
    openFlag = true;
    log(this, "Flarevox LogFile '%s': %s\n", path.c_str(), utcTimestamp().c_str());
    return true;
}

void OutputHandler::close()
{
    openFlag = false;
    if (stream) {
        std::fclose(stream);
        stream = nullptr;
    }
}

bool OutputHandler::writeLine(const char* message)
{
    if (!openFlag || !stream || std::ferror(stream))
        return false;
    if (timestamps)
        std::fprintf(stream, "%s: %s \n", utcTimestamp().c_str(), message);
    else
        std::fprintf(stream, "%s \n", message);
    std::fflush(stream);
    return true;
}

bool OutputHandler::log(OutputHandler* handler, const char* format, ...)
{
    if (!theHandler || !handler)
        return false;
    std::va_list args;
    va_start(args, format);
    const std::string message = formatMessage(format, args);
    va_end(args);
    return handler->writeLine(message.c_str());
}

void OutputHandler::showErrorMessage(OutputHandler* handler, const char* message)
{
    log(handler, "ERROR: %s", message);
    platform::Dialog::show(messageTitle, message);
}

void OutputHandler::showError(OutputHandler* handler, const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    const std::string message = formatMessage(format, args);
    va_end(args);
    showErrorMessage(handler, message.c_str());
}

void OutputHandler::report(OutputHandler* handler, int level, const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    const std::string message = formatMessage(format, args);
    va_end(args);

    switch (level) {
    case Notice:
        log(handler, "NOTICE: %s", message.c_str());
        break;
    case Warning:
        log(handler, "WARNING: %s", message.c_str());
        break;
    case Fatal:
        log(handler, "FATAL ERROR [Program Stopped]: %s", message.c_str());
        std::exit(3);
    case Error:
        showErrorMessage(handler, message.c_str());
        break;
    case ErrorExit:
        showErrorMessage(handler, message.c_str());
        std::exit(5);
    default:
        break;
    }
}
