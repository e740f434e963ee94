// The file calls a save is made of, one implementation for each system
// (osfiles_posix.cpp, osfiles_windows.cpp). Only the file module uses them:
// it holds the rules of a safe save, these only carry out each step.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace karnea::os {

namespace fs = std::filesystem;

// What a save needs to know of a name (links followed).
struct FileFacts {
    bool exists = false;
    bool regular = false;
    bool directory = false;
    // This process may write the file.
    bool writable = false;
    // Who may do what with it, where the system says so in numbers.
    unsigned mode = 0;
    unsigned owner = 0;
    unsigned group = 0;
};
FileFacts FactsOf(const fs::path& path);

// Whether this process may make files in the folder.
bool FolderWritable(const fs::path& folder);

// A file open for writing; closed (errors ignored) when it goes.
class WriteFile {
public:
    enum class Failure { none, exists, denied, other };

    // A new file, never one that is there already. A private one may be read
    // by its user alone (a copy of the user's data kept for a moment).
    static WriteFile CreateNew(const fs::path& path, bool isPrivate);
    // A file or device that is there, not cut.
    static WriteFile OpenExisting(const fs::path& path);

    WriteFile(WriteFile&& other) noexcept;
    WriteFile& operator=(WriteFile&&) = delete;
    WriteFile(const WriteFile&) = delete;
    WriteFile& operator=(const WriteFile&) = delete;
    ~WriteFile();

    bool IsOpen() const;
    // Why it could not be opened.
    Failure failure() const { return failure_; }

    bool Write(std::string_view bytes);
    // Back to the start of the file.
    bool Rewind();
    // Everything written is on the disk.
    bool Sync();
    bool Truncate(std::uint64_t size);
    // The permissions, owner and group of the file it replaces, as far as
    // this process may set them (the system may keep them by itself).
    bool TakeAccessOf(const FileFacts& previous);
    bool Close();

private:
    WriteFile() = default;
    std::intptr_t handle_ = -1;
    Failure failure_ = Failure::none;
};

// This process's number, and whether the process with that number has ended.
long ProcessId();
bool ProcessEnded(long id);
// The name of this computer, as the system gives it (empty when it gives none).
std::string HostName();

// What a save's clean-up needs to know of a name, links not followed.
struct EntryFacts {
    // A plain file (not a link, a folder or a device).
    bool regular = false;
    // A folder (not a link to one).
    bool folder = false;
    // This user's own: on a system with owners, the file's owner is this user.
    bool own = false;
    // Seconds since the entry itself last changed (made, written, linked or
    // renamed), by the system's clock; the change time, not the time of the
    // content, which a second name of an old file keeps.
    double changedSecondsAgo = 0;
};
EntryFacts EntryFactsOf(const fs::path& path);

// A second name for a file (false where the file system has none).
bool HardLink(const fs::path& existing, const fs::path& name);
// Gives `from` the name `to`, in place of any file of that name.
bool Rename(const fs::path& from, const fs::path& to);
void Remove(const fs::path& path);
// The folder's list of names is on the disk.
bool SyncFolder(const fs::path& folder);
// Everything written to the file system that holds `folder` is on the disk,
// in one call; false where the system has no such call (each file is then
// synced by itself).
bool SyncFileSystem(const fs::path& folder);

// While one lives, a request from outside to end the program (a signal, a
// console's Ctrl+C or close) waits until it is gone; then it takes effect.
class EndingHeld {
public:
    EndingHeld();
    ~EndingHeld();
    EndingHeld(const EndingHeld&) = delete;
    EndingHeld& operator=(const EndingHeld&) = delete;
};

// While one lives, a request from outside to end the program (as above)
// first removes `folder` and the files in it (a folder of the program's own,
// with no folders inside), then ends the program as it would have.
class RemovedOnEnding {
public:
    explicit RemovedOnEnding(const fs::path& folder);
    ~RemovedOnEnding();
    RemovedOnEnding(const RemovedOnEnding&) = delete;
    RemovedOnEnding& operator=(const RemovedOnEnding&) = delete;

private:
    int slot_ = -1;
};

// A folder in which this process writes new files beside their targets,
// their names holding `mark` (the same for every folder of a run): what it
// left there is removed should memory run out. At most 32 folders a run are
// kept in mind.
void NoteStagingFolder(const fs::path& folder, const std::string& mark);

// From now on, memory that runs out ends the program at once: an allocation
// that fails (or a failure to allocate that nobody catches) removes the
// folders registered for an ending and the new files of this process in the
// staging folders, writes `message` on the standard error and ends the
// process with status 1. No other code runs after the failure, so no lock
// is left held and nothing waits on it. A library that does not say when
// its allocation fails crashes instead: a crash at the process's address
// space limit ends the same way; any other crash first removes what the
// process staged.
void EndWhenMemoryRunsOut(const char* message);

}  // namespace karnea::os
