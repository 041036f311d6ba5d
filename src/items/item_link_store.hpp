#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lw {

class Database;
class ItemList;

// The Item Links of TB_URL by id. The main window's commands and the CLI change them
// through here; each change is one transaction.
class ItemLinkStore {
public:
    explicit ItemLinkStore(Database& db) : db_(db) {}

    // Tick marks; rows that already hold the value are left alone.
    void setTicked(const std::vector<std::int64_t>& ids, bool ticked);
    // The tick marks of every row of the list.
    void storeTicks(const ItemList& list);
    void remove(const std::vector<std::int64_t>& ids);
    void moveTo(const std::vector<std::int64_t>& ids, std::int64_t groupId);

private:
    Database& db_;
};

// The question before Item Links are deleted; firstAddress is shown when it is one.
std::string deleteItemsQuestion(std::size_t count, const std::string& firstAddress);
// The question and the report of a move to another Group.
std::string moveItemsQuestion(std::size_t count, const std::string& groupName);
std::string itemsMovedText(std::size_t count);

} // namespace lw
