#include "temp_dir.hpp"

#include "platform/platform.hpp"
#include "store/config.hpp"
#include "store/database.hpp"
#include "store/database_open.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace lw::test {

// A name nobody else has: create_directory fails for one that exists.
TempDir::TempDir() {
    static std::mt19937_64 random{std::random_device{}()};
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "listwright-test-%012llx",
                      static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
        std::error_code ec;
        if (fs::create_directory(base / name, ec)) {
            path_ = platform::fromPath(base / name);
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder in " + platform::fromPath(base));
}

TempDir::~TempDir() {
    std::error_code ec;
    const fs::path root = platform::toPath(path_);
    // Read-only files made by tests must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
         it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root, ec);
}

std::string TempDir::file(const std::string& name) const {
    return platform::joinPath(path_, name);
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

std::string nativePath(const std::string& path) {
    return platform::fromPath(platform::toPath(path).make_preferred());
}

std::string readFileBytes(const std::string& path) {
    std::ifstream in(platform::toPath(path), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
    fs::create_directories(platform::toPath(path).parent_path());
    std::ofstream out(platform::toPath(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string testDataPath(const std::string& relative) {
    return std::string(LISTWRIGHT_TEST_DATA) + "/" + relative;
}

} // namespace lw::test
