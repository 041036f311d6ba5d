#pragma once

#include "store/config.hpp"

#include <memory>
#include <string>

namespace lw {

class Database;

// Where a start of the program finds its things. Empty fields take the usual places
// (environment variables, a portable install, the user's folders).
struct WorkspaceOptions {
    std::string programFolder; // the folder of the running program
    std::string dataFolder;    // the CLI's --data-dir
    std::string configFile;    // the CLI's --config
};

// The program's place on this machine, set up the same way by every front end: the
// configuration, the data folder, and the database (copied from the delivered file on
// the first start, then opened and upgraded).
class Workspace {
public:
    explicit Workspace(WorkspaceOptions options);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // Copies the delivered database when the data folder has none and opens it. False
    // when it cannot be had; error() says why and the program cannot go on.
    bool openDatabase();

    const std::string& programFolder() const { return programFolder_; }
    const std::string& dataFolder() const { return dataFolder_; }
    const Config& config() const { return config_; }
    std::string databasePath() const;
    Database& db() { return *db_; }
    const std::string& error() const { return error_; }
    // openDatabase made the database file: this is the first start.
    bool firstStart() const { return firstStart_; }
    // On the first start without a configuration: where the file goes; empty otherwise.
    std::string configHint() const;

private:
    std::string programFolder_;
    std::string dataFolder_;
    Config config_;
    std::unique_ptr<Database> db_;
    std::string error_;
    bool firstStart_ = false;
};

} // namespace lw
