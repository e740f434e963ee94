#include "base/diskfile.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace karnea {
namespace {

namespace fs = std::filesystem;

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool WriteAll(int fd, const std::string& bytes) {
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

// The file that a save really replaces: the end of a chain of symbolic links.
fs::path SaveTarget(const std::string& path) {
    std::error_code ec;
    fs::path target(path);
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) {
            return resolved;
        }
    }
    return target;
}

// Writes `bytes` into the existing file itself (truncated first when it is a
// regular file) and, for a regular file, syncs it.
bool WriteInPlace(const fs::path& target, const std::string& bytes, bool regular) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | (regular ? O_TRUNC : 0));
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, bytes);
    if (regular) {
        ok = ok && ::fsync(fd) == 0;
    }
    return (::close(fd) == 0) && ok;
}

#ifdef KARNEA_SAVE_FAULTS
SaveStep failingStep = SaveStep::none;
#endif

// Whether the test build makes this step of every save fail.
bool Fails(SaveStep step) {
#ifdef KARNEA_SAVE_FAULTS
    return failingStep == step;
#else
    (void)step;
    return false;
#endif
}

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

// Writes `bytes` into a new file `temp` beside `target` (with the
// permissions, owner and group of the file it is to replace, as far as the
// process may set them), flushed to disk. A new file that could not be
// written is removed.
Beside WriteBeside(const fs::path& target, const std::string& bytes, const struct stat* existing,
                   fs::path& temp) {
    const fs::path folder = target.parent_path();
    const std::string base = target.filename().string();
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder /
               ("." + base + ".save-" + std::to_string(::getpid()) + "-" + std::to_string(attempt));
        if (Fails(SaveStep::create)) {
            errno = ENOSPC;
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
    bool ok = !Fails(SaveStep::write) && WriteAll(fd, bytes);
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

// Holds back the signals that end a program (Ctrl+C, a terminal closed, a
// kill) while a save is under way: it finishes or cleans up first, so no
// temporary file is left behind; the signal then takes effect.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t ending;
        sigemptyset(&ending);
        sigaddset(&ending, SIGINT);
        sigaddset(&ending, SIGTERM);
        sigaddset(&ending, SIGHUP);
        held_ = ::pthread_sigmask(SIG_BLOCK, &ending, &previous_) == 0;
    }
    ~SignalsHeld() {
        if (held_) {
            ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
        }
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_{};
    bool held_ = false;
};

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
        const fs::path keep = s.target.parent_path() / ("." + s.target.filename().string() +
                                                        ".keep-" + std::to_string(::getpid()));
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
    if (!IsRegularFile(path)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        content.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return content;
}

std::optional<std::string> ReadFileStart(const std::string& path, std::size_t maxBytes) {
    if (!IsRegularFile(path)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string content(maxBytes, '\0');
    in.read(content.data(), static_cast<std::streamsize>(maxBytes));
    if (in.bad()) {
        return std::nullopt;
    }
    content.resize(static_cast<std::size_t>(in.gcount()));
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

bool ReplaceFile(const std::string& path, const std::string& bytes) {
    if (path.empty()) {
        return false;
    }
    const fs::path target = SaveTarget(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        return false;
    }
    // A file the user may not write stays untouched, as it would with an
    // in-place write.
    if (exists && ::access(target.c_str(), W_OK) != 0) {
        return false;
    }
    // A device or a pipe is written into: renaming a new file over it would
    // put a plain file where the device was.
    if (exists && !S_ISREG(existing.st_mode)) {
        return WriteInPlace(target, bytes, false);
    }

    const SignalsHeld held;
    fs::path temp;
    switch (WriteBeside(target, bytes, exists ? &existing : nullptr, temp)) {
        case Beside::cannotCreate:
            // A writable file in a folder the user may not write: the only way
            // to save is to write the file itself.
            return exists && WriteInPlace(target, bytes, true);
        case Beside::failed:
            return false;
        case Beside::written:
            break;
    }
    return Install({{temp, target, exists}});
}

bool ReplaceFiles(const std::vector<std::pair<std::string, std::string>>& files) {
    const SignalsHeld held;
    std::vector<Staged> staged;
    for (const auto& [path, bytes] : files) {
        const fs::path target = SaveTarget(path);
        struct stat existing {};
        const bool exists = ::stat(target.c_str(), &existing) == 0;
        // Only regular files the user may write are replaced together.
        fs::path temp;
        if (path.empty() || (exists && !S_ISREG(existing.st_mode)) ||
            (exists && ::access(target.c_str(), W_OK) != 0) ||
            WriteBeside(target, bytes, exists ? &existing : nullptr, temp) != Beside::written) {
            for (const Staged& s : staged) {
                ::unlink(s.temp.c_str());
            }
            return false;
        }
        staged.push_back({temp, target, exists});
    }
    return Install(staged);
}

#ifdef KARNEA_SAVE_FAULTS
void FailSaveStep(SaveStep step) {
    failingStep = step;
}
#endif

bool FolderUsable(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::error_code ec;
    std::filesystem::path folder(path);
    while (!std::filesystem::exists(folder, ec)) {
        if (ec || !folder.has_parent_path() || folder.parent_path() == folder) {
            return false;
        }
        folder = folder.parent_path();
    }
    return std::filesystem::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace karnea
