#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// What differs between Linux and Windows, behind one interface. Text is UTF-8 on both
// sides of it; on Windows the wide-character system calls are made here.
namespace lw::platform {

#ifdef _WIN32
inline constexpr bool kWindows = true;
inline constexpr char kSeparator = '\\';
#else
inline constexpr bool kWindows = false;
inline constexpr char kSeparator = '/';
#endif

// --- names ---------------------------------------------------------------------------

// folder + the system's separator + name.
inline std::string joinPath(const std::string& folder, const std::string& name) {
    return folder + kSeparator + name;
}

// The path the file calls need for a UTF-8 file name, and the UTF-8 name of a path.
std::filesystem::path toPath(std::string_view utf8);
std::string fromPath(const std::filesystem::path& path);

// The program's command-line arguments as UTF-8 (argv[0] included).
std::vector<std::string> arguments(int argc, char** argv);

// An environment variable as UTF-8; nullopt when it is not set.
std::optional<std::string> environment(const char* name);
// Sets (or with nullopt removes) an environment variable of this process.
void setEnvironment(const char* name, const std::optional<std::string>& value);

// --- folders -------------------------------------------------------------------------

// Folder of the running program, without a trailing separator.
std::string programFolder();
// The user's home folder (HOME, %USERPROFILE%).
std::string homeFolder();
// Where the user's own configuration and data go: the XDG folders on Linux,
// %APPDATA%\Listwright on Windows (both kinds in the one folder there).
std::string userConfigFolder();
std::string userDataFolder();

// --- files ---------------------------------------------------------------------------

// Size of a regular file; nullopt when there is none at path.
std::optional<std::int64_t> regularFileSize(const std::string& path);
// Cuts or extends a closed file to length.
std::error_code resizeFile(const std::string& path, std::int64_t length);
// Renames over an existing target (Windows' rename alone refuses to).
std::error_code renameReplacing(const std::string& from, const std::string& to);

// Someone other than the owner may read the file or folder (group or others have read
// permission). Always false on Windows, where the user's own folders keep others out.
bool othersMayRead(const std::string& path);
// Leaves the file or folder to its owner alone (0600, a folder 0700); nothing to do on
// Windows.
std::error_code restrictToOwner(const std::string& path);

// A file open for writing, closed by its destructor.
class WriteFile {
public:
    // CreatePrivate: as CreateTruncate, readable and writable by the user alone (on
    // Windows the user's own profile folders already keep others out).
    enum class Mode { CreateTruncate, Existing, CreatePrivate };
    WriteFile(const std::string& path, Mode mode);
    ~WriteFile();
    WriteFile(const WriteFile&) = delete;
    WriteFile& operator=(const WriteFile&) = delete;

    bool isOpen() const;
    std::error_code openError() const { return openError_; }
    std::optional<std::int64_t> size(std::error_code& ec) const;
    // Writes all of bytes at offset.
    std::error_code writeAt(std::string_view bytes, std::int64_t offset);
    std::error_code resize(std::int64_t length);
    // Closes now, so that a failing close is seen.
    std::error_code close();

private:
    std::intptr_t handle_;
    std::error_code openError_;
};

// An exclusive lock on a file (made when missing) that every process sees, another
// lock of this process on the same file included. Tried once, held until destroyed;
// the system drops it when the process ends, however it ends.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // The lock was got.
    bool isHeld() const { return held_; }

private:
    std::intptr_t handle_;
    bool held_ = false;
};

// The local time of a moment (thread-safe).
std::tm localTime(std::time_t moment);

// --- processes -----------------------------------------------------------------------

long currentProcessId();
// True only when no process with that id exists any more.
bool processHasEnded(long pid);

// For a console server: from the first call on, Ctrl+C and termination requests no
// longer end the program; waitForTermination returns when one arrives. Call before
// starting threads.
void holdTerminationRequests();
void waitForTermination();

// --- console and text ----------------------------------------------------------------

// Console programs print UTF-8 and end lines with "\n" on every platform.
void prepareConsole();

// Text in a charset other than UTF-8 and the GB family, decoded by the system (iconv on
// Linux, the code pages on Windows). nullopt for a charset it does not know, and, unless
// lenient, for bytes that are not text in that charset; lenient puts U+FFFD for those.
std::optional<std::string> systemToUtf8(std::string_view bytes, const std::string& charset,
                                        bool lenient);

} // namespace lw::platform
