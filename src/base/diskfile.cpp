#include "base/diskfile.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/osfiles.h"
#include "base/system.h"

namespace karnea {
namespace {

namespace fs = std::filesystem;

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(PathOf(path), ec);
}

// The file that a save really replaces: the end of a chain of symbolic
// links, followed link by link so that a broken link names the file to
// create. Nothing for a loop (or a chain too long to be anything else).
std::optional<fs::path> SaveTarget(const std::string& path) {
    fs::path target = PathOf(path);
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(target, ec))) {
            return target;
        }
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
fs::path BesideTarget(const fs::path& target, const std::string& ending) {
    fs::path name = PathOf(".");
    name += target.filename();
    name += PathOf(ending);
    return target.parent_path() / name;
}
fs::path SaveFileName(const fs::path& target, int attempt) {
    return BesideTarget(target,
                        ".save-" + std::to_string(os::ProcessId()) + "-" + std::to_string(attempt));
}
fs::path KeepFileName(const fs::path& target) {
    return BesideTarget(target, ".keep-" + std::to_string(os::ProcessId()));
}

// Writes `bytes` into a device or a pipe.
bool WriteIntoDevice(const fs::path& target, const std::string& bytes) {
    os::WriteFile file = os::WriteFile::OpenExisting(target);
    if (!file.IsOpen()) {
        return false;
    }
    const bool ok = file.Write(bytes);
    return file.Close() && ok;
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
    return !Fails(SaveStep::syncFolder) && os::SyncFolder(folder);
}

enum class Beside { written, cannotCreate, failed };

// Writes what `produce` gives into a new file `temp` beside `target` (with
// the permissions, owner and group of the file it is to replace, as far as
// the process may set them), flushed to disk. A new file that could not be
// written is removed.
Beside WriteBeside(const fs::path& target, const ContentProducer& produce,
                   const os::FileFacts* existing, fs::path& temp) {
    std::optional<os::WriteFile> file;
    os::WriteFile::Failure failure = os::WriteFile::Failure::exists;
    for (int attempt = 0; attempt < 100 && failure == os::WriteFile::Failure::exists; ++attempt) {
        temp = SaveFileName(target, attempt);
        if (Fails(SaveStep::create) || Fails(SaveStep::createDenied)) {
            failure = Fails(SaveStep::create) ? os::WriteFile::Failure::other
                                              : os::WriteFile::Failure::denied;
            break;
        }
        file.emplace(os::WriteFile::CreateNew(temp, false));
        failure = file->failure();
    }
    if (failure != os::WriteFile::Failure::none) {
        // Only a folder the user may not write calls for writing the file
        // itself; a full or broken disk must not have its file truncated.
        return failure == os::WriteFile::Failure::denied ? Beside::cannotCreate : Beside::failed;
    }
    bool ok = !Fails(SaveStep::write) &&
              produce([&file](std::string_view chunk) { return file->Write(chunk); });
    if (ok && existing != nullptr) {
        ok = file->TakeAccessOf(*existing);
    }
    ok = ok && !Fails(SaveStep::sync) && file->Sync();
    ok = file->Close() && !Fails(SaveStep::flush) && ok;
    if (!ok) {
        os::Remove(temp);
        return Beside::failed;
    }
    return Beside::written;
}

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
constexpr int kLeftOverAfterSeconds = 60;

// Removes the files that ended saves left in `folder`.
void RemoveLeftOverSaveFiles(const fs::path& folder) {
    std::error_code ec;
    fs::directory_iterator entries(folder.empty() ? fs::path(".") : folder, ec);
    if (ec) {
        return;
    }
    const auto now = fs::file_time_type::clock::now();
    for (const fs::directory_entry& entry : entries) {
        const long saver = SaverOf(PathText(entry.path().filename()));
        if (saver <= 0 || saver == os::ProcessId() || !os::ProcessEnded(saver)) {
            continue;
        }
        std::error_code e;
        const fs::file_time_type written = fs::last_write_time(entry.path(), e);
        if (!e && fs::is_regular_file(fs::symlink_status(entry.path(), e)) &&
            now - written >= std::chrono::seconds(kLeftOverAfterSeconds)) {
            os::Remove(entry.path());
        }
    }
}

// Writes `bytes` at the start of an open file. The test build's write fault
// stops after half of them.
bool WriteAtStart(os::WriteFile& file, const std::string& bytes) {
    if (!file.Rewind()) {
        return false;
    }
    if (Fails(SaveStep::write)) {
        file.Write(std::string_view(bytes).substr(0, bytes.size() / 2));
        return false;
    }
    return file.Write(bytes);
}

// The user's temporary folder.
fs::path TemporaryFolder() {
    std::error_code ec;
    const fs::path folder = fs::temp_directory_path(ec);
    return ec ? fs::path() : folder;
}

