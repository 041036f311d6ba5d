#include "platform/platform.hpp"

// windows.h first: the other system headers build on it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <map>

namespace fs = std::filesystem;

namespace lw::platform {
namespace {

std::error_code lastError() {
    return {static_cast<int>(::GetLastError()), std::system_category()};
}

std::wstring wide(std::string_view utf8) {
    if (utf8.empty())
        return {};
    int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string narrow(std::wstring_view text) {
    if (text.empty())
        return {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                  0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                          nullptr, nullptr);
    return out;
}

HANDLE asHandle(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

std::string knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::string out;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path)))
        out = narrow(path);
    ::CoTaskMemFree(path);
    return out;
}

// Code pages of the charsets pages declare, beside "cpNNN" and "windows-NNN".
UINT codePageOf(const std::string& charset) {
    std::string name;
    for (char c : charset)
        name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    static const std::map<std::string, UINT> known = {
        {"big5", 950},           {"big5-hkscs", 950},   {"x-x-big5", 950},
        {"shift_jis", 932},      {"shift-jis", 932},    {"sjis", 932},
        {"ms932", 932},          {"euc-jp", 20932},     {"euc-kr", 949},
        {"ks_c_5601-1987", 949}, {"iso-8859-1", 28591}, {"latin1", 28591},
        {"iso-8859-2", 28592},   {"iso-8859-5", 28595}, {"iso-8859-7", 28597},
        {"iso-8859-15", 28605},  {"gbk", 936},          {"gb2312", 936},
        {"gb18030", 54936},      {"koi8-r", 20866},     {"koi8-u", 21866},
        {"us-ascii", 20127},     {"ascii", 20127},
    };
    auto it = known.find(name);
    if (it != known.end())
        return it->second;
    for (const char* prefix : {"windows-", "cp"}) {
        std::string p = prefix;
        if (name.rfind(p, 0) == 0 && name.size() > p.size() &&
            name.find_first_not_of("0123456789", p.size()) == std::string::npos)
            return static_cast<UINT>(std::stoul(name.substr(p.size())));
    }
    return 0;
}

} // namespace

fs::path toPath(std::string_view utf8) {
    return fs::path(wide(utf8));
}

std::string fromPath(const fs::path& path) {
    return narrow(path.native());
}

std::vector<std::string> arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* list = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!list)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.push_back(narrow(list[i]));
    ::LocalFree(list);
    return out;
}

std::optional<std::string> environment(const char* name) {
    const wchar_t* value = ::_wgetenv(wide(name).c_str());
    if (!value)
        return std::nullopt;
    return narrow(value);
}

void setEnvironment(const char* name, const std::optional<std::string>& value) {
    // An empty value would remove the variable; the CRT and the process environment
    // both change.
    ::_wputenv_s(wide(name).c_str(), value ? wide(*value).c_str() : L"");
    ::SetEnvironmentVariableW(wide(name).c_str(), value ? wide(*value).c_str() : nullptr);
}

std::string programFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return fromPath(fs::current_path());
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return fromPath(fs::path(buffer).parent_path());
}

std::string homeFolder() {
    if (auto profile = environment("USERPROFILE"); profile && !profile->empty())
        return *profile;
    return knownFolder(FOLDERID_Profile);
}

std::string userConfigFolder() {
    return userDataFolder();
}

std::string userDataFolder() {
    std::string base = environment("APPDATA").value_or("");
    if (base.empty())
        base = knownFolder(FOLDERID_RoamingAppData);
    return base + "\\Listwright";
}

std::optional<std::int64_t> regularFileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!::GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return (static_cast<std::int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

bool othersMayRead(const std::string&) {
    return false;
}

std::error_code restrictToOwner(const std::string&) {
    return {};
}

std::error_code resizeFile(const std::string& path, std::int64_t length) {
    WriteFile file(path, WriteFile::Mode::Existing);
    if (!file.isOpen())
        return file.openError();
    if (auto ec = file.resize(length))
        return ec;
    return file.close();
}

// Replacing a file that another thread is replacing at the same moment (two Picture Jobs
// fetching the same picture) is refused for as long as the other rename runs; POSIX
// rename never fails so, so a short retry gives the same outcome here.
std::error_code renameReplacing(const std::string& from, const std::string& to) {
    const std::wstring source = wide(from);
    const std::wstring target = wide(to);
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExW(source.c_str(), target.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return {};
        const DWORD error = ::GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt >= 50)
            return std::error_code(static_cast<int>(error), std::system_category());
        ::Sleep(10);
    }
}

