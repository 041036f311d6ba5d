#include "store/config_file.hpp"

#include "platform/platform.hpp"
#include "store/text_routines.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;

namespace lw {
namespace {

struct IniLine {
    std::string text;
    std::string section; // lower case, of the section the line is in
    std::string key;     // lower case; empty when the line holds no key
};

// Where the comment after a value starts (a blank then ";" or "#"), as parseIni reads it.
size_t commentStart(const std::string& value) {
    size_t at = std::string::npos;
    for (const char* mark : {" ;", "\t;", " #", "\t#"})
        at = std::min(at, value.find(mark));
    return at;
}

std::vector<IniLine> splitIni(const std::string& text) {
    std::vector<IniLine> lines;
    std::string section;
    std::string body = text;
    if (!body.empty() && body.back() == '\n')
        body.pop_back();
    if (body.empty() && text.empty())
        return lines;
    for (std::string raw : splitText(body, "\n")) {
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        IniLine line{raw, section, {}};
        std::string t = trim(raw);
        if (t.rfind("\xEF\xBB\xBF", 0) == 0)
            t = trim(t.substr(3));
        if (t.empty() || t[0] == ';' || t[0] == '#') {
        } else if (t.front() == '[' && t.back() == ']') {
            section = lowerAscii(trim(t.substr(1, t.size() - 2)));
            line.section = section;
        } else if (size_t eq = t.find('='); eq != std::string::npos) {
            line.key = lowerAscii(trim(t.substr(0, eq)));
        }
        lines.push_back(line);
    }
    return lines;
}

std::string oneLine(const std::string& value) {
    return trim(replaceAll(replaceAll(value, "\r", " "), "\n", " "));
}

} // namespace

std::string setIniValues(const std::string& text, const std::vector<ConfigValue>& values) {
    const std::string eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::vector<IniLine> lines = splitIni(text);
    for (const auto& [name, rawValue] : values) {
        const size_t dot = name.find('.');
        const std::string section = lowerAscii(name.substr(0, dot));
        const std::string key = lowerAscii(name.substr(dot + 1));
        const std::string value = oneLine(rawValue);
        bool done = false;
        for (IniLine& line : lines) {
            if (line.section != section || line.key != key)
                continue;
            size_t eq = line.text.find('=');
            std::string rest = line.text.substr(eq + 1);
            size_t comment = commentStart(rest);
            line.text = line.text.substr(0, eq + 1) + " " + value +
                        (comment == std::string::npos ? "" : "  " + trim(rest.substr(comment)));
            done = true;
            break;
        }
        if (done)
            continue;
        // After the section's last key, or its header; a new section at the end.
        std::optional<size_t> after;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].section != section)
                continue;
            std::string t = trim(lines[i].text);
            if (!lines[i].key.empty() || (!t.empty() && t.front() == '['))
                after = i;
        }
        IniLine added{key + " = " + value, section, key};
        if (after) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*after + 1), added);
        } else {
            if (!lines.empty() && !trim(lines.back().text).empty())
                lines.push_back({"", lines.back().section, {}});
            lines.push_back({"[" + section + "]", section, {}});
            lines.push_back(added);
        }
    }
    std::string out;
    for (const IniLine& line : lines)
        out += line.text + eol;
    return out;
}

std::string writeConfigValues(const std::string& path, const std::vector<ConfigValue>& values) {
    std::string text;
    std::error_code ec;
    const fs::path file = platform::toPath(path);
    if (fs::exists(file, ec)) {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return "无法读取配置文件 " + path;
        std::ostringstream s;
        s << in.rdbuf();
        text = s.str();
    }
    fs::create_directories(file.parent_path(), ec);
    if (ec)
        return "无法创建文件夹 " + platform::fromPath(file.parent_path()) + ": " + ec.message();
    // Through a temporary file, so that a failed write leaves the old file whole.
    const std::string temp = path + ".part";
    {
        platform::WriteFile out(temp, platform::WriteFile::Mode::CreatePrivate);
        ec = out.openError();
        if (!ec)
            ec = out.writeAt(setIniValues(text, values), 0);
        if (!ec)
            ec = out.close();
    }
    if (!ec)
        ec = platform::renameReplacing(temp, path);
    if (ec) {
        std::error_code ignored;
        fs::remove(platform::toPath(temp), ignored);
        return "无法写入配置文件 " + path + ": " + ec.message();
    }
    return {};
}

std::string environmentNameOf(const std::string& key) {
    if (key == "relay.host")
        return "LISTWRIGHT_RELAY_HOST";
    if (key == "database.password")
        return "LISTWRIGHT_DB_PASSWORD";
    std::string name = "LISTWRIGHT_" + key.substr(key.find('.') + 1);
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return name;
}

std::string relayBaseAddress(const std::string& host) {
    std::string h = trim(host);
    std::string scheme = "http://";
    if (lowerAscii(h.substr(0, 8)) == "https://") {
        scheme = "https://";
        h.erase(0, 8);
    } else if (lowerAscii(h.substr(0, 7)) == "http://") {
        h.erase(0, 7);
    }
    while (!h.empty() && h.back() == '/')
        h.pop_back();
    return scheme + h;
}

std::string relayHostName(const std::string& host) {
    std::string h = relayBaseAddress(host);
    h.erase(0, h.find("://") + 3);
    h = h.substr(0, h.find('/'));
    if (!h.empty() && h.front() == '[')
        return lowerAscii(h.substr(1, h.find(']') - 1));
    return lowerAscii(h.substr(0, h.find(':')));
}

bool tokenTravelsInClear(const std::string& host) {
    if (trim(host).empty() || relayBaseAddress(host).rfind("https://", 0) == 0)
        return false;
    const std::string name = relayHostName(host);
    return !(name == "localhost" || name == "::1" || name.rfind("127.", 0) == 0);
}

} // namespace lw
