#include "package/package_row.hpp"

namespace lw {
namespace {

using V = PackageRowValues;

const std::array<PackageColumn, kPackageColumnCount> kColumns = {{
    {"title", "宝贝名称", true, &V::title, nullptr, false},
    {"cid", "宝贝类目", false, &V::cid, nullptr, false},
    {"seller_cids", "店铺类目", true, nullptr, "0", false},
    {"stuff_status", "新旧程度", false, nullptr, "1", false},
    {"location_state", "省", true, nullptr, "", false},
    {"location_city", "城市", true, nullptr, "", false},
    {"item_type", "出售方式", false, nullptr, "1", false},
    {"price", "宝贝价格", false, &V::price, nullptr, false},
    {"auction_increment", "加价幅度", false, nullptr, "0", false},
    {"num", "宝贝数量", false, &V::num, nullptr, true},
    {"valid_thru", "有效期", false, nullptr, "7", false},
    {"freight_payer", "运费承担", false, nullptr, "2", false},
    {"post_fee", "平邮", false, nullptr, "10", false},
    {"ems_fee", "EMS", false, nullptr, "40", false},
    {"express_fee", "快递", false, nullptr, "10", false},
    {"has_invoice", "发票", false, nullptr, "0", false},
    {"has_warranty", "保修", false, nullptr, "0", false},
    {"approve_status", "放入仓库", false, nullptr, "2", false},
    {"has_showcase", "橱窗推荐", false, nullptr, "0", false},
    {"list_time", "开始时间", true, nullptr, "", true},
    {"description", "宝贝描述", true, &V::description, nullptr, false},
    {"cateProps", "宝贝属性", true, &V::cateProps, nullptr, true},
    {"postage_id", "邮费模版ID", false, nullptr, "0", false},
    {"has_discount", "会员打折", false, nullptr, "0", false},
    {"modified", "修改时间", true, nullptr, "", false},
    {"upload_fail_msg", "上传状态", false, nullptr, "", false},
    {"picture_status", "图片状态", false, &V::pictureStatus, nullptr, false},
    {"auction_point", "返点比例", false, nullptr, "", false},
    {"picture", "新图片", true, &V::picture, nullptr, false},
    {"video", "视频", true, nullptr, "", true},
    {"skuProps", "销售属性组合", true, &V::skuProps, nullptr, false},
    {"inputPids", "用户输入ID串", true, &V::inputPids, nullptr, false},
    {"inputValues", "用户输入名-值对", true, &V::inputValues, nullptr, false},
    {"outer_id", "商家编码", true, &V::outerId, nullptr, false},
    {"propAlias", "销售属性别名", true, &V::propAlias, nullptr, false},
    {"auto_fill", "代充类型", true, &V::autoFill, nullptr, false},
    {"num_id", "数字ID", true, &V::numId, nullptr, true},
    {"local_cid", "本地ID", false, nullptr, "0", false},
    {"navigation_type", "宝贝分类", false, nullptr, "", false},
    {"user_name", "用户名称", false, &V::userName, nullptr, false},
    {"syncStatus", "宝贝状态", false, nullptr, "1", false},
    {"is_lighting_consigment", "闪电发货", false, nullptr, "28", false},
    {"is_xinpin", "新品", false, nullptr, "220", false},
    {"foodparame", "食品专项", false, nullptr, "", false},
    {"features", "尺码库", true, &V::features, nullptr, false},
    {"global_stock_type", "库存类型", false, &V::globalStockType, nullptr, false},
    {"sub_stock_type", "库存计数", false, &V::subStockType, nullptr, false},
    {"item_size", "物流体积", false, &V::itemSize, nullptr, false},
    {"item_weight", "物流重量", false, &V::itemWeight, nullptr, false},
    {"sell_promise", "退换货承诺", false, &V::sellPromise, nullptr, false},
}};

} // namespace

const std::array<PackageColumn, kPackageColumnCount>& packageColumns() {
    return kColumns;
}

std::string packageColumnValue(const PackageColumn& column, const PackageRowValues& values) {
    return column.value ? values.*column.value : std::string(column.fixed);
}

std::string fieldText(std::string_view value, bool keepLineBreaks) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        const bool lineBreak = c == '\r' || c == '\n';
        out += c == '\t' || (!keepLineBreaks && lineBreak) ? ' ' : c;
        // The importer ends a quoted field at a quote before a line break; a blank
        // between them is harmless in HTML.
        if (c == '"' && keepLineBreaks && i + 1 < value.size() &&
            (value[i + 1] == '\r' || value[i + 1] == '\n'))
            out += ' ';
    }
    return out;
}

PackageRow buildPackageRow(const PackageRowValues& values) {
    PackageRow row;
    row.reserve(kColumns.size());
    for (const PackageColumn& c : kColumns) {
        std::string field = fieldText(packageColumnValue(c, values), c.value == &V::description);
        row.push_back(c.quoted ? '"' + field + '"' : field);
    }
    return row;
}

std::string packageRowLine(const PackageRow& row) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0)
            line += '\t';
        line += fieldText(row[i], true);
    }
    return line;
}

std::vector<std::string> packageHeaderLines() {
    std::string version = "version 1.00";
    std::string english;
    std::string chinese;
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        if (i > 0) {
            version += '\t';
            english += '\t';
            chinese += '\t';
        }
        english += kColumns[i].english;
        chinese += kColumns[i].chinese;
    }
    return {version, english, chinese};
}

std::vector<std::string> packageRowLogLines(const PackageRowValues& values) {
    std::vector<std::string> lines;
    for (const PackageColumn& c : kColumns) {
        lines.push_back(std::string(c.english) + ":" + packageColumnValue(c, values));
        if (c.groupEnd)
            lines.push_back("---------");
    }
    return lines;
}

} // namespace lw
