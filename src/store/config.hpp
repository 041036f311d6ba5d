#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

namespace lw {

// Deployment values: listwright.conf (INI) plus LISTWRIGHT_* environment overrides.
struct Config {
    std::string relayHost;    // [relay] host           LISTWRIGHT_RELAY_HOST
    std::string appKey;       // [relay] app_key        LISTWRIGHT_APP_KEY
    std::string accessToken;  // [relay] access_token   LISTWRIGHT_ACCESS_TOKEN
    std::string accountCode;  // [relay] account_code   LISTWRIGHT_ACCOUNT_CODE
    std::string dbPassword;   // [database] password    LISTWRIGHT_DB_PASSWORD
    std::string sourceFile;   // the file the values came from, empty when none was found
    std::string expectedFile; // where the file goes when none was found
    // Every value the file holds, by "section.key".
    std::map<std::string, std::string> fileValues;
    // Keys ("relay.host" ...) whose value came from a LISTWRIGHT_* variable.
    std::set<std::string> fromEnvironment;

    // The file that changes of the settings go to: the one read, else expectedFile.
    const std::string& fileToWrite() const {
        return sourceFile.empty() ? expectedFile : sourceFile;
    }

    // The first Relay value that is missing, with a message naming it and the file;
    // empty when the Relay can be reached.
    std::string missingRelayValue() const;
};

// The password the delivered database file was built with.
std::string defaultDatabasePassword();

// Parses INI text: "[section]" lines and "key = value" lines; ";" and "#" start
// comments. Keys are returned as "section.key".
std::map<std::string, std::string> parseIni(const std::string& text);

// Reads the configuration. explicitFile (the CLI's --config) wins over
// LISTWRIGHT_CONFIG, which wins over listwright.conf beside the program, then the user's
// config folder. Environment values override single keys.
Config loadConfig(const std::string& programFolder, const std::string& explicitFile = {});

// Where the user's own files go (XDG folders).
std::string userConfigFolder();
std::string userDataFolder();

// The folder holding TBData/TBDataPlover2.db: explicitDir (--data-dir), else
// LISTWRIGHT_DATA_DIR, else the program folder when it holds TBData (portable), else the
// user's data folder.
std::string resolveDataFolder(const std::string& programFolder,
                              const std::string& explicitDir = {});

// The database file inside a data folder.
std::string databasePathIn(const std::string& dataFolder);

// Makes sure dataFolder holds the database, copying the delivered file when it is
// missing. Returns an error text, empty on success.
std::string ensureDatabaseFile(const std::string& dataFolder, const std::string& deliveredFile);

// The delivered database file: beside the program, or in the installed share folder.
std::string findDeliveredDatabase(const std::string& programFolder);

// Folder of the running program.
std::string executableFolder();

} // namespace lw
