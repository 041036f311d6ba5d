#pragma once

#include "net/http_client.hpp"

#include <atomic>
#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace lw {

class EventLoop;

// The Picture Kinds.
inline constexpr int kMainPictures = 1;
inline constexpr int kPropertyPictures = 2;
inline constexpr int kDescriptionPictures = 3;

// Connections one Picture Job fetches its pictures over at once: the ten main or
// description pictures of an offer go out in one round trip.
inline constexpr std::size_t kPictureConnections = 10;

// A picture larger than this counts as failed.
inline constexpr std::size_t kPictureMaxBytes = 32u * 1024u * 1024u;

// The pictures' client: read time-out 10000 ms, redirects followed, the default agent,
// bodies up to kPictureMaxBytes.
HttpOptions pictureHttpOptions();

// The Picture Progress Message: a job's kind, the pictures it has handled, the pictures
// it holds and whether the last one failed.
struct PictureProgress {
    int kind = 0;
    std::size_t done = 0;
    std::size_t total = 0;
    bool failed = false;
    // The job's last message (an empty job sends one, 0 of 0).
    bool last() const { return done == total; }
    bool operator==(const PictureProgress&) const = default;
};

// Writes bytes to path through a temporary file in the same folder that is then
// renamed into place, so readers and a second writer of the same path only ever see a
// whole file. Returns the failure text, empty on success.
std::string writePictureFile(const std::string& path, std::string_view bytes);

// Removes the temporary files of WritePictureFile that a process which has ended left in
// folder (a sudden end between writing and renaming). Those of running processes stay.
// Returns how many were removed.
int removeUnfinishedPictures(const std::string& folder);

// A Picture Job: one worker thread that fetches its pictures into their files over up
// to kPictureConnections connections at once and reports each, in their order, through a
// message delivered synchronously on the UI thread (the thread waits until the message
// was handled). Stop() only asks: the job
// ends at its next message or inside the running transfer, sending nothing more, so
// stopping from inside one of its own messages is safe. The destructor stops the job
// and waits for its thread.
class PictureJob {
public:
    using Notify = std::function<void(const PictureProgress& progress)>;

    // urls and files have the same length; notify runs on the UI thread.
    PictureJob(EventLoop& loop, int pictureKind, std::vector<std::string> urls,
               std::vector<std::string> files, Notify notify,
               HttpOptions options = pictureHttpOptions());
    ~PictureJob();
    PictureJob(const PictureJob&) = delete;
    PictureJob& operator=(const PictureJob&) = delete;

    void start();
    void stop();
    // The thread has sent its last message (or was stopped) and is ending; joining it
    // no longer waits for anything.
    bool finished() const { return finished_; }
    int pictureKind() const { return kind_; }

private:
    void execute(std::stop_token stop);
    bool fetch(HttpClient& client, std::size_t i, std::stop_token stop);
    bool send(const PictureProgress& progress, std::stop_token stop);

    EventLoop& loop_;
    const int kind_;
    std::vector<std::string> urls_;
    std::vector<std::string> files_;
    Notify notify_;
    HttpOptions options_;
    std::atomic<bool> finished_{false};
    std::jthread thread_;
};

} // namespace lw