// A copy of a file's content made before the file is written in place,
// beside it where the folder allows, else in the temporary folder, named
// "NAME.before-save-PID" so that the user finds it should the program be
// killed while it writes. Empty when no copy could be made.
fs::path KeepCopy(const fs::path& target, const std::string& content) {
    for (const fs::path& folder : {target.parent_path(), TemporaryFolder()}) {
        fs::path copy = (folder.empty() ? fs::path(".") : folder) / target.filename();
        copy += PathOf(".before-save-" + std::to_string(os::ProcessId()));
        if (Fails(SaveStep::copy)) {
            return {};
        }
        os::WriteFile file = os::WriteFile::CreateNew(copy, true);
        if (!file.IsOpen()) {
            continue;
        }
        const bool ok = file.Write(content) && file.Sync();
        if (file.Close() && ok) {
            return copy;
        }
        os::Remove(copy);
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
    const std::optional<std::string> previous = ReadWholeFile(PathText(target));
    if (!previous) {
        return false;
    }
    const fs::path copy = KeepCopy(target, *previous);
    if (copy.empty()) {
        return false;
    }
    os::WriteFile file = os::WriteFile::OpenExisting(target);
    if (!file.IsOpen()) {
        os::Remove(copy);
        return false;
    }
    const auto put = [&file](const std::string& content) {
        return WriteAtStart(file, content) && !Fails(SaveStep::sync) && file.Sync() &&
               !Fails(SaveStep::truncate) && file.Truncate(content.size()) && file.Sync();
    };
    const bool written = put(bytes);
    bool whole = written;
    if (!written) {
        [[maybe_unused]] const NoFaultsHere wayBack;
        whole = put(*previous);
    }
    whole = file.Close() && whole;
    if (whole) {
        os::Remove(copy);
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
        const fs::path keep = KeepFileName(s.target);
        if (s.existed && os::HardLink(s.target, keep)) {
            keeps[done] = keep;
        }
        ok = !Fails(SaveStep::rename) && os::Rename(s.temp, s.target);
        ok = ok && SyncFolder(s.target.parent_path());
    }
    if (ok) {
        for (const fs::path& keep : keeps) {
            if (!keep.empty()) {
                os::Remove(keep);
            }
        }
        return true;
    }
    // The last one tried may or may not have its new name: every one tried
    // goes back, and the new files not installed go away.
    for (std::size_t i = 0; i < staged.size(); ++i) {
        const Staged& s = staged[i];
        os::Remove(s.temp);
        if (i >= done) {
            continue;
        }
        if (!keeps[i].empty()) {
            // A rename between two names of one file may do nothing: the
            // second name goes then.
            os::Rename(keeps[i], s.target);
            os::Remove(keeps[i]);
        } else if (!s.existed) {
            os::Remove(s.target);
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
    std::ifstream in(PathOf(path), std::ios::binary);
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
    std::ifstream in(PathOf(path), std::ios::binary);
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
    os::FileFacts existing;
    // A device or a pipe: written into, since renaming a new file over it
    // would put a plain file where it was.
    bool Device() const { return existing.exists && !existing.regular; }
};
std::optional<SaveSpot> SpotOf(const std::string& path) {
    const std::optional<fs::path> target = path.empty() ? std::nullopt : SaveTarget(path);
    if (!target) {
        return std::nullopt;
    }
    SaveSpot spot{*target, os::FactsOf(*target)};
    if (spot.existing.exists && (spot.existing.directory || !spot.existing.writable)) {
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
    std::optional<os::EndingHeld> held;
    std::vector<Staged> staged;
    const auto fail = [&] {
        for (const Staged& s : staged) {
            os::Remove(s.temp);
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
        const bool exists = spot->existing.exists;
        switch (WriteBeside(spot->target, whole, exists ? &spot->existing : nullptr, temp)) {
            case Beside::cannotCreate:
                // A single writable file in a folder the user may not write:
                // the only way to save is to write the file itself.
                return files.size() == 1 && exists ? WriteInPlace(spot->target, bytes) : fail();
            case Beside::failed:
                return fail();
            case Beside::written:
                break;
        }
        staged.push_back({temp, spot->target, exists});
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
    const bool exists = spot->existing.exists;
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
    const os::EndingHeld held;
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
    fs::path folder = PathOf(path);
    while (!fs::exists(folder, ec)) {
        if (ec || folder.parent_path() == folder) {
            return false;
        }
        // A relative name without a folder part lies in the current folder.
        folder = folder.has_parent_path() ? folder.parent_path() : fs::path(".");
    }
    return fs::is_directory(folder, ec) && os::FolderWritable(folder);
}

}  // namespace karnea
