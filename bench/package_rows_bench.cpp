// Builds 1,000 package rows from one offer answer with 10 colours x 8 sizes, its
// property look-ups answered by relay-sim over HTTP (or from memory with "memory"),
// and reports rows and look-ups per second.
//   package_rows_bench [rows] [memory]
#include "net/relay.hpp"
#include "package/offer_process.hpp"
#include "package/package_row.hpp"
#include "package/property_mapping.hpp"
#include "package/relay_property_lookup.hpp"
#include "relay_sim.hpp"
#include "relay_sim_setup.hpp"
#include "store/config.hpp"
#include "store/database.hpp"
#include "ui/diagnostic_log.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace lw;

namespace {

const char* const kCid = "50000671";
const int kColours = 10;
const int kSizes = 8;

std::string colour(int i) {
    return "颜色" + std::to_string(i);
}
std::string size(int i) {
    return "尺码" + std::to_string(i);
}

std::string offerAnswer() {
    std::string colours, sizes;
    for (int i = 0; i < kColours; ++i)
        colours += colour(i) + "|";
    for (int i = 0; i < kSizes; ++i)
        sizes += size(i) + "|";
    colours.pop_back();
    sizes.pop_back();
    std::string details = "<p>";
    for (int i = 0; i < 200; ++i)
        details += "纯棉舒适 comfortable ";
    details += "</p>";
    return R"({"result":{"toReturn":[{"subject":"女式T恤","details":")" + details +
           R"(","offerId":1001,"priceRanges":[{"price":"12.50"}],"productFeatureList":[)"
           R"({"name":"产品类别","value":"T恤"},{"name":"适用性别","value":"女"},)"
           R"({"name":"材质","value":"棉"},{"name":"品牌","value":"花花公子"},)"
           R"({"name":"颜色","value":")" +
           colours + R"("},{"name":"尺码","value":")" + sizes +
           R"("}],"imageList":[{"originalImageURI":"http:\/\/img.example.com\/a.jpg"}]}]}})"
           "<auto_fill>no_mark</auto_fill><nick>店</nick>";
}

// The look-up tables of the offer above.
struct Tables {
    std::string props;
    std::string values;
};

Tables lookupTables() {
    Tables t;
    auto prop = [&](const std::string& name, const std::string& pid) {
        t.props += std::string(kCid) + "\t" + name + "\t" + pid + "\n";
    };
    auto value = [&](const std::string& pid, const std::string& name, const std::string& vid) {
        t.values += std::string(kCid) + "\t" + pid + "\t" + name + "\t" + vid + "\n";
    };
    prop("颜色", "1627207");
    prop("尺码", "20509");
    prop("材质", "20021");
    prop("品牌", "20000");
    value("20021", "棉", "105255");
    for (int i = 0; i < kColours; ++i)
        value("1627207", colour(i), std::to_string(28000 + i));
    for (int i = 0; i < kSizes; ++i)
        value("20509", size(i), std::to_string(29000 + i));
    return t;
}

// Counts the look-ups that pass through it.
class CountingLookup : public PropertyLookup {
public:
    explicit CountingLookup(PropertyLookup& inner) : inner_(inner) {}
    std::string propertyId(const std::string& cid, const std::string& name) override {
        ++count;
        return inner_.propertyId(cid, name);
    }
    ValueIds valueIds(const std::string& cid, const std::string& pid,
                      const std::string& name) override {
        ++count;
        return inner_.valueIds(cid, pid, name);
    }
    long count = 0;

private:
    PropertyLookup& inner_;
};

// Look-ups from the tables, in memory.
class MemoryLookup : public PropertyLookup {
public:
    explicit MemoryLookup(const Tables& t) {
        std::istringstream props(t.props), values(t.values);
        std::string a, b, c, d;
        while (std::getline(props, a, '\t') && std::getline(props, b, '\t') &&
               std::getline(props, c))
            props_[a + "\t" + b] = c;
        while (std::getline(values, a, '\t') && std::getline(values, b, '\t') &&
               std::getline(values, c, '\t') && std::getline(values, d))
            values_[a + "\t" + b + "\t" + c] = d;
    }
    std::string propertyId(const std::string& cid, const std::string& name) override {
        auto it = props_.find(cid + "\t" + name);
        return it == props_.end() ? std::string() : it->second;
    }
    ValueIds valueIds(const std::string& cid, const std::string& pid,
                      const std::string& name) override {
        auto it = values_.find(cid + "\t" + pid + "\t" + name);
        return it == values_.end() ? ValueIds{} : ValueIds{pid, it->second};
    }

private:
    std::map<std::string, std::string> props_, values_;
};

std::unique_ptr<Database> makeDatabase(const std::string& path) {
    std::ifstream in(LISTWRIGHT_SCHEMA_SQL, std::ios::binary);
    std::ostringstream schema;
    schema << in.rdbuf();
    std::string error;
    auto db = Database::create(path, "bench", error);
    if (!db || !(error = db->execScript(schema.str())).empty())
        throw std::runtime_error("cannot make the database: " + error);
    db->exec("insert into TB_Itemcats (cid,parent_cid,name,is_parent) values (16,0,'女装',1)");
    db->exec("insert into TB_Itemcats (cid,parent_cid,name,is_parent) values (?,16,'T恤',0)",
             {std::string(kCid)});
    return db;
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000;
    const bool inMemory = argc > 2 && std::string(argv[2]) == "memory";
    const fs::path folder = fs::temp_directory_path() / "listwright-rows-bench";
    fs::remove_all(folder);
    fs::create_directories(folder);

    const Tables tables = lookupTables();
    writeFile(folder / "props.tsv", tables.props);
    writeFile(folder / "propvalues.tsv", tables.values);
    relaysim::Server sim;
    const RelayContext app =
        makeRelayContext(test::startRelaySim(sim, folder.string(), {"bench", "bench", "bench"}));

    auto db = makeDatabase((folder / "bench.db").string());
    DiagnosticLog log;
    RelayPropertyLookup relay(app, log);
    MemoryLookup memory(tables);
    CountingLookup lookup(inMemory ? static_cast<PropertyLookup&>(memory)
                                   : static_cast<PropertyLookup&>(relay));
    const std::string answer = offerAnswer();
    OfferOptions options;
    options.preferredCid = "16";
    options.pictureFolder = (folder / "pictures").string();
    options.descriptionFolder = (folder / "pictures_DESC").string();
    lw::PackageRow row;

    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rows; ++i) {
        ProcessedOffer offer = processOffer(answer, options, {*db, log, lookup});
        for (const std::string& failure : offer.failures)
            std::fprintf(stderr, "%s\n", failure.c_str());
        row = buildPackageRow(offer.row);
        sim.clearRequests();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sim.stop();
    db.reset();
    fs::remove_all(folder);

    std::printf("look-ups answered:  %s\n", inMemory ? "from memory" : "by relay-sim over HTTP");
    std::printf("rows:               %d in %.2f s\n", rows, seconds);
    std::printf("rows per second:    %.1f\n", rows / seconds);
    std::printf("look-ups:           %ld (%.1f per row)\n", lookup.count,
                static_cast<double>(lookup.count) / rows);
    std::printf("look-ups per sec:   %.1f\n", lookup.count / seconds);
    // Every colour and size found: 4 plain features, 10 colours with 8 sizes each.
    // The num column (the tenth) counts them.
    const bool complete = row.size() > 9 && row[9] == "80";
    if (!complete)
        std::fprintf(stderr, "the row lacks its 80 SKU entries:\n%s\n",
                     packageRowLine(row).c_str());
    return complete ? 0 : 1;
}
