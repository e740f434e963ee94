// The desktop program under QtTest (offscreen): start-up, paging, printing,
// the file commands with scripted dialogs and recorded messages, recent
// files and the help window.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <deque>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "app/cmainframe.h"
#include "app/ctavapp.h"
#include "app/ctavdoc.h"
#include "app/extensions.h"
#include "app/helpwindow.h"
#include "app/qtjapanese.h"
#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/version.h"
#include "dialogs/guiservices.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "gui/keyboard.h"
#include "gui/program.h"
#include "pages/pagecomposer.h"
#include "records/datafile.h"
#include "settings/settings.h"
#include "support/testsupport.h"
#include "view/cpreviewdlg.h"
#include "view/ctavview.h"

using namespace karnea;
using test::Contains;
using test::Example;
using test::Program;

namespace {

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Types a delivery dialog's every item as a Japanese user would, the
// numbers from an input method (full-width digits and blanks).
void FillDelivery(QDialog& d) {
    test::Commit(test::Find<QLineEdit>(d, "client"), QStringLiteral("県土木事務所"));
    auto* tabs = test::Find<QTabWidget>(d, "borings");
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QWidget* page = tabs->widget(i);
        const auto type = [&](const char* name, const QString& text) {
            auto* box = page->findChild<QLineEdit*>(QString::fromLatin1(name));
            box->setFocus();
            test::Commit(box, text);
        };
        type("longitude", QStringLiteral("１３６　１３　１３．０３３０"));
        type("latitude", QStringLiteral("36 04 41.9870"));
        type("elevation", QStringLiteral("７．１０"));
        type("diameter", QStringLiteral("６６"));
        QCOMPARE(page->findChild<QLineEdit*>(QStringLiteral("longitude"))->text(),
                 QStringLiteral("136 13 13.0330"));
        for (const char* name : {"method", "precision", "datum"}) {
            auto* box = page->findChild<QComboBox*>(QString::fromLatin1(name));
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Down);
            QTest::keyClick(box, Qt::Key_Down);
        }
    }
    QCOMPARE(test::Find<QPlainTextEdit>(d, "problems")->toPlainText(),
             QStringLiteral("なし（出力できます）"));
}

}  // namespace

class GuiTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;

