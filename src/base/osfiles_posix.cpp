#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <exception>
#include <iterator>
#include <mutex>
#include <new>
#include <string>

#include "base/osfiles.h"

namespace karnea::os {
namespace {

int Fd(std::intptr_t handle) {
    return static_cast<int>(handle);
}

}  // namespace

FileFacts FactsOf(const fs::path& path) {
    FileFacts facts;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return facts;
    }
    facts.exists = true;
    facts.regular = S_ISREG(st.st_mode);
    facts.directory = S_ISDIR(st.st_mode);
    facts.writable = ::access(path.c_str(), W_OK) == 0;
    facts.mode = st.st_mode & 07777;
    facts.owner = st.st_uid;
    facts.group = st.st_gid;
    return facts;
}

bool FolderWritable(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

WriteFile WriteFile::CreateNew(const fs::path& path, bool isPrivate) {
    WriteFile file;
    file.handle_ =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, isPrivate ? 0600 : 0666);
    if (file.handle_ < 0) {
        file.failure_ = errno == EEXIST                     ? Failure::exists
                        : errno == EACCES || errno == EPERM ? Failure::denied
                                                            : Failure::other;
    }
    return file;
}

WriteFile WriteFile::OpenExisting(const fs::path& path) {
    WriteFile file;
    file.handle_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (file.handle_ < 0) {
        file.failure_ = errno == EACCES || errno == EPERM ? Failure::denied : Failure::other;
    }
    return file;
}

WriteFile::WriteFile(WriteFile&& other) noexcept
    : handle_(other.handle_), failure_(other.failure_) {
    other.handle_ = -1;
}

WriteFile::~WriteFile() {
    if (IsOpen()) {
        ::close(Fd(handle_));
    }
}

bool WriteFile::IsOpen() const {
    return handle_ >= 0;
}

bool WriteFile::Write(std::string_view bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(Fd(handle_), data, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteFile::Rewind() {
    return ::lseek(Fd(handle_), 0, SEEK_SET) == 0;
}

bool WriteFile::Sync() {
    return ::fsync(Fd(handle_)) == 0;
}

bool WriteFile::Truncate(std::uint64_t size) {
    return ::ftruncate(Fd(handle_), static_cast<off_t>(size)) == 0;
}

bool WriteFile::TakeAccessOf(const FileFacts& previous) {
    const bool ok = ::fchmod(Fd(handle_), previous.mode) == 0;
    [[maybe_unused]] const int kept = ::fchown(Fd(handle_), previous.owner, previous.group);
    return ok;
}

bool WriteFile::Close() {
    const int fd = Fd(handle_);
    handle_ = -1;
    return ::close(fd) == 0;
}

long ProcessId() {
    return ::getpid();
}

bool ProcessEnded(long id) {
    return ::kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH;
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return {};
    }
    return name;
}

EntryFacts EntryFactsOf(const fs::path& path) {
    EntryFacts facts;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return facts;
    }
    facts.regular = S_ISREG(st.st_mode);
    facts.folder = S_ISDIR(st.st_mode);
    facts.own = st.st_uid == ::geteuid();
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    facts.changedSecondsAgo = static_cast<double>(now.tv_sec - st.st_ctim.tv_sec) +
                              static_cast<double>(now.tv_nsec - st.st_ctim.tv_nsec) * 1e-9;
    return facts;
}

bool HardLink(const fs::path& existing, const fs::path& name) {
    return ::link(existing.c_str(), name.c_str()) == 0;
}

bool Rename(const fs::path& from, const fs::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void Remove(const fs::path& path) {
    ::unlink(path.c_str());
}

bool SyncFolder(const fs::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return true;  // a folder that cannot be opened cannot be synced either
    }
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return ok;
}

bool SyncFileSystem(const fs::path& folder) {
#ifdef __linux__
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::syncfs(fd) == 0;
    ::close(fd);
    return ok;
#else
    (void)folder;
    return false;
#endif
}

namespace {

// The signals that end a program when nobody handles them, and that a user
// or the system sends to stop it (Ctrl+C, Ctrl+\, a terminal closed, kill).
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM};
constexpr std::size_t kEndingSignalCount = std::size(kEndingSignals);

// What the process did with those signals before the saves under way began.
// Signal dispositions belong to the whole process, so this state does too.
std::mutex heldMutex;
int holders = 0;
struct sigaction previousActions[kEndingSignalCount];
volatile std::sig_atomic_t notedSignal = 0;

