#include "document/edithistory.h"

#include <filesystem>
#include <utility>

#include "analysis/reduction.h"
#include "base/diskfile.h"
#include "base/messages.h"
#include "base/system.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "entry/calibrationreadingsmodel.h"

namespace karnea {
namespace {

const std::string kNoName;

// The workspace's present values of what `edit` carries (the files apart).
Edit Capture(const Workspace& ws, const Edit& edit) {
    Edit now;
    now.name = edit.name;
    now.files = edit.files;
    if (edit.test) {
        now.test = ws.test;
    }
    if (edit.calibration) {
        now.calibration = ws.calibration;
    }
    if (edit.settings) {
        now.settings = ws.settings;
    }
    return now;
}

// The contents of the files `edit` writes, where `s` keeps them.
EditHistory::Files ReadFiles(const Settings& s, const Edit& edit) {
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
    EditHistory::Files files;
    for (std::string& path : paths) {
        std::optional<std::string> bytes = ReadWholeFile(path);
        files.emplace_back(std::move(path), std::move(bytes));
    }
    return files;
}

// Writes back the contents of `files`: a file that did not exist goes.
bool WriteFiles(const EditHistory::Files& files) {
    std::vector<std::pair<std::string, std::string>> contents;
    for (const auto& [path, bytes] : files) {
        if (bytes) {
            contents.emplace_back(path, *bytes);
        }
    }
    if (!ReplaceFiles(contents)) {
        return false;
    }
    for (const auto& [path, bytes] : files) {
        std::error_code ec;
        if (!bytes) {
            std::filesystem::remove(PathOf(path), ec);
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

// Writes the files of an edit made now; false (said) when one could not be
// written, and then none was.
bool WriteNewFiles(const Workspace& ws, const Edit& edit, Messages& messages) {
    if ((edit.files & generalSettingsFile) != 0 &&
        !SaveSettings(ws.settings, ws.settings.settingsFilePath, messages)) {
        messages.Show(msg::cannotSave);
        return false;
    }
    if ((edit.files & fontFiles) != 0) {
        SaveFontFiles(ws.settings);
    }
    if (edit.engineerMaster && !ReplaceFile(ws.settings.engineerMasterPath, *edit.engineerMaster)) {
        messages.Show(std::string(msg::masterNotSaved) + std::string(msg::cannotSave));
        return false;
    }
    return true;
}

}  // namespace

const std::string& EditHistory::UndoName() const {
    return CanUndo() ? steps_[done_ - 1].after.name : kNoName;
}

const std::string& EditHistory::RedoName() const {
    return CanRedo() ? steps_[done_].after.name : kNoName;
}

void EditHistory::Clear() {
    steps_.clear();
    done_ = 0;
}

bool ApplyEdit(Workspace& ws, Edit edit, Messages& messages) {
    Edit before = Capture(ws, edit);
    EditHistory::Files filesBefore = ReadFiles(ws.settings, edit);
    Put(ws, edit, true, messages);
    if (!WriteNewFiles(ws, edit, messages)) {
        SilentMessages quiet;
        Put(ws, before, false, quiet);
        WriteFiles(filesBefore);
        return false;
    }
    if (!edit.notice.empty()) {
        messages.Show(edit.notice);
    }
    Compute(ws, edit.follow, messages);
    // What the edit left, derived values included, is what Redo brings back.
    Edit after = Capture(ws, edit);
    EditHistory::Files filesAfter = ReadFiles(ws.settings, edit);
    const bool recordsChanged =
        before.test != after.test || before.calibration != after.calibration;
    if (!recordsChanged && before.settings == after.settings && filesBefore == filesAfter) {
        return true;
    }
    const unsigned long revisionBefore = ws.recordsRevision;
    if (recordsChanged) {
        RecordsChanged(ws);
    }
    EditHistory& h = ws.edits;
    h.steps_.resize(h.done_);
    h.steps_.push_back({std::move(before), std::move(after), std::move(filesBefore),
                        std::move(filesAfter), revisionBefore, ws.recordsRevision});
    h.done_ = h.steps_.size();
    return true;
}

bool EditHistory::Restore(Workspace& ws, const Edit& state, const Files& files,
                          Messages& messages) {
    if (!WriteFiles(files)) {
        messages.Show(msg::cannotSave);
        return false;
    }
    Put(ws, state, false, messages);
    return true;
}

bool Undo(Workspace& ws, Messages& messages) {
    EditHistory& h = ws.edits;
    if (!h.CanUndo()) {
        return false;
    }
    const EditHistory::Step& step = h.steps_[h.done_ - 1];
    if (!EditHistory::Restore(ws, step.before, step.filesBefore, messages)) {
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
    if (!EditHistory::Restore(ws, step.after, step.filesAfter, messages)) {
        return false;
    }
    ws.recordsRevision = step.revisionAfter;
    ++h.done_;
    return true;
}

void AfterCancel(Workspace& ws, Follow follow, Messages& messages) {
    Compute(ws, follow, messages);
}

}  // namespace karnea
