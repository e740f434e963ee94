#include "document/edithistory.h"

#include <filesystem>
#include <memory>
#include <set>
#include <type_traits>
#include <utility>

#include "analysis/reduction.h"
#include "base/diskfile.h"
#include "base/messages.h"
#include "base/system.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "entry/calibrationreadingsmodel.h"
#include "records/datafile.h"

namespace karnea {
namespace {

const std::string kNoName;

// The workspace's present values of what `edit` carries, shared with `like`
// where they are equal to it.
EditHistory::State Capture(const Workspace& ws, const Edit& edit,
                           const EditHistory::State& like = {}) {
    const auto keep = [](const auto& value, const auto& same) {
        using T = std::remove_cvref_t<decltype(value)>;
        return same && *same == value ? same : std::make_shared<const T>(value);
    };
    EditHistory::State now;
    if (edit.test) {
        now.test = keep(ws.test, like.test);
    }
    if (edit.calibration) {
        now.calibration = keep(ws.calibration, like.calibration);
    }
    if (edit.settings) {
        now.settings = keep(ws.settings, like.settings);
    }
    return now;
}

// The edit that puts `state` back.
Edit EditOf(const std::string& name, unsigned files, const EditHistory::State& state) {
    Edit edit;
    edit.name = name;
    edit.files = files;
    if (state.test) {
        edit.test = *state.test;
    }
    if (state.calibration) {
        edit.calibration = *state.calibration;
    }
    if (state.settings) {
        edit.settings = *state.settings;
    }
    return edit;
}

// The paths of the files `edit` writes, where `s` keeps them.
std::vector<std::string> PathsOf(const Settings& s, const Edit& edit) {
    std::vector<std::string> paths;
    if ((edit.files & generalSettingsFile) != 0) {
        paths.push_back(s.settingsFilePath);
    }
    if ((edit.files & fontFiles) != 0) {
        for (int k = 1; k <= kFontRoleCount; ++k) {
            paths.push_back(FontFilePath(s, static_cast<FontRole>(k)));
        }
    }
    if (edit.engineerMaster) {
        paths.push_back(s.engineerMasterPath);
    }
    return paths;
}

// A file as it is now: what it holds, or nothing there at all.
EditHistory::File ReadFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::symlink_status(PathOf(path), ec).type() ==
        std::filesystem::file_type::not_found) {
        return {path, std::nullopt, true};
    }
    std::optional<std::string> bytes = ReadWholeFile(path);
    const bool readable = bytes.has_value();
    return {path, std::move(bytes), readable};
}

EditHistory::Files ReadFiles(const std::vector<std::string>& paths) {
    EditHistory::Files files;
    for (const std::string& path : paths) {
        files.push_back(ReadFile(path));
    }
    return files;
}

// The first of `files` that is there and could not be read.
const EditHistory::File* Unreadable(const EditHistory::Files& files) {
    for (const EditHistory::File& file : files) {
        if (!file.readable) {
            return &file;
        }
    }
    return nullptr;
}

// Writes back the contents of `files`, all of them or none: a file that did
// not exist goes. Nothing is written while any of them is there now and
// cannot be read (said), nor in place of one that could not be read then.
bool WriteFiles(const EditHistory::Files& files, Messages& messages) {
    std::vector<std::string> paths;
    for (const EditHistory::File& file : files) {
        paths.push_back(file.path);
    }
    const EditHistory::Files now = ReadFiles(paths);
    if (const EditHistory::File* unreadable = Unreadable(now)) {
        messages.Show(FormatMessage(msg::settingsFileUnreadable, unreadable->path));
        return false;
    }
    FileContents contents;
    for (const EditHistory::File& file : files) {
        if (file.bytes) {
            contents.emplace_back(file.path, *file.bytes);
        }
    }
    if (!ReplaceFiles(contents)) {
        messages.Show(CannotSaveMessage(contents.empty() ? std::string() : contents.front().first));
        return false;
    }
    for (const EditHistory::File& file : files) {
        if (file.readable && !file.bytes) {
            std::error_code ec;
            std::filesystem::remove(PathOf(file.path), ec);
        }
    }
    return true;
}

