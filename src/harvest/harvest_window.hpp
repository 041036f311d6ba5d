#pragma once

#include "harvest/link_box.hpp"
#include "harvest/link_lines.hpp"
#include "harvest/listing_page.hpp"
#include "net/http_client.hpp"
#include "ui/event_loop.hpp"
#include "ui/main_state.hpp"
#include "ui/signal.hpp"

#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>

namespace lw {

class Database;
class Dialogs;

// What the harvest window reaches the outside through.
struct HarvestPorts {
    Database& db;
    Dialogs& dialogs;
    EventLoop& loop;
};

// One fetched listing page, as the search went on.
struct PageReport {
    int page = 0;        // the page number that was fetched
    std::string address; // address + "?" + query
    size_t lines = 0;    // Link Lines in the box after the page
    int offerCount = 0;  // as the site reports it
    int pageCount = 0;   // as the site reports it
    PageOutcome outcome = PageOutcome::Stalled;
};

// The listing page request: "/page/offerlist.htm" behind the trimmed shop address.
std::string listingAddress(std::string_view shopAddress);
// The listing page query; the keyword is trimmed and sent as its GBK bytes, form-encoded.
std::string listingQuery(std::string_view keyword, int page);
// The shop address cut after the site's domain (lower-cased); empty when the address
// holds no text before the domain.
std::string cutShopAddress(std::string_view address);

// One listing page as fetched.
struct ListingFetch {
    // The page as program text, decoded from the charset the answer declares (GBK when
    // none), or "网络错误:" + the failure + CR LF + the full address when it failed.
    std::string text;
    // Empty when a page arrived; else why not, in words, with the full address.
    std::string failure;
};
ListingFetch fetchListing(const std::string& address, const std::string& query,
                          const HttpOptions& options, std::stop_token stop = {});
// The text of fetchListing.
std::string fetchListingPage(const std::string& address, const std::string& query,
                             const HttpOptions& options);
// The settings of the fetch: a new client per page, no cookies, read time-out 3500 ms.
HttpOptions listingFetchOptions();

// The harvest window HarvestWindowLogic: a shop's offer-list pages into Link Lines of its
// link box, and the link box into Item Links of the target Group. Created once and
// shown modally any number of times; views bind to the signals and forward the user's
// actions to the handlers, all on the UI thread.
class HarvestWindowLogic {
public:
    enum class Result { None, Ok, Cancel };
    // How the last search ended.
    enum class SearchEnd {
        None,    // not ended yet (or never started, or cancelled)
        Found,   // every offer the site reported was read (also when it reports none)
        Short,   // a page could not be read after others had given lines
        Failed,  // a page could not be read and nothing was found
        Stalled, // the site's counts left the search without an end
        Error,   // the error box
    };
    enum class Control { ShopAddress, LinkBox };
    static constexpr int kTimerMs = 200;

    explicit HarvestWindowLogic(HarvestPorts ports);
    ~HarvestWindowLogic();
    HarvestWindowLogic(const HarvestWindowLogic&) = delete;
    HarvestWindowLogic& operator=(const HarvestWindowLogic&) = delete;

    // The page fetch's client settings (tests shorten the time-out).
    HttpOptions fetchOptions = listingFetchOptions();
    // Whether offers found in other Groups are offered to be moved here (else only told).
    bool offerMoves = true;

    // Opening: caption, target Group (Uniqid, 0 when none), search bar shown. The view
    // then runs onShown and shows the window modally until closeRequested.
    void prepare(const std::string& caption, std::int64_t targetGroup);

    // Controls.
    const std::string& caption() const { return caption_; }
    std::int64_t targetGroup() const { return targetGroup_; }
    bool panelSearchVisible() const { return panelSearchVisible_; } // _PanelSearch
    const std::string& shopAddress() const { return shopAddress_; } // _TaobaoURL
    void setShopAddress(const std::string& text) { shopAddress_ = text; }
    const std::string& keyword() const { return keyword_; } // _Keyword
    void setKeyword(const std::string& text) { keyword_ = text; }
    const LinkBox& url() const { return url_; } // _URL
    bool check() const { return check_; }       // _check
    void setCheck(bool on) { check_ = on; }
    ProgressPanel& panel() { return panel_; } // _ProcessPanel, _lblCaption
    const ProgressPanel& panel() const { return panel_; }
    DiagnosticLog& log() { return log_; } // _Debug
    const DiagnosticLog& log() const { return log_; }
    const std::string& statusText() const { return statusText_; } // _StatusBar

    // Search state.
    const SearchState& search() const { return search_; }
    bool timerEnabled() const { return timer_ != 0; } // _Timer
    // A page is due or being fetched.
    bool searching() const { return timerEnabled() || fetching_; }
    bool adding() const { return adding_; }
    Result modalResult() const { return result_; }
    SearchEnd searchEnd() const { return searchEnd_; }
    // What the last add step did.
    const LinkAddResult& lastAdd() const { return lastAdd_; }

    // Handlers.
    void onShown();
    void startSearch();      // _Search "搜索"
    void fetchNextPage();    // _Timer: the next page
    void fetchCurrentPage(); // fetch the current page and act on it
    void addLinks();         // _StartDownload "添加至下载源"
    void cancelSearch();     // the panel's "取消"
    void closeWindow();      // "取消" of the bottom row, Esc, or the frame's close
    void onLinkBoxEdited(std::string_view text); // the user changed the link box
    void updateStatusText();                     // _URLChange: the status text
    bool handleKey(bool ctrl, bool alt, int key);

    // The request of the current page.
    std::string pageAddress() const;
    std::string pageQuery() const;

    // Caption, search bar, shop address, keyword or auto-correct changed by the logic.
    Signal<> fieldsChanged;
    // The search appended one line to the link box.
    Signal<const std::string&> urlAppended;
    // The logic cleared or replaced the link box.
    Signal<> urlReset;
    Signal<> statusChanged;
    Signal<Control> focusRequested;
    // The window closes with modalResult().
    Signal<> closeRequested;
    // A page was fetched and read (before its messages are shown).
    Signal<const PageReport&> pageDone;

private:
    void ensureSettingsRows();
    void startTimer();
    void stopTimer();
    void finishPage(const PageResult& result);
    // The add step over every line of the box; rethrows a database error.
    void addLinesToGroup();
    // The add step, then what it skipped told (and the move offered); closes with OK.
    void addAndClose();
    void replaceBox(const std::vector<std::string>& lines);
    void close(Result result);

    HarvestPorts ports_;
    std::string caption_;
    std::int64_t targetGroup_ = 0;
    bool panelSearchVisible_ = false;
    std::string shopAddress_;
    std::string keyword_;
    LinkBox url_;
    bool check_ = true;
    ProgressPanel panel_;
    DiagnosticLog log_;
    std::string statusText_ = "共 0 项";
    SearchState search_;
    TimerId timer_ = 0;
    bool fetching_ = false;
    bool adding_ = false;
    Result result_ = Result::None;
    SearchEnd searchEnd_ = SearchEnd::None;
    LinkAddResult lastAdd_;
};

} // namespace lw