extern "C" void NoteEndingSignal(int signal) {
    notedSignal = signal;
}

// The folders an ending signal removes, kept where a signal handler may
// read them (a slot is filled before it is marked used), and what the
// process did with the signals before there were any.
constexpr int kRemovedSlots = 8;
char removedPaths[kRemovedSlots][4096];
volatile std::sig_atomic_t removedUsed[kRemovedSlots];
int removedCount = 0;
struct sigaction beforeRemoved[kEndingSignalCount];

// Removes the files in a folder and the folder, with calls a signal handler
// may make.
void RemoveFlatFolder(const char* path) {
#ifdef __linux__
    // Names removed while the list is read may hide others: read it again.
    for (int pass = 0; pass < 3; ++pass) {
        const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return;
        }
        alignas(struct dirent64) static thread_local char buffer[8192];
        ssize_t n = 0;
        bool removedAny = false;
        while ((n = ::getdents64(fd, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < n;) {
                const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
                const char* name = entry->d_name;
                if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) {
                    removedAny = ::unlinkat(fd, name, 0) == 0 || removedAny;
                }
                at += entry->d_reclen;
            }
        }
        ::close(fd);
        if (::rmdir(path) == 0 || !removedAny) {
            return;
        }
    }
#else
    ::rmdir(path);
#endif
}

extern "C" void RemoveFoldersAndEnd(int signal) {
    for (int i = 0; i < kRemovedSlots; ++i) {
        if (removedUsed[i] != 0) {
            RemoveFlatFolder(removedPaths[i]);
        }
    }
    // The action before the folders: the standard one ends the program
    // once this handler returns.
    for (std::size_t i = 0; i < kEndingSignalCount; ++i) {
        if (kEndingSignals[i] == signal) {
            ::sigaction(signal, &beforeRemoved[i], nullptr);
        }
    }
    ::raise(signal);
}

// The staging folders and the mark of this process's new files, kept where
// the end for lack of memory may read them without allocating.
constexpr int kStagingSlots = 32;
char stagingFolders[kStagingSlots][4096];
std::atomic<int> stagingCount{0};
char stagingMark[512];
const char* memoryMessage = "";

// Removes the names holding the mark in a folder, with calls that allocate
// nothing.
void RemoveStaged(const char* folder) {
#ifdef __linux__
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    // Not on the stack: a crash may leave little of it.
    alignas(struct dirent64) static thread_local char buffer[8192];
    ssize_t n = 0;
    while ((n = ::getdents64(fd, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
            if (std::strstr(entry->d_name, stagingMark) != nullptr) {
                ::unlinkat(fd, entry->d_name, 0);
            }
            at += entry->d_reclen;
        }
    }
    ::close(fd);
#else
    (void)folder;
#endif
}

// The folders registered for an ending, and this process's new files in the
// staging folders.
void RemoveWhatThisProcessLeft() {
    for (int i = 0; i < kRemovedSlots; ++i) {
        if (removedUsed[i] != 0) {
            RemoveFlatFolder(removedPaths[i]);
        }
    }
    const int folders = std::min(stagingCount.load(), kStagingSlots);
    for (int i = 0; i < folders; ++i) {
        RemoveStaged(stagingFolders[i]);
    }
}

[[noreturn]] void EndForLackOfMemory() {
    static std::atomic_flag ending = ATOMIC_FLAG_INIT;
    if (ending.test_and_set()) {
        for (;;) {
            ::pause();  // another thread is ending the process
        }
    }
    RemoveWhatThisProcessLeft();
    [[maybe_unused]] ssize_t written =
        ::write(STDERR_FILENO, memoryMessage, std::strlen(memoryMessage));
    written = ::write(STDERR_FILENO, "\n", 1);
    ::_exit(1);
}

void OutOfMemory() {
    EndForLackOfMemory();
}

// Whether the process has used (nearly) all the address space it may: the
// libraries that do not say when an allocation fails then crash instead.
// Read with calls that allocate nothing.
bool NearAddressSpaceLimit() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return false;
    }
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char text[64] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    unsigned long long pages = 0;
    for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
        pages = pages * 10 + static_cast<unsigned long long>(text[i] - '0');
    }
    const auto used = pages * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE));
    return used + (std::uint64_t(16) << 20) >= limit.rlim_cur;
}