private slots:
    void initTestCase() {
        test::UseStandardSettingsIn(home_);
        InstallQtJapanese(*qApp);  // as the program does
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
        QCOMPARE(p.app->ws().documentKind, DocumentKind::test);
        QCOMPARE(p.app->view().CurrentPage(), 1);
        QCOMPARE(PageCount(PagesOf(p.app->ws())), 2);
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
        QCOMPARE(p.app->ws().test.testHeader[header::poRow], std::string("6"));
        QCOMPARE(p.app->frame().windowTitle(), QStringLiteral("カルネアv5"));

        Program missing({QStringLiteral("/no/such/file.kdw")});
        QVERIFY(!missing.started);
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(!missing.app->frame().isVisible());
        QCOMPARE(missing.messages.shown.size(), std::size_t(1));

        Program usage({QStringLiteral("--bogus")});
        QVERIFY(!usage.started);
        QCOMPARE(usage.exitCode, 2);
        // Help and the version answer on the terminal and start no window.
        for (const char* sw : {"--help", "--version"}) {
            Program answer({QString::fromLatin1(sw), Example("test.kdw")});
            QVERIFY(!answer.started);
            QCOMPARE(answer.exitCode, 0);
            QVERIFY(answer.messages.shown.empty());
        }
    }

    void aboutBoxShowsTheBuildsVersion() {
        Program p;
        test::WithDialog([&] { p.app->frame().action(Command::about)->trigger(); },
                         [](QDialog& box) {
                             QCOMPARE(box.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
                             test::Screenshot(box, "about");
                             QStringList texts;
                             for (const QLabel* label : box.findChildren<QLabel*>()) {
                                 texts << label->text();
                             }
                             QVERIFY(texts.contains(QStringLiteral("カルネア Version 5 R100")));
                             QCOMPARE(test::Find<QLabel>(box, "version")->text(),
                                      QStringLiteral("karnea ") +
                                          QString::fromStdString(std::string(ProgramVersion())));
                         });
    }

    void menusToolbarAndStatusBar() {
        Program p;
        CMainFrame& f = p.app->frame();
        QCOMPARE(f.action(Command::fileNew)->text(), QStringLiteral("新規作成(&N)\tCtrl+N"));
        QCOMPARE(f.action(Command::fileNew)->statusTip(), QStringLiteral("新規にﾌｧｲﾙを作成"));
        QCOMPARE(f.action(Command::fileNew)->toolTip(), QStringLiteral("新規ﾌｧｲﾙ"));
        QCOMPARE(f.action(Command::fileOpen)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(f.action(Command::testHeader)->statusTip(),
                 QStringLiteral("見出し部分のデータ　TABｷｰでカーソル移動"));
        QVERIFY(f.action(Command::help)->isEnabled());
        // Every menu item works.
        for (const Command live :
             {Command::testReadings, Command::calibrationReadings, Command::testHeader,
              Command::calibrationHeader, Command::analysis, Command::engineerMaster,
              Command::styleSettings, Command::lineSettings, Command::fontSettings, Command::setup,
              Command::calibrationPage, Command::testPage, Command::keySettings}) {
            QVERIFY2(f.action(live)->isEnabled(),
                     qPrintable(QString::number(static_cast<int>(live))));
        }
        int buttons = 0;
        int separators = 0;
        for (QAction* a : f.toolBar()->actions()) {
            (a->isSeparator() ? separators : buttons)++;
        }
        QCOMPARE(buttons, 7);
        QCOMPARE(separators, 2);
        QCOMPARE(f.idleText()->text(),
                 QStringLiteral("PageUp(RollUp), PageDown(RollDown) または↑↓ｷｰで改ページ"));
        f.action(Command::viewToolBar)->trigger();
        QVERIFY(!f.toolBar()->isVisibleTo(&f));
        f.action(Command::viewToolBar)->trigger();
        QVERIFY(f.toolBar()->isVisibleTo(&f));
        QCOMPARE(f.toolBarArea(f.toolBar()), Qt::TopToolBarArea);
    }

    // Every menu opens with Alt and its letter; Alt pressed and let go alone
    // puts the keyboard on the menu bar (Enter then opens ﾌｧｲﾙ), and F10
    // opens the first menu.
    void menusByKeyboard() {
        Program p({Example("test.kdw")});
        CMainFrame& f = p.app->frame();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QMenuBar* bar = f.menuBar();
        const auto opened = [&]() -> QMenu* {
            QAction* active = bar->activeAction();
            return active != nullptr && active->menu() != nullptr && active->menu()->isVisible()
                       ? active->menu()
                       : nullptr;
        };
        // Escape closes a menu, and again leaves the bar for the page.
        const auto close = [&] {
            for (int i = 0; i < 4 && (opened() != nullptr || bar->hasFocus()); ++i) {
                QMenu* menu = opened();
                QTest::keyClick(menu != nullptr ? static_cast<QWidget*>(menu) : bar,
                                Qt::Key_Escape);
            }
            QVERIFY(opened() == nullptr);
            QVERIFY(!bar->hasFocus());
        };
        const auto focus = [] { return QApplication::focusWidget(); };
        for (QAction* item : bar->actions()) {
            const QString title = item->text();
            const int amp = static_cast<int>(title.indexOf(QLatin1Char('&')));
            QVERIFY2(amp >= 0, qPrintable(title));
            QTest::keyClick(focus(), title.at(amp + 1).toLower().toLatin1(), Qt::AltModifier);
            QTRY_VERIFY2(opened() == item->menu(), qPrintable(title));
            close();
        }
        // Alt alone: the keyboard is on the menu bar, and its first menu
        // shows it.
        const QRect first = bar->actionGeometry(bar->actions().value(0));
        const QImage unmarked = bar->grab(first).toImage();
        QTest::keyPress(focus(), Qt::Key_Alt, Qt::AltModifier);
        QTest::keyRelease(focus(), Qt::Key_Alt, Qt::NoModifier);
        QVERIFY(bar->hasFocus());
        QVERIFY(bar->grab(first).toImage() != unmarked);
        QTest::keyClick(bar, Qt::Key_Return);
        QTRY_VERIFY(opened() == bar->actions().value(0)->menu());
        close();
        QTest::keyClick(focus(), Qt::Key_F10);
        QTRY_VERIFY(opened() == bar->actions().value(0)->menu());
        close();
    }

    // 拡張 stands just before ﾍﾙﾌﾟ; its depth profile shows a folder's report
    // in the preview, its AGS export writes the file named, and its quality
    // check shows the open test's warnings and the suggested limit pressure.
    // A folder of many tests is read on a thread of its own with a box that
    // shows how far it is; ｷｬﾝｾﾙ stops it, and no file is written.
    void longWorkShowsItsProgressAndCancels() {
        QTemporaryDir dir;
        const std::string test = ReadAll(Example("test.kdw")).toStdString();
        for (int i = 0; i < 200; ++i) {
            WriteBytesTo(dir.filePath(QStringLiteral("t%1.kdw").arg(i, 3, 10, QLatin1Char('0'))),
                         test);
        }
        Program p({Example("test.kdw")});
        p.app->extensions().SetProgressDelay(std::chrono::milliseconds(0));
        const QString ags = dir.filePath(QStringLiteral("c.ags"));
        p.chooser.answers = {dir.path(), ags};
        QString caption;
        test::WithDialog([&] { p.app->frame().action(Command::agsExport)->trigger(); },
                         [&](QDialog& d) {
                             QCOMPARE(d.objectName(), QStringLiteral("progress"));
                             caption = d.windowTitle();
                             test::Screenshot(d, "progress");
                             d.findChild<QPushButton*>()->click();  // ｷｬﾝｾﾙ
                         });
        QCOMPARE(caption, QStringLiteral("試験を読んでいます"));
        QVERIFY(!QFile::exists(ags));
        QVERIFY(p.messages.shown.empty());

        // The report's pages are drawn away from the window as well, on
        // every processor, with a box of their own; a Cancel there stops
        // every thread at once and shows no preview.
        const QString drawing = QStringLiteral("ページを描いています");
        QStringList boxes;
        bool previewShown = false;
        std::optional<std::chrono::steady_clock::time_point> cancelled;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (d == nullptr) {
                return;
            }
            if (qobject_cast<CPreviewDlg*>(d) != nullptr) {
                previewShown = true;
                d->done(QDialog::Rejected);
                return;
            }
            if (boxes.isEmpty() || boxes.back() != d->windowTitle()) {
                boxes << d->windowTitle();
                if (d->windowTitle() == drawing) {
                    test::Screenshot(*d, "progress-pages");
                    cancelled = std::chrono::steady_clock::now();
                    d->findChild<QPushButton*>()->click();  // ｷｬﾝｾﾙ
                }
            }
        });
        watch.start();
        p.chooser.answers = {dir.path()};
        p.app->frame().action(Command::depthProfile)->trigger();
        watch.stop();
        QVERIFY2(boxes.contains(drawing), qPrintable(boxes.join(QLatin1Char(','))));
        QVERIFY(cancelled);
        const std::chrono::duration<double> after = std::chrono::steady_clock::now() - *cancelled;
        qInfo("the report ended %.0f ms after its Cancel", after.count() * 1000);
        QVERIFY2(after.count() < 0.5, qPrintable(QString::number(after.count())));
        QVERIFY(!previewShown);
        QVERIFY(p.messages.shown.empty());
    }

    // ｷｬﾝｾﾙ while the AGS export's romaji program runs (here one that never
    // answers) ends that program: the window answers again at once, and no
    // file is written.
    void cancelEndsTheRomajiProgram() {
        QTemporaryDir dir;
        WriteBytesTo(dir.filePath(QStringLiteral("t.kdw")),
                     ReadAll(Example("test.kdw")).toStdString());
        const QString bin = dir.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        WriteBytesTo(bin + QStringLiteral("/kakasi"), "#!/bin/sh\nexec sleep 600\n");
        QFile::setPermissions(bin + QStringLiteral("/kakasi"), QFile::ExeOwner | QFile::ReadOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.toLocal8Bit() + ':' + path);
        Program p({Example("test.kdw")});
        p.app->extensions().SetProgressDelay(std::chrono::milliseconds(0));
        const QString ags = dir.filePath(QStringLiteral("c.ags"));
        p.chooser.answers = {dir.path(), ags};
        std::optional<std::chrono::steady_clock::time_point> cancelled;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (d == nullptr || cancelled) {
                return;
            }
            if (d->objectName() == QStringLiteral("agsExport")) {
                test::Find<QPushButton>(*d, "ok")->click();
            } else if (d->windowTitle() == QStringLiteral("AGS ファイルを作っています")) {
                cancelled = std::chrono::steady_clock::now();
                d->findChild<QPushButton*>()->click();  // ｷｬﾝｾﾙ
            }
        });
        watch.start();
        p.app->frame().action(Command::agsExport)->trigger();
        watch.stop();
        qputenv("PATH", path);
        QVERIFY(cancelled);
        const std::chrono::duration<double> after = std::chrono::steady_clock::now() - *cancelled;
        QVERIFY2(after.count() < 2.0, qPrintable(QString::number(after.count())));
        QVERIFY(!QFile::exists(ags));
        QVERIFY(p.messages.shown.empty());
        QVERIFY(p.chooser.lastFilter.startsWith(QStringLiteral("AGS ファイル (*.ags)|*.ags|")));
    }

    // 拡張 › 電子納品出力: the site sheet typed into the dialog page by page
    // (OK is refused while an item is missing), kept as delivery.ini; ｷｬﾝｾﾙ
    // while the data sheets are made leaves the output folder as it was, and
    // the next delivery, from the sheet kept, writes every file and says so.
    void deliveryFromTheDialog() {
        QTemporaryDir dir;
        const QString tests = dir.filePath(QStringLiteral("tests"));
        const QString out = dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(tests) && QDir().mkpath(out));
        for (const QString& name : QDir(Example("campaign")).entryList({QStringLiteral("*.kdw")})) {
            QVERIFY(QFile::copy(Example("campaign/") + name, tests + QStringLiteral("/") + name));
        }
        Program p({Example("test.kdw")});
        p.app->extensions().SetProgressDelay(std::chrono::milliseconds(0));
        bool typed = false;
        bool cancel = true;
        QString shownAgain;
        QString checked;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (d == nullptr) {
                return;
            }
            if (d->objectName() == QStringLiteral("delivery")) {
                if (typed) {
                    shownAgain = test::Find<QLineEdit>(*d, "client")->text();
                    test::Find<QPushButton>(*d, "ok")->click();
                    return;
                }
                typed = true;
                test::Find<QPushButton>(*d, "ok")->click();
                QVERIFY(d->isVisible());
                QVERIFY(p.messages.shown.back().rfind("発注機関名称がありません\n", 0) == 0);
                QVERIFY(Contains(p.messages.shown.back(), "\nB-1: 経度 がありません\n"));
                test::Screenshot(*d, "delivery-missing");
                FillDelivery(*d);
                test::Screenshot(*d, "delivery");
                test::Find<QPushButton>(*d, "ok")->click();
            } else if (d->windowTitle() == QStringLiteral("電子納品を作っています") && cancel) {
                cancel = false;
                d->findChild<QPushButton*>()->click();  // ｷｬﾝｾﾙ
            } else if (d->windowTitle() == QStringLiteral("電子納品チェック")) {
                const auto* findings = test::Find<QListWidget>(*d, "findings");
                checked = test::Find<QLabel>(*d, "summary")->text() + QStringLiteral("\n") +
                          findings->accessibleName() + QStringLiteral(": ") +
                          findings->item(0)->text();
                test::Find<QPushButton>(*d, "close")->click();
            }
        });
        watch.start();
        p.chooser.answers = {tests, out};
        p.app->frame().action(Command::delivery)->trigger();
        QVERIFY(typed);
        QVERIFY(QDir(out).isEmpty());
        const QString sheet = ReadAll(tests + QStringLiteral("/delivery.ini"));
        QVERIFY2(sheet.contains(QStringLiteral("[boring B-2]\nfolder = BRG0002\n")),
                 qPrintable(sheet));
        QVERIFY2(sheet.contains(QStringLiteral("method = 02\nprecision = 1\ndatum = 01\n")),
                 qPrintable(sheet));

        p.messages.shown.clear();
        p.chooser.answers = {tests, out};
        p.app->frame().action(Command::delivery)->trigger();
        watch.stop();
        QCOMPARE(shownAgain, QStringLiteral("県土木事務所"));
        QCOMPARE(p.messages.shown, std::vector<std::string>{
                                       "電子納品: ボーリング 2、試験 6、ファイル 18 (置き換え 0)"});
        QVERIFY(QFile::exists(out + QStringLiteral("/BORING/TEST/BRG0002/TS000002.PDF")));
        QVERIFY(ReadAll(out + QStringLiteral("/BORING/TEST/GRNDTST.XML")).size() > 0);
        // The folder choosers say what they ask for.
        QCOMPARE(p.chooser.folderTitles.mid(0, 2),
                 QStringList({QStringLiteral("試験データのフォルダ"),
                              QStringLiteral("電子納品の出力先フォルダ")}));
        // The sheet records which test each data file became.
        QVERIFY(ReadAll(tests + QStringLiteral("/delivery.ini"))
                    .contains("[delivered]\nB-1_03.5.kdw = BRG0001/TS000001\n"));
        // 電子納品チェック of what was written finds nothing.
        watch.start();
        p.chooser.answers = {out};
        p.app->frame().action(Command::deliveryCheck)->trigger();
        watch.stop();
        QCOMPARE(checked, QStringLiteral("電子納品チェック ") + QDir::cleanPath(out) +
                              QStringLiteral("/BORING: ファイル 18、エラー 0、注意 0\n"
                                             "検査の結果: 指摘事項はありません"));
    }

    // A boring delivery in the output folder: each page shows what it takes
    // from BORING.XML and the boring log, read-only, its own boxes for those
    // disabled; a boring whose name differs is paired by choosing its name,
    // and the sheet then needs the client alone.
    void deliveryIntoABoringDelivery() {
        QTemporaryDir dir;
        const QString tests = dir.filePath(QStringLiteral("tests"));
        const QString out = dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(tests) && QDir().mkpath(out + QStringLiteral("/BORING/DATA")));
        for (const QString& name : QDir(Example("campaign")).entryList({QStringLiteral("*.kdw")})) {
            QVERIFY(QFile::copy(Example("campaign/") + name, tests + QStringLiteral("/") + name));
        }
        QString borings;
        for (const auto& [name, number] : {std::pair{"Ｂ－１", 1}, std::pair{"B.H-2", 2}}) {
            borings += QStringLiteral(
                           "<ボーリング情報><ボーリング名>%1</ボーリング名><ボーリング連番>%2"
                           "</ボーリング連番><経度><経度_度>136</経度_度><経度_分>13</経度_分>"
                           "<経度_秒>13.0330</経度_秒></経度><緯度><緯度_度>36</緯度_度><緯度_分>04"
                           "</緯度_分><緯度_秒>41.9870</緯度_秒></緯度><測地系>02</測地系>"
                           "<孔口標高>7.10</孔口標高><ボーリング交換用データ>"
                           "<ボーリング交換用データファイル名>BED000%2.XML"
                           "</ボーリング交換用データファイル名></ボーリング交換用データ>"
                           "</ボーリング情報>")
                           .arg(QString::fromUtf8(name))
                           .arg(number);
            WriteAll(
                out + QStringLiteral("/BORING/DATA/BED000%1.XML").arg(number),
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ボーリング情報><経度緯度情報>"
                "<取得方法コード>01</取得方法コード><読取精度コード>4</読取精度コード>"
                "</経度緯度情報><孔径孔壁保護><孔径孔壁保護_下端深度>30</孔径孔壁保護_下端深度>"
                "<孔径孔壁保護_孔径>86</孔径孔壁保護_孔径></孔径孔壁保護></ボーリング情報>");
        }
        WriteAll(out + QStringLiteral("/BORING/BORING.XML"),
                 (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><BORING>") + borings +
                  QStringLiteral("</BORING>"))
                     .toUtf8());
        Program p({Example("test.kdw")});
        p.app->extensions().SetProgressDelay(std::chrono::milliseconds(0));
        QStringList seen;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (d == nullptr || d->objectName() != QStringLiteral("delivery")) {
                return;
            }
            watch.stop();
            test::Commit(test::Find<QLineEdit>(*d, "client"), QStringLiteral("県土木事務所"));
            auto* tabs = test::Find<QTabWidget>(*d, "borings");
            for (int i = 0; i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                QWidget* page = tabs->widget(i);
                auto* taken = page->findChild<QLabel*>(QStringLiteral("taken"));
                auto* name = page->findChild<QComboBox*>(QStringLiteral("boringName"));
                auto* elevation = page->findChild<QLineEdit*>(QStringLiteral("elevation"));
                const auto look = [&] {
                    seen << taken->text() + QStringLiteral(" | ") +
                                QString::number(elevation->isEnabled()) + QLatin1Char(' ') +
                                elevation->placeholderText() + QLatin1Char(' ') +
                                elevation->accessibleDescription() + QStringLiteral(" | ") +
                                page->findChild<QComboBox*>(QStringLiteral("precision"))
                                    ->currentText();
                };
                if (i == 1) {
                    look();
                    name->setFocus();
                    name->setCurrentIndex(name->findText(QStringLiteral("B.H-2")));
                }
                look();
            }
            seen << test::Find<QPlainTextEdit>(*d, "problems")->toPlainText();
            test::Screenshot(*d, "delivery-borings");
            test::Find<QPushButton>(*d, "ok")->click();
            if (d->isVisible()) {
                d->reject();  // refused: what was seen says why
            }
        });
        watch.start();
        p.chooser.answers = {tests, out};
        p.app->frame().action(Command::delivery)->trigger();
        const QString taken = QStringLiteral(
            "BORING.XML・BED000%1.XML から（灰色） | 0 7.10 BORING.XML から | "
            "4  0.0001″");
        QCOMPARE(seen, QStringList({taken.arg(1),
                                    QStringLiteral("ボーリング名の合うボーリングがありません | 1 "
                                                   "7.10  | "),
                                    taken.arg(2), QStringLiteral("なし（出力できます）")}));
        QVERIFY(Contains(p.messages.shown.back(),
                         "電子納品: ボーリング 2、試験 6、ファイル 18 (置き換え 0)\n"));
        QVERIFY(
            Contains(p.messages.shown.back(), "に入力する値:\nＢ－１ (BED0001.XML) 深度 3.50 m: "));
        const QString sheet = ReadAll(tests + QStringLiteral("/delivery.ini"));
        // The sheet keeps the pairing; the values taken stay in the boring
        // delivery alone.
        QVERIFY2(
            sheet.contains(QStringLiteral("[boring B-2]\nfolder = \nsite = \nlongitude = \n")) &&
                sheet.contains(QStringLiteral("\nname = B.H-2\n")),
            qPrintable(sheet));
        QVERIFY(ReadAll(out + QStringLiteral("/BORING/TEST/BRG0002/TS000001.XML")).size() > 0);
        // Excel出力 of the same tests adds what to type into the boring logs.
        const QString book = dir.filePath(QStringLiteral("b.xlsx"));
        p.chooser.answers = {tests, book};
        p.app->frame().action(Command::xlsxExport)->trigger();
        QProcess read;
        read.start(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral("-c"),
                    QStringLiteral("import openpyxl, sys\n"
                                   "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[-1]\n"
                                   "print(ws.title, ws.max_row, ws['A2'].value)"),
                    book});
        QVERIFY(read.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(read.readAllStandardOutput() + read.readAllStandardError()),
                 QStringLiteral("柱状図に入力する値 7 Ｂ－１\n"));
    }

    // A site sheet that cannot be kept beside the tests leaves the dialog
    // open with what was typed (ｷｬﾝｾﾙ), or is kept where the user says
    // (いいえ), and the delivery goes on.
    void deliverySheetThatCannotBeKeptBesideTheTests() {
        QTemporaryDir dir;
        const QString tests = dir.filePath(QStringLiteral("tests"));
        // The sheet's name leads into a folder that is not there: no file
        // can be written there.
        QVERIFY(QDir().mkpath(tests));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("no/such/delivery.ini")),
                            tests + QStringLiteral("/delivery.ini")));
        for (const QString& name : QDir(Example("campaign")).entryList({QStringLiteral("*.kdw")})) {
            QVERIFY(QFile::copy(Example("campaign/") + name, tests + QStringLiteral("/") + name));
        }
        const QString elsewhere = dir.filePath(QStringLiteral("elsewhere.ini"));
        Program p({Example("test.kdw")});
        p.app->extensions().SetProgressDelay(std::chrono::milliseconds(0));
        bool stayed = false;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (d == nullptr || d->objectName() != QStringLiteral("delivery")) {
                return;
            }
            watch.stop();
            FillDelivery(*d);
            p.messages.answer = Messages::Answer::cancel;
            test::Find<QPushButton>(*d, "ok")->click();
            stayed = d->isVisible() &&
                     test::Find<QLineEdit>(*d, "client")->text() == QStringLiteral("県土木事務所");
            QVERIFY(Contains(p.messages.asked.back(), "delivery.ini を保存できませんでした: "));
            p.messages.answer = Messages::Answer::no;
            test::Find<QPushButton>(*d, "ok")->click();
        });
        watch.start();
        // The output folder is asked for before the dialog, the sheet's place
        // from it.
        p.chooser.answers = {tests, dir.filePath(QStringLiteral("out")), elsewhere};
        p.app->frame().action(Command::delivery)->trigger();
        QVERIFY(stayed);
        const QString sheet = ReadAll(elsewhere);
        QVERIFY2(sheet.contains("client = 県土木事務所\n") &&
                     sheet.contains("[delivered]\nB-1_03.5.kdw = BRG0001/TS000001\n"),
                 qPrintable(sheet));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("out/BORING/TEST/GRNDTST.XML"))));
    }

    void extensionMenu() {
        Program p({Example("test.kdw")});
        QStringList menus;
        for (QAction* a : p.app->frame().menuBar()->actions()) {
            menus << a->text();
        }
        QCOMPARE(menus.mid(menus.size() - 2),
                 QStringList({QStringLiteral("拡張(&X)"), QStringLiteral("ﾍﾙﾌﾟ(&H)")}));
        const QString campaign = Example("campaign");
        p.chooser.answers = {campaign};
        int pages = 0;
        test::WithDialog([&] { p.app->frame().action(Command::depthProfile)->trigger(); },
                         [&](QDialog& d) {
                             pages = qobject_cast<CPreviewDlg*>(&d)->PageCount();
                             test::Screenshot(d, "depth-profile-preview");
                         });
        QCOMPARE(pages, 14);
        QCOMPARE(p.chooser.folderInitial, QFileInfo(Example("test.kdw")).absolutePath());

        const QString ags = home_.filePath(QStringLiteral("c.ags"));
        p.chooser.answers = {campaign, ags};
        test::WithDialog(
            [&] { p.app->frame().action(Command::agsExport)->trigger(); },
            [&](QDialog& d) {
                test::Find<QLineEdit>(d, "recipient")->setText(QStringLiteral("みどり地質"));
                test::Screenshot(d, "ags-export");
                test::Find<QPushButton>(d, "ok")->click();
            });
        QVERIFY(ReadAll(ags).startsWith("\"GROUP\",\"PROJ\"\r\n"));
        QVERIFY(ReadAll(ags).contains("\"midori chishitsu\""));
        QCOMPARE(p.chooser.folderInitial, campaign);
        QCOMPARE(p.messages.shown, std::vector<std::string>{PathShown(ags) + " に書き出しました"});
        p.messages.shown.clear();

        // The workbook: a zip of the sheets, named as the filter offers.
        const QString book = home_.filePath(QStringLiteral("c.xlsx"));
        p.chooser.answers = {campaign, book};
        p.app->frame().action(Command::xlsxExport)->trigger();
        QVERIFY(ReadAll(book).startsWith("PK"));
        QVERIFY(p.chooser.lastFilter.startsWith(QStringLiteral("Excel ブック (*.xlsx)|*.xlsx|")));
        QCOMPARE(p.messages.shown, std::vector<std::string>{PathShown(book) + " に書き出しました"});

        QString warning;
        QString suggestion;
        test::WithDialog([&] { p.app->frame().action(Command::qualityCheck)->trigger(); },
                         [&](QDialog& d) {
                             warning = test::Find<QListWidget>(d, "warnings")->item(0)->text();
                             suggestion = test::Find<QLabel>(d, "suggestion")->text();
                             test::Screenshot(d, "quality-check");
                         });
        QVERIFY2(warning.startsWith(QStringLiteral("参考: 慣用限界体積 742.6 cm³")),
                 qPrintable(warning));
        QVERIFY2(
            suggestion.startsWith(QStringLiteral("慣用限界圧力の提案 (逆体積法): 687.9 kN/㎡")),
            qPrintable(suggestion));

        // The checks are of a test; with a calibration open they say so.
        p.app->doc().OpenDocumentFile(Example("calibration.kcw"));
        p.app->frame().action(Command::qualityCheck)->trigger();
        QCOMPARE(QString::fromStdString(p.messages.shown.back()),
                 QStringLiteral("品質チェックは試験のデータを開いて行います"));

        // A folder without tests says so and shows nothing.
        p.chooser.answers = {home_.path()};
        p.app->frame().action(Command::depthProfile)->trigger();
        QCOMPARE(QString::fromStdString(p.messages.shown.back()),
                 QStringLiteral("読める試験がありません"));
    }

    void pagingRules() {
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        CTavView& view = p.app->view();
        view.viewport()->grab();  // the test pages have been drawn
        QTest::keyClick(&view, Qt::Key_PageUp);
        QCOMPARE(view.CurrentPage(), 1);
        QTest::keyClick(&view, Qt::Key_PageDown);
        QCOMPARE(view.CurrentPage(), 2);
        QTest::keyClick(&view, Qt::Key_Down);  // the last page
        QCOMPARE(view.CurrentPage(), 2);
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(view.CurrentPage(), 1);
        view.SetPrintingNow(true);
        QTest::keyClick(&view, Qt::Key_PageDown);
        QCOMPARE(view.CurrentPage(), 1);
        view.SetPrintingNow(false);
        p.app->frame().action(Command::tablePage)->trigger();
        QCOMPARE(view.CurrentPage(), 2);
        p.app->frame().action(Command::graphPage)->trigger();
        QCOMPARE(view.CurrentPage(), 1);

        // Opening a calibration while the test shows page 2: its page 1.
        view.SetCurrentPage(2);
        p.chooser.answers.push_back(Example("calibration.kcw"));
        p.app->doc().OnFileOpen();
        QCOMPARE(ws.documentKind, DocumentKind::calibration);
        view.viewport()->grab();  // draws the page as a paint does
        QCOMPARE(view.CurrentPage(), 1);
        // A page beyond the count goes back to 1 at the next key.
        view.SetCurrentPage(7);
        QTest::keyClick(&view, Qt::Key_Up);
        QCOMPARE(view.CurrentPage(), 1);
    }

    void printingToPdfLeavesThePageShown() {
        Program p({Example("test.kdw")});
        p.app->view().viewport()->grab();
        p.app->view().SetCurrentPage(2);
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
        QVERIFY(p.app->view().PrintPages(printer, {1, 2}, true, QStringLiteral("test.kdw")));
        QCOMPARE(p.app->view().CurrentPage(), 2);
        QVERIFY(!p.app->view().PrintingNow());
        const QByteArray pdf = ReadAll(dir.filePath(QStringLiteral("out.pdf")));
        QVERIFY(pdf.startsWith("%PDF"));
        QVERIFY(pdf.contains("/Count 2"));
    }

    // Print starts at all pages whatever the last print took; the printer
    // set-up is the platform's printer dialog, not a page set-up, in
    // Japanese also where Qt's translation leaves it English.
    void printStartsAtAllPagesAndTheSetUpChoosesThePrinter() {
        Program p({Example("test.kdw")});
        p.app->view().SetPrintersPresent([] { return true; });
        QPrinter& printer = p.app->printer();
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 2);
        QPrinter::PrintRange offered = QPrinter::PageRange;
        QString okText;
        QStringList english;
        const auto answer = [&](bool setUp) {
            QTimer::singleShot(0, [&, setUp] {
                auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                if (setUp) {
                    okText = dialog->findChild<QDialogButtonBox*>()
                                 ->button(QDialogButtonBox::Ok)
                                 ->text();
                    for (const QGroupBox* box : dialog->findChildren<QGroupBox*>()) {
                        english << box->title();
                    }
                    for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
                        english << button->text();
                    }
                    english = english.filter(QRegularExpression(QStringLiteral("^[A-Za-z ]{4,}$")));
                } else {
                    offered = dialog->printer()->printRange();
                }
                dialog->reject();
            });
        };
        answer(false);
        p.app->OnFilePrint();
        QCOMPARE(offered, QPrinter::AllPages);
        QCOMPARE(printer.fromPage(), 1);
        QCOMPARE(printer.toPage(), 2);
        answer(true);
        p.app->OnFilePrintSetup();
        QCOMPARE(okText, QStringLiteral("OK"));
        QCOMPARE(english, QStringList());
    }

    // ﾌｧｲﾙ › PDF出力 writes the document's pages into one PDF, named after
    // the document (its title too), and says where in the status bar; never
    // over a data file nor under a data file's name. A print without a
    // printer says so and where a PDF can be had.
    void pdfOfTheDocumentAndNoPrinter() {
        QTemporaryDir dir;
        const QString test = dir.filePath(QStringLiteral("t.kdw"));
        WriteBytesTo(test, ReadAll(Example("test.kdw")).toStdString());
        Program p({test});
        const QString pdf = dir.filePath(QStringLiteral("t"));
        p.chooser.answers = {pdf};
        p.app->frame().action(Command::fileExportPdf)->trigger();
        QVERIFY(ReadAll(pdf + QStringLiteral(".pdf")).startsWith("%PDF"));
        QCOMPARE(p.chooser.saveInitial, dir.filePath(QStringLiteral("t.pdf")));
        QCOMPARE(p.app->frame().statusBar()->currentMessage(),
                 QDir::toNativeSeparators(pdf + QStringLiteral(".pdf")) +
                     QStringLiteral(" に書き出しました"));
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf + QStringLiteral(".pdf")});
        QVERIFY(info.waitForFinished(30000));
        const QString pdfInfo = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(pdfInfo.contains(QRegularExpression(QStringLiteral("Title: +t\\n"))),
                 qPrintable(pdfInfo));
        QVERIFY2(
            pdfInfo.contains(QRegularExpression(
                QStringLiteral("Creator: +karnea ") +
                QRegularExpression::escape(QString::fromStdString(std::string(ProgramVersion()))))),
            qPrintable(pdfInfo));
        p.chooser.answers = {test};
        p.app->frame().action(Command::fileExportPdf)->trigger();
        QVERIFY(QString::fromStdString(p.messages.shown.back())
                    .contains(QStringLiteral("データファイル")));
        QCOMPARE(ReadAll(test), ReadAll(Example("test.kdw")));

        // No printer: Ctrl+P, and the preview's 印刷, say so.
        p.app->view().SetPrintersPresent([] { return false; });
        p.messages.shown.clear();
        p.app->frame().action(Command::filePrint)->trigger();
        QTimer::singleShot(0, [] {
            auto* preview = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(preview != nullptr);
            preview->findChild<QPushButton*>(QStringLiteral("print"))->click();
        });
        p.app->frame().action(Command::filePrintPreview)->trigger();
        QCOMPARE(p.messages.shown.size(), std::size_t(2));
        for (const std::string& said : p.messages.shown) {
            QCOMPARE(said, std::string("印刷ｼﾞｮﾌﾞを開始できませんでした。\n使えるプリンタがありま"
                                       "せん。PDF ファイルには ﾌｧｲﾙ › PDF出力 で出力できます"));
        }
    }

    // A question whose Yes would give something up (another program's
    // change of the file) answers No to Enter.
    void questionsThatGiveSomethingUpDefaultToNo() {
        BoxMessages box;
        QTimer::singleShot(0, [] {
            auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(shown != nullptr);
            QCOMPARE(shown->defaultButton(), shown->button(QMessageBox::No));
            QTest::keyClick(shown, Qt::Key_Return);
        });
        QVERIFY(!box.AskYesNoDefaultNo(FormatMessage(msg::changedOnDisk, "t.kdw")));
    }

    // The preview keeps the program's bar and strings, starts with the
    // pages side by side as last time, and pages with the keys at once. It
    // is left from the keyboard alone: every button has a letter of its own
    // and Tab reaches it.
    void previewBarKeysAndPages() {
        Program p({Example("test.kdw")});
        int pagesShown = 2;
        QString toggle;
        QStringList reached;
        int afterN = 0;
        int afterDown = 0;
        int afterUp = 0;
        int afterWheel = 0;
        int pageAfterZoomedWheel = 0;
        bool zoomedWider = false;
        bool zoomInLeft = true;
        QTimer::singleShot(0, [&] {
            auto* preview = qobject_cast<CPreviewDlg*>(QApplication::activeModalWidget());
            QVERIFY(preview != nullptr);
            test::Screenshot(*preview, "preview-two-pages");
            toggle = preview->findChild<QPushButton*>(QStringLiteral("pages"))->text();
            QCOMPARE(preview->findChild<QPushButton*>(QStringLiteral("next"))->text(),
                     QStringLiteral("次ﾍﾟｰｼﾞ(&N)"));
            QCOMPARE(preview->findChild<QPushButton*>(QStringLiteral("close"))->text(),
                     QStringLiteral("閉じる(&C)"));
            const auto lettersOwn = [preview] {
                QSet<QChar> letters;
                for (const QPushButton* b : preview->findChildren<QPushButton*>()) {
                    const QString text = b->text();
                    const auto amp = text.indexOf(QLatin1Char('&'));
                    QVERIFY2(amp >= 0 && !letters.contains(text.at(amp + 1).toUpper()),
                             qPrintable(text));
                    letters.insert(text.at(amp + 1).toUpper());
                }
            };
            lettersOwn();
            preview->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(preview));
            // One page at a time now, by Alt and the button's letter.
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_T, Qt::AltModifier);
            QTRY_COMPARE(preview->PagesShown(), 1);
            lettersOwn();
            QTRY_COMPARE(preview->PageCount(), 2);
            for (QWidget* w : test::TabWalk(*preview)) {
                reached << w->objectName();
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_N);
            afterN = preview->CurrentPage();
            QTest::keyClick(preview, Qt::Key_PageUp);
            QTest::keyClick(preview, Qt::Key_PageDown);
            afterDown = preview->CurrentPage();
            QCOMPARE(preview->findChild<QLabel*>(QStringLiteral("pageNumber"))->text(),
                     QStringLiteral("2 / 2 ページ"));
            QTest::keyClick(preview, Qt::Key_PageUp);
            afterUp = preview->CurrentPage();
            // The wheel pages while the whole page shows, and scrolls the
            // page once it is zoomed in.
            auto* area = preview->findChild<QWidget*>(QStringLiteral("preview"));
            const auto wheel = [&](int delta) {
                QWheelEvent notch(QPointF(10, 10), area->mapToGlobal(QPointF(10, 10)), QPoint(),
                                  QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                                  false);
                QApplication::sendEvent(area, &notch);
            };
            wheel(-120);
            afterWheel = preview->CurrentPage();
            wheel(120);
            const QSize whole = area->size();
            preview->ZoomIn();
            preview->ZoomIn();
            QCoreApplication::processEvents();
            test::Screenshot(*preview, "preview-zoomed");
            zoomedWider = area->width() > whole.width() * 3 / 2;
            QVERIFY(preview->findChild<QScrollArea*>()->horizontalScrollBar()->maximum() > 0);
            zoomInLeft = preview->findChild<QPushButton*>(QStringLiteral("zoomIn"))->isEnabled();
            wheel(-120);
            pageAfterZoomedWheel = preview->CurrentPage();
            QTest::keyClick(preview, Qt::Key_Escape);
        });
        QVERIFY(!p.app->view().OnFilePrintPreview(p.app->printer(), pagesShown));
        QCOMPARE(toggle, QStringLiteral("1 ﾍﾟｰｼﾞ(&T)"));
        for (const char* button : {"print", "next", "pages", "zoomIn", "close"}) {
            QVERIFY2(reached.contains(QLatin1String(button)), button);
        }
        QCOMPARE(afterN, 2);
        QCOMPARE(afterDown, 2);
        QCOMPARE(afterUp, 1);
        QCOMPARE(afterWheel, 2);
        QVERIFY(zoomedWider);
        QVERIFY(!zoomInLeft);
        QCOMPARE(pageAfterZoomedWheel, 1);
        QCOMPARE(pagesShown, 1);
    }

    // Every dialog by keyboard alone, and as a screen reader finds it: Tab
    // and Shift+Tab reach every control and come back round, and every
    // control has a name; read-only boxes say so.
    void everyDialogByKeyboardAndScreenReader() {
        Program p({Example("test.kdw")});
        CTavView& view = p.app->view();
        const std::vector<std::pair<const char*, std::function<void()>>> dialogs = {
            {"test readings", [&] { view.OnTestReadings(); }},
            {"calibration readings", [&] { view.OnCalibrationReadings(); }},
            {"test header", [&] { view.OnTestHeader(); }},
            {"calibration header", [&] { view.OnCalibrationHeader(); }},
            {"analysis", [&] { view.OnAnalysis(); }},
            {"engineer master", [&] { view.OnEngineerMaster(); }},
            {"style", [&] { view.OnStyleSettings(); }},
            {"lines", [&] { view.OnLineSettings(); }},
            {"keys", [&] { view.OnKeySettings(); }},
            {"fonts", [&] { view.OnFontSettings(); }},
            {"setup", [&] { view.OnSetup(); }},
            {"test page", [&] { view.OnTestPage(); }},
            {"quality check", [&] { p.app->extensions().OnQualityCheck(); }},
        };
        for (const auto& [name, open] : dialogs) {
            test::WithDialog(open, [&, name = name](QDialog& d) {
                if (QApplication::focusWidget() == nullptr) {
                    QVERIFY2(!test::Tabbable(d).empty(), name);
                    test::Tabbable(d).front()->setFocus(Qt::TabFocusReason);
                }
                QWidget* start = test::ControlOf(QApplication::focusWidget());
                std::vector<QWidget*> forward = test::TabWalk(d);
                forward.push_back(start);
                std::vector<QWidget*> backward = test::TabWalk(d, true);
                backward.push_back(start);
                // What may be reached now: leaving a box may close a button
                // (the row buttons follow the entries).
                for (QWidget* w : test::Tabbable(d)) {
                    const QString control =
                        QStringLiteral("%1: %2 (%3)")
                            .arg(QString::fromLatin1(name), w->objectName(),
                                 QString::fromLatin1(w->metaObject()->className()));
                    QVERIFY2(std::count(forward.begin(), forward.end(), w) == 1,
                             qPrintable(control + QStringLiteral(" not reached by Tab")));
                    QVERIFY2(std::count(backward.begin(), backward.end(), w) == 1,
                             qPrintable(control + QStringLiteral(" not reached by Shift+Tab")));
                }
                const QStringList faults = test::UnnamedOrMisstated(d);
                QVERIFY2(faults.isEmpty(),
                         qPrintable(QString::fromLatin1(name) + QStringLiteral(": ") +
                                    faults.join(QStringLiteral(", "))));
            });
        }
    }

    // A file with more readings than the grid: opening says so, and Save
    // over it asks before the rows are lost.
    void rowsLeftOutAreAskedAboutBeforeSave() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("long.kdw"));
        TestRecord test;
        for (int row = 1; row <= kTestRowCount; ++row) {
            test.testRows[row][testField::pm] = std::to_string(row);
        }
        std::string bytes = WriteTestFile(test);
        bytes.insert(bytes.find("$$C"), "121,1\r\n");
        QVERIFY(ReplaceFile(ToPath(path), bytes));
        Program p({path});
        QVERIFY(p.messages.shown.at(0).find("表に入りきらない 1 行") != std::string::npos);
        CTavDoc& doc = p.app->doc();
        p.messages.reply = false;
        QVERIFY(!doc.OnFileSave());
        QCOMPARE(p.messages.asked.size(), std::size_t{1});
        QCOMPARE(ReadAll(path), QByteArray::fromStdString(bytes));
        p.messages.reply = true;
        QVERIFY(doc.OnFileSave());
        QVERIFY(!ReadAll(path).contains("121,1"));
        QVERIFY(doc.OnFileSave());  // nothing is left out of it any more
        QCOMPARE(p.messages.asked.size(), std::size_t{2});
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
        QCOMPARE(
            p.messages.shown.back(),
            std::string("保存できませんでした\n( /no/such/folder/x.kdw )\n書き込みに失敗しました"));
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
        QCOMPARE(ws.test.testHeader[header::conversionStamp], std::string("300 VARDO"));

        // New keeps the kind and clears it.
        doc.OnNewDocument();
        QCOMPARE(doc.title(), QStringLiteral("無題"));
        QCOMPARE(p.app->frame().windowTitle(), QStringLiteral("無題 - Nob"));
        QCOMPARE(ws.test.testHeader[header::conversionStamp], std::string(""));
    }

    // A change reported through the "records changed" step leaves the
    // document modified until it is saved, opened or made anew.
    void recordsChangedMarksTheDocument() {
        QTemporaryDir dir;
        Program p({Example("test.kdw")});
        CTavDoc& doc = p.app->doc();
        QVERIFY(!doc.isModified());
        RecordsChanged(p.app->ws());
        QVERIFY(doc.isModified());
        p.chooser.answers.push_back(dir.filePath(QStringLiteral("saved.kdw")));
        doc.OnFileSaveAs();
        QVERIFY(!doc.isModified());
        RecordsChanged(p.app->ws());
        doc.OnNewDocument();
        QVERIFY(!doc.isModified());
    }

    // Save As: a name typed without extension gets it after the dialog, so
    // the program asks before it replaces a file of that name.
    void saveAsAsksAboutTheCompletedName() {
        QTemporaryDir dir;
        Program p({Example("test.kdw")});
        const QString existing = dir.filePath(QStringLiteral("t40.kdw"));
        WriteBytesTo(existing, "previous");
        p.chooser.answers.push_back(dir.filePath(QStringLiteral("t40")));
        p.app->doc().OnFileSaveAs();
        QCOMPARE(p.messages.asked.size(), std::size_t(1));
        QCOMPARE(p.messages.asked[0], std::string("t40.kdw は既に存在します。\n上書きしますか?"));
        QCOMPARE(ReadAll(existing), QByteArray("previous"));
        QCOMPARE(p.app->doc().title(), QStringLiteral("test.kdw"));

        p.messages.reply = true;
        p.chooser.answers.push_back(dir.filePath(QStringLiteral("t40")));
        p.app->doc().OnFileSaveAs();
        QCOMPARE(ReadAll(existing), ReadAll(Example("test.kdw")));
        QCOMPARE(p.app->doc().title(), QStringLiteral("t40.kdw"));
        // A new name is not asked about.
        p.chooser.answers.push_back(dir.filePath(QStringLiteral("t41")));
        p.app->doc().OnFileSaveAs();
        QCOMPARE(p.messages.asked.size(), std::size_t(2));
    }

    // The desktop program keeps data files as the command-line tool does:
    // Save As of a test onto an existing calibration asks, naming what would
    // be written; an export or a print into a file never takes a data file's
    // place or name; a print into a file replaces it only when whole.
    void dataFilesKeepTheirPlace() {
        QTemporaryDir dir;
        const QString calibration = dir.filePath(QStringLiteral("c.kcw"));
        WriteBytesTo(calibration, ReadAll(Example("calibration.kcw")).toStdString());
        Program p({Example("test.kdw")});
        p.chooser.answers = {calibration};
        QVERIFY(!p.app->doc().OnFileSaveAs());
        QCOMPARE(p.messages.asked.size(), std::size_t(1));
        QCOMPARE(p.messages.asked[0],
                 std::string("c.kcw は既に存在します。kcw の名前には、開いている試験ではなく"
                             "キャリブレーションデータ（0 行）が書かれます。\n上書きしますか?"));
        QCOMPARE(ReadAll(calibration), ReadAll(Example("calibration.kcw")));
        QCOMPARE(p.app->doc().title(), QStringLiteral("test.kdw"));

        const QString test = dir.filePath(QStringLiteral("t.kdw"));
        WriteBytesTo(test, ReadAll(Example("test.kdw")).toStdString());
        p.chooser.answers = {Example("campaign"), test};
        p.app->frame().action(Command::agsExport)->trigger();
        QCOMPARE(p.messages.shown.back(),
                 ToPath(test) + " はデータファイルです。報告書や出力では上書きしません");
        p.chooser.answers = {Example("campaign"), dir.filePath(QStringLiteral("new.KDW"))};
        p.app->frame().action(Command::agsExport)->trigger();
        QVERIFY(p.messages.shown.back().find("データファイルの名前です") != std::string::npos);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("new.KDW"))));

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(test);
        QVERIFY(!p.app->view().PrintPages(printer, {1}, false, QString()));
        QCOMPARE(ReadAll(test), ReadAll(Example("test.kdw")));
        // Into a file of its own: the whole print replaces it, and the printer
        // still names it afterwards.
        const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
        WriteBytesTo(pdf, "previous");
        printer.setOutputFileName(pdf);
        QVERIFY(p.app->view().PrintPages(printer, {1, 2}, false, QString()));
        QVERIFY(ReadAll(pdf).startsWith("%PDF"));
        QCOMPARE(printer.outputFileName(), pdf);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    }

    // The desktop program's Save, in a process with several threads as the
    // program has, ended by a signal at a random moment: the signal waits
    // for the save, which leaves the file whole and nothing beside it.
    void anEndingSignalWaitsForTheSave() {
        QTemporaryDir dir;
        const std::string path = ToPath(dir.filePath(QStringLiteral("big.kdw")));
        TestRecord big;
        big.testHeader[header::surveyName] = std::string(40 << 20, 'x');
        QVERIFY(ReplaceFile(path, WriteTestFile(big)));
        {
            // Once saved by the program, the file stays the same at every save.
            Program once({FromPath(path)});
            QVERIFY(once.app->doc().OnFileSave());
        }
        const std::string bytes = test::ReadBytes(path);
        std::mt19937 random(8);
        for (const int signal : {SIGTERM, SIGINT, SIGQUIT, SIGUSR1}) {
            int saving[2];
            QVERIFY(::pipe(saving) == 0);
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                const struct rlimit noCore {};
                ::setrlimit(RLIMIT_CORE, &noCore);
                // As the program has them: the test framework's own handlers go.
                for (const int ending : {SIGTERM, SIGINT, SIGQUIT, SIGUSR1}) {
                    ::signal(ending, SIG_DFL);
                }
                for (int i = 0; i < 4; ++i) {
                    std::thread([] {
                        for (;;) {
                            ::pause();
                        }
                    }).detach();
                }
                Program p({FromPath(path)});
                [[maybe_unused]] const ssize_t told = ::write(saving[1], "s", 1);
                for (int i = 0; i < 100; ++i) {
                    p.app->doc().OnFileSave();
                }
                ::_exit(0);
            }
            char started = 0;
            QCOMPARE(::read(saving[0], &started, 1), ssize_t(1));
            ::close(saving[0]);
            ::close(saving[1]);
            ::usleep(random() % 300000);
            ::kill(child, signal);
            int status = 0;
            ::waitpid(child, &status, 0);
            QVERIFY(WIFSIGNALED(status));
            QCOMPARE(WTERMSIG(status), signal);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                     QStringList{QStringLiteral("big.kdw")});
            QVERIFY(test::ReadBytes(path) == bytes);
        }
    }

    // A file whose name is not UTF-8, chosen as Qt shows it, opens and saves
    // under its own name; a folder of many files that are no tests gives one
    // box that fits the screen.
    void oddNamesAndManySkippedFiles() {
        QTemporaryDir dir;
        const std::string bytes = ToPath(dir.path()) + "/\x82\xa0.kdw";
        QVERIFY(ReplaceFile(bytes, ReadAll(Example("test.kdw")).toStdString()));
        Program p;
        const QString shown = FromPath(bytes);
        QVERIFY(shown.contains(QChar::ReplacementCharacter));
        p.chooser.answers = {shown};
        p.app->doc().OnFileOpen();
        QVERIFY(p.messages.shown.empty());
        QCOMPARE(p.app->doc().pathName(), shown);
        QVERIFY(p.app->doc().OnFileSave());
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(ToPath(dir.path()))) {
            names.push_back(entry.path().filename().string());
        }
        QCOMPARE(names, std::vector<std::string>{"\x82\xa0.kdw"});
        QCOMPARE(test::ReadBytes(bytes), ReadAll(Example("test.kdw")).toStdString());

        for (int i = 0; i < 30; ++i) {
            WriteBytesTo(dir.filePath(QStringLiteral("junk%1.kdw").arg(i)), "no data\n");
        }
        p.chooser.answers = {dir.path(), dir.filePath(QStringLiteral("c.ags"))};
        test::WithDialog([&] { p.app->frame().action(Command::agsExport)->trigger(); },
                         [&](QDialog& d) { test::Find<QPushButton>(d, "ok")->click(); });
        const std::string& box = p.messages.shown.at(0);
        QCOMPARE(std::count(box.begin(), box.end(), '\n'), 20L);
        QVERIFY(box.ends_with("ほかに 10 件を除きました"));
    }

    // Linux names are case-sensitive: the dialogs list "X.KDW" too, and the
    // open dialog completes a name typed without extension.
    void fileDialogsListEitherCase() {
        QCOMPARE(QtFileFilter(QStringLiteral("a|*.kcw;*.kdw|b|*.cf;|all|*.*||")),
                 QStringLiteral("a (*.kcw *.KCW *.kdw *.KDW);;b (*.cf *.CF);;all (*)"));
        Program p;
        p.chooser.answers.push_back(QString());
        p.app->doc().OnFileOpen();
        QCOMPARE(p.chooser.openSuffix, QStringLiteral("kdw"));
    }

    // The first start lays down the installation folder without a message.
    void firstStartIsSilent() {
        QTemporaryDir fresh;
        const QByteArray home = qgetenv("KARNEA_HOME");
        qputenv("KARNEA_HOME", fresh.path().toLocal8Bit());
        Program p;
        qputenv("KARNEA_HOME", home);
        QVERIFY(p.started);
        QVERIFY(p.messages.shown.empty());
        for (const char* name : {"Sys.ndx", "Font1.ndx", "Help.txt", "M.mst"}) {
            QVERIFY2(QFile::exists(fresh.path() + QStringLiteral("/VardoXQ/Kvar5/") +
                                   QLatin1String(name)),
                     name);
        }
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
            // A "&" in a path shows as itself.
            p.app->recent().Add(dir.filePath(QStringLiteral("a&b.kdw")));
            p.app->frame().UpdateRecentFiles();
            bool shown = false;
            for (QAction* a : p.app->frame().fileMenu()->actions()) {
                shown = shown || a->text().endsWith(QStringLiteral("/a&&b.kdw"));
            }
            QVERIFY(shown);
            p.app->recent().Remove(0);
            p.app->frame().close();
        }
        Program again;
        QCOMPARE(again.app->recent().files().size(), 2);
        again.app->OnOpenRecentFile(1);
        QCOMPARE(again.app->doc().title(), QStringLiteral("calibration.kcw"));
        QCOMPARE(again.app->ws().documentKind, DocumentKind::calibration);
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
        QCOMPARE(p.app->ws().documentKind, DocumentKind::calibration);

        // No printer here: the print switch reports it and ends.
        Program print({QStringLiteral("--print"), Example("test.kdw")});
        QVERIFY(!print.started);
        QCOMPARE(print.exitCode, 1);
        QVERIFY(!print.app->frame().isVisible());
        // "/p" is the same switch, as Windows users write it.
        for (const char* sw : {"/p", "/P"}) {
            Program slash({QString::fromLatin1(sw), Example("test.kdw")});
            QVERIFY(!slash.started);
            QCOMPARE(slash.exitCode, 1);
            QVERIFY(!slash.app->frame().isVisible());
        }
    }

    void helpWindow() {
        RecordedMessages m;
        Settings here;
        here.settingsFolder = ToPath(home_.path() + QStringLiteral("/VardoXQ/Kvar5"));
        CHelpDlg help(here, m);
        QVERIFY(m.shown.empty());
        QVERIFY(help.list()->count() > 20);
        QVERIFY(help.list()->item(0)->text().startsWith(QStringLiteral("　カルネア")));
        Settings nowhere;
        nowhere.settingsFolder = "/no/such";
        CHelpDlg none(nowhere, m);
        QCOMPARE(none.list()->count(), 0);
        QCOMPARE(m.shown.back(), std::string("ファイルが見つかりません\n( /no/such/Help.txt )"));

        // A line of megabytes shows as far as a window can show it.
        Settings odd;
        odd.settingsFolder = ToPath(home_.filePath(QStringLiteral("odd")));
        QDir().mkpath(FromPath(odd.settingsFolder));
        QVERIFY(ReplaceFile(HelpTextPath(odd), std::string(10 << 20, 'x') + "\r\nnext\r\n"));
        CHelpDlg cut(odd, m);
        QCOMPARE(cut.list()->count(), 2);
        QCOMPARE(cut.list()->item(0)->text().size(), 1001);

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
