#include "app/ctavdoc.h"

#include <QFileInfo>
#include <utility>

#include "app/recentfiles.h"
#include "base/messages.h"
#include "dialogs/guiservices.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "settings/settings.h"

namespace karnea {
namespace {

const QString kOpenFilter = QStringLiteral(
    "カルネアVer3,4,5 (CAL、DATA)|*.kcw;*.kdw|旧Ver.2(*.cf *.df)|*.cf;*.df|すべて(*.*)|*.*||");
const QString kCalibrationSaveFilter = QStringLiteral(
    "CALデータ(*.KCW)|*.kcw;|CAL(*.KCW) カルネアﾃﾞｰﾀ(*.KDW)|*.kcw;*.kdw;|すべて(*.*)|*.*||");
const QString kTestSaveFilter = QStringLiteral(
    "カルネアデータ(*.KDW)|*.kdw;|カルネアﾃﾞｰﾀ(*.KDW) CAL(*.KCW)|*.kdw;*.kcw;|すべて(*.*)|*.*||");
// What the open dialog adds to a name typed without extension.
const QString kOpenDefaultSuffix = QStringLiteral("kdw");

// The folder part of a chosen path, without a trailing "/"; the old folder
// when the path has no folder part.
std::string FolderOf(const std::string& path, const std::string& oldFolder) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) {
        return slash == 0 ? std::string("/") : oldFolder;
    }
    return path.substr(0, slash);
}

}  // namespace

CTavDoc::CTavDoc(Workspace& ws, Messages& messages, FileChooser& chooser, RecentFiles& recent)
    : ws_(ws), messages_(messages), chooser_(chooser), recent_(recent) {}

QString CTavDoc::title() const {
    return path_.isEmpty() ? QStringLiteral("無題") : QFileInfo(path_).fileName();
}

void CTavDoc::SetPathName(const QString& path) {
    path_ = QFileInfo(path).absoluteFilePath();
    recent_.Add(path_);
    emit titleChanged();
}

bool CTavDoc::isModified() const {
    return modified_ || ws_.recordsRevision != savedRevision_;
}

void CTavDoc::setModifiedFlag(bool modified) {
    modified_ = modified;
    if (!modified) {
        savedRevision_ = ws_.recordsRevision;
    }
    emit titleChanged();
}

bool CTavDoc::SaveModified() {
    if (!isModified()) {
        return true;
    }
    switch (messages_.AskYesNoCancel(FormatMessage(msg::saveChanges, title().toStdString()))) {
        case Messages::Answer::yes:
            return OnFileSave();
        case Messages::Answer::no:
            return true;
        case Messages::Answer::cancel:
            break;
    }
    return false;
}

bool CTavDoc::OnNewDocument() {
    path_.clear();
    NewDocument(ws_);
    setModifiedFlag(false);
    emit titleChanged();
    emit documentChanged();
    return true;
}

void CTavDoc::OnFileOpen() {
    const FolderMemory memory = ReadFolderMemory(ws_.settings);
    const std::optional<QString> chosen =
        chooser_.ChooseOpen(FromPath(memory.folder), kOpenFilter, kOpenDefaultSuffix);
    if (!chosen) {
        return;
    }
    const std::string path = ToPath(*chosen);
    const std::string folder = FolderOf(path, memory.folder);
    if (!SaveModified() || !OpenDataFile(ws_, path, messages_)) {
        return;
    }
    emit documentChanged();
    SetPathName(*chosen);
    setModifiedFlag(false);
    if (!WriteFolderMemory(ws_.settings, {folder, memory.carried}) &&
        !std::exchange(folderMemoryFailed_, true)) {
        messages_.Show(FormatMessage(msg::folderMemoryNotSaved, FolderMemoryPath(ws_.settings)));
    }
}

bool CTavDoc::OpenDocumentFile(const QString& path) {
    if (!LoadDataFileFramework(ws_, ToPath(path), messages_)) {
        return false;
    }
    SetPathName(path);
    setModifiedFlag(false);
    emit documentChanged();
    return true;
}

bool CTavDoc::OnFileSave() {
    const QString name = title();
    if (SaveNeedsSaveAs(ws_.documentKind, ToPath(path_),
                        ToPath(path_.isEmpty() ? QString() : name))) {
        return OnFileSaveAs();
    }
    if (!MayLeaveRowsOut(ws_, ToPath(path_), messages_) ||
        !SaveDocument(ws_, ToPath(path_), messages_)) {
        return false;
    }
    SetPathName(path_);
    setModifiedFlag(false);
    return true;
}

bool CTavDoc::OnFileSaveAs() {
    const bool calibration = ws_.documentKind == DocumentKind::calibration;
    const QString extension = FromPath(ExtensionOf(ToPath(path_))).toLower();
    QString initial = path_;
    if (calibration && extension == QLatin1String("kdw")) {
        initial = FromPath(ws_.lastCalibrationFileName);
    } else if (!calibration && extension == QLatin1String("kcw")) {
        initial = FromPath(ws_.lastTestFileName);
    }
    const std::optional<QString> chosen =
        chooser_.ChooseSave(initial, calibration ? kCalibrationSaveFilter : kTestSaveFilter);
    if (!chosen) {
        return false;
    }
    // The dialog asked about replacing the name as typed; a name that gets
    // its extension only now is asked about here.
    const std::string typed = ToPath(*chosen);
    const std::string path = CompletedSavePath(ws_.documentKind, typed);
    const QFileInfo target(FromPath(path));
    if (path != typed && target.exists() &&
        !messages_.AskYesNo(FormatMessage(msg::replaceExisting, target.fileName().toStdString()))) {
        return false;
    }
    if (!MayLeaveRowsOut(ws_, path, messages_)) {
        return false;
    }
    const std::optional<std::string> written = SaveDocumentAs(ws_, path, messages_);
    if (!written) {
        return false;
    }
    SetPathName(FromPath(*written));
    // The other kind's record under its own extension leaves this one unsaved.
    const bool own = HoldsOwnRecord(ws_.documentKind, *written);
    if (own) {
        setModifiedFlag(false);
    }
    return own;
}

}  // namespace karnea
