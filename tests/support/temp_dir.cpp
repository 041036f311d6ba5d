#include "temp_dir.hpp"

#include "store/config.hpp"
#include "store/database.hpp"
#include "store/database_open.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace lw::test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "listwright-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Read-only files made by tests must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
         it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string testDatabasePassword() {
    return LISTWRIGHT_TEST_DB_PASSWORD;
}

std::string copyDeliveredDatabase(const std::string& dataFolder) {
    std::string error = ensureDatabaseFile(dataFolder, LISTWRIGHT_DELIVERED_DB);
    if (!error.empty())
        throw std::runtime_error(error);
    return databasePathIn(dataFolder);
}

std::unique_ptr<Database> openTestDatabase(const std::string& path) {
    std::string error;
    auto db = Database::open(path, testDatabasePassword(), error);
    if (!db)
        throw std::runtime_error(error);
    upgradeItemTable(*db);
    return db;
}

std::unique_ptr<Database> makeTestDatabase(const std::string& dataFolder) {
    return openTestDatabase(copyDeliveredDatabase(dataFolder));
}

std::string readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string testDataPath(const std::string& relative) {
    return std::string(LISTWRIGHT_TEST_DATA) + "/" + relative;
}

} // namespace lw::test
