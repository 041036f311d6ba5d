// Appends 10,000 rows of 20 KB to one package file and compares the time of the last
// 100 appends with the first 100: appending must not grow with the file.
//   package_append_bench [rows] [folder]
#include "package/package_file.hpp"
#include "package/package_row.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
    const fs::path folder = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path();
    const int window = 100;
    if (rows < 2 * window) {
        std::fprintf(stderr, "at least %d rows\n", 2 * window);
        return 2;
    }
    const std::string file = (folder / "listwright-append-bench.csv").string();
    fs::remove(file);

    // 50 fields, some Chinese, 20 KB of UTF-8 in all.
    lw::PackageRow row;
    std::size_t bytes = 0;
    for (int i = 0; i < lw::kPackageColumnCount; ++i) {
        row.push_back("\"宝贝描述 description " + std::to_string(i) + "\"");
        bytes += row.back().size() + 1;
    }
    while (bytes < 20 * 1024) {
        row.back() += "<p>纯棉舒适 comfortable</p>";
        bytes += 30;
    }

    std::string failure = lw::appendPackageRow(row, file, lw::kNewPackageFile);
    std::vector<double> ms;
    ms.reserve(rows);
    for (int i = 0; i < rows && failure.empty(); ++i) {
        auto start = std::chrono::steady_clock::now();
        failure = lw::appendPackageRow(row, file, lw::kExistingPackageFile);
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    const auto size = fs::file_size(file);
    fs::remove(file);
    if (!failure.empty()) {
        std::fprintf(stderr, "append failed: %s\n", failure.c_str());
        return 1;
    }
    double first = 0, last = 0;
    for (int i = 0; i < window; ++i) {
        first += ms[i];
        last += ms[ms.size() - window + i];
    }
    const double ratio = last / first;
    std::printf("rows appended:          %d (file %.1f MB)\n", rows, size / 1048576.0);
    std::printf("first %d appends:      %.3f ms (%.3f ms each)\n", window, first, first / window);
    std::printf("last %d appends:       %.3f ms (%.3f ms each)\n", window, last, last / window);
    std::printf("ratio last/first:       %.2f (goal < 2)\n", ratio);
    return ratio < 2 ? 0 : 1;
}
