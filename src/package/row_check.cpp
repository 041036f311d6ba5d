#include "package/row_check.hpp"

#include "package/package_check.hpp"
#include "package/package_names.hpp"
#include "platform/platform.hpp"
#include "store/database.hpp"
#include "store/text_routines.hpp"
#include "util/codec.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace lw {
namespace {

// Column positions, as packageColumns() lists them.
constexpr std::size_t kTitle = 0;
constexpr std::size_t kCid = 1;
constexpr std::size_t kPrice = 7;
constexpr std::size_t kNum = 9;
constexpr std::size_t kDescription = 20;
constexpr std::size_t kPicture = 28;
constexpr std::size_t kSkuProps = 30;
constexpr std::size_t kPropAlias = 34;

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(platform::toPath(path), ec);
}

// Taobao takes prices below 100 000 000 yuan.
bool beyondTaobaoPrices(const std::string& amount) {
    std::string whole = amount.substr(0, amount.find('.'));
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    return whole.size() > 8;
}

// Digits with at most one point, above zero.
bool isPositiveAmount(const std::string& text) {
    bool digit = false;
    bool point = false;
    bool nonZero = false;
    for (char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digit = true;
            nonZero = nonZero || c != '0';
        } else {
            return false;
        }
    }
    return digit && nonZero;
}

// A picture column name that stays inside the picture folder.
bool isPlainName(const std::string& name) {
    return !name.empty() && name.find_first_of("/\\:") == std::string::npos &&
           name.find_first_not_of('.') != std::string::npos;
}

// Whether file lies right inside one of the folders (the package's picture folders).
bool insideFolders(const std::string& file, const std::vector<std::string>& folders) {
    std::error_code ec;
    const std::filesystem::path path =
        std::filesystem::absolute(platform::toPath(file), ec).lexically_normal();
    if (ec)
        return false;
    for (const std::string& folder : folders) {
        const std::filesystem::path inside =
            std::filesystem::absolute(platform::toPath(folder), ec).lexically_normal();
        if (!ec && path.parent_path() == inside && isPlainName(platform::fromPath(path.filename())))
            return true;
    }
    return false;
}

// Colours whose look-ups gave one value id: the alias entries "pid:vid:name" that share
// a pair, each pair with its names as "name,name".
std::vector<std::pair<std::string, std::string>> sameColourIds(const std::string& propAlias) {
    std::vector<std::pair<std::string, std::vector<std::string>>> byPair;
    for (const std::string& entry : splitText(propAlias, ";")) {
        std::vector<std::string> parts = splitText(entry, ":");
        if (parts.size() < 3)
            continue;
        const std::string pair = parts[0] + ":" + parts[1];
        const std::string name = entry.substr(pair.size() + 1);
        auto it = std::find_if(byPair.begin(), byPair.end(),
                               [&](const auto& p) { return p.first == pair; });
        if (it == byPair.end())
            byPair.push_back({pair, {name}});
        else
            it->second.push_back(name);
    }
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& [pair, names] : byPair) {
        if (names.size() < 2)
            continue;
        std::string text;
        for (const std::string& name : names)
            text += (text.empty() ? "" : ",") + name;
        out.push_back({pair, text});
    }
    return out;
}

// Sizes whose look-ups gave one value id: a size pair that comes twice with the same
// colour among the SKU entries ("price:quantity::sizePid:sizeVid;colourPid:colourVid;"),
// a colour that shares its id with another one left out (it is reported as such).
std::vector<std::string> sameSizeIds(const std::string& skuProps,
                                     const std::set<std::string>& sharedColours) {
    std::vector<std::string> pieces = splitText(skuProps, ";");
    std::set<std::string> seen;
    std::vector<std::string> out;
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
        const std::size_t mark = pieces[i].find("::");
        if (mark == std::string::npos)
            continue;
        const std::string size = pieces[i].substr(mark + 2);
        if (sharedColours.count(pieces[i + 1]))
            continue;
        if (!seen.insert(size + ";" + pieces[i + 1]).second &&
            std::find(out.begin(), out.end(), size) == out.end())
            out.push_back(size);
    }
    return out;
}

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : ",") + item;
    return out;
}

// The picture column's entries: "name:1:position:|;" (main) and "name:2:...|;".
struct PictureReference {
    std::string name;
    bool main = false;
};

std::vector<PictureReference> pictureReferences(const std::string& column) {
    std::vector<PictureReference> out;
    for (const std::string& entry : splitText(column, ";")) {
        std::string piece = trim(entry);
        if (piece.empty())
            continue;
        std::vector<std::string> parts = splitText(piece, ":");
        out.push_back({parts[0], parts.size() > 1 && parts[1] == "1"});
    }
    return out;
}

} // namespace

std::string RowProblems::text() const {
    std::string out;
    if (!errors.empty())
        out = "错误:" + joined(errors);
    if (!warnings.empty())
        out += (out.empty() ? "" : ";") + std::string("警告:") + joined(warnings);
    return out;
}

CategoryTree readCategoryTree(Database& db) {
    CategoryTree tree;
    for (Query q = db.query("select cid,is_parent from TB_Itemcats"); !q.eof(); q.next()) {
        std::string cid = trim(q.text("cid"));
        tree.all.insert(cid);
        if (q.text("is_parent") == "0")
            tree.leaves.insert(cid);
    }
    tree.known = !tree.all.empty();
    return tree;
}

