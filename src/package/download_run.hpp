#pragma once

#include "net/async_http_request.hpp"
#include "net/http_client.hpp"
#include "net/relay.hpp"
#include "package/lookup_memory.hpp"
#include "package/offer_process.hpp"
#include "package/picture_job.hpp"
#include "package/price_rule.hpp"
#include "package/row_check.hpp"
#include "platform/platform.hpp"
#include "ui/clock.hpp"
#include "ui/event_loop.hpp"
#include "ui/main_state.hpp"
#include "ui/ports.hpp"
#include "ui/signal.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lw {

class ItemList;

// How a Download Run stands.
enum class RunOutcome {
    Idle,      // never started, or the start was refused or declined
    Running,   // offers are being fetched
    Completed, // no ticked item left: every row was written
    Cancelled, // stopped by _Cancel
    Failed     // an Error Response, a transport failure or a save failure ended it
};

// A Download Run over the main window's list: _StartClick with its checks, the 200 ms
// the 200 ms timer, the offer request through offerRequest, processOffer, the
// Picture Jobs with their progress messages, and the completion of every offer (row
// written, item marked downloaded, TB_URL updated). Everything runs on the UI thread;
// the Picture Jobs reach it only through their messages.
class DownloadRun {
public:
    DownloadRun(Ports ports, MainState& state, ItemList& list, const Config& config);
    ~DownloadRun();
    DownloadRun(const DownloadRun&) = delete;
    DownloadRun& operator=(const DownloadRun&) = delete;

    // Settings of the picture clients and of the property look-ups (proxy, time-outs).
    HttpOptions pictureOptions = pictureHttpOptions();
    HttpOptions lookupOptions = lookupHttpOptions();
    // The interval of the timer that takes the next offer.
    int timerIntervalMs = 200;
    // Look-ups of one offer sent at once.
    int lookupConcurrency = 8;
    // Applied to every price the run writes (the window's stored rule, or the CLI's
    // --price-rule for one run).
    PriceRule priceRule;

    // One run at a time on a data folder: takes its run lock (held by the system, so a
    // killed run never blocks the next), or says that another run is going on and
    // returns false. startDownload takes it; a caller that touches the package before
    // may take it first. Released when the run ends or does not start.
    bool holdRunLock();

    // "开始下载". Returns true when the run started.
    bool startDownload();
    // The list index of the first ticked item, or -1.
    int firstTickedIndex() const;
    void requestNextOffer();
    void onOfferAnswer(const std::string& contentType, std::int64_t fileSize, MemoryStream& stream);
    // A Picture Progress Message of the current offer's jobs.
    void onPictureProgress(const PictureProgress& progress);

    RunOutcome outcome() const { return outcome_; }
    // The Data Package path the run writes to (after a "New file" choice, the new one).
    std::string packagePath() const;
    int rowsWritten() const { return rowsWritten_; }
    // Look-ups this run sent to the Relay (those answered from memory not counted).
    int lookupsSent() const { return lookupsSent_; }
    // Offers of this run that gave no row (their answer could not be read), and offers
    // whose row was written without some properties because look-ups got no answer.
    struct OfferProblem {
        std::string offerId;
        std::string reason;
    };
    const std::vector<OfferProblem>& failedOffers() const { return failedOffers_; }
    const std::vector<OfferProblem>& incompleteOffers() const { return incompleteOffers_; }
    // The check of every row this run wrote, in the order written.
    struct RowCheckResult {
        std::string offerId;
        std::int64_t uniqid = 0;
        RowProblems problems;
    };
    const std::vector<RowCheckResult>& rowChecks() const { return rowChecks_; }
    // What the end of a run reports about them and about rows with errors or warnings;
    // empty when there is nothing to report.
    std::string problemsReport() const;
    // Pictures of this run that could not be fetched.
    int picturesFailed() const { return picturesFailed_; }
    // Seconds from the start of the run to its end (or to now while it runs).
    int secondsTaken() const;
    // The end of the run in words: rows written, offers failed with their reasons,
    // pictures that failed, the time taken and the package path.
    std::string summary() const;
    int runOrdinal() const { return ordinal_; }
    int runTotal() const { return total_; }
    // Picture Jobs whose threads have not been joined yet.
    std::size_t jobCount() const { return jobs_.size(); }
    RelayContext& relay() { return app_; }
    AsyncHttpRequest& offerRequest() { return http_; }

