#include "platform/platform.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iconv.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace lw::platform {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

std::string envOr(const char* name, const std::string& fallback) {
    auto value = environment(name);
    return value && !value->empty() ? *value : fallback;
}

} // namespace

fs::path toPath(std::string_view utf8) {
    return fs::path(std::string(utf8));
}

std::string fromPath(const fs::path& path) {
    return path.string();
}

std::vector<std::string> arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

void setEnvironment(const char* name, const std::optional<std::string>& value) {
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

std::string programFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return fs::current_path(ec).string();
    return exe.parent_path().string();
}

std::string homeFolder() {
    return environment("HOME").value_or("");
}

std::string userConfigFolder() {
    return envOr("XDG_CONFIG_HOME", homeFolder() + "/.config") + "/listwright";
}

std::string userDataFolder() {
    return envOr("XDG_DATA_HOME", homeFolder() + "/.local/share") + "/listwright";
}

std::optional<std::int64_t> regularFileSize(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return static_cast<std::int64_t>(info.st_size);
}

bool othersMayRead(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    return (info.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

std::error_code restrictToOwner(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return lastError();
    mode_t mode = S_ISDIR(info.st_mode) ? 0700 : 0600;
    if (::chmod(path.c_str(), mode) != 0)
        return lastError();
    return {};
}

std::error_code resizeFile(const std::string& path, std::int64_t length) {
    if (::truncate(path.c_str(), static_cast<off_t>(length)) != 0)
        return lastError();
    return {};
}

std::error_code renameReplacing(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0)
        return lastError();
    return {};
}

WriteFile::WriteFile(const std::string& path, Mode mode) {
    int flags = O_WRONLY | O_CLOEXEC;
    if (mode != Mode::Existing)
        flags |= O_CREAT | O_TRUNC;
    handle_ = ::open(path.c_str(), flags, mode == Mode::CreatePrivate ? 0600 : 0666);
    if (handle_ < 0) {
        openError_ = lastError();
        return;
    }
    // A file that was there before keeps its mode otherwise.
    if (mode == Mode::CreatePrivate && ::fchmod(static_cast<int>(handle_), 0600) != 0)
        openError_ = lastError();
}

WriteFile::~WriteFile() {
    if (isOpen())
        ::close(static_cast<int>(handle_));
}

bool WriteFile::isOpen() const {
    return handle_ >= 0;
}

std::optional<std::int64_t> WriteFile::size(std::error_code& ec) const {
    struct stat info {};
    if (::fstat(static_cast<int>(handle_), &info) != 0) {
        ec = lastError();
        return std::nullopt;
    }
    return static_cast<std::int64_t>(info.st_size);
}

std::error_code WriteFile::writeAt(std::string_view bytes, std::int64_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(static_cast<int>(handle_), bytes.data() + done, bytes.size() - done,
                             static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        if (n == 0)
            return {EIO, std::generic_category()};
        done += static_cast<std::size_t>(n);
    }
    return {};
}

std::error_code WriteFile::resize(std::int64_t length) {
    if (::ftruncate(static_cast<int>(handle_), static_cast<off_t>(length)) != 0)
        return lastError();
    return {};
}

std::error_code WriteFile::close() {
    int fd = static_cast<int>(handle_);
    handle_ = -1;
    if (::close(fd) != 0)
        return lastError();
    return {};
}

FileLock::FileLock(const std::string& path) {
    handle_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // flock, not fcntl: its locks belong to the open file, so a second lock of this
    // process on the same file is refused too.
    held_ = handle_ >= 0 && ::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) == 0;
}

FileLock::~FileLock() {
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_));
}

std::tm localTime(std::time_t moment) {
    std::tm tm{};
    localtime_r(&moment, &tm);
    return tm;
}

long currentProcessId() {
    return static_cast<long>(::getpid());
}

// EPERM means the process exists under another user.
bool processHasEnded(long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

namespace {

sigset_t terminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

} // namespace

// Threads inherit the blocked signals, so only sigwait takes them.
void holdTerminationRequests() {
    sigset_t signals = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void waitForTermination() {
    sigset_t signals = terminationSignals();
    int received = 0;
    sigwait(&signals, &received);
}

void prepareConsole() {}

std::optional<std::string> systemToUtf8(std::string_view input, const std::string& charset,
                                        bool lenient) {
    iconv_t cd = iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    struct Closer {
        iconv_t cd;
        ~Closer() { iconv_close(cd); }
    } closer{cd};
    std::string out;
    out.reserve(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[4096];
    // On an invalid or incomplete sequence either fail or, when lenient, write the
    // replacement and skip one byte.
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (rc != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        if (!lenient)
            return std::nullopt;
        out += "\xEF\xBF\xBD";
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1) && !lenient)
        return std::nullopt;
    out.append(buffer, outPtr - buffer);
    return out;
}

} // namespace lw::platform