std::vector<std::string> localDescriptionFiles(const std::string& description) {
    std::vector<std::string> files;
    const std::string marker = "file://";
    const std::string lower = lowerAscii(description);
    std::size_t from = 0;
    while (true) {
        std::size_t at = lower.find(marker, from);
        if (at == std::string::npos)
            return files;
        std::size_t start = at + marker.size();
        // The reference ends where its attribute's quote closes (a path may hold blanks
        // and the other quote), or, unquoted, at a blank or the tag's end.
        const char before = at > 0 ? description[at - 1] : ' ';
        std::size_t end = before == '"' || before == '\''
                              ? description.find_first_of(std::string(1, before) + "<>\r\n", start)
                              : description.find_first_of(" \t<>\r\n", start);
        std::string path = description.substr(start, end == std::string::npos ? end : end - start);
        // A picture's address may carry a query after the local name.
        path = path.substr(0, path.find_first_of("?#"));
        // "file:///C:\..." names a drive.
        if (path.size() >= 3 && path[0] == '/' && path[2] == ':' &&
            std::isalpha(static_cast<unsigned char>(path[1])))
            path.erase(0, 1);
        if (!path.empty())
            files.push_back(path);
        from = start;
    }
}

RowProblems checkRowFields(const std::vector<std::string>& values, const CategoryTree& tree,
                           const std::string& pictureFolder) {
    RowProblems p;
    auto value = [&values](std::size_t column) {
        return column < values.size() ? trim(values[column]) : std::string();
    };

    const std::string title = value(kTitle);
    if (title.empty())
        p.errors.push_back("标题为空");
    const std::string price = value(kPrice);
    if (!isPositiveAmount(price))
        p.errors.push_back(price.empty() ? "价格不是正数" : "价格不是正数(" + price + ")");
    else if (beyondTaobaoPrices(price))
        p.errors.push_back("价格超过淘宝上限(" + price + "),应低于100000000元");
    // Taobao Assistant uploads what a row names: a name or reference that leads out of
    // the package's folders is not followed.
    const std::vector<std::string> folders = {pictureFolder, pictureFolder + "_DESC"};
    for (const std::string& file : localDescriptionFiles(value(kDescription))) {
        if (!insideFolders(file, folders))
            p.errors.push_back("描述图片不在数据包的文件夹中:" + file);
        else if (!fileExists(file))
            p.errors.push_back("描述图片文件不存在:" + file);
    }
    const std::vector<PictureReference> pictures = pictureReferences(value(kPicture));
    for (const PictureReference& picture : pictures) {
        if (!isPlainName(picture.name)) {
            p.errors.push_back("图片名不是文件名:" + picture.name);
            continue;
        }
        std::string file = pictureFilePath(pictureFolder, picture.name);
        if (!fileExists(file))
            p.errors.push_back("图片文件不存在:" + file);
    }

    // Taobao refuses an offer's SKUs when two of its values share an id.
    std::set<std::string> sharedColours;
    for (const auto& [pair, names] : sameColourIds(value(kPropAlias))) {
        p.errors.push_back("颜色值ID重复:" + names);
        sharedColours.insert(pair);
    }
    for (const std::string& pair : sameSizeIds(value(kSkuProps), sharedColours))
        p.errors.push_back("尺码值ID重复:" + pair);

    const std::string cid = value(kCid);
    if (cid.empty() || cid == "0")
        p.warnings.push_back("类目为0");
    else if (tree.known && !tree.leaves.count(cid))
        p.warnings.push_back("类目" + cid + "不是类目树的末级类目");
    const std::string num = value(kNum);
    if (num.empty() || num == "0")
        p.warnings.push_back("数量为0");
    std::size_t bytes = utf8ToGb18030(title).value_or(title).size();
    if (bytes > kMaxTitleBytes)
        p.warnings.push_back("标题超过60字节(" + std::to_string(bytes) + "字节)");
    bool mainPicture = false;
    for (const PictureReference& picture : pictures)
        mainPicture = mainPicture || picture.main;
    if (!mainPicture)
        p.warnings.push_back("没有主图");
    return p;
}

std::string rowLineProblem(std::string_view line) {
    const std::vector<PackageFileRow> records = splitPackageRecords(line);
    if (records.size() > 1)
        return "导入时被读成" + std::to_string(records.size()) + "行";
    const std::size_t fields = records.empty() ? 0 : records[0].fields.size();
    if (fields != static_cast<std::size_t>(kPackageColumnCount))
        return "有" + std::to_string(fields) + "个字段,应为" + std::to_string(kPackageColumnCount) +
               "个";
    return {};
}

RowProblems checkRowValues(const PackageRowValues& row, const CategoryTree& tree,
                           const std::string& pictureFolder) {
    const std::string line = packageRowLine(buildPackageRow(row));
    const std::string problem = rowLineProblem(line);
    if (problem.empty())
        return checkRowFields(splitPackageRecords(line)[0].fields, tree, pictureFolder);
    std::vector<std::string> values;
    for (const PackageColumn& column : packageColumns())
        values.push_back(packageColumnValue(column, row));
    RowProblems p = checkRowFields(values, tree, pictureFolder);
    p.errors.insert(p.errors.begin(), problem);
    return p;
}

} // namespace lw
