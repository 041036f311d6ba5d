#include "package/package_file.hpp"

#include "package/package_row.hpp"
#include "store/text_routines.hpp"
#include "util/codec.hpp"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace lw {
namespace {

class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now, so that a failing close is seen.
    bool close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

std::string failure(const std::string& fileName, int error) {
    return fileName + ": " + std::generic_category().message(error);
}

std::string toUtf16Le(const std::string& text) {
    if (auto utf16 = utf8ToUtf16Le(text))
        return *utf16;
    // A stray byte becomes U+FFFD rather than losing the row.
    return utf8ToUtf16Le(toUtf8Lenient(text, "UTF-8")).value_or(std::string());
}

// Writes all of bytes at offset; false with errno set on failure.
bool writeAll(int fd, const std::string& bytes, off_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                             offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string appendPackageRow(const PackageRow& row, const std::string& fileName, int mode) {
    // Neither header lines nor a blank line for a row that is not there.
    if (row.empty())
        return {};
    const std::string line = packageRowLine(row);
    if (mode == kNewPackageFile) {
        std::string text;
        for (const std::string& header : packageHeaderLines())
            text += header + "\r\n";
        text += line;
        return writeUtf16File(fileName, text, true);
    }
    if (mode == kExistingPackageFile)
        return appendUtf16File(fileName, "\r\n" + line);
    return {};
}

std::string writeUtf16File(const std::string& fileName, const std::string& text, bool mark) {
    if (text.empty())
        return {};
    std::string buffer = mark ? std::string("\xFF\xFE") : std::string();
    buffer += toUtf16Le(text);

    const std::string partName = fileName + ".part";
    FileHandle file(::open(partName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!file.valid())
        return failure(fileName, errno);
    if (!writeAll(file.get(), buffer, 0) || !file.close()) {
        int error = errno;
        ::unlink(partName.c_str());
        return failure(fileName, error);
    }
    if (std::rename(partName.c_str(), fileName.c_str()) != 0) {
        int error = errno;
        ::unlink(partName.c_str());
        return failure(fileName, error);
    }
    return {};
}

std::string appendUtf16File(const std::string& fileName, const std::string& text) {
    if (text.empty())
        return {};
    const std::string bytes = toUtf16Le(text);
    FileHandle file(::open(fileName.c_str(), O_WRONLY | O_CLOEXEC));
    if (!file.valid())
        return failure(fileName, errno);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return failure(fileName, errno);
    const off_t oldLength = info.st_size;
    if (writeAll(file.get(), bytes, oldLength) && file.close())
        return {};
    const int error = errno;
    // Leave the file as it was.
    const bool restored = file.valid() ? ::ftruncate(file.get(), oldLength) == 0
                                       : ::truncate(fileName.c_str(), oldLength) == 0;
    if (!restored)
        return failure(fileName, error) + "; " + failure(fileName, errno);
    return failure(fileName, error);
}

} // namespace lw
