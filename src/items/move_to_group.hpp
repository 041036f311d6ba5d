#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lw {

class Database;
class Dialogs;

// The dialog "移动到组...": pick a Group (list kind 0) for the selected Item Links.
class MoveToGroupLogic {
public:
    static constexpr const char* kCaption = "移动到组...";
    static constexpr const char* kLabel = "请选择组:";

    // Handed over by the caller before showing.
    std::vector<std::int64_t> ids;
    int n = 0;

    // The drop-down list _Group: names (untrimmed) with their Uniqid as value.
    std::vector<std::string> names;
    std::vector<std::int64_t> values;
    int selected = -1;

    // When shown: fill the list and select its first entry.
    void onShown(Database& db);
    // "确定": true when the dialog closes with OK (the Item Links were moved).
    bool confirm(Database& db, Dialogs& dialogs);
    // Shows the dialog modally through the dialogs port; true on OK.
    bool run(Database& db, Dialogs& dialogs);
};

} // namespace lw
