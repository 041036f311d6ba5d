#pragma once

// A benchmark database: a copy of the delivered file in a fresh temporary folder,
// holding a number of Item Links spread over a few Groups. Header only, so every
// benchmark stays one program.
#include "store/config.hpp"
#include "store/database.hpp"
#include "store/database_open.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

namespace lw::bench {

class BenchDatabase {
public:
    explicit BenchDatabase(int links) {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / "listwright-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        folder_ = pattern;
        std::string error = ensureDatabaseFile(folder_, LISTWRIGHT_DELIVERED_DB);
        if (!error.empty())
            throw std::runtime_error(error);
        db_ = Database::open(databasePathIn(folder_), LISTWRIGHT_BENCH_DB_PASSWORD, error);
        if (!db_)
            throw std::runtime_error(error);
        upgradeItemTable(*db_);
        Transaction t(*db_);
        constexpr int kGroups = 8;
        for (int g = 0; g < kGroups; ++g)
            db_->exec("insert into TB_Groups(GroupName,Tag) select ?,0",
                      {"分组" + std::to_string(g + 1)});
        for (int i = 0; i < links; ++i) {
            std::string id = std::to_string(500000000 + i);
            db_->exec("insert into TB_URL(tag,uGroup,num_iid,detail_url,title,SaleNum,SalePrice,"
                      "bcheck) select 0,?,?,?,?,?,?,?",
                      {std::int64_t{i % kGroups + 1}, id,
                       "http://detail.1688.com/offer/" + id + ".html",
                       "2024新款韩版修身显瘦雪纺连衣裙 夏季女装 第" + std::to_string(i) + "款",
                       std::int64_t{i % 5000}, 19.9 + (i % 300), std::int64_t{i % 7 == 0}});
        }
        t.commit();
    }
    ~BenchDatabase() {
        db_.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    BenchDatabase(const BenchDatabase&) = delete;
    BenchDatabase& operator=(const BenchDatabase&) = delete;

    Database& db() { return *db_; }
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
    std::unique_ptr<Database> db_;
};

// Resident set size now and at its peak, in MiB (Linux /proc/self/status).
inline double statusValueMiB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    std::string prefix = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0)
            return std::atof(line.c_str() + prefix.size()) / 1024.0;
    return 0;
}
inline double currentRssMiB() {
    return statusValueMiB("VmRSS");
}
inline double peakRssMiB() {
    return statusValueMiB("VmHWM");
}

} // namespace lw::bench
