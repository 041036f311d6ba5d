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

std::string Failure(const std::string& fileName, int error) {
    return fileName + ": " + std::generic_category().message(error);
}

std::string ToUtf16Le(const std::string& text) {
    if (auto utf16 = Utf8ToUtf16Le(text))
        return *utf16;
    // A stray byte becomes U+FFFD rather than losing the row.
    return Utf8ToUtf16Le(ToUtf8Lenient(text, "UTF-8")).value_or(std::string());
}

// Writes all of bytes at offset; false with errno set on failure.
bool WriteAll(int fd, const std::string& bytes, off_t offset) {
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

std::string ExportCSV5_5(const std::string& row, const std::string& fileName, int mode) {
    // Neither header lines nor a blank line for a row that is not there.
    if (row.empty())
        return {};
    const std::string line = ReplaceAll(row, kFieldMarker, "\t");
    if (mode == kNewPackageFile) {
        std::string text;
        for (const std::string& header : PackageHeaderLines())
            text += header + "\r\n";
        text += line;
        return WriteUtf16File(fileName, text, true);
    }
    if (mode == kExistingPackageFile)
        return AppendUtf16File(fileName, "\r\n" + line);
    return {};
}

std::string WriteUtf16File(const std::string& fileName, const std::string& text, bool mark) {
    if (text.empty())
        return {};
    std::string buffer = mark ? std::string("\xFF\xFE") : std::string();
    buffer += ToUtf16Le(text);

    const std::string partName = fileName + ".part";
    FileHandle file(::open(partName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!file.valid())
        return Failure(fileName, errno);
    if (!WriteAll(file.get(), buffer, 0) || !file.close()) {
        int error = errno;
        ::unlink(partName.c_str());
        return Failure(fileName, error);
    }
    if (std::rename(partName.c_str(), fileName.c_str()) != 0) {
        int error = errno;
        ::unlink(partName.c_str());
        return Failure(fileName, error);
    }
    return {};
}

std::string AppendUtf16File(const std::string& fileName, const std::string& text) {
    if (text.empty())
        return {};
    const std::string bytes = ToUtf16Le(text);
    FileHandle file(::open(fileName.c_str(), O_WRONLY | O_CLOEXEC));
    if (!file.valid())
        return Failure(fileName, errno);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return Failure(fileName, errno);
    const off_t oldLength = info.st_size;
    if (WriteAll(file.get(), bytes, oldLength) && file.close())
        return {};
    const int error = errno;
    // Leave the file as it was.
    const bool restored = file.valid() ? ::ftruncate(file.get(), oldLength) == 0
                                       : ::truncate(fileName.c_str(), oldLength) == 0;
    if (!restored)
        return Failure(fileName, error) + "; " + Failure(fileName, errno);
    return Failure(fileName, error);
}

} // namespace lw
