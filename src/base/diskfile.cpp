#include "base/diskfile.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <system_error>
#include <utility>

#include "base/messages.h"
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

// Every name a save gives a file of its own carries this mark, which no
// user's file has, and the name of the computer that made it: its clean-ups
// take such names alone, and only of this computer, whose processes it can
// ask about.
constexpr std::string_view kMark = ".karnea~";

// A 64-bit FNV-1a hash, and the same in 16 hexadecimal digits.
std::uint64_t Fnv1a(std::string_view text) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : text) {
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return h;
}
std::string HashOf(std::string_view text) {
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(Fnv1a(text)));
    return digits;
}

// This computer in those names: the letters, digits and dashes of its name.
std::string HostTag() {
    std::string tag;
    for (const char c : os::HostName()) {
        if (tag.size() < 32 && (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-')) {
            tag += c;
        }
    }
    return tag.empty() ? "host" : tag;
}

// A file's name as its companions' names begin: a long one is shortened
// (with a hash of the whole) so that they stay within what a name may hold.
std::string StemOf(const fs::path& target) {
    const std::string name = PathText(target.filename());
    constexpr std::size_t kLongest = 120;
    if (name.size() <= kLongest) {
        return name;
    }
    std::size_t cut = kLongest - 24;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
        --cut;  // not inside a UTF-8 character
    }
    return name.substr(0, cut) + "~" + HashOf(name);
}

// The names a save gives its files beside the target: a hidden new file,
// ".NAME.karnea~save~HOST~PID~N", and the previous file's second name,
// ".NAME.karnea~keep~HOST~PID". Each name without the process number and
// what follows is its kind's prefix.
std::string SavePrefix(const fs::path& target, std::string_view kind) {
    return "." + StemOf(target) + std::string(kMark) + std::string(kind) + "~" + HostTag() + "~";
}
// What every new file of this process beside its target has in its name.
std::string StagingMark() {
    return std::string(kMark) + "save~" + HostTag() + "~" + std::to_string(os::ProcessId()) + "~";
}

fs::path SaveFileName(const fs::path& target, int attempt) {
    return target.parent_path() /
           PathOf(SavePrefix(target, "save") + std::to_string(os::ProcessId()) + "~" +
                  std::to_string(attempt));
}
fs::path KeepFileName(const fs::path& target) {
    return target.parent_path() /
           PathOf(SavePrefix(target, "keep") + std::to_string(os::ProcessId()));
}

// The copy of a file's previous content that writing in place keeps, visible
// so that the user finds it: "NAME.karnea~before~PATH~HOST~PID~RANDOM", where
// PATH is a hash of the file's whole path, by which the copy is found again,
// and RANDOM makes the name one that nobody can take beforehand.
std::string CopyPrefix(const fs::path& target) {
    std::error_code ec;
    fs::path whole = fs::weakly_canonical(target, ec);
    if (ec) {
        whole = fs::absolute(target, ec).lexically_normal();
    }
    return StemOf(target) + std::string(kMark) + "before~" + HashOf(PathText(whole)) + "~" +
           HostTag() + "~";
}
constexpr std::string_view kPart = "~part";  // a copy being written
fs::path CopyName(const fs::path& folder, const fs::path& target) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(random()));
    return (folder.empty() ? fs::path(".") : folder) /
           PathOf(CopyPrefix(target) + std::to_string(os::ProcessId()) + "~" + digits);
}

// What follows the process number in a name of each kind: nothing (keep),
// "~" and a number (save), "~" and 16 hexadecimal digits (before).
enum class Tail { none, number, random };

bool AllOf(std::string_view text, std::string_view digits) {
    return !text.empty() && text.find_first_not_of(digits) == std::string_view::npos;
}

// A number as the names write it (std::to_string): digits, no zero before
// them.
bool WrittenNumber(std::string_view text) {
    return AllOf(text, "0123456789") && (text.size() == 1 || text[0] != '0');
}

