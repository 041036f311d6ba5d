#pragma once

#include "ui/dialogs.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lw {

class Database;

struct Group {
    std::int64_t id = 0;
    std::string name;
};

// The Groups of the list kind in TB_Groups. Every front end changes them through here,
// so the checks and what is stored are the same everywhere; the callers tell the user.
class GroupStore {
public:
    explicit GroupStore(Database& db) : db_(db) {}

    // In database order.
    std::vector<Group> list();
    // The Group of exactly this name.
    std::optional<std::int64_t> find(const std::string& name);
    bool exists(const std::string& name) { return find(name).has_value(); }

    // Names are trimmed; a name may not be empty, hold a "," (the picker joins its
    // names with it) or be another Group's.
    std::optional<Refusal> add(const std::string& name);
    std::optional<Refusal> rename(std::int64_t id, const std::string& newName);
    // Removes the Groups with all their Item Links, in one transaction; kNoGroup removes
    // the Item Links of no Group.
    void remove(const std::vector<std::int64_t>& ids);

private:
    Database& db_;
};

// The texts the Group commands report on success.
inline constexpr const char* kGroupAdded = "新建组完成,请确认.";
inline constexpr const char* kGroupRenamed = "修改组名完成,请确认.";
inline constexpr const char* kGroupsDeleted = "删除组完成,请确认.";

// The question before Groups are deleted with their Item Links.
std::string deleteGroupsQuestion(const std::string& names);

} // namespace lw
