#include "harvest/harvest_window.hpp"

#include "harvest/link_lines.hpp"
#include "net/relay.hpp"
#include "store/database.hpp"
#include "store/settings.hpp"
#include "store/text_routines.hpp"
#include "ui/dialogs.hpp"
#include "ui/event_pump.hpp"
#include "util/codec.hpp"
#include "util/encode.hpp"

#include <exception>

namespace lw {

std::string ListingAddress(std::string_view shopAddress) {
    return Trim(shopAddress) + "/page/offerlist.htm";
}

std::string ListingQuery(std::string_view keyword, int page) {
    std::string trimmed = Trim(keyword);
    // The site reads the keyword in its own code page.
    std::string bytes = Utf8ToGb18030(trimmed).value_or(trimmed);
    return "keywords=" + EncodeFormValue(bytes) +
           "&tradenumFilter=false&priceFilter=false&mixFilter=false&privateFilter=false"
           "&groupFilter=false&sortType=showcase&pageNum=" +
           std::to_string(page) + "#search-bar";
}

std::string CutShopAddress(std::string_view address) {
    std::string lowered = LowerAscii(address);
    size_t at = lowered.find(kShopDomain);
    if (at == std::string::npos || at == 0)
        return {};
    return lowered.substr(0, at + kShopDomain.size());
}

HttpOptions ListingFetchOptions() {
    return SyncGetOptions();
}

std::string FetchListingPage(const std::string& address, const std::string& query,
                             const HttpOptions& options) {
    // The synchronous GET, keeping the content type so the page can be decoded.
    std::string url = address + "?" + query;
    HttpClient client(options);
    HttpResult result = client.get(url);
    if (!result.ok())
        return "网络错误:" + result.error + "\r\n" + url;
    return DecodeListingPage(result.body, result.contentType);
}

TfrmFormAddURL::TfrmFormAddURL(HarvestPorts ports) : ports_(ports) {
    panel_.setCaption("正在搜索中");
}

TfrmFormAddURL::~TfrmFormAddURL() {
    stopTimer();
}

void TfrmFormAddURL::Prepare(const std::string& caption, std::int64_t targetGroup) {
    caption_ = caption;
    targetGroup_ = targetGroup;
    panelSearchVisible_ = true;
    result_ = Result::None;
    fieldsChanged.emit();
}

void TfrmFormAddURL::EnsureSettingsRows() {
    Database& db = ports_.db;
    auto missing = [&db](int nm) {
        Query q = db.query("select count(*) from _Parameter where NM=?", {std::int64_t{nm}});
        return q.first() == "0";
    };
    const char* insert = "insert into _Parameter(NM,ParaValue,ParaDesc) select ?,?,?";
    if (missing(12))
        db.exec(insert,
                {std::int64_t{12}, std::string("0"), std::string("添加阿里巴巴店铺地址-店铺类型")});
    if (missing(20)) {
        Transaction transaction(db);
        db.exec(insert, {std::int64_t{20}, std::string(), std::string("添加阿里巴巴店铺地址")});
        db.exec(insert,
                {std::int64_t{21}, std::string(), std::string("添加阿里巴巴店铺地址-关键字")});
        db.exec(insert,
                {std::int64_t{22}, std::string("0"), std::string("添加阿里巴巴店铺地址-店铺类型")});
        transaction.commit();
    }
}

void TfrmFormAddURL::FormShow() {
    EnsureSettingsRows();
    taobaoURL_ = Trim(GetParameter(ports_.db, 10));
    keyword_ = Trim(GetParameter(ports_.db, 11));
    // A search that ended in an error or stalled leaves nothing running behind the
    // panel; a new show starts without it.
    stopTimer();
    if (panel_.visible())
        panel_.hide();
    fieldsChanged.emit();
    url_.clear();
    urlReset.emit();
    URLChange();
}

void TfrmFormAddURL::SearchClick() {
    if (adding_)
        return;
    std::string address = CutShopAddress(taobaoURL_);
    if (address.empty()) {
        ports_.dialogs.message(
            "提示", "请输入正确的阿里巴巴店铺首页地址．(例:" + std::string(kExampleShop) + ")",
            Icon::Warning);
        focusRequested.emit(Control::TaobaoURL);
        return;
    }
    taobaoURL_ = address;
    fieldsChanged.emit();
    SetParameter(ports_.db, 10, address);
    SetParameter(ports_.db, 11, Trim(keyword_));

    panel_.clearCancel();
    search_ = SearchState{0, 0, 1};
    panel_.show("正在搜索中...");
    url_.clear();
    urlReset.emit();
    URLChange();
    startTimer();
}

std::string TfrmFormAddURL::PageAddress() const {
    return ListingAddress(taobaoURL_);
}

std::string TfrmFormAddURL::PageQuery() const {
    return ListingQuery(keyword_, search_.currentPage);
}

void TfrmFormAddURL::TimerTimer() {
    stopTimer();
    if (panel_.cancelled() || adding_)
        return;
    log_.append(PageAddress() + "?" + PageQuery());
    ProcessURL();
}

void TfrmFormAddURL::ProcessURL() {
    std::string address = PageAddress();
    std::string query = PageQuery();
    int page = search_.currentPage;
    fetching_ = true;
    std::string text = FetchListingPage(address, query, fetchOptions);
    fetching_ = false;

    size_t before = url_.lineCount();
    PageResult result = ProcessURL_HTML(
        text, search_, url_, [this](const std::string& caption) { panel_.setCaption(caption); },
        [this](const std::string& page) { log_.appendAlways(page); });
    const std::vector<std::string>& lines = url_.lines();
    for (size_t i = before; i < lines.size(); ++i)
        urlAppended.emit(lines[i]);
    if (lines.size() != before)
        URLChange();

    pageDone.emit(PageReport{page, address + "?" + query, url_.lineCount(), search_.offerCount,
                             search_.pageCount, result.outcome});
    finishPage(result);
}

void TfrmFormAddURL::finishPage(const PageResult& result) {
    Dialogs& dialogs = ports_.dialogs;
    switch (result.outcome) {
    case PageOutcome::NextPage:
        startTimer();
        return;
    case PageOutcome::NoResult:
    case PageOutcome::EmptySection:
        dialogs.message("提示", result.message, Icon::Information);
        panel_.hide();
        return;
    case PageOutcome::Stalled:
        return;
    case PageOutcome::Error:
        dialogs.message("错误", result.message, Icon::Error);
        return;
    case PageOutcome::Complete:
        break;
    }
    if (!dialogs.question("提示", result.message)) {
        panel_.hide();
        return;
    }
    try {
        AddStep();
    } catch (const std::exception& e) {
        // The lines added before the failing one stay; the panel stays until "取消".
        dialogs.message("错误", std::string(e.what()) + "\r\n", Icon::Error);
        return;
    }
    panel_.hide();
    close(Result::Ok);
}

void TfrmFormAddURL::AddStep() {
    // The box may change while events run; the step adds what it held at the start.
    std::vector<std::string> lines = url_.lines();
    EventPump pump(ports_.loop);
    adding_ = true;
    try {
        AddLinkLines(ports_.db, lines, targetGroup_, [&](int line, int count) {
            if (pump.due())
                pump.run();
            panel_.setCaption(AddProgressText(line, count));
        });
    } catch (...) {
        adding_ = false;
        throw;
    }
    adding_ = false;
}

void TfrmFormAddURL::StartDownloadClick() {
    if (adding_)
        return;
    std::vector<std::string> lines = url_.lines();
    LinkCheck check = ConfirmLinkLines(ports_.dialogs, lines, check_);
    // Auto-correct writes its lines back into the box, also when the check then fails.
    if (lines != url_.lines())
        replaceBox(lines);
    switch (check) {
    case LinkCheck::Empty:
    case LinkCheck::Malformed:
        focusRequested.emit(Control::URL);
        return;
    case LinkCheck::Declined:
        return;
    case LinkCheck::Confirmed:
        break;
    }
    // The window closes after the add step: a running search stops here.
    stopTimer();
    panel_.show(panel_.caption());
    AddStep();
    panel_.hide();
    close(Result::Ok);
}

void TfrmFormAddURL::Cancel2Click() {
    stopTimer();
    panel_.cancelClick();
}

void TfrmFormAddURL::RzBitBtn1Click() {
    // The add step closes the window itself once it is through.
    if (adding_)
        return;
    close(Result::Cancel);
}

void TfrmFormAddURL::URLEdited(std::string_view text) {
    url_.setText(text);
    URLChange();
}

void TfrmFormAddURL::URLChange() {
    statusText_ = "共 " + std::to_string(url_.lineCount()) + " 项";
    statusChanged.emit();
}

bool TfrmFormAddURL::FormKeyDown(bool ctrl, bool alt, int key) {
    if (ctrl && alt && (key == 'I' || key == 'i')) {
        log_.toggle();
        return true;
    }
    return false;
}

void TfrmFormAddURL::startTimer() {
    // One timer: enabling it again restarts it.
    stopTimer();
    timer_ = ports_.loop.startTimer(kTimerMs, [this] {
        timer_ = 0;
        TimerTimer();
    });
}

void TfrmFormAddURL::stopTimer() {
    if (timer_ != 0)
        ports_.loop.cancelTimer(timer_);
    timer_ = 0;
}

void TfrmFormAddURL::replaceBox(const std::vector<std::string>& lines) {
    url_.clear();
    for (const std::string& line : lines)
        url_.append(line);
    urlReset.emit();
    URLChange();
}

void TfrmFormAddURL::close(Result result) {
    stopTimer();
    result_ = result;
    closeRequested.emit();
}

} // namespace lw
