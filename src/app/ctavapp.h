// The application: start-up, the single document, main frame and page view,
// the profile, and the commands that belong to the application.
#pragma once

#include <QObject>
#include <QPrinter>
#include <QStringList>
#include <memory>

#include "app/recentfiles.h"
#include "document/workspace.h"

namespace karnea {

class Messages;
class FileChooser;
class CTavDoc;
class CTavView;
class CMainFrame;
class Extensions;

class CTavApp : public QObject {
    Q_OBJECT

public:
    // The messages and file dialogs the program uses; tests pass their own.
    CTavApp(Messages& messages, FileChooser& chooser);
    ~CTavApp() override;

    // Start-up from the command line (without the program name): the profile,
    // the document, frame and view, the file argument or a new document, and
    // the shown window. False when the program must end; `exitCode` says how.
    bool Start(const QStringList& arguments, int& exitCode);

    Workspace& ws() { return ws_; }
    CTavDoc& doc() { return *doc_; }
    CTavView& view() { return *view_; }
    CMainFrame& frame() { return *frame_; }
    RecentFiles& recent() { return recent_; }
    // The commands of the 拡張 menu.
    Extensions& extensions() { return *extensions_; }
    // The printer of Print, Preview and Printer Setup, made when first needed.
    QPrinter& printer();

public slots:
    void OnFileNew();
    void OnOpenRecentFile(int index);
    // "PDF出力": the document's pages as one PDF, into a file the user names.
    void OnExportPdf();
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    void OnHelp();

private:
    bool PrintFileAndQuit(const QString& path);

    Workspace ws_;
    Messages& messages_;
    FileChooser& chooser_;
    RecentFiles recent_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<CTavDoc> doc_;
    CTavView* view_ = nullptr;
    std::unique_ptr<Extensions> extensions_;
    std::unique_ptr<CMainFrame> frame_;
};

// The whole program: what main runs.
int RunApplication(int argc, char** argv);

}  // namespace karnea