void Compute(Workspace& ws, Follow follow, Messages& messages) {
    switch (follow) {
        case Follow::nothing:
            break;
        case Follow::reduceTest:
            ReduceTestRows(ws.test);
            break;
        case Follow::recheckAndReduce:
            RecomputeTestRows(ws.test, messages);
            break;
        case Follow::refitCalibration:
            RefitCalibration(ws.calibration, messages);
            break;
    }
}

// Puts the records and settings of `state` in the workspace. A move of the
// installation moves it (the location file names the folder) and, when
// `reload`, reads every setting from there.
void Put(Workspace& ws, const Edit& state, bool reload, Messages& messages) {
    if (state.test) {
        ws.test = *state.test;
    }
    if (state.calibration) {
        ws.calibration = *state.calibration;
    }
    if (!state.settings) {
        return;
    }
    if ((state.files & locationFile) == 0) {
        ws.settings = *state.settings;
        return;
    }
    if (!MoveInstallation(ws.settings, state.settings->installFolder)) {
        messages.Show(msg::folderBad);
    }
    if (reload) {
        LoadSettings(ws.settings, true, messages);
    } else {
        ws.settings = *state.settings;
    }
}

// Writes the files of an edit made now, all of them or none; false (said)
// when they could not be written.
bool WriteNewFiles(const Workspace& ws, const Edit& edit, Messages& messages) {
    FileContents files;
    if ((edit.files & generalSettingsFile) != 0 &&
        !AddSettingsFile(files, ws.settings, ws.settings.settingsFilePath, messages)) {
        messages.Show(msg::cannotSave);
        return false;
    }
    if ((edit.files & fontFiles) != 0) {
        AddFontFiles(files, ws.settings);
    }
    if (edit.engineerMaster) {
        files.emplace_back(ws.settings.engineerMasterPath, *edit.engineerMaster);
    }
    if (!ReplaceFiles(files)) {
        messages.Show(edit.engineerMaster
                          ? std::string(msg::masterNotSaved) + std::string(msg::cannotSave)
                          : CannotSaveMessage(files.empty() ? std::string() : files.front().first));
        return false;
    }
    return true;
}

// About how many bytes a value holds.
std::size_t HeapOf(const std::string& text) {
    return text.capacity() > std::string().capacity() ? text.capacity() + 1 : 0;
}
template <typename Table>
std::size_t HeapOf(const Table& table) {
    std::size_t n = 0;
    for (const auto& item : table) {
        n += HeapOf(item);
    }
    return n;
}
std::size_t BytesOf(const TestRecord& r) {
    return sizeof r + HeapOf(r.testHeader) + HeapOf(r.testRows) + HeapOf(r.loadedCalibrationRows);
}
std::size_t BytesOf(const CalibrationRecord& r) {
    return sizeof r + HeapOf(r.calibrationHeader) + HeapOf(r.calibrationRows);
}
std::size_t BytesOf(const Settings& s) {
    constexpr std::size_t kTexts = 4096;  // its texts are short
    return sizeof s + kTexts;
}
std::size_t BytesOf(const EditHistory::Files& files) {
    std::size_t n = 0;
    for (const EditHistory::File& file : files) {
        n += sizeof file + file.path.size() + (file.bytes ? file.bytes->size() : 0);
    }
    return n;
}

}  // namespace

const std::string& EditHistory::UndoName() const {
    return CanUndo() ? steps_[done_ - 1].name : kNoName;
}

const std::string& EditHistory::RedoName() const {
    return CanRedo() ? steps_[done_].name : kNoName;
}

void EditHistory::Clear() {
    steps_.clear();
    done_ = 0;
    bytes_ = 0;
}

void EditHistory::Add(Step step) {
    steps_.resize(done_);
    steps_.push_back(std::move(step));
    done_ = steps_.size();
    // What the steps hold, each shared value once.
    const auto count = [this] {
        std::set<const void*> seen;
        std::size_t n = 0;
        const auto held = [&](const auto& value) {
            if (value && seen.insert(value.get()).second) {
                n += BytesOf(*value);
            }
        };
        for (const Step& s : steps_) {
            n += sizeof s + BytesOf(s.filesBefore) + BytesOf(s.filesAfter);
            for (const State* state : {&s.before, &s.after}) {
                held(state->test);
                held(state->calibration);
                held(state->settings);
            }
        }
        return n;
    };
    bytes_ = count();
    while (steps_.size() > kMostSteps || (bytes_ > kMostBytes && steps_.size() > 1)) {
        steps_.erase(steps_.begin());
        --done_;
        bytes_ = count();
    }
}

