#include "base/diskfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>

namespace karnea {
namespace {

namespace fs = std::filesystem;

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
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

// The file that a save really replaces: the end of a chain of symbolic
// links, followed link by link so that a broken link names the file to
// create. Nothing for a loop (or a chain too long to be anything else).
std::optional<fs::path> SaveTarget(const std::string& path) {
    fs::path target(path);
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return target;
        }
        std::error_code ec;
        const fs::path link = fs::read_symlink(target, ec);
        if (ec) {
            return std::nullopt;
        }
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return std::nullopt;
}

// The names a save gives its files beside the target: ".NAME.save-PID-N"
// for a new file, ".NAME.keep-PID" for the previous file's second name.
std::string SaveFileName(const fs::path& target, int attempt) {
    return "." + target.filename().string() + ".save-" + std::to_string(::getpid()) + "-" +
           std::to_string(attempt);
}
std::string KeepFileName(const fs::path& target) {
    return "." + target.filename().string() + ".keep-" + std::to_string(::getpid());
}

// Writes `bytes` into a device or a pipe.
bool WriteIntoDevice(const fs::path& target, const std::string& bytes) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = WriteAll(fd, bytes);
    return (::close(fd) == 0) && ok;
}

#ifdef KARNEA_SAVE_FAULTS
unsigned failingSteps = 0;
#endif

// Whether the test build makes this step of every save fail.
bool Fails(SaveStep step) {
#ifdef KARNEA_SAVE_FAULTS
    return (failingSteps & (1u << static_cast<unsigned>(step))) != 0;
#else
    (void)step;
    return false;
#endif
}

// Lets no step fail while it lives: the test build fails a step of the way
// forward, never of the way back.
class NoFaultsHere {
#ifdef KARNEA_SAVE_FAULTS
public:
    NoFaultsHere() : failing_(failingSteps) {
        failingSteps = 0;
    }
    ~NoFaultsHere() {
        failingSteps = failing_;
    }
    NoFaultsHere(const NoFaultsHere&) = delete;
    NoFaultsHere& operator=(const NoFaultsHere&) = delete;

private:
    unsigned failing_;
#endif
};

bool SyncFolder(const fs::path& folder) {
    if (Fails(SaveStep::syncFolder)) {
        return false;
    }
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return true;  // a folder that cannot be opened cannot be synced either
    }
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return ok;
}

enum class Beside { written, cannotCreate, failed };

// Writes what `produce` gives into a new file `temp` beside `target` (with
// the permissions, owner and group of the file it is to replace, as far as
// the process may set them), flushed to disk. A new file that could not be
// written is removed.
Beside WriteBeside(const fs::path& target, const ContentProducer& produce,
                   const struct stat* existing, fs::path& temp) {
    const fs::path folder = target.parent_path();
    const std::string base = target.filename().string();
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder / SaveFileName(target, attempt);
        if (Fails(SaveStep::create) || Fails(SaveStep::createDenied)) {
            errno = Fails(SaveStep::create) ? ENOSPC : EACCES;
            break;
        }
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        // Only a folder the user may not write calls for writing the file
        // itself; a full or broken disk must not have its file truncated.
        return errno == EACCES || errno == EPERM ? Beside::cannotCreate : Beside::failed;
    }
    bool ok = !Fails(SaveStep::write) &&
              produce([fd](std::string_view chunk) { return WriteAll(fd, chunk); });
    if (ok && existing != nullptr) {
        ok = ::fchmod(fd, existing->st_mode & 07777) == 0;
        [[maybe_unused]] const int kept = ::fchown(fd, existing->st_uid, existing->st_gid);
    }
    ok = ok && !Fails(SaveStep::sync) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && !Fails(SaveStep::flush) && ok;
    if (!ok) {
        ::unlink(temp.c_str());
        return Beside::failed;
    }
    return Beside::written;
}

// The signals that end a program when nobody handles them, and that a user
// or the system sends to stop it (Ctrl+C, Ctrl+\, a terminal closed, kill).
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM};
constexpr std::size_t kEndingSignalCount = std::size(kEndingSignals);

// What the process did with those signals before the saves under way began.
// Signal dispositions belong to the whole process, so this state does too.
std::mutex savesMutex;
int savesUnderWay = 0;
struct sigaction previousActions[kEndingSignalCount];
volatile std::sig_atomic_t notedSignal = 0;

