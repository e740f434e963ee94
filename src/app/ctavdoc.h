// The document: the path, title and modified flag of the open file, and the
// file commands New, Open, Save and Save As with their dialogs. The data
// itself lives in the workspace's records.
#pragma once

#include <QObject>
#include <QString>

namespace karnea {

struct Workspace;
class Messages;
class FileChooser;
class RecentFiles;

class CTavDoc : public QObject {
    Q_OBJECT

public:
    CTavDoc(Workspace& ws, Messages& messages, FileChooser& chooser, RecentFiles& recent);

    const QString& pathName() const { return path_; }
    // The file name of the path, or "無題" for a new document.
    QString title() const;
    // Modified when the flag is set or a command changed the records since
    // the document was opened, made or saved.
    bool isModified() const;
    void setModifiedFlag(bool modified);

    // The new-document step: clears the record of the current kind.
    bool OnNewDocument();
    void OnFileOpen();
    // Save and Save As: true when the document's own record was written, so
    // that its changes are saved.
    bool OnFileSave();
    bool OnFileSaveAs();
    // Before the document is given up (new, open, closing): with changes,
    // asks whether to save them. False when the user cancelled or the save
    // did not happen; the document must then stay.
    bool SaveModified();
    // The framework's open path: recent files, the command line, dropped
    // files. False when the file was refused (the document stays as it was).
    bool OpenDocumentFile(const QString& path);

signals:
    // The records changed through a file command: the views update.
    void documentChanged();
    void titleChanged();

private:
    void SetPathName(const QString& path);

    Workspace& ws_;
    Messages& messages_;
    FileChooser& chooser_;
    RecentFiles& recent_;
    QString path_;
    bool modified_ = false;
    unsigned long savedRevision_ = 0;
    // The folder memory could not be written: said once a run, not at every
    // open (a settings folder the user may not write).
    bool folderMemoryFailed_ = false;
};

}  // namespace karnea
