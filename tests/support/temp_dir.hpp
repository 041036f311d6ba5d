#pragma once

#include <memory>
#include <string>

namespace lw {
class Database;
}

namespace lw::test {

// A fresh folder under the system's temporary folder, removed with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // path() + the system's separator + name.
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// A copy of the delivered database file in dir/TBData, as a data folder holds it.
std::string copyDeliveredDatabase(const std::string& dataFolder);
std::unique_ptr<Database> openTestDatabase(const std::string& path);
// Copies the delivered file into a data folder and opens it (with its upgrade).
std::unique_ptr<Database> makeTestDatabase(const std::string& dataFolder);

// A path in this system's own form, as the program shows the paths it was given
// (separators made "\" on Windows).
std::string nativePath(const std::string& path);

std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);
std::string testDataPath(const std::string& relative);
std::string testDatabasePassword();

} // namespace lw::test