extern "C" void NoteEndingSignal(int signal) {
    notedSignal = signal;
}

// While a save is under way an ending signal is only noted, whichever of the
// process's threads it is given to: the save finishes or cleans up first, so
// no temporary file is left behind and no file is left half written; the
// signal then takes effect as it would have.
class SignalsHeld {
public:
    SignalsHeld() {
        const std::lock_guard<std::mutex> lock(savesMutex);
        if (savesUnderWay++ > 0) {
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
    ~SignalsHeld() {
        int noted = 0;
        {
            const std::lock_guard<std::mutex> lock(savesMutex);
            if (--savesUnderWay > 0) {
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
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
};

// The process number in a name of the two forms above, or 0 for any other.
long SaverOf(std::string_view name) {
    // The number the digits make, or -1 when they are not all digits.
    const auto number = [](std::string_view digits) -> long {
        if (digits.empty() || digits.size() > 9 ||
            digits.find_first_not_of("0123456789") != std::string_view::npos) {
            return -1;
        }
        return std::strtol(std::string(digits).c_str(), nullptr, 10);
    };
    if (name.size() < 2 || name[0] != '.') {
        return 0;
    }
    if (const std::size_t at = name.rfind(".keep-"); at != std::string_view::npos && at > 1) {
        return number(name.substr(at + 6));
    }
    const std::size_t at = name.rfind(".save-");
    if (at == std::string_view::npos || at < 2) {
        return 0;
    }
    const std::string_view rest = name.substr(at + 6);
    const std::size_t dash = rest.find('-');
    if (dash == std::string_view::npos || number(rest.substr(dash + 1)) < 0) {
        return 0;
    }
    return number(rest.substr(0, dash));
}

// A save file is left over when the process that made it has ended (killed
// before it could clean up) and a while has passed, so that a save running
// on another computer sharing the folder is never disturbed.
constexpr std::time_t kLeftOverAfterSeconds = 60;

// Removes the files that ended saves left in `folder`.
void RemoveLeftOverSaveFiles(const fs::path& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const long saver = SaverOf(entry->d_name);
        if (saver <= 0 || saver == ::getpid() || ::kill(static_cast<pid_t>(saver), 0) == 0 ||
            errno != ESRCH) {
            continue;
        }
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && now - st.st_mtime >= kLeftOverAfterSeconds) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

// Writes `bytes` at the start of an open file. The test build's write fault
// stops after half of them.
bool WriteAtStart(int fd, const std::string& bytes) {
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        return false;
    }
    if (Fails(SaveStep::write)) {
        WriteAll(fd, bytes.substr(0, bytes.size() / 2));
        return false;
    }
    return WriteAll(fd, bytes);
}

// The user's temporary folder.
fs::path TemporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? fs::path(tmp) : fs::path("/tmp");
}

// A copy of a file's content made before the file is written in place,
// beside it where the folder allows, else in the temporary folder, named
// "NAME.before-save-PID" so that the user finds it should the program be
// killed while it writes. Empty when no copy could be made.
fs::path KeepCopy(const fs::path& target, const std::string& content) {
    for (const fs::path& folder : {target.parent_path(), TemporaryFolder()}) {
        const fs::path copy =
            (folder.empty() ? fs::path(".") : folder) /
            (target.filename().string() + ".before-save-" + std::to_string(::getpid()));
        if (Fails(SaveStep::copy)) {
            return {};
        }
        const int fd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            continue;
        }
        const bool ok = WriteAll(fd, content) && ::fsync(fd) == 0;
        if ((::close(fd) == 0) && ok) {
            return copy;
        }
        ::unlink(copy.c_str());
        return {};  // a full disk: no safe way to write in place
    }
    return {};
}

// Writes `bytes` into the regular file itself, for a writable file in a
// folder the user may not write. The previous content survives any failure:
// a copy of it is kept first; the new bytes go over the old ones without
// cutting the file, which is cut to their length only when all of them are
// on disk; a failure writes the old content back. The copy goes once the file
// holds one whole content or the other.
bool WriteInPlace(const fs::path& target, const std::string& bytes) {
    const std::optional<std::string> previous = ReadWholeFile(target.string());
    if (!previous) {
        return false;
    }
    const fs::path copy = KeepCopy(target, *previous);
    if (copy.empty()) {
        return false;
    }
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        ::unlink(copy.c_str());
        return false;
    }
    const auto put = [fd](const std::string& content) {
        return WriteAtStart(fd, content) && !Fails(SaveStep::sync) && ::fsync(fd) == 0 &&
               !Fails(SaveStep::truncate) &&
               ::ftruncate(fd, static_cast<off_t>(content.size())) == 0 && ::fsync(fd) == 0;
    };
    const bool written = put(bytes);
    bool whole = written;
    if (!written) {
        [[maybe_unused]] const NoFaultsHere wayBack;
        whole = put(*previous);
    }
    whole = (::close(fd) == 0) && whole;
    if (whole) {
        ::unlink(copy.c_str());
    }
    return written && whole;
}

// A new file written beside the file it is to replace.
struct Staged {
    fs::path temp;
    fs::path target;
    bool existed;
};

// Gives the new files their names. Each previous file keeps a second name
// until every new one is safely in place, so that all of them come back
// when a rename or a folder sync fails; no new file stays then.
bool Install(const std::vector<Staged>& staged) {
    std::vector<fs::path> keeps(staged.size());
    std::size_t done = 0;
    bool ok = true;
    for (; done < staged.size() && ok; ++done) {
        const Staged& s = staged[done];
        const fs::path keep = s.target.parent_path() / KeepFileName(s.target);
        if (s.existed && ::link(s.target.c_str(), keep.c_str()) == 0) {
            keeps[done] = keep;
        }
        ok = !Fails(SaveStep::rename) && ::rename(s.temp.c_str(), s.target.c_str()) == 0;
        ok = ok && SyncFolder(s.target.parent_path());
    }
    if (ok) {
        for (const fs::path& keep : keeps) {
            if (!keep.empty()) {
                ::unlink(keep.c_str());
            }
        }
        return true;
    }
    // The last one tried may or may not have its new name: every one tried
    // goes back, and the new files not installed go away.
    for (std::size_t i = 0; i < staged.size(); ++i) {
        const Staged& s = staged[i];
        ::unlink(s.temp.c_str());
        if (i >= done) {
            continue;
        }
        if (!keeps[i].empty()) {
            // A rename between two names of one file does nothing: the
            // second name goes away by itself then.
            ::rename(keeps[i].c_str(), s.target.c_str());
            ::unlink(keeps[i].c_str());
        } else if (!s.existed) {
            ::unlink(s.target.c_str());
        }
    }
    return false;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
    return ReadFileStart(path, std::string::npos);
}

std::optional<std::string> ReadFileStart(const std::string& path, std::size_t maxBytes) {
    if (!IsRegularFile(path)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    // In pieces, so that a short file costs only what it holds.
    std::string content;
    char buffer[65536];
    while (content.size() < maxBytes) {
        const std::size_t want = std::min(sizeof buffer, maxBytes - content.size());
        in.read(buffer, static_cast<std::streamsize>(want));
        content.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (!in) {
            break;
        }
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return content;
}

std::optional<std::vector<std::string>> ReadTextLines(const std::string& path, std::size_t maxLines,
                                                      std::size_t maxLineBytes) {
    if (!IsRegularFile(path)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::string line;
    std::size_t length = 0;  // of the line as the file has it
    bool open = false;       // a line has begun and not ended yet
    char buffer[65536];
    while (lines.size() < maxLines && (in.read(buffer, sizeof buffer) || in.gcount() > 0)) {
        const std::string_view chunk(buffer, static_cast<std::size_t>(in.gcount()));
        std::size_t start = 0;
        while (start < chunk.size() && lines.size() < maxLines) {
            const std::size_t end = chunk.find('\n', start);
            const std::string_view piece = chunk.substr(
                start, end == std::string_view::npos ? std::string_view::npos : end - start);
            if (line.size() < maxLineBytes) {
                line.append(piece.substr(0, maxLineBytes - line.size()));
            }
            length += piece.size();
            open = true;
            if (end == std::string_view::npos) {
                break;
            }
            // The CR of a CR LF ends the line, unless the line was cut.
            if (length <= maxLineBytes && !line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(std::move(line));
            line.clear();
            length = 0;
            open = false;
            start = end + 1;
        }
    }
    if (in.bad()) {
        return std::nullopt;
    }
    if (open && lines.size() < maxLines) {
        lines.push_back(std::move(line));
    }
    return lines;
}

namespace {

// Where a save of `path` goes: the file itself (links followed) and what is
// there now. Nothing for a name no save may take: none, a loop of links, a
// folder, a file the user may not write.
struct SaveSpot {
    fs::path target;
    bool exists = false;
    struct stat existing {};
    // A device or a pipe: written into, since renaming a new file over it
    // would put a plain file where it was.
    bool Device() const { return exists && !S_ISREG(existing.st_mode); }
};
std::optional<SaveSpot> SpotOf(const std::string& path) {
    const std::optional<fs::path> target = path.empty() ? std::nullopt : SaveTarget(path);
    if (!target) {
        return std::nullopt;
    }
    SaveSpot spot;
    spot.target = *target;
    spot.exists = ::stat(target->c_str(), &spot.existing) == 0;
    if (spot.exists && (S_ISDIR(spot.existing.st_mode) || ::access(target->c_str(), W_OK) != 0)) {
        return std::nullopt;
    }
    return spot;
}

}  // namespace

bool ReplaceFile(const std::string& path, const std::string& bytes) {
    return ReplaceFiles({{path, bytes}});
}

bool ReplaceFiles(const std::vector<std::pair<std::string, std::string>>& files) {
    // Held from the first regular file on: writing into a pipe may wait for
    // its reader, and the user must be able to stop that.
    std::optional<SignalsHeld> held;
    std::vector<Staged> staged;
    const auto fail = [&] {
        for (const Staged& s : staged) {
            ::unlink(s.temp.c_str());
        }
        return false;
    };
    for (const auto& [path, bytes] : files) {
        const std::optional<SaveSpot> spot = SpotOf(path);
        if (!spot) {
            return fail();
        }
        // A single device or pipe is written into.
        if (spot->Device()) {
            return files.size() == 1 ? WriteIntoDevice(spot->target, bytes) : fail();
        }
        if (!held) {
            held.emplace();
        }
        RemoveLeftOverSaveFiles(spot->target.parent_path());
        fs::path temp;
        const std::string& content = bytes;  // a binding cannot be captured everywhere
        const ContentProducer whole = [&content](const ContentWriter& put) { return put(content); };
        switch (WriteBeside(spot->target, whole, spot->exists ? &spot->existing : nullptr, temp)) {
            case Beside::cannotCreate:
                // A single writable file in a folder the user may not write:
                // the only way to save is to write the file itself.
                return files.size() == 1 && spot->exists ? WriteInPlace(spot->target, bytes)
                                                         : fail();
            case Beside::failed:
                return fail();
            case Beside::written:
                break;
        }
        staged.push_back({temp, spot->target, spot->exists});
    }
    return Install(staged);
}

bool ReplaceFileStreamed(const std::string& path, const ContentProducer& produce) {
    // What cannot be streamed beside the file (a device, a folder the user
    // may not write) is collected first and saved as every other file is.
    const auto whole = [&] {
        std::string bytes;
        return produce([&bytes](std::string_view chunk) {
                   bytes.append(chunk);
                   return true;
               }) &&
               ReplaceFile(path, bytes);
    };
    const std::optional<SaveSpot> spot = SpotOf(path);
    if (!spot) {
        return false;
    }
    if (spot->Device()) {
        return whole();
    }
    const fs::path& target = spot->target;
    const bool exists = spot->exists;
    RemoveLeftOverSaveFiles(target.parent_path());
    // The content is produced outside the signal guard (it may take long and
    // the user must be able to stop it); a new file a stop leaves behind is
    // removed by a later save into the folder.
    fs::path temp;
    switch (WriteBeside(target, produce, exists ? &spot->existing : nullptr, temp)) {
        case Beside::cannotCreate:
            return exists && whole();
        case Beside::failed:
            return false;
        case Beside::written:
            break;
    }
    const SignalsHeld held;
    return Install({{temp, target, exists}});
}

#ifdef KARNEA_SAVE_FAULTS
void FailSaveStep(SaveStep step) {
    if (step == SaveStep::none) {
        failingSteps = 0;
    } else {
        failingSteps |= 1u << static_cast<unsigned>(step);
    }
}
#endif

bool FolderUsable(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::error_code ec;
    std::filesystem::path folder(path);
    while (!std::filesystem::exists(folder, ec)) {
        if (ec || folder.parent_path() == folder) {
            return false;
        }
        // A relative name without a folder part lies in the current folder.
        folder = folder.has_parent_path() ? folder.parent_path() : std::filesystem::path(".");
    }
    return std::filesystem::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace karnea
