#include "harvest/harvest_window.hpp"

#include "harvest/link_lines.hpp"
#include "net/relay.hpp"
#include "store/database.hpp"
#include "store/settings.hpp"
#include "store/text_routines.hpp"
#include "ui/dialogs.hpp"
#include "ui/event_pump.hpp"
#include "ui/worker_wait.hpp"
#include "util/codec.hpp"
#include "util/encode.hpp"

#include <exception>
#include <optional>

namespace lw {

std::string listingAddress(std::string_view shopAddress) {
    return trim(shopAddress) + "/page/offerlist.htm";
}

std::string listingQuery(std::string_view keyword, int page) {
    std::string trimmed = trim(keyword);
    // The site reads the keyword in its own code page.
    std::string bytes = utf8ToGb18030(trimmed).value_or(trimmed);
    return "keywords=" + encodeFormValue(bytes) +
           "&tradenumFilter=false&priceFilter=false&mixFilter=false&privateFilter=false"
           "&groupFilter=false&sortType=showcase&pageNum=" +
           std::to_string(page) + "#search-bar";
}

std::string cutShopAddress(std::string_view address) {
    std::string lowered = lowerAscii(address);
    size_t at = lowered.find(kShopDomain);
    if (at == std::string::npos || at == 0)
        return {};
    return lowered.substr(0, at + kShopDomain.size());
}

HttpOptions listingFetchOptions() {
    return lookupHttpOptions();
}

namespace {

// What failed, in words; the library's own text follows in brackets.
std::string failureInWords(const HttpResult& result) {
    std::string words;
    bool timedOut = findNoCase(result.error, "timed out") != std::string::npos ||
                    findNoCase(result.error, "timeout") != std::string::npos;
    if (result.cancelled)
        words = "请求已取消";
    else if (result.tooLarge)
        words = "网页太大";
    else if (result.status == -1)
        words = timedOut ? "网站没有在时限内回答" : "没有得到网站的回答";
    else if (result.status < 200 || result.status >= 300)
        words = "网站回答 " + result.statusLine;
    else
        words = timedOut ? "网页没有读完,读取超时" : "网页没有读完";
    if (result.error != result.statusLine)
        words += " (" + result.error + ")";
    return "网络错误," + words;
}

} // namespace

ListingFetch fetchListing(const std::string& address, const std::string& query,
                          const HttpOptions& options, std::stop_token stop) {
    // The GET, keeping the content type so the page can be decoded.
    std::string url = address + "?" + query;
    HttpClient client(options);
    HttpResult result = client.get(url, std::move(stop));
    if (!result.ok())
        return {"网络错误:" + result.error + "\r\n" + url, failureInWords(result) + "\r\n" + url};
    if (result.body.empty())
        return {std::string(), "网站回答的网页是空的\r\n" + url};
    return {decodeListingPage(result.body, result.contentType), std::string()};
}

std::string fetchListingPage(const std::string& address, const std::string& query,
                             const HttpOptions& options) {
    return fetchListing(address, query, options).text;
}

HarvestWindowLogic::HarvestWindowLogic(HarvestPorts ports) : ports_(ports) {
    panel_.setCaption("正在搜索中");
}

HarvestWindowLogic::~HarvestWindowLogic() {
    stopTimer();
}

void HarvestWindowLogic::prepare(const std::string& caption, std::int64_t targetGroup) {
    caption_ = caption;
    targetGroup_ = targetGroup;
    panelSearchVisible_ = true;
    result_ = Result::None;
    fieldsChanged.emit();
}

void HarvestWindowLogic::ensureSettingsRows() {
    Database& db = ports_.db;
    auto missing = [&db](Setting setting) {
        Query q = db.query("select count(*) from _Parameter where NM=?", {settingNumber(setting)});
        return q.first() == "0";
    };
    const char* insert = "insert into _Parameter(NM,ParaValue,ParaDesc) select ?,?,?";
    if (missing(Setting::HarvestShopType))
        db.exec(insert, {settingNumber(Setting::HarvestShopType), std::string("0"),
                         std::string("添加阿里巴巴店铺地址-店铺类型")});
    if (missing(Setting::HarvestDefaultAddress)) {
        Transaction transaction(db);
        db.exec(insert, {settingNumber(Setting::HarvestDefaultAddress), std::string(),
                         std::string("添加阿里巴巴店铺地址")});
        db.exec(insert, {settingNumber(Setting::HarvestDefaultKeyword), std::string(),
                         std::string("添加阿里巴巴店铺地址-关键字")});
        db.exec(insert, {settingNumber(Setting::HarvestDefaultShopType), std::string("0"),
                         std::string("添加阿里巴巴店铺地址-店铺类型")});
        transaction.commit();
    }
}

void HarvestWindowLogic::onShown() {
    ensureSettingsRows();
    shopAddress_ = trim(readSetting(ports_.db, Setting::HarvestShopAddress));
    keyword_ = trim(readSetting(ports_.db, Setting::HarvestKeyword));
    // A search that ended in an error or stalled leaves nothing running behind the
    // panel; a new show starts without it.
    stopTimer();
    if (panel_.visible())
        panel_.hide();
    fieldsChanged.emit();
    url_.clear();
    urlReset.emit();
    updateStatusText();
}

void HarvestWindowLogic::startSearch() {
    if (adding_ || fetching_)
        return;
    std::string address = cutShopAddress(shopAddress_);
    if (address.empty()) {
        ports_.dialogs.message(
            "提示", "请输入正确的阿里巴巴店铺首页地址．(例:" + std::string(kExampleShop) + ")",
            Icon::Warning);
        focusRequested.emit(Control::ShopAddress);
        return;
    }
    shopAddress_ = address;
    fieldsChanged.emit();
    writeSetting(ports_.db, Setting::HarvestShopAddress, address);
    writeSetting(ports_.db, Setting::HarvestKeyword, trim(keyword_));

    panel_.clearCancel();
    search_ = SearchState{0, 0, 1, 0};
    searchEnd_ = SearchEnd::None;
    panel_.show("正在搜索中...");
    url_.clear();
    urlReset.emit();
    updateStatusText();
    startTimer();
}

std::string HarvestWindowLogic::pageAddress() const {
    return listingAddress(shopAddress_);
}

std::string HarvestWindowLogic::pageQuery() const {
    return listingQuery(keyword_, search_.currentPage);
}

void HarvestWindowLogic::fetchNextPage() {
    stopTimer();
    if (panel_.cancelled() || adding_)
        return;
    log_.append(pageAddress() + "?" + pageQuery());
    fetchCurrentPage();
}

void HarvestWindowLogic::fetchCurrentPage() {
    std::string address = pageAddress();
    std::string query = pageQuery();
    int page = search_.currentPage;
    fetching_ = true;
    // The page comes on a worker while the window goes on; 取消 or closing the window
    // ends the wait and the search with it, without a message.
    std::optional<ListingFetch> waited = waitForWorker<ListingFetch>(
        ports_.loop,
        [address, query, options = fetchOptions](std::stop_token stop) {
            return fetchListing(address, query, options, stop);
        },
        [this] { return panel_.cancelled() || result_ != Result::None; });
    fetching_ = false;
    if (!waited)
        return;
    const ListingFetch& fetched = *waited;

    size_t before = url_.lineCount();
    PageResult result;
    if (fetched.failure.empty()) {
        result = readListingPage(
            fetched.text, search_, url_,
            [this](const std::string& caption) { panel_.setCaption(caption); },
            [this](const std::string& page) { log_.appendAlways(page); });
    } else {
        // A page that never arrived is no page without offers: it is told as such.
        log_.appendAlways(fetched.text);
        result = readUnreadablePage(fetched.failure, search_, url_);
    }
    const std::vector<std::string>& lines = url_.lines();
    for (size_t i = before; i < lines.size(); ++i)
        urlAppended.emit(lines[i]);
    if (lines.size() != before)
        updateStatusText();

    pageDone.emit(PageReport{page, address + "?" + query, url_.lineCount(), search_.offerCount,
                             search_.pageCount, result.outcome});
    finishPage(result);
}

void HarvestWindowLogic::finishPage(const PageResult& result) {
    Dialogs& dialogs = ports_.dialogs;
    switch (result.outcome) {
    case PageOutcome::NextPage:
        startTimer();
        return;
    case PageOutcome::NoResult:
    case PageOutcome::EmptySection:
        searchEnd_ = SearchEnd::Found;
        dialogs.message("提示", result.message, Icon::Information);
        panel_.hide();
        return;
    case PageOutcome::Failed:
        searchEnd_ = SearchEnd::Failed;
        dialogs.message("提示", result.message, Icon::Error);
        panel_.hide();
        return;
    case PageOutcome::Stalled:
        searchEnd_ = SearchEnd::Stalled;
        return;
    case PageOutcome::Error:
        searchEnd_ = SearchEnd::Error;
        dialogs.message("错误", result.message, Icon::Error);
        return;
    case PageOutcome::Complete:
        searchEnd_ = SearchEnd::Found;
        break;
    case PageOutcome::Short:
        searchEnd_ = SearchEnd::Short;
        break;
    }
    if (!dialogs.question("提示", result.message)) {
        panel_.hide();
        return;
    }
    try {
        addAndClose();
    } catch (const std::exception& e) {
        // The lines added before the failing one stay; the panel stays until "取消".
        dialogs.message("错误", std::string(e.what()) + "\r\n", Icon::Error);
        return;
    }
}

void HarvestWindowLogic::addAndClose() {
    // Links are never added to a Group that is not there (deleted meanwhile, or none
    // was given): they would show in no list and block later adds of the same offers.
    Query group = ports_.db.query("select count(*) from TB_Groups where Uniqid=?", {targetGroup_});
    if (group.first() == "0") {
        panel_.hide();
        ports_.dialogs.message("提示", "要添加到的组不存在,请在主界面选择一个组后再添加.",
                               Icon::Warning);
        return;
    }
    addLinesToGroup();
    panel_.hide();
    tellSkippedLinks(ports_.db, ports_.dialogs, lastAdd_, targetGroup_, offerMoves);
    close(Result::Ok);
}

void HarvestWindowLogic::addLinesToGroup() {
    // The box may change while events run; the step adds what it held at the start.
    std::vector<std::string> lines = url_.lines();
    EventPump pump(ports_.loop);
    adding_ = true;
    lastAdd_ = {};
    try {
        lastAdd_ = addLinkLines(ports_.db, lines, targetGroup_, [&](int line, int count) {
            if (pump.due())
                pump.run();
            panel_.setCaption(addProgressText(line, count));
        });
    } catch (...) {
        adding_ = false;
        throw;
    }
    adding_ = false;
}

void HarvestWindowLogic::addLinks() {
    if (adding_)
        return;
    std::vector<std::string> lines = url_.lines();
    LinkCheck check = confirmLinkLines(ports_.dialogs, lines, check_);
    // Auto-correct writes its lines back into the box, also when the check then fails.
    if (lines != url_.lines())
        replaceBox(lines);
    switch (check) {
    case LinkCheck::Empty:
    case LinkCheck::Malformed:
        focusRequested.emit(Control::LinkBox);
        return;
    case LinkCheck::Declined:
        return;
    case LinkCheck::Confirmed:
        break;
    }
    // The window closes after the add step: a running search stops here.
    stopTimer();
    panel_.show(panel_.caption());
    addAndClose();
}

void HarvestWindowLogic::cancelSearch() {
    stopTimer();
    panel_.cancelClick();
}

void HarvestWindowLogic::closeWindow() {
    // The add step closes the window itself once it is through.
    if (adding_)
        return;
    close(Result::Cancel);
}

void HarvestWindowLogic::onLinkBoxEdited(std::string_view text) {
    url_.setText(text);
    updateStatusText();
}

void HarvestWindowLogic::updateStatusText() {
    statusText_ = "共 " + std::to_string(url_.lineCount()) + " 项";
    statusChanged.emit();
}

bool HarvestWindowLogic::handleKey(bool ctrl, bool alt, int key) {
    if (ctrl && alt && (key == 'I' || key == 'i')) {
        log_.toggle();
        return true;
    }
    return false;
}

void HarvestWindowLogic::startTimer() {
    // One timer: enabling it again restarts it.
    stopTimer();
    timer_ = ports_.loop.startTimer(kTimerMs, [this] {
        timer_ = 0;
        fetchNextPage();
    });
}

void HarvestWindowLogic::stopTimer() {
    if (timer_ != 0)
        ports_.loop.cancelTimer(timer_);
    timer_ = 0;
}

void HarvestWindowLogic::replaceBox(const std::vector<std::string>& lines) {
    url_.clear();
    for (const std::string& line : lines)
        url_.append(line);
    urlReset.emit();
    updateStatusText();
}

void HarvestWindowLogic::close(Result result) {
    stopTimer();
    result_ = result;
    closeRequested.emit();
}

} // namespace lw
