#include <windows.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <cwchar>
#include <exception>
#include <filesystem>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "base/osfiles.h"

namespace karnea::os {
namespace {

HANDLE H(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

WriteFile::Failure FailureOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return WriteFile::Failure::exists;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return WriteFile::Failure::denied;
        default:
            return WriteFile::Failure::other;
    }
}

}  // namespace

FileFacts FactsOf(const fs::path& path) {
    FileFacts facts;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) {
        return facts;
    }
    facts.exists = true;
    facts.regular = fs::is_regular_file(status);
    facts.directory = fs::is_directory(status);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    facts.writable =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
    return facts;
}

bool FolderWritable(const fs::path& folder) {
    // A folder's read-only mark means nothing to Windows; whether a file can
    // be made there shows when one is.
    std::error_code ec;
    return fs::is_directory(folder, ec);
}

WriteFile WriteFile::CreateNew(const fs::path& path, bool) {
    WriteFile file;
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        file.failure_ = FailureOf(GetLastError());
        return file;
    }
    file.handle_ = reinterpret_cast<std::intptr_t>(h);
    return file;
}

WriteFile WriteFile::OpenExisting(const fs::path& path) {
    WriteFile file;
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const Failure failure = FailureOf(GetLastError());
        file.failure_ = failure == Failure::exists ? Failure::other : failure;
        return file;
    }
    file.handle_ = reinterpret_cast<std::intptr_t>(h);
    return file;
}

WriteFile::WriteFile(WriteFile&& other) noexcept
    : handle_(other.handle_), failure_(other.failure_) {
    other.handle_ = -1;
}

WriteFile::~WriteFile() {
    if (IsOpen()) {
        CloseHandle(H(handle_));
    }
}

bool WriteFile::IsOpen() const {
    return handle_ != -1;
}

bool WriteFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
        DWORD written = 0;
        if (!::WriteFile(H(handle_), bytes.data(), want, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool WriteFile::Rewind() {
    LARGE_INTEGER start{};
    return SetFilePointerEx(H(handle_), start, nullptr, FILE_BEGIN) != 0;
}

bool WriteFile::Sync() {
    return FlushFileBuffers(H(handle_)) != 0;
}

bool WriteFile::Truncate(std::uint64_t size) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(H(handle_), at, nullptr, FILE_BEGIN) != 0 &&
           SetEndOfFile(H(handle_)) != 0;
}

bool WriteFile::TakeAccessOf(const FileFacts&) {
    // The file takes the place of the previous one through ReplaceFileW,
    // which keeps that one's attributes and access lists.
    return true;
}

bool WriteFile::Close() {
    const HANDLE h = H(handle_);
    handle_ = -1;
    return CloseHandle(h) != 0;
}

long ProcessId() {
    return static_cast<long>(GetCurrentProcessId());
}

bool ProcessEnded(long id) {
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) {
        return GetLastError() == ERROR_INVALID_PARAMETER;
    }
    DWORD code = 0;
    const bool ended = GetExitCodeProcess(process, &code) != 0 && code != STILL_ACTIVE;
    CloseHandle(process);
    return ended;
}

std::string HostName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size)) {
        return {};
    }
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(n, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(size), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

EntryFacts EntryFactsOf(const fs::path& path) {
    EntryFacts facts;
    const HANDLE h = CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return facts;
    }
    FILE_BASIC_INFO info{};
    const bool known = GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info) != 0;
    CloseHandle(h);
    if (!known) {
        return facts;
    }
    constexpr DWORD kNotPlain =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    facts.regular = (info.FileAttributes & kNotPlain) == 0;
    facts.folder = (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                   (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    // The temporary folder and the user's folders are the user's own here.
    facts.own = true;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](DWORD high, DWORD low) {
        return static_cast<double>((static_cast<ULONGLONG>(high) << 32) | low);
    };
    const LONGLONG changed = std::max(info.ChangeTime.QuadPart, info.LastWriteTime.QuadPart);
    facts.changedSecondsAgo =
        (ticks(now.dwHighDateTime, now.dwLowDateTime) - static_cast<double>(changed)) * 1e-7;
    return facts;
}

bool HardLink(const fs::path& existing, const fs::path& name) {
    return CreateHardLinkW(name.c_str(), existing.c_str(), nullptr) != 0;
}

bool Rename(const fs::path& from, const fs::path& to) {
    // In place of a file there, the new one keeps that one's attributes.
    if (GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES &&
        ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr) != 0) {
        return true;
    }
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void Remove(const fs::path& path) {
    DeleteFileW(path.c_str());
}

bool SyncFolder(const fs::path&) {
    // The rename has written the folder through already.
    return true;
}

bool SyncFileSystem(const fs::path&) {
    // Flushing a whole volume takes an administrator: each file is flushed.
    return false;
}

namespace {

// The saves under way. A console's Ctrl+C, Ctrl+Break or close comes to a
// thread of its own: it waits there until they are done, and then goes on
// to end the program as it would have.
std::mutex heldMutex;
std::condition_variable allDone;
int holders = 0;

BOOL WINAPI WaitForSaves(DWORD) {
    std::unique_lock<std::mutex> lock(heldMutex);
    allDone.wait(lock, [] { return holders == 0; });
    return FALSE;
}

}  // namespace

