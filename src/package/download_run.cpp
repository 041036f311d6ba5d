#include "package/download_run.hpp"

#include "items/item_list.hpp"
#include "package/lookup_memory.hpp"
#include "package/package_check.hpp"
#include "package/package_file.hpp"
#include "package/package_names.hpp"
#include "package/package_path.hpp"
#include "package/package_row.hpp"
#include "package/pending_row.hpp"
#include "package/relay_property_lookup.hpp"
#include "platform/platform.hpp"
#include "store/database.hpp"
#include "store/text_routines.hpp"
#include "ui/clock.hpp"
#include "ui/desktop.hpp"
#include "ui/dialogs.hpp"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>

namespace lw {
namespace {

constexpr const char* kCaption = "正在处理中...";
constexpr const char* kStartQuestion = "是否开始下载勾选的宝贝?";
constexpr const char* kPagePriceWarning =
    "\r\n\r\n警告:勾选了采用页面价格,下载时,宝贝的价格将会统一处理成列表中的页面价格(含SKU价格)";

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(platform::toPath(path), ec);
}

bool folderExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(platform::toPath(path), ec);
}

void makeFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directory(platform::toPath(path), ec);
}

CheckState checkStateOf(const RowProblems& problems) {
    if (!problems.errors.empty())
        return CheckState::Errors;
    return problems.warnings.empty() ? CheckState::Passed : CheckState::Warnings;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yoe = year - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::int64_t secondsOf(const LocalDateTime& t) {
    return daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::string durationText(int seconds) {
    if (seconds < 60)
        return std::to_string(seconds) + " 秒";
    std::string text;
    if (seconds >= 3600)
        text = std::to_string(seconds / 3600) + " 小时 ";
    return text + std::to_string(seconds % 3600 / 60) + " 分 " + std::to_string(seconds % 60) +
           " 秒";
}

// The reason of an offer's failure on one line, without the "下载失败." heading.
std::string failureReason(const std::string& text) {
    std::string reason = text;
    if (reason.rfind(kOfferErrorPrefix, 0) == 0)
        reason.erase(0, std::string(kOfferErrorPrefix).size());
    return trim(replaceAll(replaceAll(reason, "\r\n", " "), "\n", " "));
}

} // namespace

DownloadRun::DownloadRun(Ports ports, MainState& state, ItemList& list, const Config& config)
    : ports_(ports), state_(state), list_(list), app_(makeRelayContext(config)), http_(ports.loop) {
    configureOfferComponent(http_);
    http_.onDone = [this](AsyncHttpRequest&, const std::string& contentType, std::int64_t size,
                          MemoryStream& stream) { onOfferAnswer(contentType, size, stream); };
    http_.onHostUnreachable = [this](AsyncHttpRequest&) {
        transportError_ = "无法连接服务器或等待应答超时";
    };
    http_.onHttpError = [this](AsyncHttpRequest&, int status, MemoryStream&) {
        transportError_ = "HTTP错误 " + std::to_string(status);
    };
    http_.onConnectionLost = [this](AsyncHttpRequest&, const std::string&, std::int64_t size,
                                    std::int64_t read, MemoryStream&) {
        transportError_ =
            "连接中断,只收到 " + std::to_string(read) + "/" + std::to_string(size) + " 字节";
    };
    http_.onAnyError = [this](AsyncHttpRequest&) { transportFailure(); };
}

DownloadRun::~DownloadRun() {
    if (timer_)
        ports_.loop.cancelTimer(timer_);
    for (auto& job : jobs_)
        job->stop();
    jobs_.clear();
}

std::string DownloadRun::packagePath() const {
    return trim(state_.saveFile);
}

int DownloadRun::firstTickedIndex() const {
    return list_.firstTicked();
}

int DownloadRun::currentIndex() const {
    return list_.indexOfUniqid(currentUniqid_);
}

std::string DownloadRun::captionBase() const {
    return std::string(kCaption) + "(" + std::to_string(ordinal_) + "/" + std::to_string(total_) +
           ")";
}

void DownloadRun::armTimer() {
    timer_ = ports_.loop.startTimer(timerIntervalMs, [this] {
        timer_ = 0;
        requestNextOffer();
    });
}

bool DownloadRun::holdRunLock() {
    if (runLock_)
        return true;
    const std::string database = ports_.db.path();
    if (database.empty())
        return true;
    auto lock = std::make_unique<platform::FileLock>(database + ".run-lock");
    if (!lock->isHeld()) {
        ports_.dialogs.message(
            "提示", "另一个下载正在进行(同一个数据文件夹),请等它结束后再开始下载.", Icon::Warning);
        return false;
    }
    runLock_ = std::move(lock);
    return true;
}

bool DownloadRun::startDownload() {
    if (state_.panel.visible())
        return false;
    // Before the pending row is repaired: that row may be another run's, being written.
    if (!holdRunLock())
        return false;
    // A run that does not start keeps no lock.
    struct ReleaseUnlessRunning {
        DownloadRun& run;
        ~ReleaseUnlessRunning() {
            if (run.outcome_ != RunOutcome::Running)
                run.runLock_.reset();
        }
    } release{*this};
    Dialogs& dialogs = ports_.dialogs;
    // A row left half-done by a sudden end goes before anything looks at the file.
    std::string repaired = repairPendingRow(ports_.db);
    if (!repaired.empty())
        state_.log.appendAlways(repaired);
    state_.panel.clearCancel();
    // Jobs of a cancelled offer may still be ending: none of their messages counts now.
    stopJobs();
    ++offerSerial_;

    awaitingAnswer_ = false;
    lookupsSent_ = 0;
    lookupMemory_.emplace(ports_.db, dayNumber(ports_.clock.now()), lookupMemoryDays(ports_.db));
    failedOffers_.clear();
    incompleteOffers_.clear();
    rowChecks_.clear();
    picturesFailed_ = 0;
    endedAt_.reset();
    int index = firstTickedIndex();
    if (index < 0) {
        dialogs.message("提示", "请勾选要下载的宝贝.", Icon::Warning);
        return false;
    }
    std::string folder = folderOfPath(state_.saveFile);
    if (!folderExists(folder)) {
        dialogs.message("提示", "\"" + folder + "\"文件夹不存在,请重新配置\"保存文件位置\".",
                        Icon::Error);
        return false;
    }
    std::string file = packagePath();
    pictureFolder_ = pictureFolderOf(file);
    descriptionFolder_ = descriptionFolderOf(file);
    makeFolder(pictureFolder_);
    makeFolder(descriptionFolder_);
    // Half-written pictures of a run that ended suddenly.
    removeUnfinishedPictures(pictureFolder_);
    removeUnfinishedPictures(descriptionFolder_);

    std::string question = kStartQuestion;
    if (state_.pagePrice)
        question += kPagePriceWarning;
    if (priceRule.active())
        question += "\r\n\r\n" + priceRuleCaption(priceRule);
    if (!dialogs.question("提示", question))
        return false;

    if (fileExists(file)) {
        const std::string& shown = state_.saveFile;
        switch (dialogs.fileExists("\"" + shown + "\"文件已存在,请选择要做的操作？")) {
        case FileExistsChoice::Cancel:
            return false;
        case FileExistsChoice::Overwrite: {
            if (!dialogs.confirmDestructive("提示", "再次确认,是否覆盖文件：\"" + shown + "\"?"))
                return false;
            std::error_code ec;
            std::filesystem::remove(platform::toPath(file), ec);
            if (ec || fileExists(file)) {
                dialogs.message(
                    "提示", "\"" + shown + "\",另外一个程序正在使用此文件,进程无法访问．请关闭.",
                    Icon::Error);
                return false;
            }
            break;
        }
        case FileExistsChoice::NewFile: {
            std::string name = folderOfPath(file) + "淘宝助理数据包_" +
                               formatDateTime(ports_.clock.now(), "yymmddhhnn") + ".csv";
            if (!dialogs.question("提示", "再次确认,是否建立新文件：\"" + name + "\"?"))
                return false;
            // Only the box changes; setting 500 keeps the old path.
            state_.saveFile = name;
            state_.optionsChanged.emit();
            pictureFolder_ = pictureFolderOf(name);
            descriptionFolder_ = descriptionFolderOf(name);
            makeFolder(pictureFolder_);
            makeFolder(descriptionFolder_);
            break;
        }
        case FileExistsChoice::Append: {
            // Appending destroys nothing: the choice itself is the answer. Only a whole
            // package takes rows; an empty file becomes one.
            const std::string problem = packageAppendProblem(file);
            if (!problem.empty()) {
                dialogs.message("提示", problem, Icon::Error);
                return false;
            }
            break;
        }
        }
    }

    // The first ticked item may have changed while the questions were open.
    index = firstTickedIndex();
    if (index < 0) {
        dialogs.message("提示", "请勾选要下载的宝贝.", Icon::Warning);
        return false;
    }
    currentUniqid_ = list_.row(index).uniqid;
    ordinal_ = 1;
    total_ = static_cast<int>(list_.tickedIndexes().size());
    rowsWritten_ = 0;
    startedAt_ = ports_.clock.now();
    outcome_ = RunOutcome::Running;
    state_.panel.show(captionBase());
    offerIds_.clear();
    for (const ItemRow& row : list_.rows())
        offerIds_.push_back(trim(row.sub[kSubNumIid]));
    categoryTree_ = readCategoryTree(ports_.db);
    armTimer();
    return true;
}

void DownloadRun::requestNextOffer() {
    if (outcome_ != RunOutcome::Running)
        return;
    reapJobs();
    if (cancelled()) {
        finish(RunOutcome::Cancelled);
        return;
    }
    int index = currentIndex();
    if (index < 0) {
        // The row left the list (reloaded): go on with the first ticked one.
        index = firstTickedIndex();
        if (index < 0) {
            state_.panel.hide();
            finish(RunOutcome::Completed);
            return;
        }
        currentUniqid_ = list_.row(index).uniqid;
    }
    ++offerSerial_;
    completing_ = false;
    heldOffer_.reset();
    transportError_.clear();
    list_.setState(index, kStateDownloading, kIconDownloading);
    offerId_ = textBetween(list_.row(index).sub[kSubUrl], "/offer/", ".html");
    // A request still out belongs to a run that was cancelled: its answer is not wanted.
    if (http_.started() && !awaitingAnswer_)
        http_.abandon();
    std::string error = requestOffer(app_, http_, offerId_, state_.log);
    if (!error.empty()) {
        fail(kOfferErrorPrefix + error);
        return;
    }
    awaitingAnswer_ = true;
}

void DownloadRun::onOfferAnswer(const std::string&, std::int64_t, MemoryStream& stream) {
    // An answer to a request of a run that was cancelled and started again is dropped.
    if (!awaitingAnswer_)
        return;
    awaitingAnswer_ = false;
    if (outcome_ != RunOutcome::Running)
        return;
    if (cancelled()) {
        finish(RunOutcome::Cancelled);
        return;
    }
    if (std::optional<std::string> error = takeOfferAnswer(app_, stream, state_.log)) {
        // An Error Response: the item keeps its tick unless the run goes on without it.
        offerFailed(*error);
        return;
    }
    std::uint64_t serial = offerSerial_;
    try {
        takeOffer(offerOptions());
    } catch (const std::exception& e) {
        stopJobs();
        ports_.dialogs.message("错误", e.what(), Icon::Error);
        state_.panel.hide();
        offerEnded.emit(ordinal_, total_, offerId_, e.what());
        finish(RunOutcome::Failed);
        return;
    }
    if (serial == offerSerial_ && cancelled() && !heldOffer_) {
        // Ended without a row: nothing will complete this offer.
        stopJobs();
        finish(RunOutcome::Cancelled);
    }
}

OfferOptions DownloadRun::offerOptions() const {
    OfferOptions options;
    options.descLocal = state_.localDescriptionPictures;
    options.pagePrice = state_.pagePrice;
    options.preferredCid = state_.itemCats.value();
    options.clearLinks = state_.removeDescriptionLinks;
    options.pictureFolder = pictureFolder_;
    options.descriptionFolder = descriptionFolder_;
    options.offerIds = offerIds_;
    options.priceRule = priceRule;
    options.askedOfferId = trim(offerId_);
    return options;
}

void DownloadRun::takeOffer(const OfferOptions& taken) {
    ports_.loop.processEvents();
    completionCount_ = taken.descLocal ? 0 : 1;
    heldOffer_.reset();
    setProgress("正在下载中...(解析XML)");

    OfferOptions options = taken;
    if (options.pagePrice)
        for (const ItemRow& row : list_.rows())
            options.pagePrices.push_back(row.sub[kSubPrice]);
    // The look-ups go out together on workers; the window goes on meanwhile. A cancel
    // ends the wait, and so does a new run started after a cancel in the meantime: this
    // offer is then none of its business.
    const std::uint64_t serial = offerSerial_;
    RelayPropertyLookup lookup(app_, state_.log, lookupOptions,
                               {ports_.loop,
                                [this, serial] { return cancelled() || serial != offerSerial_; },
                                *lookupMemory_, lookupConcurrency});
    ProcessedOffer offer = processOffer(app_.answer, options, {ports_.db, state_.log, lookup});
    if (serial != offerSerial_)
        return;
    for (const std::string& failure : offer.failures)
        ports_.dialogs.message("提示", failure, Icon::Error);
    categoryText_ = offer.categoryText;
    lookupFailures_ = lookup.failures();
    lookupsSent_ += lookup.sent();
    if (!offer.unreadable.empty()) {
        skipOffer("宝贝信息无法读取:" + offer.unreadable);
        return;
    }

    if (startPictures(offer, options.descLocal))
        storeRow(std::move(offer));
}

void DownloadRun::transportFailure() {
    if (!awaitingAnswer_)
        return;
    awaitingAnswer_ = false;
    if (outcome_ != RunOutcome::Running)
        return;
    if (cancelled()) {
        finish(RunOutcome::Cancelled);
        return;
    }
    std::string reason = transportError_.empty() ? "网络错误" : transportError_;
    offerFailed(kOfferErrorPrefix + reason + "\r\n" + app_.apiEndpoint);
}

void DownloadRun::offerFailed(const std::string& text) {
    if (!state_.skipFailedOffers) {
        failedOffers_.push_back({offerId_, failureReason(text)});
        fail(text);
        return;
    }
    skipOffer(failureReason(text));
}

void DownloadRun::fail(const std::string& text) {
    state_.panel.hide();
    endedAt_ = ports_.clock.now();
    ports_.dialogs.message("提示", text + "\r\n\r\n下载已停止.\r\n" + summary(), Icon::Error);
    offerEnded.emit(ordinal_, total_, offerId_, text);
    finish(RunOutcome::Failed);
}

void DownloadRun::finish(RunOutcome outcome) {
    if (outcome_ != RunOutcome::Running)
        return;
    outcome_ = outcome;
    if (!endedAt_)
        endedAt_ = ports_.clock.now();
    if (timer_) {
        ports_.loop.cancelTimer(timer_);
        timer_ = 0;
    }
    runLock_.reset();
    ended.emit(outcome);
}

bool DownloadRun::cancelled() const {
    return state_.panel.cancelled();
}

void DownloadRun::setProgress(const std::string& text) {
    int index = currentIndex();
    if (index >= 0)
        list_.setSubItem(index, kSubRemark, text);
}

// --- Picture Jobs and the row ---

bool DownloadRun::startPictures(ProcessedOffer& offer, bool descriptionPictures) {
    reapJobs();
    setProgress("正在创建下载属性图片1线程...");
    progressTexts_ = {};
    makeFolder(pictureFolder_);
    startJob(kMainPictures, std::move(offer.mainPictures));
    if (cancelled())
        return false;
    setProgress("正在创建下载属性图片2线程...");
    startJob(kPropertyPictures, std::move(offer.propertyPictures));
    if (cancelled())
        return false;
    if (!descriptionPictures)
        return true;
    makeFolder(descriptionFolder_);
    setProgress("正在创建下载描述图片线程...");
    // A cancel before the description's pictures are handed over starts no job 3.
    ports_.loop.processEvents();
    if (cancelled())
        return false;
    startJob(kDescriptionPictures, std::move(offer.descriptionPictures));
    return !cancelled();
}

void DownloadRun::startJob(int kind, PictureList list) {
    // Events run before each picture is handed over; after a cancel the job gets only
    // those handed over so far.
    std::size_t taken = 0;
    for (; taken < list.addresses.size(); ++taken) {
        ports_.loop.processEvents();
        if (cancelled())
            break;
    }
    list.addresses.resize(taken);
    list.files.resize(taken);
    std::uint64_t serial = offerSerial_;
    auto job = std::make_unique<PictureJob>(
        ports_.loop, kind, std::move(list.addresses), std::move(list.files),
        [this, serial](const PictureProgress& progress) {
            if (serial == offerSerial_)
                onPictureProgress(progress);
        },
        pictureOptions);
    job->start();
    jobs_.push_back(std::move(job));
}

void DownloadRun::storeRow(ProcessedOffer offer) {
    heldOffer_ = std::move(offer);
    addCompletion();
}

void DownloadRun::addCompletion() {
    if (++completionCount_ != 4)
        return;
    // Every job reported its end before the row was stored; complete once the offer
    // processing has returned.
    std::uint64_t serial = offerSerial_;
    ports_.loop.post([this, serial] {
        if (serial == offerSerial_ && completionCount_ == 4 && !completing_)
            completeOffer();
    });
}

void DownloadRun::stopJobs() {
    for (auto& job : jobs_)
        job->stop();
}

void DownloadRun::reapJobs() {
    // Only jobs past their last message: joining them never waits on the UI thread.
    std::erase_if(jobs_, [](const std::unique_ptr<PictureJob>& job) { return job->finished(); });
}

void DownloadRun::onPictureProgress(const PictureProgress& message) {
    if (outcome_ != RunOutcome::Running || completing_)
        return;
    bool wasCancelled = cancelled();
    if (wasCancelled)
        stopJobs();
    std::string progress =
        "(" + std::to_string(message.done) + "/" + std::to_string(message.total) + ")";
    if (message.last())
        ++completionCount_;
    if (message.failed)
        ++picturesFailed_;
    if (message.kind == kMainPictures)
        progressTexts_[0] = "属性图片1" + progress;
    else if (message.kind == kPropertyPictures)
        progressTexts_[1] = "属性图片2" + progress;
    else if (message.kind == kDescriptionPictures)
        progressTexts_[2] = "描述图片" + progress;
    std::string overall = progressTexts_[0] + " " + progressTexts_[1] + " " + progressTexts_[2];
    setProgress("正在下载中..." + overall);
    state_.panel.setCaption(captionBase() + "\r\n进度:" + overall);
    if (completionCount_ == 4 && heldOffer_) {
        completeOffer();
        return;
    }
    if (wasCancelled) {
        offerEnded.emit(ordinal_, total_, offerId_, "取消");
        finish(RunOutcome::Cancelled);
    }
}

void DownloadRun::completeOffer() {
    completing_ = true;
    int index = currentIndex();
    if (index >= 0)
        list_.setSubItem(index, kSubRemark, "完成下载,正在保存中...");
    state_.panel.setCaption(captionBase() + "-完成下载,正在保存中");

    // Every job has ended: the row refers only to the pictures that are there.
    const PackageRowValues row = finishRow(*heldOffer_);
    for (const std::string& line : packageRowLogLines(row))
        state_.log.append(line);
    // Written all the same: the user decides what to do with a row that has problems.
    const RowProblems problems = checkRowValues(row, categoryTree_, pictureFolder_);

    std::string file = packagePath();
    const bool exists = fileExists(file);
    std::string failure;
    try {
        rememberPendingRow(ports_.db, file, exists);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (failure.empty()) {
        // An empty file is written as a new package, with its mark and header lines.
        const bool empty = exists && platform::regularFileSize(file).value_or(0) == 0;
        failure = appendPackageRow(buildPackageRow(row), file,
                                   exists && !empty ? kExistingPackageFile : kNewPackageFile);
        if (!failure.empty()) {
            // The writer left the file as it was.
            try {
                forgetPendingRow(ports_.db);
            } catch (const std::exception&) {
            }
        }
    }
    if (!failure.empty()) {
        // The run halts; the panel stays until the user cancels.
        ports_.dialogs.message("提示", "保存失败,错误:" + failure + ",请关闭.", Icon::Error);
        offerEnded.emit(ordinal_, total_, offerId_, "保存失败,错误:" + failure);
        finish(RunOutcome::Failed);
        return;
    }
    ++rowsWritten_;
    rowChecks_.push_back({offerId_, currentUniqid_, problems});
    const CheckState checkState = checkStateOf(problems);

    std::string remark;
    try {
        remark = "完成-" + formatDateTime(ports_.clock.now(), "yyyy:mm:dd hh:nn:ss") +
                 ":产品类别:" + categoryText_;
        if (!heldOffer_->originalPrice.empty())
            remark += ";原价:" + heldOffer_->originalPrice + ",按价格规则改为:" + row.price;
        if (!heldOffer_->foreignReferences.empty()) {
            std::string removed;
            for (const std::string& r : heldOffer_->foreignReferences)
                removed += (removed.empty() ? "" : ",") + r;
            remark += ";描述中指向本机文件的图片地址已清空:" + removed;
        }
        if (!lookupFailures_.empty()) {
            std::string failed;
            for (const std::string& f : lookupFailures_)
                failed += (failed.empty() ? "" : ",") + f;
            std::string reason = "属性查询失败 " + std::to_string(lookupFailures_.size()) + " 次(" +
                                 failed + "),属性和SKU不完整";
            remark += ";" + reason;
            incompleteOffers_.push_back({offerId_, reason});
        }
        if (!problems.empty())
            remark += ";" + problems.text();
        if (index >= 0) {
            list_.setTicked(index, false);
            list_.setState(index, kStateDownloaded, kIconDownloaded);
            list_.setSubItem(index, kSubRemark, remark);
            list_.setSubItem(index, kSubCheck, checkMarkText(checkState));
        }
        // The mark, the tick and the row's journal change together: a sudden end leaves
        // either a marked item with its row or an unmarked one whose row is cut again.
        Transaction transaction(ports_.db);
        ports_.db.exec(joinSql({"update TB_URL set IsDownload=1", ",remark=?", ",bcheck=0",
                                ",CheckState=?", "where uniqid=?"}),
                       {remark, std::int64_t{static_cast<int>(checkState)}, currentUniqid_});
        forgetPendingRow(ports_.db);
        transaction.commit();
    } catch (const std::exception& e) {
        // The row is written; the panel stays until the user cancels.
        failOnStoreError(e.what());
        return;
    }
    offerEnded.emit(ordinal_, total_, offerId_, remark);
    goOn(file);
}

// The offer's end could not be stored: the run stops there, saying why.
void DownloadRun::failOnStoreError(const std::string& error) {
    state_.log.appendAlways(error);
    offerEnded.emit(ordinal_, total_, offerId_, error);
    finish(RunOutcome::Failed);
}

void DownloadRun::skipOffer(const std::string& reason) {
    stopJobs();
    int index = currentIndex();
    std::string remark =
        "失败-" + formatDateTime(ports_.clock.now(), "yyyy:mm:dd hh:nn:ss") + ":" + reason;
    failedOffers_.push_back({offerId_, reason});
    try {
        if (index >= 0) {
            // Unticked, or the run would take it again as the first ticked item.
            list_.setTicked(index, false);
            list_.setState(index, kStatePending, kIconPending);
            list_.setSubItem(index, kSubRemark, remark);
            list_.setSubItem(index, kSubCheck, "");
        }
        ports_.db.exec(
            joinSql({"update TB_URL set remark=?", ",bcheck=0", ",CheckState=0", "where uniqid=?"}),
            {remark, currentUniqid_});
    } catch (const std::exception& e) {
        failOnStoreError(e.what());
        return;
    }
    offerEnded.emit(ordinal_, total_, offerId_, remark);
    goOn(packagePath());
}

std::string DownloadRun::problemsReport() const {
    std::string report;
    auto list = [&report](const char* heading, const std::vector<OfferProblem>& problems) {
        if (problems.empty())
            return;
        report += heading + std::to_string(problems.size()) + " 个:\r\n";
        // A message box of a long run stays readable; the item list keeps every remark.
        constexpr std::size_t kListed = 20;
        for (std::size_t i = 0; i < problems.size() && i < kListed; ++i)
            report += "  " + problems[i].offerId + " " + problems[i].reason + "\r\n";
        if (problems.size() > kListed)
            report += "  ...另有 " + std::to_string(problems.size() - kListed) +
                      " 个(见列表中各项的备注)\r\n";
    };
    list("未能下载的宝贝 ", failedOffers_);
    list("属性不完整的宝贝 ", incompleteOffers_);
    std::vector<OfferProblem> errors;
    std::vector<OfferProblem> warnings;
    for (const RowCheckResult& check : rowChecks_) {
        if (!check.problems.errors.empty())
            errors.push_back({check.offerId, check.problems.text()});
        else if (!check.problems.warnings.empty())
            warnings.push_back({check.offerId, check.problems.text()});
    }
    list("数据有错误的宝贝 ", errors);
    list("数据有警告的宝贝 ", warnings);
    return report;
}

int DownloadRun::secondsTaken() const {
    if (outcome_ == RunOutcome::Idle)
        return 0;
    LocalDateTime end = endedAt_ ? *endedAt_ : ports_.clock.now();
    return static_cast<int>(std::max<std::int64_t>(0, secondsOf(end) - secondsOf(startedAt_)));
}

std::string DownloadRun::summary() const {
    std::string text = "写入数据包的宝贝 " + std::to_string(rowsWritten_) + " 个\r\n";
    text += problemsReport();
    if (picturesFailed_ > 0)
        text += "未能下载的图片 " + std::to_string(picturesFailed_) + " 张\r\n";
    text += "用时 " + durationText(secondsTaken()) + "\r\n";
    text += "数据包: " + packagePath() + "\r\n";
    return text;
}

void DownloadRun::goOn(const std::string& file) {
    int next = firstTickedIndex();
    if (next < 0) {
        state_.panel.hide();
        finish(RunOutcome::Completed);
        std::string question =
            "完成下载并生成淘宝助理数据包.\r\n" + summary() + "现在是否要打开文件位置?";
        if (ports_.dialogs.question("提示", question, Icon::Information))
            ports_.desktop.openFolder(folderOfPath(file));
        return;
    }
    currentUniqid_ = list_.row(next).uniqid;
    ++ordinal_;
    state_.panel.setCaption(captionBase());
    armTimer();
}

} // namespace lw
