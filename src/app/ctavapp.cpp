#include "app/ctavapp.h"

#include "dialogs/dialogsupport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSessionManager>
#include <QStatusBar>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/cmainframe.h"
#include "app/ctavdoc.h"
#include "app/extensions.h"
#include "app/helpwindow.h"
#include "app/qtjapanese.h"
#include "app/startoptions.h"
#include "base/messages.h"
#include "base/system.h"
#include "base/version.h"
#include "dialogs/dialogsupport.h"
#include "dialogs/guiservices.h"
#include "document/documentfile.h"
#include "document/startup.h"
#include "pages/pagecomposer.h"
#include "render/pageexport.h"
#include "render/qpaintersurface.h"
#include "settings/settings.h"
#include "view/ctavview.h"

namespace {

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(karnea::PathOf(path), error);
}

int AnswerOnTerminal(const karnea::StartOptions& options) {
    std::string out;
    std::string err;
    const int status = karnea::AnswerWithoutWindow(options, out, err);
    karnea::UseBinaryStandardStreams();
    std::fputs(out.c_str(), stdout);
    std::fputs(err.c_str(), stderr);
    std::fflush(stdout);
    return status;
}

}  // namespace

// The resources live in a static library and are registered by hand.
static void InitKarneaResources() {
    Q_INIT_RESOURCE(karnea);
}

namespace karnea {

CTavApp::CTavApp(Messages& messages, FileChooser& chooser)
    : messages_(messages), chooser_(chooser) {
    InitKarneaResources();
    InstallAccessibility();
}

CTavApp::~CTavApp() {
    if (frame_) {
        frame_->takeCentralWidget();
    }
    delete view_;
}

bool CTavApp::Start(const QStringList& arguments, int& exitCode) {
    std::vector<std::string> given;
    for (const QString& a : arguments) {
        given.push_back(a.toStdString());
    }
    const StartOptions options = ParseStartOptions(given, FileExists);
    if (options.action != StartOptions::Action::run) {
        exitCode = AnswerOnTerminal(options);
        return false;
    }
    const QString file = QString::fromStdString(options.file);

    recent_.Load();
    view_ = new CTavView(ws_, messages_, chooser_);
    doc_ = std::make_unique<CTavDoc>(ws_, messages_, chooser_, recent_);
    extensions_ = std::make_unique<Extensions>(ws_, *doc_, *view_, messages_, chooser_);
    frame_ = std::make_unique<CMainFrame>(*this);
    if (auto* box = dynamic_cast<BoxMessages*>(&messages_)) {
        box->setParent(frame_.get());
    }
    if (auto* dialogs = dynamic_cast<DialogFileChooser*>(&chooser_)) {
        dialogs->setParent(frame_.get());
    }
    StartProgram(ws_, messages_);
    if (file.isEmpty()) {
        doc_->OnNewDocument();
    } else if (!doc_->OpenDocumentFile(file)) {
        exitCode = 1;
        return false;
    }
    // The first document is followed by the view's initial update; later ones
    // by an update.
    view_->OnInitialUpdate();
    connect(doc_.get(), &CTavDoc::documentChanged, view_, &CTavView::OnUpdate);
    // The desktop session ending: changes are saved or given up first, or
    // the logout is cancelled.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& session) {
        if (!session.allowsInteraction()) {
            return;
        }
        if (doc_->SaveModified()) {
            doc_->setModifiedFlag(false);
        } else {
            session.cancel();
        }
        session.release();
    });

    if (options.print) {
        exitCode = PrintFileAndQuit(file) ? 0 : 1;
        return false;
    }
    if (options.quitAfterFirstPaint) {
        // Ends the run as soon as the first page is painted, before anything
        // that waits for an idle moment.
        connect(view_, &CTavView::firstPaint, this, [] { QCoreApplication::exit(0); });
    }
    frame_->setWindowTitle(QStringLiteral("カルネアv5"));
    frame_->show();
    view_->setFocus();
    exitCode = 0;
    return true;
}

