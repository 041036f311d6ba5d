#pragma once

#include "catalog/mapping_entry.hpp"
#include "ui/dialogs.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lw {

class Database;

// What an import of mapping lines did: the rows stored and, when it stopped early, why.
struct MappingImport {
    int count = 0;
    int skipped = 0; // lines whose category and gender a row already has
    std::string error;
};

// TB_Mapping, the table that maps an Alibaba product category and gender to a Taobao
// category name. The mapping editor and the CLI change it through here.
class MappingTable {
public:
    explicit MappingTable(Database& db) : db_(db) {}

    // Every row, texts trimmed, in database order.
    std::vector<MappingRow> list();
    // Adds a row (id 0) or changes the row with that id. Texts are trimmed; the category
    // must not be empty and category + gender must not be another row's.
    std::optional<Refusal> save(std::int64_t id, const std::string& category,
                                const std::string& gender, const std::string& taobaoName);
    void remove(const std::vector<std::int64_t>& ids);
    // The lines of an import file: the first is the title, blank lines are skipped, each
    // other line holds three comma-separated fields. A line whose key (as save() tests
    // it) a row already has is skipped, so importing a file twice adds nothing the
    // second time. One transaction; the lines before a failing line are kept. progress gets the
    // line number and the number of lines.
    MappingImport importLines(const std::vector<std::string>& lines,
                              const std::function<void(size_t, size_t)>& progress = {});

private:
    Database& db_;
};

// The report of an import, as the editor shows it.
Refusal mappingImportReport(const MappingImport& import);
// The question before rows are deleted; firstCategory is shown when it is one.
std::string deleteMappingsQuestion(std::size_t count, const std::string& firstCategory);

} // namespace lw
