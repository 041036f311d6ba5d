#include "system_helpers.hpp"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lw::test {

long endedProcessId() {
    pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    if (ended > 0)
        ::waitpid(ended, nullptr, 0);
    return static_cast<long>(ended);
}

// Writes past the limit fail with EFBIG instead of raising SIGXFSZ.
FileSizeLimit::FileSizeLimit(std::int64_t bytes) {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    old_ = static_cast<std::int64_t>(limit.rlim_cur);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(old_);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler_);
}

bool FileSizeLimit::supported() {
    return true;
}

} // namespace lw::test