// Shared for reading and deleting, as a POSIX descriptor would be.
WriteFile::WriteFile(const std::string& path, Mode mode) {
    HANDLE h = ::CreateFileW(wide(path).c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             mode == Mode::Existing ? OPEN_EXISTING : CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    handle_ = reinterpret_cast<std::intptr_t>(h);
    if (h == INVALID_HANDLE_VALUE)
        openError_ = lastError();
}

WriteFile::~WriteFile() {
    if (isOpen())
        ::CloseHandle(asHandle(handle_));
}

bool WriteFile::isOpen() const {
    return asHandle(handle_) != INVALID_HANDLE_VALUE;
}

std::optional<std::int64_t> WriteFile::size(std::error_code& ec) const {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(asHandle(handle_), &size)) {
        ec = lastError();
        return std::nullopt;
    }
    return static_cast<std::int64_t>(size.QuadPart);
}

std::error_code WriteFile::writeAt(std::string_view bytes, std::int64_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::int64_t at = offset + static_cast<std::int64_t>(done);
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at & 0xFFFFFFFF);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(asHandle(handle_), bytes.data() + done, chunk, &written, &where))
            return lastError();
        if (written == 0)
            return std::make_error_code(std::errc::io_error);
        done += written;
    }
    return {};
}

std::error_code WriteFile::resize(std::int64_t length) {
    LARGE_INTEGER at{};
    at.QuadPart = length;
    if (!::SetFilePointerEx(asHandle(handle_), at, nullptr, FILE_BEGIN) ||
        !::SetEndOfFile(asHandle(handle_)))
        return lastError();
    return {};
}

std::error_code WriteFile::close() {
    HANDLE h = asHandle(handle_);
    handle_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
    if (!::CloseHandle(h))
        return lastError();
    return {};
}

FileLock::FileLock(const std::string& path) {
    HANDLE h = ::CreateFileW(wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    handle_ = reinterpret_cast<std::intptr_t>(h);
    if (h == INVALID_HANDLE_VALUE)
        return;
    OVERLAPPED at{};
    held_ = ::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
}

FileLock::~FileLock() {
    if (asHandle(handle_) != INVALID_HANDLE_VALUE)
        ::CloseHandle(asHandle(handle_));
}

std::tm localTime(std::time_t moment) {
    std::tm tm{};
    localtime_s(&tm, &moment);
    return tm;
}

long currentProcessId() {
    return static_cast<long>(::GetCurrentProcessId());
}

bool processHasEnded(long pid) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                   static_cast<DWORD>(pid));
    if (!process)
        return ::GetLastError() == ERROR_INVALID_PARAMETER;
    bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}

namespace {

HANDLE terminationEvent() {
    static HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

BOOL WINAPI onConsoleControl(DWORD) {
    ::SetEvent(terminationEvent());
    return TRUE;
}

} // namespace

void holdTerminationRequests() {
    terminationEvent();
    ::SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

void waitForTermination() {
    ::WaitForSingleObject(terminationEvent(), INFINITE);
}

void prepareConsole() {
    ::SetConsoleOutputCP(CP_UTF8);
    ::SetConsoleCP(CP_UTF8);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

std::optional<std::string> systemToUtf8(std::string_view bytes, const std::string& charset,
                                        bool lenient) {
    UINT codePage = codePageOf(charset);
    if (codePage == 0 || !::IsValidCodePage(codePage))
        return std::nullopt;
    if (bytes.empty())
        return std::string();
    DWORD flags = lenient ? 0 : MB_ERR_INVALID_CHARS;
    int n = ::MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                  nullptr, 0);
    if (n == 0)
        return std::nullopt;
    std::wstring text(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                          text.data(), n);
    return narrow(text);
}

} // namespace lw::platform
