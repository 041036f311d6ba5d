#include "app/workspace.hpp"

#include "app/first_start.hpp"
#include "platform/platform.hpp"
#include "store/database.hpp"
#include "store/database_open.hpp"

#include <filesystem>

namespace lw {

Workspace::Workspace(WorkspaceOptions options)
    : programFolder_(options.programFolder.empty() ? executableFolder() : options.programFolder),
      dataFolder_(resolveDataFolder(programFolder_, options.dataFolder)),
      config_(loadConfig(programFolder_, options.configFile)) {}

Workspace::~Workspace() = default;

std::string Workspace::databasePath() const {
    return databasePathIn(dataFolder_);
}

bool Workspace::openDatabase() {
    std::error_code ec;
    firstStart_ = !std::filesystem::exists(platform::toPath(databasePath()), ec);
    error_ = ensureDatabaseFile(dataFolder_, findDeliveredDatabase(programFolder_));
    if (!error_.empty())
        return false;
    db_ = lw::openDatabase(databasePath(), config_.dbPassword, error_);
    return db_ != nullptr;
}

std::string Workspace::configHint() const {
    return firstStart_ ? missingConfigHint(config_, findConfigExample(programFolder_)) : "";
}

} // namespace lw
