// Reading and replacing whole files. The one place that talks to the
// operating system's file calls directly.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace karnea {

// The whole content of a regular file, or nothing when it cannot be opened or
// read (missing, unreadable, a directory).
std::optional<std::string> ReadWholeFile(const std::string& path);

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
// killed saves left in the folder go first. The signals that end a program
// wait until the save is done. Returns false on any failure.
bool ReplaceFile(const std::string& path, const std::string& bytes);

// A file's content handed over in pieces: `put` takes the next piece, false
// when it cannot be written; the producer returns false when it fails.
using ContentWriter = std::function<bool(std::string_view)>;
using ContentProducer = std::function<bool(const ContentWriter& put)>;

// Replaces the file at `path` with what `produce` writes, streamed into the
// new file beside it as it comes, so that a large file is never held whole;
// the same promises as ReplaceFile. Signals are held only while the new file
// takes its name. False, and nothing replaced, when anything fails.
bool ReplaceFileStreamed(const std::string& path, const ContentProducer& produce);

// Replaces several files together: each new file is written beside its
// target first, and only when all of them are written do they take their
// names; otherwise nothing is replaced and no new file stays.
bool ReplaceFiles(const std::vector<std::pair<std::string, std::string>>& files);

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
    truncate
};
#ifdef KARNEA_SAVE_FAULTS
// Adds a failing step; `none` makes every step succeed again.
void FailSaveStep(SaveStep step);
#endif

// Whether files can be kept in the folder at `path`: it is a folder this
// process may write into, or it does not exist yet and its nearest existing
// parent is one.
bool FolderUsable(const std::string& path);

}  // namespace karnea
