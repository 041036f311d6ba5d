#pragma once

#include <memory>
#include <string>

namespace lw {
class Database;
}

namespace lw::bench {

// A copy of the delivered database in a fresh temporary folder, holding `links` Item
// Links spread over a few Groups. The folder is removed with the object.
class BenchDatabase {
public:
    explicit BenchDatabase(int links);
    ~BenchDatabase();
    Database& db() { return *db_; }
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
    std::unique_ptr<Database> db_;
};

// Resident set size now and at its peak, in MiB (Linux /proc/self/status).
double CurrentRssMiB();
double PeakRssMiB();

} // namespace lw::bench
