#include "relay/relay_log.hpp"

#include "platform/platform.hpp"

#include <ctime>
#include <iostream>

namespace lw::relay {
namespace {

const char* levelName(LogLevel level) {
    switch (level) {
    case LogLevel::Error:
        return "error";
    case LogLevel::Warn:
        return "warn";
    case LogLevel::Info:
        return "info";
    case LogLevel::Debug:
        return "debug";
    }
    return "info";
}

// Line breaks inside a text would make a forged log line; they become blanks.
std::string oneLine(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

} // namespace

LogLevel logLevelFromText(const std::string& text) {
    if (text == "error")
        return LogLevel::Error;
    if (text == "warn")
        return LogLevel::Warn;
    if (text == "debug")
        return LogLevel::Debug;
    return LogLevel::Info;
}

std::string logTimeText() {
    std::tm t = platform::localTime(std::time(nullptr));
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &t);
    return buffer;
}

RelayLog::RelayLog(LogLevel level, std::ostream* console)
    : level_(level), console_(console ? console : &std::cerr) {}

std::string RelayLog::openFile(const std::string& path) {
    std::lock_guard lock(mutex_);
    file_.open(platform::toPath(path), std::ios::app | std::ios::binary);
    if (!file_)
        return "无法打开日志文件 " + path;
    platform::restrictToOwner(path);
    return {};
}

void RelayLog::setUpstreamErrorSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

void RelayLog::write(LogLevel level, const std::string& text) {
    if (!enabled(level))
        return;
    std::string line = logTimeText() + " [" + levelName(level) + "] " + oneLine(text) + "\n";
    std::lock_guard lock(mutex_);
    *console_ << line << std::flush;
    if (file_.is_open())
        file_ << line << std::flush;
}

void RelayLog::upstreamError(const std::string& text) {
    write(LogLevel::Warn, text);
    std::function<void(const std::string&)> sink;
    {
        std::lock_guard lock(mutex_);
        sink = sink_;
    }
    if (sink)
        sink(oneLine(text));
}

} // namespace lw::relay
