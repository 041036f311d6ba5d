#include "system_helpers.hpp"

#include <windows.h>

namespace lw::test {

long endedProcessId() {
    wchar_t command[] = L"cmd.exe /c exit 0";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &startup, &process))
        return -1;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    // Once the last handle is closed the id is free.
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return static_cast<long>(process.dwProcessId);
}

FileSizeLimit::FileSizeLimit(std::int64_t) {}

FileSizeLimit::~FileSizeLimit() = default;

bool FileSizeLimit::supported() {
    return false;
}

} // namespace lw::test