// The process number in `name` when it is `prefix`, that number and `tail`
// exactly as a save writes them; else 0.
long SaverOf(std::string_view name, std::string_view prefix, Tail tail) {
    if (name.substr(0, prefix.size()) != prefix) {
        return 0;
    }
    name.remove_prefix(prefix.size());
    const std::size_t end = tail == Tail::none ? name.size() : name.find('~');
    const std::string_view number = name.substr(0, end);
    if (end == std::string_view::npos || number.size() > 9 || !WrittenNumber(number)) {
        return 0;
    }
    const std::string_view rest = name.substr(std::min(name.size(), end + 1));
    if ((tail == Tail::number && !WrittenNumber(rest)) ||
        (tail == Tail::random && (rest.size() != 16 || !AllOf(rest, "0123456789abcdef")))) {
        return 0;
    }
    return std::strtol(std::string(number).c_str(), nullptr, 10);
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

#ifdef KARNEA_SAVE_FAULTS
int renamesBeforeKill = 0;
void KillIfDue() {
    if (renamesBeforeKill > 0 && --renamesBeforeKill == 0) {
        std::_Exit(137);
    }
}
#else
void KillIfDue() {}
#endif

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
// the process may set them), flushed to disk unless the caller syncs many at
// once. A new file that could not be written is removed.
Beside WriteBeside(const fs::path& target, const ContentProducer& produce,
                   const os::FileFacts* existing, fs::path& temp, bool sync = true) {
    os::NoteStagingFolder(target.parent_path(), StagingMark());
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
    ok = ok && !Fails(SaveStep::sync) && (!sync || file->Sync());
    ok = file->Close() && !Fails(SaveStep::flush) && ok;
    if (!ok) {
        os::Remove(temp);
        return Beside::failed;
    }
    return Beside::written;
}

// A save's file is left over when the process that made it has ended
// (killed before it could clean up) and it has not changed for a while, so
// that a save under way is never disturbed. The change time counts: a
// second name of an old file is new when it is made.
#ifdef KARNEA_SAVE_FAULTS
double leftOverAfterSeconds = 60;
#else
constexpr double leftOverAfterSeconds = 60;
#endif

// Whether the process numbered `saver` in a name of this computer has ended
// (this one has not).
bool SaverEnded(long saver) {
    return saver > 0 && saver != os::ProcessId() && os::ProcessEnded(saver);
}

// Whether a name is a new file or a second name that a save of this
// computer made (of any file), and the process that made it.
long SaverOfAny(std::string_view name) {
    if (name.empty() || name[0] != '.') {
        return 0;
    }
    for (const std::string_view kind : {"save~", "keep~"}) {
        const std::string mark = std::string(kMark) + std::string(kind) + HostTag() + "~";
        const std::size_t at = name.rfind(mark);
        if (at != std::string_view::npos) {
            return SaverOf(name.substr(at), mark, kind == "save~" ? Tail::number : Tail::none);
        }
    }
    return 0;
}

// Removes what ended saves of any file left in `folder`.
void RemoveLeftOversIn(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator entries(folder, ec), end; !ec && entries != end;
         entries.increment(ec)) {
        if (!SaverEnded(SaverOfAny(PathText(entries->path().filename())))) {
            continue;
        }
        const os::EntryFacts facts = os::EntryFactsOf(entries->path());
        if (facts.regular && facts.changedSecondsAgo >= leftOverAfterSeconds) {
            os::Remove(entries->path());
        }
    }
}

