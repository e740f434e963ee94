// Reading and replacing whole files. The one place that talks to the
// operating system's file calls directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace karnea {

class Messages;

// The whole content of a regular file, or nothing when it cannot be opened or
// read (missing, unreadable, a directory).
std::optional<std::string> ReadWholeFile(const std::string& path);

// Why no file can be read at `path`, in the program's words (UTF-8): a link
// that loops or leads nowhere, a folder (or one that cannot be listed), a
// pipe or a device, a file this user may not read. Empty when it can be
// read, and when nothing is there (which callers say in their own words).
std::string_view WhyUnreadable(const std::string& path);

// Why `bytes` more could not be written into `folder`, as the user can act
// on it (UTF-8): not enough room on the disk, a folder that may not be
// written, or a write that failed.
std::string WhyNotWritten(const std::string& folder, std::uintmax_t bytes);

// What the user is told of a save of `path` that failed: "保存できませんでした",
// the file, and why (WhyNotWritten of its folder, for `bytes` more).
std::string CannotSaveMessage(const std::string& path, std::uintmax_t bytes = 1);

// The size of a regular file, or nothing when `path` names none.
std::optional<std::uintmax_t> FileSizeOf(const std::string& path);

// A regular file's content as it stands: its size and a hash, to tell later
// whether another program changed it (a file only touched, or written again
// with the same bytes, is not changed). Nothing when `path` names no file
// that can be read.
struct FileStamp {
    std::uintmax_t size = 0;
    std::uint64_t hash = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
std::optional<FileStamp> StampOf(const std::string& path);

// At most `maxBytes` from the start of a regular file, or nothing as above.
std::optional<std::string> ReadFileStart(const std::string& path, std::size_t maxBytes);

// The lines of a text file without their line ends (LF or CR LF); a last
// line without line end counts. Nothing when the file cannot be read. With
// limits, reading stops after `maxLines` lines and each line keeps at most
// `maxLineBytes` bytes, so that a huge file costs no more than what is used.
std::optional<std::vector<std::string>> ReadTextLines(const std::string& path,
                                                      std::size_t maxLines = std::size_t(-1),
                                                      std::size_t maxLineBytes = std::size_t(-1));

// Replaces the file at `path` with `bytes`: the bytes go to a new file beside
// it, are flushed to disk, and only then take the target's name, so a failed
// write leaves any previous file as it was. An existing file keeps its
// permissions; a symbolic link keeps pointing where it did (a broken link
// gets its target made; a loop of links is refused). A device or a pipe is
// written into, never replaced; a folder is refused. When no new file can be
// made beside a writable file (a folder the user may not write), the file
// itself is written, with a copy of its previous content kept until the new
// content is whole on disk (see WriteInPlace in the source). Files that
// killed saves of this file left beside it go first. The signals that end a
// program wait until the save is done. Returns false on any failure.
[[nodiscard]] bool ReplaceFile(const std::string& path, const std::string& bytes);

// A file's content handed over in pieces: `put` takes the next piece, false
// when it cannot be written; the producer returns false when it fails.
using ContentWriter = std::function<bool(std::string_view)>;
using ContentProducer = std::function<bool(const ContentWriter& put)>;

// Replaces the file at `path` with what `produce` writes, streamed into the
// new file beside it as it comes, so that a large file is never held whole;
// the same promises as ReplaceFile. Signals are held only while the new file
// takes its name. False, and nothing replaced, when anything fails.
[[nodiscard]] bool ReplaceFileStreamed(const std::string& path, const ContentProducer& produce);

// Removes the files that saves killed before they ended left in `folder`
// (their new files and second names), once their processes have ended and
// they have not changed for a minute.
void RemoveEndedSavesIn(const std::string& folder);

// Replaces several files together: each new file is written beside its
// target first, and only when all of them are written do they take their
// names; otherwise nothing is replaced and no new file stays.
using FileContents = std::vector<std::pair<std::string, std::string>>;
[[nodiscard]] bool ReplaceFiles(const FileContents& files);

// Files replaced together as ReplaceFiles does, each written beside its
// target as it comes, so that many large files are never held at once: none
// takes its name before Install, and a set not installed leaves no new file.
// Only plain files (or new names) can be staged; the ending signals are held
// only while the files take their names (a new file that a stop leaves
// behind goes with a later save into its folder).
class StagedFiles {
public:
    StagedFiles();
    ~StagedFiles();
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;
    // False, with the set to be given up, when the file cannot be written.
    [[nodiscard]] bool Add(const std::string& path, const std::string& bytes);
    [[nodiscard]] bool Install();

private:
    struct Files;
    std::unique_ptr<Files> files_;
};

// Replaces a set of files (and removes `removals`) as one, for good: after
// a failure, a kill or a power cut at any point the set is either wholly
// new or wholly as it was once RecoverFileSet has run. Each new file is
// written beside its target; when all are on the disk, the journal at
// `journal` (below whose folder every file lies) names each file, its new
// file and its second name; then the files take their names, the folders
// are flushed once each, and the journal goes. Refused while a journal is
// there. False when anything failed: the set is then as it was.
[[nodiscard]] bool ReplaceFileSet(const std::string& journal, const FileContents& files,
                                  const std::vector<std::string>& removals = {});
// What a journal left by an interrupted ReplaceFileSet led to: nothing to
// do, the set completed (every new file was still at hand), or put back as
// it was; `unreadable` when the journal is not one this program wrote whole
// (it stays, and nothing is touched).
enum class SetRecovery { none, forward, back, unreadable };
SetRecovery RecoverFileSet(const std::string& journal);

// A save in place (ReplaceFile above) that was killed before it ended may
// have left its file neither old nor new; the copy of the previous content
// that it kept (beside the file, else in the user's state folder, see
// UserStateFolder) shows it. At the next open or save of the file, this
// finds such a copy of a process that has ended: a copy that the file
// matches goes; otherwise the user is asked whether the previous content is
// to be put back (opening: Yes puts it back and the copy goes; No leaves the
// copy to be offered again), or told where it stays (saving: the copy is set
// aside under a name no later look finds). Before an output (a report, a
// workbook) is written again (exporting), its copies go and the user is told
// that the last write was interrupted.
enum class SaveRecovery { opening, saving, exporting };
void RecoverInterruptedSave(const std::string& path, SaveRecovery at, Messages& messages);

// A folder of this process's own in the temporary folder, for files that a
// library must write somewhere before their content is saved: named
// "karnea~scratch~HOST~PID~RANDOM", gone again with the object, removed
// (with the files in it) by a request from outside to end the program, and,
// when a kill left it, by the next run once its process has ended. Its path
// is empty when none could be made.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    struct Guard;
    std::unique_ptr<Guard> guard_;
};
// Removes the scratch folders of ended processes of this computer.
void RemoveEndedScratchFolders();

// The steps of a save. The test build of the core can make steps fail in
// every save, to show that the previous file survives each; `createDenied`
// makes new files beside the target fail as in a folder the user may not
// write, and `copy`, `truncate` are the steps of writing a file in place.
enum class SaveStep {
    none,
    create,
    createDenied,
    write,
    flush,
    sync,
    rename,
    syncFolder,
    copy,
    truncate,
    abandon
};
#ifdef KARNEA_SAVE_FAULTS
// Adds a failing step; `none` makes every step succeed again. `abandon`
// stops a save where a kill would: a new file and the previous file's second
// name made, or a file half written in place.
void FailSaveStep(SaveStep step);
// How long after its last change a file that an ended save left is taken
// for left over (a minute).
void SetLeftOverAfter(double seconds);
// Ends the process at once, as a kill would, instead of the `renames`-th
// rename of a new file to its target from now on (0: never).
void KillAtRename(int renames);
// Stops every ReplaceFileSet as a kill would once `renamed` of its files
// took their names (-1: never).
void AbandonSetAfter(int renamed);
#endif

// Whether files can be kept in the folder at `path`: it is a folder this
// process may write into, or it does not exist yet and its nearest existing
// parent is one.
bool FolderUsable(const std::string& path);

}  // namespace karnea
