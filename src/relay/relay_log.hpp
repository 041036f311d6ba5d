#pragma once

#include <fstream>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>

namespace lw::relay {

enum class LogLevel { Error = 0, Warn = 1, Info = 2, Debug = 3 };

// The operator's log: one line per event with time and level, to standard error (or a
// stream given) and, when configured, appended to a file only the owner may read.
// Callers never hand it a secret or a request body.
class RelayLog {
public:
    explicit RelayLog(LogLevel level = LogLevel::Info, std::ostream* console = nullptr);
    // Opens the file as well; returns the failure in words, empty on success.
    std::string openFile(const std::string& path);

    void error(const std::string& text) { write(LogLevel::Error, text); }
    void warn(const std::string& text) { write(LogLevel::Warn, text); }
    void info(const std::string& text) { write(LogLevel::Info, text); }
    void debug(const std::string& text) { write(LogLevel::Debug, text); }
    void write(LogLevel level, const std::string& text);

    bool enabled(LogLevel level) const { return level <= level_; }
    // Upstream failures go to the database too, for status: called after each one.
    void setUpstreamErrorSink(std::function<void(const std::string&)> sink);
    void upstreamError(const std::string& text);

private:
    LogLevel level_;
    std::ostream* console_;
    std::ofstream file_;
    std::function<void(const std::string&)> sink_;
    std::mutex mutex_;
};

LogLevel logLevelFromText(const std::string& text);

// "2026-12-11 15:04:05" in local time.
std::string logTimeText();

} // namespace lw::relay
