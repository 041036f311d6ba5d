#pragma once

#include "harvest/site.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lw {

class Database;
class Dialogs;

// A Link Line taken apart: an offer address alone, or address,title,sales,price as the
// listing page parser writes it.
struct LinkLine {
    std::string id;      // the offer id (num_iid)
    std::string address; // detail_url
    std::string title;
    std::string sales = "0";
    std::string price = "0";
};
// L is the trimmed line.
LinkLine parseLinkLine(const std::string& line);

// The lines of the link box (split at line breaks, CR LF or LF).
std::vector<std::string> splitLinkBox(const std::string& text);

// Auto-correct: a line without "," that holds an offer id between the prefix and ".html"
// becomes prefix + id + ".html"; other lines stay.
void autoCorrectLinkLines(std::vector<std::string>& lines);

// The format check: one entry "第 i 行:" + line + CR LF CR LF per bad line; empty when
// every line passes. A line passes when its offer id is digits.
std::string checkLinkLines(const std::vector<std::string>& lines);

// What the add button's checks decided.
enum class LinkCheck {
    Empty,     // nothing to add (message shown; focus the link box)
    Malformed, // bad lines (message shown; focus the link box)
    Declined,  // the user answered No
    Confirmed, // run the add step
};
// The add button ("添加至下载源") up to the add step: empty box, auto-correct (when on,
// changing lines in place), format check and the confirmation.
LinkCheck confirmLinkLines(Dialogs& dialogs, std::vector<std::string>& lines, bool autoCorrect);

// An Item Link that holds an offer the add step was given, in another Group.
struct ExistingLink {
    std::int64_t uniqid = 0;
    std::int64_t group = 0;
    std::string groupName; // empty when its Group is gone
};

struct LinkAddResult {
    int added = 0;
    int skipped = 0;  // every line not added: empty, refused, or the offer already stored
    int inTarget = 0; // offers already in the target Group
    int refused = 0;  // lines whose offer id is not digits
    std::vector<ExistingLink> elsewhere; // offers stored in other Groups, each link once
};
// The add step: every line in order, skipping empty lines, lines without an offer id of
// digits and offer ids that are already an Item Link of the list kind; inserts into the
// target Group. progress runs before each line with its number (from 1) and the line
// count. Runs in one transaction; a database error keeps the lines added before it and
// is rethrown.
LinkAddResult addLinkLines(Database& db, const std::vector<std::string>& lines,
                           std::int64_t targetGroup,
                           const std::function<void(int line, int count)>& progress = {});

// "正在添加至下载源...(i/n)"
std::string addProgressText(int line, int count);

// "添加 N 个，已存在于其他组 M 个 (组名、...)", with the offers already in the target
// Group and the refused lines when there are any.
std::string linkAddReport(const LinkAddResult& result);

// After the add step: when offers were found in other Groups or lines were refused, says
// so; offers in other Groups are then offered to be moved into the target Group (when
// offerMove; a Yes moves them). Returns the number of Item Links moved.
std::size_t tellSkippedLinks(Database& db, Dialogs& dialogs, const LinkAddResult& result,
                             std::int64_t targetGroup, bool offerMove = true);

} // namespace lw
