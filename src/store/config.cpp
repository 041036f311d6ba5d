#include "store/config.hpp"

#include "platform/platform.hpp"
#include "store/config_file.hpp"
#include "store/text_routines.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

namespace fs = std::filesystem;

namespace lw {
namespace {

std::string env(const char* name) {
    return platform::environment(name).value_or("");
}

std::string readFile(const std::string& path, bool& ok) {
    std::ifstream in(platform::toPath(path), std::ios::binary);
    ok = static_cast<bool>(in);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

std::string defaultDatabasePassword() {
#ifdef LISTWRIGHT_DEFAULT_DB_PASSWORD
    return LISTWRIGHT_DEFAULT_DB_PASSWORD;
#else
    return {};
#endif
}

std::string Config::missingRelayValue() const {
    const std::tuple<const std::string*, const char*, const char*> required[] = {
        {&relayHost, "host", "地址"},
        {&appKey, "app_key", "App Key"},
        {&accessToken, "access_token", "Access Token"},
        {&accountCode, "account_code", "账户代码"},
    };
    for (const auto& [value, key, label] : required) {
        if (trim(*value).empty())
            return "还没有填写 Relay 的" + std::string(label) +
                   "。请在 工具 → \"Relay 设置...\" 中填写（命令行: listwright-cli config set "
                   "relay." +
                   key + " 值），设置保存在 " + fileToWrite() + "。";
    }
    return {};
}

std::map<std::string, std::string> parseIni(const std::string& text) {
    std::map<std::string, std::string> values;
    std::string section;
    std::string body = text;
    if (body.rfind("\xEF\xBB\xBF", 0) == 0)
        body.erase(0, 3);
    for (const std::string& raw : splitText(body, "\n")) {
        std::string line = trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = lowerAscii(trim(line.substr(1, line.size() - 2)));
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = lowerAscii(trim(line.substr(0, eq)));
        std::string value = line.substr(eq + 1);
        // A comment after the value needs a blank before it, so values may hold ";".
        for (const char* mark : {" ;", "\t;", " #", "\t#"}) {
            size_t c = value.find(mark);
            if (c != std::string::npos)
                value.erase(c);
        }
        value = trim(value);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        values[section.empty() ? key : section + "." + key] = value;
    }
    return values;
}

std::string userConfigFolder() {
    return platform::userConfigFolder();
}

std::string userDataFolder() {
    return platform::userDataFolder();
}

Config loadConfig(const std::string& programFolder, const std::string& explicitFile) {
    Config config;
    config.dbPassword = defaultDatabasePassword();
    std::vector<std::string> candidates;
    if (!explicitFile.empty())
        candidates.push_back(explicitFile);
    else if (!env("LISTWRIGHT_CONFIG").empty())
        candidates.push_back(env("LISTWRIGHT_CONFIG"));
    else {
        candidates.push_back(platform::joinPath(programFolder, "listwright.conf"));
        candidates.push_back(platform::joinPath(userConfigFolder(), "listwright.conf"));
    }
    config.expectedFile = candidates.back();
    for (const std::string& path : candidates) {
        bool ok = false;
        std::string text = readFile(path, ok);
        if (!ok)
            continue;
        config.sourceFile = path;
        auto values = parseIni(text);
        config.fileValues = values;
        auto take = [&](const char* key, std::string& into) {
            auto it = values.find(key);
            if (it != values.end())
                into = it->second;
        };
        take("relay.host", config.relayHost);
        take("relay.app_key", config.appKey);
        take("relay.access_token", config.accessToken);
        take("relay.account_code", config.accountCode);
        take("database.password", config.dbPassword);
        break;
    }
    auto over = [&config](const char* key, std::string& into) {
        if (auto v = platform::environment(environmentNameOf(key).c_str())) {
            into = *v;
            config.fromEnvironment.insert(key);
        }
    };
    over("relay.host", config.relayHost);
    over("relay.app_key", config.appKey);
    over("relay.access_token", config.accessToken);
    over("relay.account_code", config.accountCode);
    over("database.password", config.dbPassword);
    return config;
}

std::string resolveDataFolder(const std::string& programFolder, const std::string& explicitDir) {
    if (!explicitDir.empty())
        return explicitDir;
    if (!env("LISTWRIGHT_DATA_DIR").empty())
        return env("LISTWRIGHT_DATA_DIR");
    std::error_code ec;
    if (fs::is_directory(platform::toPath(platform::joinPath(programFolder, "TBData")), ec))
        return programFolder;
    return userDataFolder();
}

std::string databasePathIn(const std::string& dataFolder) {
    return platform::joinPath(platform::joinPath(dataFolder, "TBData"), "TBDataPlover2.db");
}

// The Windows installer puts the file itself beside the program: a TBData folder there
// would make the install portable.
std::string findDeliveredDatabase(const std::string& programFolder) {
    std::error_code ec;
    for (const std::string& candidate :
         {programFolder + "/TBData/TBDataPlover2.db", programFolder + "/TBDataPlover2.db",
          programFolder + "/../share/listwright/TBDataPlover2.db",
          std::string("/usr/share/listwright/TBDataPlover2.db")}) {
        fs::path path = platform::toPath(candidate);
        if (fs::is_regular_file(path, ec))
            return platform::fromPath(fs::weakly_canonical(path, ec).make_preferred());
    }
    return {};
}

std::string ensureDatabaseFile(const std::string& dataFolder, const std::string& deliveredFile) {
    std::string target = databasePathIn(dataFolder);
    std::error_code ec;
    if (fs::exists(platform::toPath(target), ec))
        return {};
    if (deliveredFile.empty())
        return "找不到随程序提供的数据库文件 TBDataPlover2.db";
    fs::path folder = platform::toPath(target).parent_path();
    fs::create_directories(folder, ec);
    if (ec)
        return "无法创建数据文件夹 " + platform::fromPath(folder) + ": " + ec.message();
    // Copy under a temporary name so an interrupted copy never looks like a database.
    std::string temp = target + ".part";
    fs::copy_file(platform::toPath(deliveredFile), platform::toPath(temp),
                  fs::copy_options::overwrite_existing, ec);
    if (!ec)
        ec = platform::renameReplacing(temp, target);
    if (ec) {
        std::error_code ignored;
        fs::remove(platform::toPath(temp), ignored);
        return "无法复制数据库文件到 " + target + ": " + ec.message();
    }
    fs::permissions(platform::toPath(target), fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::add, ec);
    return {};
}

std::string executableFolder() {
    return platform::programFolder();
}

} // namespace lw
