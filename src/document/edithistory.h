// The one path every edit of the records and the settings takes: a dialog
// model's OK (its checks, then its edit), the edit applied to the workspace,
// and Undo and Redo over the edits applied since the document was made or
// opened.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "entry/edit.h"
#include "entry/entrytexts.h"

namespace karnea {

struct Workspace;
class Messages;

// The edits applied, in order, and how many of them are in effect (the rest
// can be redone).
class EditHistory {
public:
    // A settings file an edit writes, as it was: its whole content, or none
    // for a file that did not exist; `readable` false for one that exists
    // and could not be read, which nothing may then replace or remove.
    struct File {
        std::string path;
        std::optional<std::string> bytes;
        bool readable = true;
        friend bool operator==(const File&, const File&) = default;
    };
    using Files = std::vector<File>;

    // The most the history keeps: steps, and bytes of the records, settings
    // and files they hold. The oldest steps go first; the last one made
    // always stays.
    static constexpr std::size_t kMostSteps = 200;
    static constexpr std::size_t kMostBytes = std::size_t(64) << 20;

    bool CanUndo() const { return done_ > 0; }
    bool CanRedo() const { return done_ < steps_.size(); }
    // The name of the edit Undo or Redo would take back or make again (UTF-8).
    const std::string& UndoName() const;
    const std::string& RedoName() const;
    // A new or opened document starts without edits.
    void Clear();
    // The steps kept, and about how many bytes they hold.
    std::size_t Steps() const { return steps_.size(); }
    std::size_t Bytes() const { return bytes_; }

    // The records and settings on one side of an edit, those it carries
    // alone. A step shares what did not change with its neighbours.
    struct State {
        std::shared_ptr<const TestRecord> test;
        std::shared_ptr<const CalibrationRecord> calibration;
        std::shared_ptr<const Settings> settings;
    };
    // What one edit touched, before and after: the records and settings, the
    // files' contents, and the records' revisions (equal when only settings
    // changed).
    struct Step {
        std::string name;
        unsigned files = noSettingsFile;
        State before;
        State after;
        Files filesBefore;
        Files filesAfter;
        unsigned long revisionBefore = 0;
        unsigned long revisionAfter = 0;
    };

private:
    friend bool ApplyEdit(Workspace&, Edit, Messages&);
    friend bool Undo(Workspace&, Messages&);
    friend bool Redo(Workspace&, Messages&);

    // Puts one side of the last step undone or done back in the workspace.
    static bool Restore(Workspace& ws, const Step& step, const State& state, const Files& files,
                        Messages& messages);
    // Adds a step after those in effect (the redo steps go), and lets the
    // oldest go while there are too many or they hold too much.
    void Add(Step step);
    std::vector<Step> steps_;
    std::size_t done_ = 0;
    std::size_t bytes_ = 0;
};

// Applies `edit`: the records and settings it carries replace the
// workspace's, what follows from them is computed, and the settings files it
// names are written (through the atomic save). When something changed, the
// records are reported changed (only when a record did) and the edit joins
// the history, whose redo steps go. False when a file could not be written,
// or one it would replace exists and could not be read (an edit that could
// not be undone): that is said, and the workspace and the files stay as they
// were.
bool ApplyEdit(Workspace& ws, Edit edit, Messages& messages);

// Takes the last edit in effect back, or makes the next undone one again:
// the records and settings as they were, their files written again, the
// records' revision as it was (so that undoing back to a save leaves no
// unsaved changes). False when there is none, or a file could not be written
// or, being there, read (it is then left as it is).
bool Undo(Workspace& ws, Messages& messages);
bool Redo(Workspace& ws, Messages& messages);

// A dialog's OK through the path: the model's own step of an OK pressed (a
// grid's editor), its checks (a refusal keeps the dialog open, and is
// returned), then its edit applied. A refusal without a message keeps the
// dialog open silently (the model, or a file that could not be written, has
// already said why).
template <typename Model>
std::optional<Refusal> AcceptEdit(Workspace& ws, Model& model, Messages& messages) {
    if constexpr (requires { model.TakeOk(); }) {
        if (!model.TakeOk()) {
            return Refusal{};
        }
    }
    if (std::optional<Refusal> refusal = model.Check()) {
        return refusal;
    }
    if (!ApplyEdit(ws, model.Accept(), messages)) {
        return Refusal{};
    }
    return std::nullopt;
}

// What follows a dialog closed without OK: the calibration dialogs fit the
// curve again, whatever their result (their models say so with kAfterCancel),
// as an edit of its own ("再計算") when that changes what the file keeps.
void AfterCancel(Workspace& ws, Follow follow, Messages& messages);
template <typename Model>
void CancelEdit(Workspace& ws, const Model&, Messages& messages) {
    if constexpr (requires { Model::kAfterCancel; }) {
        AfterCancel(ws, Model::kAfterCancel, messages);
    }
}

}  // namespace karnea
