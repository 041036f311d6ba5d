#include "package/pending_row.hpp"

#include "platform/platform.hpp"
#include "store/database.hpp"
#include "store/settings.hpp"

#include <cstdlib>
#include <filesystem>

namespace lw {

void rememberPendingRow(Database& db, const std::string& file, bool fileExists) {
    long long size = -1;
    if (fileExists)
        size = platform::regularFileSize(file).value_or(-1);
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
        if (std::optional<std::int64_t> size = platform::regularFileSize(file)) {
            std::error_code ec;
            if (before < 0) {
                done = std::filesystem::remove(platform::toPath(file), ec)
                           ? "已删除上次未写完的数据包文件 " + file
                           : "无法删除上次未写完的数据包文件 " + file;
            } else if (*size > before) {
                done = !platform::resizeFile(file, before)
                           ? "已去掉数据包中上次未写完的一行: " + file
                           : "无法去掉数据包中上次未写完的一行: " + file;
            }
        }
        // The new-file writer's half-made file.
        std::error_code ec;
        std::filesystem::remove(platform::toPath(file + ".part"), ec);
    }
    forgetPendingRow(db);
    return done;
}

} // namespace lw