bool ApplyEdit(Workspace& ws, Edit edit, Messages& messages) {
    EditHistory& h = ws.edits;
    // An edit that could not be undone is not made: its files must be read
    // whole first (or be missing).
    const std::vector<std::string> paths = PathsOf(ws.settings, edit);
    EditHistory::Files filesBefore = ReadFiles(paths);
    if (const EditHistory::File* unreadable = Unreadable(filesBefore)) {
        messages.Show(FormatMessage(msg::settingsFileUnreadable, unreadable->path));
        return false;
    }
    const EditHistory::State last =
        h.done_ > 0 ? h.steps_[h.done_ - 1].after : EditHistory::State{};
    EditHistory::State before = Capture(ws, edit, last);
    Put(ws, edit, true, messages);
    if (!WriteNewFiles(ws, edit, messages)) {
        // Nothing was written: the workspace goes back.
        SilentMessages quiet;
        Put(ws, EditOf(edit.name, edit.files, before), false, quiet);
        return false;
    }
    if (!edit.notice.empty()) {
        messages.Show(edit.notice);
    }
    Compute(ws, edit.follow, messages);
    // What the edit left, derived values included, is what Redo brings back.
    EditHistory::State after = Capture(ws, edit, before);
    EditHistory::Files filesAfter = ReadFiles(PathsOf(ws.settings, edit));
    const bool recordsChanged =
        before.test != after.test || before.calibration != after.calibration;
    if (!recordsChanged && before.settings == after.settings && filesBefore == filesAfter) {
        return true;
    }
    const unsigned long revisionBefore = ws.recordsRevision;
    if (recordsChanged) {
        RecordsChanged(ws);
    }
    h.Add({edit.name, edit.files, std::move(before), std::move(after), std::move(filesBefore),
           std::move(filesAfter), revisionBefore, ws.recordsRevision});
    return true;
}

bool EditHistory::Restore(Workspace& ws, const Step& step, const State& state, const Files& files,
                          Messages& messages) {
    if (!WriteFiles(files, messages)) {
        return false;
    }
    Put(ws, EditOf(step.name, step.files, state), false, messages);
    return true;
}

bool Undo(Workspace& ws, Messages& messages) {
    EditHistory& h = ws.edits;
    if (!h.CanUndo()) {
        return false;
    }
    const EditHistory::Step& step = h.steps_[h.done_ - 1];
    if (!EditHistory::Restore(ws, step, step.before, step.filesBefore, messages)) {
        return false;
    }
    ws.recordsRevision = step.revisionBefore;
    --h.done_;
    return true;
}

bool Redo(Workspace& ws, Messages& messages) {
    EditHistory& h = ws.edits;
    if (!h.CanRedo()) {
        return false;
    }
    const EditHistory::Step& step = h.steps_[h.done_];
    if (!EditHistory::Restore(ws, step, step.after, step.filesAfter, messages)) {
        return false;
    }
    ws.recordsRevision = step.revisionAfter;
    ++h.done_;
    return true;
}

void AfterCancel(Workspace& ws, Follow follow, Messages& messages) {
    const TestRecord test = ws.test;
    const CalibrationRecord calibration = ws.calibration;
    Compute(ws, follow, messages);
    // A result that the files keep as they were (the same coefficients,
    // computed anew) changes nothing the user has; any other is an edit of
    // its own, undone like every other.
    if (WriteTestFile(ws.test) == WriteTestFile(test) &&
        WriteCalibrationFile(ws.calibration) == WriteCalibrationFile(calibration)) {
        return;
    }
    Edit edit{.name = editName::recompute};
    if (ws.calibration != calibration) {
        edit.calibration = ws.calibration;
    }
    if (ws.test != test) {
        edit.test = ws.test;
    }
    ws.test = test;
    ws.calibration = calibration;
    [[maybe_unused]] const bool applied = ApplyEdit(ws, std::move(edit), messages);
}

}  // namespace karnea
