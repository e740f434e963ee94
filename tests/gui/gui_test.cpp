// The desktop program under QtTest (offscreen): start-up, paging, printing,
// the file commands with scripted dialogs and recorded messages, recent
// files and the help window.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPrinter>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>
#include <deque>

#include "app/cmainframe.h"
#include "app/ctavapp.h"
#include "app/ctavdoc.h"
#include "app/guiservices.h"
#include "app/helpwindow.h"
#include "pages/pagecount.h"
#include "records/datafile.h"
#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "document/workspace.h"
#include "settings/settings.h"
#include "view/ctavview.h"

using namespace karnea;

namespace {

// Answers the file dialogs from a script, and remembers what they offered.
class ScriptedChooser : public FileChooser {
public:
    std::optional<QString> ChooseOpen(const QString& folder, const QString& filter) override {
        openFolder = folder;
        lastFilter = filter;
        return Next();
    }
    std::optional<QString> ChooseSave(const QString& initial, const QString& filter) override {
        saveInitial = initial;
        lastFilter = filter;
        ++saveDialogs;
        return Next();
    }
    // The paths the dialogs return in turn; an empty one is Cancel.
    std::deque<QString> answers;
    QString openFolder, saveInitial, lastFilter;
    int saveDialogs = 0;

private:
    std::optional<QString> Next() {
        const QString answer = answers.empty() ? QString() : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        if (answer.isEmpty()) {
            return std::nullopt;
        }
        return answer;
    }
};

QString Example(const char* name) {
    return QStringLiteral(KARNEA_EXAMPLES_DIR "/") + QString::fromLatin1(name);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

}  // namespace

class GuiTest : public QObject {
    Q_OBJECT

private:
    // A started program with its own recorded messages and scripted dialogs.
    struct Program {
        RecordedMessages messages;
        ScriptedChooser chooser;
        std::unique_ptr<CTavApp> app;
        int exitCode = -1;
        bool started = false;
        explicit Program(const QStringList& args = {}) {
            app = std::make_unique<CTavApp>(messages, chooser);
            started = app->Start(args, exitCode);
        }
    };

    QTemporaryDir home_;

private slots:
    void initTestCase() {
        // Standard settings where the program looks for them.
        const QString folder = home_.path() + QStringLiteral("/VardoXQ/Kvar5");
        QDir().mkpath(folder);
        Settings s;
        ApplyStandardSettings(s);
        s.settingsFolder = ToPath(folder);
        for (int role = 1; role <= kFontRoleCount; ++role) {
            s.fonts[static_cast<std::size_t>(role - 1)] = StandardFont(role);
        }
        SaveSettings(s, s.settingsFolder + "/Sys.ndx");
        SaveFontFiles(s);
        qputenv("KARNEA_HOME", home_.path().toLocal8Bit());
    }

    void init() {
        QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Tav"))
            .clear();
    }

    void startsOnTheEmptyTestResultPage() {
        Program p;
        QVERIFY(p.started);
        QCOMPARE(p.exitCode, 0);
        QCOMPARE(p.app->frame().windowTitle(), QStringLiteral("カルネアv5"));
        QCOMPARE(p.app->ws().documentKind, kTestDocument);
        QCOMPARE(p.app->ws().CurrentPage, 1);
        QCOMPARE(PageCount(p.app->ws()), 2);
        QVERIFY(p.messages.shown.empty());
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QCOMPARE(p.app->frame().width(), int(screen.width() * 0.86));
        QCOMPARE(p.app->frame().height(), int(screen.height() * 0.8));
        QVERIFY(QFile::exists(home_.path() + QStringLiteral("/VardoXQ/Kvar5/Help.txt")));
    }

    void startsWithAFileOrNotAtAll() {
        Program p({Example("test.kdw")});
        QVERIFY(p.started);
        QCOMPARE(p.app->doc().title(), QStringLiteral("test.kdw"));
        QCOMPARE(p.app->ws().testHeader[header::poRow], std::string("6"));
        QCOMPARE(p.app->frame().windowTitle(), QStringLiteral("カルネアv5"));

        Program missing({QStringLiteral("/no/such/file.kdw")});
        QVERIFY(!missing.started);
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(!missing.app->frame().isVisible());
        QCOMPARE(missing.messages.shown.size(), std::size_t(1));

        Program usage({QStringLiteral("--bogus")});
        QVERIFY(!usage.started);
        QCOMPARE(usage.exitCode, 2);
    }