    // One offer ended: run ordinal, run total, offer id, and the remark written, or
    // what went wrong.
    Signal<int, int, const std::string&, const std::string&> offerEnded;
    // The run ended (completed, cancelled or failed).
    Signal<RunOutcome> ended;

private:
    bool cancelled() const;
    // The current offer gives no row: its item keeps "未下载", loses its tick and tells
    // why in its remark; the run goes on with the next ticked item.
    void skipOffer(const std::string& reason);
    void failOnStoreError(const std::string& error);
    // After an offer: the next ticked item, or the end of the run.
    void goOn(const std::string& file);
    // The current item's progress column.
    void setProgress(const std::string& text);
    OfferOptions offerOptions() const;
    // One offer answer: processed, its failures shown, its pictures started and its
    // row stored; a cancel ends it without a row.
    void takeOffer(const OfferOptions& options);
    // Starts the three Picture Jobs; false when a cancel ended the offer.
    bool startPictures(ProcessedOffer& offer, bool descriptionPictures);
    // Starts a Picture Job with the list's entries up to a cancel.
    void startJob(int kind, PictureList list);
    // Holds the offer's row until its pictures are done.
    void storeRow(ProcessedOffer offer);
    void addCompletion();
    std::string captionBase() const;
    int currentIndex() const;
    void armTimer();
    void stopJobs();
    void reapJobs();
    void completeOffer();
    void finish(RunOutcome outcome);
    void fail(const std::string& text);
    // An offer's Error Response or transport failure: ends the run, or with
    // skipFailedOffers on, skips that offer.
    void offerFailed(const std::string& text);
    void transportFailure();

    Ports ports_;
    MainState& state_;
    ItemList& list_;
    RelayContext app_;

    RunOutcome outcome_ = RunOutcome::Idle;
    std::int64_t currentUniqid_ = 0;
    int ordinal_ = 0;
    int total_ = 0;
    int rowsWritten_ = 0;
    int lookupsSent_ = 0;
    // Found look-up ids, of this run and (for some days) of earlier ones.
    std::optional<LookupMemory> lookupMemory_;
    int picturesFailed_ = 0;
    LocalDateTime startedAt_;
    std::optional<LocalDateTime> endedAt_;
    std::vector<OfferProblem> failedOffers_;
    std::vector<OfferProblem> incompleteOffers_;
    std::vector<RowCheckResult> rowChecks_;
    // Read at the start: rows are checked against the tree the store holds.
    CategoryTree categoryTree_;
    // The current offer's look-ups that got no answer.
    std::vector<std::string> lookupFailures_;
    std::vector<std::string> offerIds_;
    std::string offerId_;
    // The offer whose row is finished once its pictures are done (finishRow).
    std::optional<ProcessedOffer> heldOffer_;
    int completionCount_ = 0;
    std::array<std::string, 3> progressTexts_;
    std::string categoryText_;
    std::string pictureFolder_;
    std::string descriptionFolder_;
    // Every offer gets a new number; messages of older jobs are not counted.
    std::uint64_t offerSerial_ = 0;
    bool completing_ = false;
    // An offer request of this run is out and its answer not yet taken.
    bool awaitingAnswer_ = false;
    TimerId timer_ = 0;
    std::unique_ptr<platform::FileLock> runLock_;
    std::string transportError_;
    std::vector<std::unique_ptr<PictureJob>> jobs_;
    // Last: destroyed first, so that no answer arrives into a half-destroyed run.
    AsyncHttpRequest http_;
};

} // namespace lw
