#pragma once

#include <cstdint>

// What the tests need of the system beyond the program's own platform helpers.
namespace lw::test {

// The id of a child process that has ended and been waited for: no process has it.
long endedProcessId();

// Lowers the size limit of the files this process writes while it lives, so that a
// write past it fails as on a full disk. Windows has no such limit: supported() is
// false there and the object does nothing.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::int64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    static bool supported();

private:
    std::int64_t old_ = 0;
    void (*oldHandler_)(int) = nullptr;
};

} // namespace lw::test