bool CTavApp::PrintFileAndQuit(const QString& path) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        messages_.Show(msg::cannotStartPrint);
        return false;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    return view_->PrintPages(printer, AllPages(PagesOf(ws_)), false, QFileInfo(path).fileName());
}

QPrinter& CTavApp::printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
    return *printer_;
}

void CTavApp::OnFileNew() {
    if (doc_->SaveModified()) {
        doc_->OnNewDocument();
    }
}

void CTavApp::OnOpenRecentFile(int index) {
    const QStringList files = recent_.files();
    if (index < 0 || index >= files.size() || !doc_->SaveModified()) {
        return;
    }
    if (!doc_->OpenDocumentFile(files[index])) {
        recent_.Remove(index);
        frame_->UpdateRecentFiles();
    }
}

void CTavApp::OnExportPdf() {
    const QFileInfo document(doc_->pathName());
    const QString initial =
        doc_->pathName().isEmpty()
            ? QStringLiteral("無題.pdf")
            : document.dir().filePath(document.completeBaseName() + QStringLiteral(".pdf"));
    std::optional<QString> chosen = chooser_.ChooseSave(
        initial, QStringLiteral("PDF ファイル (*.pdf)|*.pdf|すべてのファイル (*.*)|*.*||"));
    if (!chosen) {
        return;
    }
    if (QFileInfo(*chosen).suffix().isEmpty()) {
        *chosen += QStringLiteral(".pdf");
    }
    const std::string path = ToPath(*chosen);
    if (!MayExportTo(path, messages_)) {
        return;
    }
    const Settings& s = ws_.settings;
    if (DrawingOffPaper(s.graphLeftMargin, s.graphTopMargin)) {
        messages_.Show(FormatMessage(msg::drawingOffPaper, std::to_string(s.graphLeftMargin),
                                     std::to_string(s.graphTopMargin)));
        return;
    }
    const PageSource source = PagesOf(ws_);
    if (!ExportPdf(source, AllPages(source), path, 600, messages_, ToPath(doc_->title()))) {
        messages_.Show(CannotSaveMessage(path));
        return;
    }
    frame_->statusBar()->showMessage(
        QString::fromStdString(FormatMessage(msg::exportWritten, PathShown(*chosen))));
}

void CTavApp::OnFilePrint() {
    view_->OnFilePrint(printer(), doc_->title());
}

void CTavApp::OnFilePrintPreview() {
    if (view_->OnFilePrintPreview(printer(), recent_.previewPages)) {
        OnFilePrint();
    }
}

void CTavApp::OnFilePrintSetup() {
    // The printer and its properties, for the prints that follow; nothing
    // is printed from here.
    QPrintDialog dialog(&printer(), frame_.get());
    dialog.setWindowTitle(QStringLiteral("ﾌﾟﾘﾝﾀの設定"));
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) {
            ok->setText(QStringLiteral("OK"));
        }
    }
    dialog.exec();
}

void CTavApp::OnHelp() {
    CHelpDlg dialog(ws_.settings, messages_, frame_.get());
    dialog.exec();
    view_->viewport()->update();
}

int RunApplication(int argc, char** argv) {
    // Help, the version and a wrong command line need no display.
    const StartOptions options = ParseStartOptions(ProgramArguments(argc, argv), FileExists);
    if (options.action != StartOptions::Action::run) {
        return AnswerOnTerminal(options);
    }
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "karnea: no display (run it on a desktop, or under xvfb-run)\n");
        return 1;
    }
    QApplication application(argc, argv);
    // Number texts are written with "." whatever the desktop's locale says.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Tav"));
    QApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QApplication::setApplicationVersion(QString::fromStdString(std::string(ProgramVersion())));
    // The desktop's entry, so that the desktop ties the window to its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.karnea.Karnea"));
    LoadShippedFonts();
    InstallQtJapanese(application);
    BoxMessages messages;
    DialogFileChooser chooser;
    CTavApp app(messages, chooser);
    int exitCode = 0;
    if (!app.Start(QApplication::arguments().mid(1), exitCode)) {
        return exitCode;
    }
    return QApplication::exec();
}

}  // namespace karnea
