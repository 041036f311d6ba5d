#pragma once

#include "package/property_mapping.hpp"
#include "platform/platform.hpp"
#include "store/text_routines.hpp"

#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace lw::test {

// Property look-ups answered from the tables the relay simulator serves
// (props.tsv: cid, name, pid; propvalues.tsv: cid, pid, name, vid). Records every
// look-up so tests can count them.
class TableLookup : public PropertyLookup {
public:
    TableLookup() = default;
    TableLookup(const std::string& propsFile, const std::string& valuesFile) {
        for (const auto& f : readTsv(propsFile))
            addProperty(f.at(0), f.at(1), f.at(2));
        for (const auto& f : readTsv(valuesFile))
            addValue(f.at(0), f.at(1), f.at(2), f.at(3));
    }

    void addProperty(const std::string& cid, const std::string& name, const std::string& pid) {
        props_[{cid, name}] = pid;
    }
    void addValue(const std::string& cid, const std::string& pid, const std::string& name,
                  const std::string& vid) {
        values_[{cid, pid, name}] = vid;
    }

    std::string propertyId(const std::string& cid, const std::string& name) override {
        calls.push_back("prop " + cid + " " + name);
        auto it = props_.find({cid, name});
        return it == props_.end() ? std::string() : it->second;
    }
    ValueIds valueIds(const std::string& cid, const std::string& pid,
                      const std::string& name) override {
        calls.push_back("value " + cid + " " + pid + " " + name);
        auto it = values_.find({cid, pid, name});
        if (it == values_.end())
            return {};
        return {pid, it->second};
    }

    std::vector<std::string> calls;

private:
    static std::vector<std::vector<std::string>> readTsv(const std::string& path) {
        std::ifstream in(platform::toPath(path));
        if (!in)
            throw std::runtime_error("cannot read " + path);
        std::vector<std::vector<std::string>> rows;
        std::string line;
        while (std::getline(in, line))
            if (!line.empty())
                rows.push_back(splitText(line, "\t"));
        return rows;
    }

    std::map<std::tuple<std::string, std::string>, std::string> props_;
    std::map<std::tuple<std::string, std::string, std::string>, std::string> values_;
};

} // namespace lw::test