// Removes the files that ended saves of `target` left beside it.
void RemoveLeftOverSaveFiles(const fs::path& target) {
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::error_code ec;
    fs::directory_iterator entries(folder, ec);
    if (ec) {
        return;
    }
    const std::string save = SavePrefix(target, "save");
    const std::string keep = SavePrefix(target, "keep");
    for (const fs::directory_entry& entry : entries) {
        const std::string name = PathText(entry.path().filename());
        if (!SaverEnded(
                std::max(SaverOf(name, save, Tail::number), SaverOf(name, keep, Tail::none)))) {
            continue;
        }
        const os::EntryFacts facts = os::EntryFactsOf(entry.path());
        if (facts.regular && facts.changedSecondsAgo >= leftOverAfterSeconds) {
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

// Where the copies that protect a file written in place go when its own
// folder takes none: the user's state folder, which a reboot leaves as it is
// (the temporary folder is emptied at boot), made private to the user; the
// temporary folder when there is none.
fs::path RecoveryFolder() {
    if (const std::optional<std::string> state = UserStateFolder()) {
        const fs::path folder = PathOf(JoinPath(*state, "karnea"));
        std::error_code ec;
        if (fs::is_directory(folder, ec) || fs::create_directories(folder, ec)) {
            fs::permissions(folder, fs::perms::owner_all, ec);
            return folder;
        }
    }
    return TemporaryFolder();
}

// A copy of a file's content made before the file is written in place,
// beside it where the folder allows, else in the recovery folder, private
// to the user (see CopyName), so that the previous content can be had back
// should the program be killed while it writes. Empty when no copy could be
// made.
fs::path KeepCopy(const fs::path& target, const std::string& content) {
    for (const fs::path& folder : {target.parent_path(), RecoveryFolder()}) {
        if (Fails(SaveStep::copy)) {
            return {};
        }
        // Written under a name of its own first, so that a copy under the
        // name that is looked for is always whole.
        const fs::path copy = CopyName(folder, target);
        fs::path part = copy;
        part += PathOf(std::string(kPart));
        os::WriteFile file = os::WriteFile::CreateNew(part, true);
        if (!file.IsOpen()) {
            continue;
        }
        const bool ok = file.Write(content) && file.Sync();
        if (file.Close() && ok && os::Rename(part, copy)) {
            return copy;
        }
        os::Remove(part);
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
    if (Fails(SaveStep::abandon)) {
        file.Write(std::string_view(bytes).substr(0, bytes.size() / 2));
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
bool GiveNames(const std::vector<Staged>& staged) {
    std::vector<fs::path> keeps(staged.size());
    std::size_t done = 0;
    bool ok = true;
    for (; done < staged.size() && ok; ++done) {
        const Staged& s = staged[done];
        const fs::path keep = KeepFileName(s.target);
        if (s.existed && os::HardLink(s.target, keep)) {
            keeps[done] = keep;
        }
        if (Fails(SaveStep::abandon)) {
            return false;
        }
        KillIfDue();
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

// Writes `bytes` beside the file of `spot` (after what ended saves of it
// left there goes) and adds the new file to `staged`.
Beside StageBeside(const SaveSpot& spot, const std::string& bytes, std::vector<Staged>& staged) {
    RemoveLeftOverSaveFiles(spot.target);
    const ContentProducer whole = [&bytes](const ContentWriter& put) { return put(bytes); };
    const bool exists = spot.existing.exists;
    fs::path temp;
    const Beside written = WriteBeside(spot.target, whole, exists ? &spot.existing : nullptr, temp);
    if (written == Beside::written) {
        staged.push_back({temp, spot.target, exists});
    }
    return written;
}

}  // namespace

bool ReplaceFile(const std::string& path, const std::string& bytes) {
    return ReplaceFiles({{path, bytes}});
}

bool ReplaceFiles(const FileContents& files) {
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
        switch (StageBeside(*spot, bytes, staged)) {
            case Beside::cannotCreate:
                // A single writable file in a folder the user may not write:
                // the only way to save is to write the file itself.
                return files.size() == 1 && spot->existing.exists
                           ? WriteInPlace(spot->target, bytes)
                           : fail();
            case Beside::failed:
                return fail();
            case Beside::written:
                break;
        }
    }
    return GiveNames(staged);
}

struct StagedFiles::Files {
    std::vector<Staged> staged;
    bool installed = false;
};

StagedFiles::StagedFiles() : files_(std::make_unique<Files>()) {}

StagedFiles::~StagedFiles() {
    if (!files_->installed) {
        for (const Staged& s : files_->staged) {
            os::Remove(s.temp);
        }
    }
}

bool StagedFiles::Add(const std::string& path, const std::string& bytes) {
    const std::optional<SaveSpot> spot = SpotOf(path);
    if (!spot || spot->Device()) {
        return false;
    }
    return StageBeside(*spot, bytes, files_->staged) == Beside::written;
}

bool StagedFiles::Install() {
    const os::EndingHeld held;
    files_->installed = true;
    return GiveNames(files_->staged);
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
    RemoveLeftOverSaveFiles(target);
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
    return GiveNames({{temp, target, exists}});
}

namespace {

#ifdef KARNEA_SAVE_FAULTS
int abandonSetAfter = -1;
#endif

// Whether the test build stops the install of a set here, as a kill would,
// after `done` of its files took their names.
bool SetAbandonedAfter(int done) {
#ifdef KARNEA_SAVE_FAULTS
    return abandonSetAfter >= 0 && done >= abandonSetAfter;
#else
    (void)done;
    return false;
#endif
}

constexpr std::string_view kJournalHead = "karnea file set 1";

// One file of a set as its journal records it: the target; the new file
// beside it (none when the set removes the target); whether a target was
// there, and the second name it has while the set is installed; the new
// content's size and hash.
struct SetEntry {
    fs::path target;
    fs::path staged;
    bool existed = false;
    fs::path backup;
    std::uintmax_t size = 0;
    std::uint64_t hash = 0;
};

// A path below the journal's folder as the journal writes it, and back.
std::string RelativeText(const fs::path& path, const fs::path& folder) {
    if (path.empty()) {
        return {};
    }
    std::string text = PathText(path.lexically_relative(folder));
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}
fs::path FromRelative(std::string_view text, const fs::path& folder) {
    return text.empty() ? fs::path() : (folder / PathOf(std::string(text))).lexically_normal();
}

std::string JournalText(const fs::path& folder, const std::vector<SetEntry>& entries) {
    std::string text = std::string(kJournalHead) + "\n";
    for (const SetEntry& e : entries) {
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(e.hash));
        text += RelativeText(e.target, folder) + "\t" + RelativeText(e.staged, folder) + "\t" +
                (e.existed ? "1" : "0") + "\t" + RelativeText(e.backup, folder) + "\t" +
                std::to_string(e.size) + "\t" + hash + "\n";
    }
    return text;
}

// The entries of a journal; nothing when it is not one this program wrote
// whole, or names a file outside its folder.
std::optional<std::vector<SetEntry>> ReadJournal(const std::string& text, const fs::path& folder) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            return std::nullopt;  // every line of a whole journal ends
        }
        lines.push_back(std::string_view(text).substr(start, end - start));
        start = end + 1;
    }
    if (lines.empty() || lines.front() != kJournalHead) {
        return std::nullopt;
    }
    std::vector<SetEntry> entries;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string_view> f;
        for (std::size_t start = 0;;) {
            const std::size_t tab = lines[i].find('\t', start);
            f.push_back(lines[i].substr(start, tab - start));
            if (tab == std::string_view::npos) {
                break;
            }
            start = tab + 1;
        }
        if (f.size() != 6 || f[0].empty() || (f[2] != "0" && f[2] != "1") ||
            !AllOf(f[4], "0123456789") || f[5].size() != 16 || !AllOf(f[5], "0123456789abcdef")) {
            return std::nullopt;
        }
        for (const std::string_view name : {f[0], f[1], f[3]}) {
            if (name.substr(0, 3) == "../" || name == ".." || (!name.empty() && name[0] == '/')) {
                return std::nullopt;
            }
        }
        entries.push_back({FromRelative(f[0], folder), FromRelative(f[1], folder), f[2] == "1",
                           FromRelative(f[3], folder),
                           std::strtoumax(std::string(f[4]).c_str(), nullptr, 10),
                           std::strtoull(std::string(f[5]).c_str(), nullptr, 16)});
    }
    return entries;
}

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// Whether the file at the target holds the set's new content.
bool HoldsNew(const SetEntry& e) {
    std::error_code ec;
    if (fs::file_size(e.target, ec) != e.size || ec) {
        return false;
    }
    const std::optional<std::string> content = ReadWholeFile(PathText(e.target));
    return content && Fnv1a(*content) == e.hash;
}

std::set<fs::path> FoldersOf(const std::vector<SetEntry>& entries) {
    std::set<fs::path> folders;
    for (const SetEntry& e : entries) {
        folders.insert(e.target.parent_path());
    }
    return folders;
}

// The set's files take their new names, and the targets it removes go.
void Forward(const std::vector<SetEntry>& entries) {
    for (const SetEntry& e : entries) {
        if (e.staged.empty()) {
            os::Remove(e.target);
        } else if (Exists(e.staged)) {
            os::Rename(e.staged, e.target);
        }
    }
}

// Every file as it was before the set: the new files go, the previous ones
// get their names back (a previous file that had no second name, on a file
// system without them, stays as the set left it).
void Back(const std::vector<SetEntry>& entries) {
    for (const SetEntry& e : entries) {
        if (!e.staged.empty()) {
            os::Remove(e.staged);
        }
        if (e.existed && !e.backup.empty() && Exists(e.backup)) {
            // A rename between two names of one file may do nothing: the
            // second name goes then.
            os::Rename(e.backup, e.target);
            os::Remove(e.backup);
        } else if (!e.existed && !e.staged.empty() && HoldsNew(e)) {
            os::Remove(e.target);
        }
    }
}

// The second names go, the folders' lists reach the disk, and the journal
// goes last.
bool Settle(const std::vector<SetEntry>& entries, const fs::path& journal) {
    bool ok = true;
    for (const fs::path& folder : FoldersOf(entries)) {
        ok = SyncFolder(folder) && ok;
    }
    if (!ok) {
        return false;
    }
    for (const SetEntry& e : entries) {
        if (!e.backup.empty()) {
            os::Remove(e.backup);
        }
    }
    os::Remove(journal);
    return SyncFolder(journal.parent_path());
}

// The staged files on the disk: the whole file system at once where the
// system can, else each file by itself.
bool SyncStaged(const std::vector<SetEntry>& entries) {
    if (Fails(SaveStep::sync)) {
        return false;
    }
    const std::set<fs::path> folders = FoldersOf(entries);
    if (!folders.empty() && os::SyncFileSystem(*folders.begin())) {
        return true;
    }
    for (const SetEntry& e : entries) {
        if (!e.staged.empty()) {
            os::WriteFile file = os::WriteFile::OpenExisting(e.staged);
            const bool ok = file.IsOpen() && file.Sync();
            if (!(file.Close() && ok)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool ReplaceFileSet(const std::string& journalPath, const FileContents& files,
                    const std::vector<std::string>& removals) {
    std::error_code ec;
    const fs::path journal = fs::absolute(PathOf(journalPath), ec);
    if (ec || Exists(journal)) {
        return false;
    }
    std::vector<SetEntry> entries;
    const auto fail = [&entries] {
        for (const SetEntry& e : entries) {
            if (!e.staged.empty()) {
                os::Remove(e.staged);
            }
        }
        return false;
    };
    std::set<fs::path> cleaned;
    for (const auto& [path, bytes] : files) {
        const std::optional<SaveSpot> spot = SpotOf(path);
        if (!spot || spot->Device()) {
            return fail();
        }
        const fs::path target = fs::absolute(spot->target, ec).lexically_normal();
        if (cleaned.insert(target.parent_path()).second) {
            RemoveLeftOversIn(target.parent_path());
        }
        const std::string& content = bytes;
        const ContentProducer whole = [&content](const ContentWriter& put) { return put(content); };
        const bool exists = spot->existing.exists;
        fs::path temp;
        if (WriteBeside(target, whole, exists ? &spot->existing : nullptr, temp, false) !=
            Beside::written) {
            return fail();
        }
        entries.push_back({target, fs::absolute(temp, ec).lexically_normal(), exists,
                           exists ? KeepFileName(target) : fs::path(), bytes.size(), Fnv1a(bytes)});
    }
    for (const std::string& path : removals) {
        const fs::path target = fs::absolute(PathOf(path), ec).lexically_normal();
        if (IsRegularFile(PathText(target))) {
            entries.push_back({target, {}, true, KeepFileName(target), 0, 0});
        }
    }
    // Every new file is whole on the disk before the journal names it, so
    // that a recovery may always complete the set.
    if (!SyncStaged(entries)) {
        return fail();
    }
    const os::EndingHeld held;
    if (!ReplaceFile(PathText(journal), JournalText(journal.parent_path(), entries))) {
        return fail();
    }
    int done = 0;
    for (const SetEntry& e : entries) {
        if (SetAbandonedAfter(done)) {
            return false;  // as a kill would leave it: the journal says what to do
        }
        bool ok = true;
        if (e.staged.empty()) {
            ok = os::Rename(e.target, e.backup);
        } else {
            if (e.existed) {
                os::HardLink(e.target, e.backup);
            }
            ok = !Fails(SaveStep::rename) && os::Rename(e.staged, e.target);
        }
        if (!ok) {
            Back(entries);
            Settle(entries, journal);
            return false;
        }
        ++done;
    }
    // The set is in place; should a flush fail, the journal that stays
    // completes it next time.
    return Settle(entries, journal);
}

SetRecovery RecoverFileSet(const std::string& journalPath) {
    std::error_code ec;
    const fs::path journal = fs::absolute(PathOf(journalPath), ec);
    if (ec || !Exists(journal)) {
        return SetRecovery::none;
    }
    const std::optional<std::string> text = ReadWholeFile(PathText(journal));
    const std::optional<std::vector<SetEntry>> entries =
        text ? ReadJournal(*text, journal.parent_path()) : std::nullopt;
    if (!entries) {
        return SetRecovery::unreadable;
    }
    [[maybe_unused]] const NoFaultsHere wayBack;
    const os::EndingHeld held;
    // Forward when every new file is still at hand, beside its target or
    // under its name already; else back.
    const bool forward = std::all_of(entries->begin(), entries->end(), [](const SetEntry& e) {
        return e.staged.empty() || Exists(e.staged) || HoldsNew(e);
    });
    if (forward) {
        Forward(*entries);
    } else {
        Back(*entries);
    }
    if (!Settle(*entries, journal)) {
        return SetRecovery::unreadable;
    }
    return forward ? SetRecovery::forward : SetRecovery::back;
}

std::string_view WhyUnreadable(const std::string& path) {
    std::error_code ec;
    const fs::path name = PathOf(path);
    if (!fs::exists(fs::symlink_status(name, ec))) {
        return {};
    }
    const fs::file_status status = fs::status(name, ec);
    if (ec) {
        return ec == std::errc::too_many_symbolic_link_levels ? msg::linkLoops
                                                              : msg::linkLeadsNowhere;
    }
    if (fs::is_directory(status)) {
        const fs::directory_iterator listing(name, ec);
        return ec ? msg::folderUnreadable : msg::folderNotFile;
    }
    if (!fs::is_regular_file(status)) {
        return msg::notPlainFile;
    }
    const std::ifstream in(name, std::ios::binary);
    return in ? std::string_view() : msg::fileUnreadable;
}

std::string WhyNotWritten(const std::string& folder, std::uintmax_t bytes) {
    std::error_code ec;
    const fs::space_info space = fs::space(PathOf(folder), ec);
    if (!ec && space.available < bytes + (64u << 10)) {
        return FormatMessage(msg::diskFull, std::to_string((bytes >> 20) + 1),
                             std::to_string(space.available >> 20));
    }
    if (!FolderUsable(folder)) {
        return std::string(msg::folderNotWritable);
    }
    return std::string(msg::writeFailed);
}

namespace {

std::string ScratchPrefix() {
    return "karnea~scratch~" + HostTag() + "~";
}

}  // namespace

struct ScratchFolder::Guard {
    explicit Guard(const fs::path& folder) : removed(folder) {}
    os::RemovedOnEnding removed;
};

ScratchFolder::ScratchFolder() {
    RemoveEndedScratchFolders();
    const fs::path base = TemporaryFolder();
    if (base.empty()) {
        return;
    }
    std::random_device random;
    for (int attempt = 0; attempt < 16 && path_.empty(); ++attempt) {
        char digits[17];
        std::snprintf(digits, sizeof digits, "%08x%08x", random(), random());
        const fs::path folder =
            base / PathOf(ScratchPrefix() + std::to_string(os::ProcessId()) + "~" + digits);
        std::error_code ec;
        if (fs::create_directory(folder, ec) && !ec) {
            fs::permissions(folder, fs::perms::owner_all, ec);
            guard_ = std::make_unique<Guard>(folder);
            path_ = PathText(folder);
        }
    }
}

ScratchFolder::~ScratchFolder() {
    if (!path_.empty()) {
        std::error_code ec;
        fs::remove_all(PathOf(path_), ec);
    }
}

void RemoveEndedScratchFolders() {
    const fs::path base = TemporaryFolder();
    if (base.empty()) {
        return;
    }
    const std::string prefix = ScratchPrefix();
    std::error_code ec;
    for (fs::directory_iterator entries(base, ec), end; !ec && entries != end;
         entries.increment(ec)) {
        const std::string name = PathText(entries->path().filename());
        if (name.rfind(prefix, 0) != 0 || !SaverEnded(SaverOf(name, prefix, Tail::random))) {
            continue;
        }
        const os::EntryFacts facts = os::EntryFactsOf(entries->path());
        if (facts.folder && facts.own) {
            std::error_code removed;
            fs::remove_all(entries->path(), removed);
        }
    }
}

std::string CannotSaveMessage(const std::string& path, std::uintmax_t bytes) {
    const fs::path folder = PathOf(path).parent_path();
    return FormatMessage(msg::cannotSaveFile, path,
                         WhyNotWritten(folder.empty() ? "." : PathText(folder), bytes));
}

void RemoveEndedSavesIn(const std::string& folder) {
    RemoveLeftOversIn(PathOf(folder));
}

std::optional<std::uintmax_t> FileSizeOf(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(PathOf(path), ec);
    if (ec || !IsRegularFile(path)) {
        return std::nullopt;
    }
    return size;
}

std::optional<FileStamp> StampOf(const std::string& path) {
    const std::optional<std::string> content = ReadWholeFile(path);
    if (!content) {
        return std::nullopt;
    }
    return FileStamp{content->size(), Fnv1a(*content)};
}

void RecoverInterruptedSave(const std::string& path, SaveRecovery at, Messages& messages) {
    const std::optional<fs::path> target = path.empty() ? std::nullopt : SaveTarget(path);
    if (!target) {
        return;
    }
    // The copies of this file's previous content whose saves have ended
    // (those of this process too: a save that failed to write the previous
    // content back), the user's own, newest first.
    struct Copy {
        fs::path path;
        double age;
    };
    std::vector<Copy> copies;
    const std::string prefix = CopyPrefix(*target);
    const fs::path beside = target->parent_path().empty() ? fs::path(".") : target->parent_path();
    // The temporary folder too: copies kept there before the state folder
    // was used, or when there is none.
    std::vector<fs::path> looked;
    for (const fs::path& folder : {beside, RecoveryFolder(), TemporaryFolder()}) {
        std::error_code ec;
        if (folder.empty() || std::any_of(looked.begin(), looked.end(), [&](const fs::path& f) {
                return fs::equivalent(folder, f, ec);
            })) {
            continue;
        }
        looked.push_back(folder);
        for (fs::directory_iterator entries(folder, ec), end; !ec && entries != end;
             entries.increment(ec)) {
            std::string name = PathText(entries->path().filename());
            const bool part = name.ends_with(kPart);
            name.resize(name.size() - (part ? kPart.size() : 0));
            const long saver = SaverOf(name, prefix, Tail::random);
            if (saver == 0 || (saver != os::ProcessId() && !SaverEnded(saver))) {
                continue;
            }
            const os::EntryFacts facts = os::EntryFactsOf(entries->path());
            if (!facts.regular || !facts.own) {
                continue;
            }
            if (part) {
                // Never whole: the file itself was not written yet.
                os::Remove(entries->path());
            } else {
                copies.push_back({entries->path(), facts.changedSecondsAgo});
            }
        }
    }
    if (copies.empty()) {
        return;
    }
    if (at == SaveRecovery::exporting) {
        // An output is made anew from its data: its previous content is
        // no one's to keep.
        for (const Copy& copy : copies) {
            os::Remove(copy.path);
        }
        messages.Show(FormatMessage(msg::interruptedExport, path));
        return;
    }
    std::sort(copies.begin(), copies.end(),
              [](const Copy& a, const Copy& b) { return a.age < b.age; });
    const std::string file = PathText(*target);
    const std::optional<std::uintmax_t> size = FileSizeOf(file);
    std::optional<std::string> now;
    bool offered = false;
    for (const Copy& copy : copies) {
        const std::optional<std::string> previous = ReadWholeFile(PathText(copy.path));
        if (!previous) {
            continue;
        }
        if (size == previous->size() && !now) {
            now = ReadWholeFile(file);
        }
        if (size == previous->size() && now == previous) {
            os::Remove(copy.path);  // the file holds that content whole
            continue;
        }
        // An older interrupted save is offered once the newest is settled.
        if (std::exchange(offered, true)) {
            continue;
        }
        if (at == SaveRecovery::saving) {
            // "NAME.karnea~previous~...": the user's to keep or remove.
            std::string name = PathText(copy.path.filename());
            name.replace(StemOf(*target).size() + kMark.size(), std::strlen("before"), "previous");
            const fs::path aside = copy.path.parent_path() / PathOf(name);
            const bool moved = os::Rename(copy.path, aside);
            messages.Show(
                FormatMessage(msg::interruptedSaveKept, path, PathText(moved ? aside : copy.path)));
        } else if (messages.AskYesNo(
                       FormatMessage(msg::interruptedSave, path, PathText(copy.path)))) {
            if (ReplaceFile(path, *previous)) {
                os::Remove(copy.path);
            } else {
                messages.Show(msg::cannotSave);
            }
        }
    }
}

#ifdef KARNEA_SAVE_FAULTS
void FailSaveStep(SaveStep step) {
    if (step == SaveStep::none) {
        failingSteps = 0;
    } else {
        failingSteps |= 1u << static_cast<unsigned>(step);
    }
}

void SetLeftOverAfter(double seconds) {
    leftOverAfterSeconds = seconds;
}

void KillAtRename(int renames) {
    renamesBeforeKill = renames;
}

void AbandonSetAfter(int renamed) {
    abandonSetAfter = renamed;
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
