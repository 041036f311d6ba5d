#include "package/pending_row.hpp"

#include "store/database.hpp"
#include "store/settings.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace lw {

void rememberPendingRow(Database& db, const std::string& file, bool fileExists) {
    long long size = -1;
    struct stat info {};
    if (fileExists && ::stat(file.c_str(), &info) == 0)
        size = static_cast<long long>(info.st_size);
    Transaction t(db);
    forgetPendingRow(db);
    db.exec("insert into _Parameter(NM,ParaValue,ParaDesc) select ?,?,?",
            {settingNumber(Setting::PendingPackageRow), std::to_string(size) + "\t" + file,
             "未完成的数据包行"});
    t.commit();
}

void forgetPendingRow(Database& db) {
    db.exec("delete from _Parameter where NM=?", {settingNumber(Setting::PendingPackageRow)});
}

std::string repairPendingRow(Database& db) {
    std::string value = readSetting(db, Setting::PendingPackageRow);
    if (value.empty())
        return {};
    std::string done;
    size_t tab = value.find('\t');
    if (tab != std::string::npos) {
        long long before = std::atoll(value.substr(0, tab).c_str());
        std::string file = value.substr(tab + 1);
        struct stat info {};
        if (::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            long long size = static_cast<long long>(info.st_size);
            if (before < 0) {
                done = std::remove(file.c_str()) == 0 ? "已删除上次未写完的数据包文件 " + file
                                                      : "无法删除上次未写完的数据包文件 " + file;
            } else if (size > before) {
                done = ::truncate(file.c_str(), static_cast<off_t>(before)) == 0
                           ? "已去掉数据包中上次未写完的一行: " + file
                           : "无法去掉数据包中上次未写完的一行: " + file;
            }
        }
        // The new-file writer's half-made file.
        std::error_code ec;
        std::filesystem::remove(file + ".part", ec);
    }
    forgetPendingRow(db);
    return done;
}

} // namespace lw