EndingHeld::EndingHeld() {
    const std::lock_guard<std::mutex> lock(heldMutex);
    if (holders++ == 0) {
        SetConsoleCtrlHandler(WaitForSaves, TRUE);
    }
}

EndingHeld::~EndingHeld() {
    {
        const std::lock_guard<std::mutex> lock(heldMutex);
        if (--holders > 0) {
            return;
        }
        SetConsoleCtrlHandler(WaitForSaves, FALSE);
    }
    allDone.notify_all();
}

namespace {

// The folders a console's Ctrl+C or close removes. The handler runs on a
// thread of its own, so it may take the lock and remove as any code does.
std::mutex removedMutex;
std::vector<std::pair<int, fs::path>> removedFolders;
int lastRemovedSlot = 0;

BOOL WINAPI RemoveFolders(DWORD) {
    const std::lock_guard<std::mutex> lock(removedMutex);
    for (const auto& [slot, folder] : removedFolders) {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    removedFolders.clear();
    return FALSE;
}

}  // namespace

RemovedOnEnding::RemovedOnEnding(const fs::path& folder) {
    const std::lock_guard<std::mutex> lock(removedMutex);
    slot_ = ++lastRemovedSlot;
    if (removedFolders.empty()) {
        SetConsoleCtrlHandler(RemoveFolders, TRUE);
    }
    removedFolders.emplace_back(slot_, folder);
}

RemovedOnEnding::~RemovedOnEnding() {
    const std::lock_guard<std::mutex> lock(removedMutex);
    std::erase_if(removedFolders, [this](const auto& entry) { return entry.first == slot_; });
    if (removedFolders.empty()) {
        SetConsoleCtrlHandler(RemoveFolders, FALSE);
    }
}

namespace {

// The staging folders and the mark of this process's new files, kept where
// the end for lack of memory may read them without allocating.
constexpr int kStagingSlots = 32;
wchar_t stagingFolders[kStagingSlots][1024];
std::atomic<int> stagingCount{0};
wchar_t stagingMark[512];
const char* memoryMessage = "";

[[noreturn]] void EndForLackOfMemory() {
    static std::atomic_flag ending = ATOMIC_FLAG_INIT;
    if (ending.test_and_set()) {
        for (;;) {
            Sleep(INFINITE);  // another thread is ending the process
        }
    }
    const int folders = std::min(stagingCount.load(), kStagingSlots);
    for (int i = 0; i < folders; ++i) {
        wchar_t pattern[1100];
        if (swprintf(pattern, 1100, L"%ls\\*", stagingFolders[i]) < 0) {
            continue;
        }
        WIN32_FIND_DATAW found;
        const HANDLE find = FindFirstFileW(pattern, &found);
        if (find == INVALID_HANDLE_VALUE) {
            continue;
        }
        do {
            if (wcsstr(found.cFileName, stagingMark) != nullptr) {
                wchar_t name[1400];
                if (swprintf(name, 1400, L"%ls\\%ls", stagingFolders[i], found.cFileName) > 0) {
                    DeleteFileW(name);
                }
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    DWORD written = 0;
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    ::WriteFile(err, memoryMessage, static_cast<DWORD>(std::strlen(memoryMessage)), &written,
                nullptr);
    ::WriteFile(err, "\r\n", 2, &written, nullptr);
    ExitProcess(1);
}

void OutOfMemoryNew() {
    EndForLackOfMemory();
}

std::terminate_handler previousTerminate = nullptr;

void Terminating() {
    if (const std::exception_ptr thrown = std::current_exception()) {
        try {
            std::rethrow_exception(thrown);
        } catch (const std::bad_alloc&) {
            EndForLackOfMemory();
        } catch (...) {
        }
    }
    if (previousTerminate != nullptr) {
        previousTerminate();
    }
    std::abort();
}

}  // namespace

void NoteStagingFolder(const fs::path& folder, const std::string& mark) {
    static std::mutex noting;
    const std::lock_guard<std::mutex> lock(noting);
    const std::wstring path = folder.empty() ? std::wstring(L".") : folder.native();
    const std::wstring wideMark = fs::path(mark).native();
    if (wideMark.size() < std::size(stagingMark)) {
        std::wmemcpy(stagingMark, wideMark.c_str(), wideMark.size() + 1);
    }
    const int count = stagingCount.load();
    for (int i = 0; i < std::min(count, kStagingSlots); ++i) {
        if (path == stagingFolders[i]) {
            return;
        }
    }
    if (count >= kStagingSlots || path.size() >= std::size(stagingFolders[0])) {
        return;
    }
    std::wmemcpy(stagingFolders[count], path.c_str(), path.size() + 1);
    stagingCount.store(count + 1);
}

void EndWhenMemoryRunsOut(const char* message) {
    memoryMessage = message;
    std::set_new_handler(OutOfMemoryNew);
    previousTerminate = std::set_terminate(Terminating);
}

}  // namespace karnea::os
