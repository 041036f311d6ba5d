#include "package/picture_job.hpp"

#include "package/picture_names.hpp"
#include "platform/platform.hpp"
#include "store/text_routines.hpp"
#include "ui/event_loop.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>

namespace lw {
namespace {

// The target with File-name cleaning applied to its file name; the folder was chosen
// by the run and stays as it is.
std::string cleanTarget(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos)
        return cleanFileName(path);
    return path.substr(0, cut + 1) + cleanFileName(path.substr(cut + 1));
}

std::atomic<unsigned long> temporaryCounter{0};
// A picture is written as "<path>.part<pid>-<n>" and then renamed into place.
constexpr std::string_view kTemporaryMarker = ".part";

} // namespace

HttpOptions pictureHttpOptions() {
    HttpOptions options;
    options.connectTimeoutMs = 10000;
    options.readTimeoutMs = 10000;
    options.followRedirects = true;
    options.maxBodyBytes = kPictureMaxBytes;
    return options;
}

std::string writePictureFile(const std::string& path, std::string_view bytes) {
    std::string temporary = path + std::string(kTemporaryMarker) +
                            std::to_string(platform::currentProcessId()) + "-" +
                            std::to_string(temporaryCounter.fetch_add(1));
    std::error_code ignored;
    {
        std::ofstream out(platform::toPath(temporary), std::ios::binary | std::ios::trunc);
        if (!out)
            return "cannot create " + temporary;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(platform::toPath(temporary), ignored);
            return "cannot write " + temporary;
        }
    }
    if (std::error_code ec = platform::renameReplacing(temporary, path)) {
        std::filesystem::remove(platform::toPath(temporary), ignored);
        return ec.message();
    }
    return {};
}

namespace {

// The writer's process id in a temporary name "<name>.part<pid>-<n>"; 0 when the name
// is not one.
long temporaryNameOwner(const std::string& name) {
    std::size_t at = name.rfind(kTemporaryMarker);
    if (at == std::string::npos)
        return 0;
    std::string rest = name.substr(at + kTemporaryMarker.size());
    std::size_t dash = rest.find('-');
    if (dash == std::string::npos || dash == 0 || dash + 1 == rest.size() || dash > 9)
        return 0;
    std::string pid = rest.substr(0, dash);
    std::string counter = rest.substr(dash + 1);
    auto digits = [](const std::string& t) {
        return t.find_first_not_of("0123456789") == std::string::npos;
    };
    if (!digits(pid) || !digits(counter))
        return 0;
    return std::stol(pid);
}

} // namespace

int removeUnfinishedPictures(const std::string& folder) {
    int removed = 0;
    std::error_code ec;
    std::filesystem::directory_iterator it(platform::toPath(folder), ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        long owner = temporaryNameOwner(platform::fromPath(it->path().filename()));
        if (owner <= 0 || !platform::processHasEnded(owner))
            continue;
        std::error_code removeError;
        if (std::filesystem::remove(it->path(), removeError))
            ++removed;
    }
    return removed;
}

PictureJob::PictureJob(EventLoop& loop, int pictureKind, std::vector<std::string> urls,
                       std::vector<std::string> files, Notify notify, HttpOptions options)
    : loop_(loop), kind_(pictureKind), urls_(std::move(urls)), files_(std::move(files)),
      notify_(std::move(notify)), options_(std::move(options)) {
    files_.resize(urls_.size());
}

PictureJob::~PictureJob() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

void PictureJob::start() {
    if (thread_.joinable() || finished_)
        return;
    thread_ = std::jthread([this](std::stop_token stop) {
        execute(stop);
        finished_ = true;
    });
}

void PictureJob::stop() {
    thread_.request_stop();
}

bool PictureJob::send(const PictureProgress& progress, std::stop_token stop) {
    if (stop.stop_requested())
        return false;
    return loop_.invokeBlocking([this, progress] { notify_(progress); }, stop);
}

bool PictureJob::fetch(HttpClient& client, std::size_t i, std::stop_token stop) {
    const std::string& url = urls_[i];
    if (!isWebAddress(url))
        return false;
    HttpResult result = client.get(url, stop);
    if (!result.ok() || result.tooLarge)
        return false;
    return writePictureFile(cleanTarget(files_[i]), result.body).empty();
}

void PictureJob::execute(std::stop_token stop) {
    if (urls_.empty()) {
        send({kind_, 0, 0, false}, stop);
        return;
    }
    const std::size_t n = urls_.size();
    // Pictures are fetched over several connections at once; the messages still go in
    // the pictures' order, each once its picture and those before it have ended.
    std::mutex mutex;
    std::condition_variable_any ended;
    std::vector<std::optional<bool>> failures(n);
    std::atomic<std::size_t> next{0};
    std::vector<std::jthread> fetchers;
    const std::size_t count = std::min<std::size_t>(n, kPictureConnections);
    for (std::size_t f = 0; f < count; ++f) {
        fetchers.emplace_back([&, stop] {
            // One client per connection: its pictures from the same host reuse it.
            HttpClient client(options_);
            for (std::size_t i = next++; i < n && !stop.stop_requested(); i = next++) {
                bool failed = !fetch(client, i, stop);
                {
                    std::lock_guard lock(mutex);
                    failures[i] = failed;
                }
                ended.notify_one();
            }
        });
    }
    for (std::size_t done = 1; done <= n; ++done) {
        bool failed = false;
        {
            std::unique_lock lock(mutex);
            if (!ended.wait(lock, stop, [&] { return failures[done - 1].has_value(); }))
                return;
            failed = *failures[done - 1];
        }
        if (!send({kind_, done, n, failed}, stop))
            return;
    }
}

} // namespace lw