// A crash: for lack of memory when the process is at its limit; otherwise
// what this process staged goes, and the crash takes its course (the
// handler is reset, the fault happens again).
extern "C" void Crashed(int signal) {
    if (NearAddressSpaceLimit()) {
        EndForLackOfMemory();
    }
    RemoveWhatThisProcessLeft();
    ::raise(signal);  // sent by another process: it takes effect all the same
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

// An ending signal is only noted while a save is under way, whichever of the
// process's threads it is given to; it is raised again when the last save
// is done, and takes effect as it would have.
EndingHeld::EndingHeld() {
    const std::lock_guard<std::mutex> lock(heldMutex);
    if (holders++ > 0) {
        return;
    }
    struct sigaction note {};
    note.sa_handler = NoteEndingSignal;
    sigfillset(&note.sa_mask);
    note.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kEndingSignalCount; ++i) {
        ::sigaction(kEndingSignals[i], &note, &previousActions[i]);
    }
}

EndingHeld::~EndingHeld() {
    int noted = 0;
    {
        const std::lock_guard<std::mutex> lock(heldMutex);
        if (--holders > 0) {
            return;
        }
        for (std::size_t i = 0; i < kEndingSignalCount; ++i) {
            ::sigaction(kEndingSignals[i], &previousActions[i], nullptr);
        }
        noted = notedSignal;
        notedSignal = 0;
    }
    if (noted != 0) {
        ::raise(noted);
    }
}

// The handler goes in while a folder is registered. While saves hold the
// signals, it takes the place of the action they put back.
RemovedOnEnding::RemovedOnEnding(const fs::path& folder) {
    const std::string path = folder.string();
    const std::lock_guard<std::mutex> lock(heldMutex);
    for (int i = 0; i < kRemovedSlots && slot_ < 0; ++i) {
        if (removedUsed[i] == 0 && path.size() < sizeof removedPaths[i]) {
            std::memcpy(removedPaths[i], path.c_str(), path.size() + 1);
            removedUsed[i] = 1;
            slot_ = i;
        }
    }
    if (slot_ < 0 || removedCount++ > 0) {
        return;
    }
    struct sigaction remove {};
    remove.sa_handler = RemoveFoldersAndEnd;
    sigfillset(&remove.sa_mask);
    for (std::size_t i = 0; i < kEndingSignalCount; ++i) {
        if (holders > 0) {
            beforeRemoved[i] = previousActions[i];
            previousActions[i] = remove;
        } else {
            ::sigaction(kEndingSignals[i], &remove, &beforeRemoved[i]);
        }
    }
}

RemovedOnEnding::~RemovedOnEnding() {
    if (slot_ < 0) {
        return;
    }
    const std::lock_guard<std::mutex> lock(heldMutex);
    removedUsed[slot_] = 0;
    if (--removedCount > 0) {
        return;
    }
    for (std::size_t i = 0; i < kEndingSignalCount; ++i) {
        if (holders > 0) {
            previousActions[i] = beforeRemoved[i];
        } else {
            ::sigaction(kEndingSignals[i], &beforeRemoved[i], nullptr);
        }
    }
}

void NoteStagingFolder(const fs::path& folder, const std::string& mark) {
    static std::mutex noting;
    const std::lock_guard<std::mutex> lock(noting);
    const std::string path = folder.empty() ? std::string(".") : folder.string();
    if (mark.size() < sizeof stagingMark) {
        std::memcpy(stagingMark, mark.c_str(), mark.size() + 1);
    }
    const int count = stagingCount.load();
    for (int i = 0; i < std::min(count, kStagingSlots); ++i) {
        if (path == stagingFolders[i]) {
            return;
        }
    }
    if (count >= kStagingSlots || path.size() >= sizeof stagingFolders[0]) {
        return;
    }
    std::memcpy(stagingFolders[count], path.c_str(), path.size() + 1);
    stagingCount.store(count + 1);
}

void EndWhenMemoryRunsOut(const char* message) {
    memoryMessage = message;
    std::set_new_handler(OutOfMemory);
    previousTerminate = std::set_terminate(Terminating);
    struct sigaction crash {};
    crash.sa_handler = Crashed;
    sigfillset(&crash.sa_mask);
    crash.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGSEGV, SIGBUS}) {
        ::sigaction(signal, &crash, nullptr);
    }
}

}  // namespace karnea::os
