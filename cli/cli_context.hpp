#pragma once

#include "console_dialogs.hpp"
#include "store/config.hpp"
#include "store/database.hpp"
#include "ui/clock.hpp"
#include "ui/headless_event_loop.hpp"

#include <memory>
#include <string>
#include <vector>

namespace lw::cli {

// Exit codes: success, a failure or refusal the command reported, wrong usage.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// What every command gets: configuration, the opened database and the ports.
struct CliContext {
    Config config;
    std::string programFolder;
    std::string dataFolder;
    Database* db = nullptr; // opened for the commands that need it
    HeadlessEventLoop loop;
    ConsoleDialogs dialogs;
    ConsoleDesktop desktop;
    SystemClock clock;
    bool yes = false;
};

// The command's words after the global options, with helpers to take options out.
// The words after a "--" are never options: "group add -- --名" names the Group "--名".
class Args {
public:
    explicit Args(std::vector<std::string> words);
    // Removes "--name" and returns whether it was there.
    bool flag(const std::string& name);
    // Removes every "--name VALUE" and returns the values; sets error when a value is
    // missing.
    std::vector<std::string> values(const std::string& name);
    std::string value(const std::string& name);
    // The words no option took, those after "--" included (the "--" left out).
    const std::vector<std::string>& rest() const { return rest_; }
    // The words no option took with the "--" kept, for the Args of a command.
    std::vector<std::string> forwarded() const;
    bool missingValue() const { return missingValue_; }
    // The remaining words start with "--": an option nobody took.
    std::string unknownOption() const;

private:
    void updateRest();

    std::vector<std::string> words_; // before the first "--"
    std::vector<std::string> tail_;  // after it
    std::vector<std::string> rest_;
    bool dashes_ = false;
    bool missingValue_ = false;
};

int printUsage(const std::string& text);

} // namespace lw::cli
