#pragma once

#include "ui/event_loop.hpp"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

namespace lw {

// Runs work on a worker thread while the UI thread goes on running window events, and
// returns its result. When cancelled() turns true first, the worker is asked to stop
// (work must end soon after its stop token is set: the transfers do at once) and
// nullopt is returned. The worker's exception is thrown again on the UI thread.
//
// The wait does not depend on a posted call: a call posted before it, still queued
// behind the one that waits, cannot hold it up.
template <class Result>
std::optional<Result> waitForWorker(EventLoop& loop, std::function<Result(std::stop_token)> work,
                                    const std::function<bool()>& cancelled) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
        std::optional<Result> result;
        std::exception_ptr error;
    };
    auto shared = std::make_shared<Shared>();
    std::jthread worker([shared, work = std::move(work)](std::stop_token stop) {
        std::optional<Result> result;
        std::exception_ptr error;
        try {
            result.emplace(work(stop));
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lock(shared->mutex);
            shared->result = std::move(result);
            shared->error = error;
            shared->done = true;
        }
        shared->cv.notify_all();
    });
    while (true) {
        loop.processEvents();
        if (cancelled && cancelled()) {
            worker.request_stop();
            worker.join();
            return std::nullopt;
        }
        std::unique_lock lock(shared->mutex);
        // Short enough that a repaint or a click waits no longer than a frame.
        if (shared->cv.wait_for(lock, std::chrono::milliseconds(10), [&] { return shared->done; }))
            break;
    }
    worker.join();
    if (shared->error)
        std::rethrow_exception(shared->error);
    return std::move(shared->result);
}

} // namespace lw