    void menusToolbarAndStatusBar() {
        Program p;
        CMainFrame& f = p.app->frame();
        QCOMPARE(f.action(57600)->text(), QStringLiteral("新規作成(&N)\tCtrl+N"));
        QCOMPARE(f.action(57600)->statusTip(), QStringLiteral("新規にﾌｧｲﾙを作成"));
        QCOMPARE(f.action(57600)->toolTip(), QStringLiteral("新規ﾌｧｲﾙ"));
        QCOMPARE(f.action(57601)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(f.action(32773)->statusTip(),
                 QStringLiteral("見出し部分のデータ　TABｷｰでカーソル移動"));
        for (int later : {32771, 32772, 32773, 32774, 32775, 32776, 32777, 32778, 32782, 32783,
                          32784, 32785, 32787}) {
            QVERIFY2(!f.action(later)->isEnabled(), qPrintable(QString::number(later)));
        }
        QVERIFY(f.action(57670)->isEnabled());
        int buttons = 0;
        int separators = 0;
        for (QAction* a : f.toolBar()->actions()) {
            (a->isSeparator() ? separators : buttons)++;
        }
        QCOMPARE(buttons, 7);
        QCOMPARE(separators, 2);
        QCOMPARE(f.idleText()->text(),
                 QStringLiteral("PageUp(RollUp), PageDown(RollDown) または↑↓ｷｰで改ページ"));
        f.action(59392)->trigger();
        QVERIFY(!f.toolBar()->isVisibleTo(&f));
        f.action(59392)->trigger();
        QVERIFY(f.toolBar()->isVisibleTo(&f));
        QCOMPARE(f.toolBarArea(f.toolBar()), Qt::TopToolBarArea);
    }

    void pagingRules() {
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        CTavView& view = p.app->view();
        view.viewport()->grab();  // the test pages have been drawn
        QTest::keyClick(&view, Qt::Key_PageUp);
        QCOMPARE(ws.CurrentPage, 1);
        QTest::keyClick(&view, Qt::Key_PageDown);
        QCOMPARE(ws.CurrentPage, 2);
        QTest::keyClick(&view, Qt::Key_Down);  // the last page
        QCOMPARE(ws.CurrentPage, 2);
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(ws.CurrentPage, 1);
        ws.PrintingNow = 1;
        QTest::keyClick(&view, Qt::Key_PageDown);
        QCOMPARE(ws.CurrentPage, 1);
        ws.PrintingNow = 0;
        p.app->frame().action(8102)->trigger();
        QCOMPARE(ws.CurrentPage, 2);
        p.app->frame().action(8101)->trigger();
        QCOMPARE(ws.CurrentPage, 1);

        // Opening a calibration while the test shows page 2: its page 1.
        ws.CurrentPage = 2;
        p.chooser.answers.push_back(Example("calibration.kcw"));
        p.app->doc().OnFileOpen();
        QCOMPARE(ws.documentKind, kCalibrationDocument);
        view.viewport()->grab();  // draws the page as a paint does
        QCOMPARE(ws.CurrentPage, 1);
        // A page beyond the count goes back to 1 at the next key.
        ws.CurrentPage = 7;
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(ws.CurrentPage, 1);
    }

    void printingToPdfLeavesThePageShown() {
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        p.app->view().viewport()->grab();
        ws.CurrentPage = 2;
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
        QVERIFY(p.app->view().PrintPages(printer, {1, 2}, true, QStringLiteral("test.kdw")));
        QCOMPARE(ws.CurrentPage, 2);
        QCOMPARE(ws.PrintingNow, 0);
        const QByteArray pdf = ReadAll(dir.filePath(QStringLiteral("out.pdf")));
        QVERIFY(pdf.startsWith("%PDF"));
        QVERIFY(pdf.contains("/Count 2"));
    }

    void fileCommandsDecideAndReport() {
        QTemporaryDir dir;
        Program p;
        CTavDoc& doc = p.app->doc();
        Workspace& ws = p.app->ws();
        // Open remembers the folder; a test named .kcw goes through Save As.
        p.chooser.answers.push_back(Example("test.kdw"));
        doc.OnFileOpen();
        QCOMPARE(doc.title(), QStringLiteral("test.kdw"));
        QCOMPARE(FromPath(ReadFolderMemory(ws.settings).folder),
                 QStringLiteral(KARNEA_EXAMPLES_DIR));
        const QString asCal = dir.filePath(QStringLiteral("wrong.kcw"));
        p.chooser.answers.push_back(asCal);
        doc.OnFileSaveAs();
        QCOMPARE(doc.title(), QStringLiteral("wrong.kcw"));
        const int dialogs = p.chooser.saveDialogs;
        p.chooser.answers.push_back(QString());
        doc.OnFileSave();
        QCOMPARE(p.chooser.saveDialogs, dialogs + 1);
        QCOMPARE(p.chooser.saveInitial, FromPath(ws.lastTestFileName));

        // Save under a sound name writes at once.
        const QString good = dir.filePath(QStringLiteral("good.kdw"));
        p.chooser.answers.push_back(good);
        doc.OnFileSaveAs();
        doc.OnFileSave();
        QCOMPARE(p.chooser.saveDialogs, dialogs + 2);
        QCOMPARE(ReadAll(good), ReadAll(Example("test.kdw")));

        // Unknown extension, unwritable folder.
        p.chooser.answers.push_back(dir.filePath(QStringLiteral("x.txt")));
        doc.OnFileSaveAs();
        QCOMPARE(p.messages.shown.back(),
                 std::string("拡張子を KCW(kcw) または KDW(kdw)にして下さい"));
        p.chooser.answers.push_back(QStringLiteral("/no/such/folder/x.kdw"));
        doc.OnFileSaveAs();
        QCOMPARE(p.messages.shown.back(), std::string("保存できませんでした"));
        QCOMPARE(doc.title(), QStringLiteral("good.kdw"));

        // The older version: refused through the recent list, imported by Open.
        const QString old = dir.filePath(QStringLiteral("old.df"));
        WriteBytesTo(old, "0,100,10\r\n" + std::string(10, '\n'));
        QVERIFY(!doc.OpenDocumentFile(old));
        QCOMPARE(p.messages.shown.back(),
                 std::string("旧バージョンファイルは「開く」で読み込んで下さい」"));
        QCOMPARE(doc.title(), QStringLiteral("good.kdw"));
        p.chooser.answers.push_back(old);
        doc.OnFileOpen();
        QCOMPARE(doc.title(), QStringLiteral("old.df"));
        QCOMPARE(ws.testHeader[header::conversionStamp], std::string("300 VARDO"));

        // New keeps the kind and clears it.
        doc.OnNewDocument();
        QCOMPARE(doc.title(), QStringLiteral("無題"));
        QCOMPARE(p.app->frame().windowTitle(), QStringLiteral("無題 - Nob"));
        QCOMPARE(ws.testHeader[header::conversionStamp], std::string(""));
    }

    void recentFiles() {
        QTemporaryDir dir;
        {
            Program p;
            p.chooser.answers.push_back(Example("calibration.kcw"));
            p.app->doc().OnFileOpen();
            p.chooser.answers.push_back(Example("test.kdw"));
            p.app->doc().OnFileOpen();
            QCOMPARE(p.app->recent().files().size(), 2);
            QCOMPARE(p.app->recent().files().front(), Example("test.kdw"));
            QStringList entries;
            for (QAction* a : p.app->frame().fileMenu()->actions()) {
                if (a->text().startsWith(QLatin1Char('&'))) {
                    entries << a->text();
                }
            }
            QCOMPARE(entries.size(), 2);
            QVERIFY(entries.front().endsWith(QStringLiteral("test.kdw")));
            p.app->frame().close();
        }
        Program again;
        QCOMPARE(again.app->recent().files().size(), 2);
        again.app->OnOpenRecentFile(1);
        QCOMPARE(again.app->doc().title(), QStringLiteral("calibration.kcw"));
        QCOMPARE(again.app->ws().documentKind, kCalibrationDocument);
        // An entry that no longer opens leaves the list.
        again.app->recent().Add(dir.filePath(QStringLiteral("gone.kdw")));
        again.app->OnOpenRecentFile(0);
        QCOMPARE(again.app->recent().files().size(), 2);
    }

    void droppedFilesAndThePrintSwitch() {
        Program p;
        p.app->frame().OpenDroppedFiles({QUrl(QStringLiteral("https://example.invalid/a.kdw")),
                                         QUrl::fromLocalFile(Example("calibration.kcw"))});
        QCOMPARE(p.app->doc().title(), QStringLiteral("calibration.kcw"));
        QCOMPARE(p.app->ws().documentKind, kCalibrationDocument);

        // No printer here: the print switch reports it and ends.
        Program print({QStringLiteral("--print"), Example("test.kdw")});
        QVERIFY(!print.started);
        QCOMPARE(print.exitCode, 1);
        QVERIFY(!print.app->frame().isVisible());
    }

    void helpWindow() {
        RecordedMessages m;
        CHelpDlg help(home_.path() + QStringLiteral("/VardoXQ/Kvar5"), m);
        QVERIFY(m.shown.empty());
        QVERIFY(help.list()->count() > 20);
        QVERIFY(help.list()->item(0)->text().startsWith(QStringLiteral("　カルネア")));
        CHelpDlg none(QStringLiteral("/no/such"), m);
        QCOMPARE(none.list()->count(), 0);
        QCOMPARE(m.shown.back(), std::string("ファイルが見つかりません\n( /no/such/Help.txt )"));

        // Without any editor to start, the button says so.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        QVERIFY(!help.OpenAndPrint());
        qputenv("PATH", path);
        QCOMPARE(m.shown.back(), std::string("実行できませんでした"));
    }

private:
    static void WriteBytesTo(const QString& path, const std::string& bytes) {
        QVERIFY(ReplaceFile(ToPath(path), bytes));
    }
};

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    GuiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "gui_test.moc"
