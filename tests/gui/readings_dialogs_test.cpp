// The readings dialogs under QtTest (offscreen): typing through the in-place
// editor, the row buttons, OK and Cancel as the page view runs them, the
// Enter-key modes, and the question about unsaved changes wherever the
// document is given up. KARNEA_SCREENSHOTS=DIR saves a picture of each
// dialog with data.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <QtTest>
#include <functional>

#include "app/cmainframe.h"
#include "app/ctavdoc.h"
#include "dialogs/creadingsdlg.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "gui/keyboard.h"
#include "gui/program.h"
#include "pages/opsrecorder.h"
#include "pages/pagecomposer.h"
#include "records/records.h"
#include "view/ctavview.h"

using namespace karnea;
using test::Commit;
using test::Example;
using test::Find;
using test::Program;
using test::Screenshot;
using test::WithDialog;

namespace {

QString Cell(QDialog& d, int row, int column) {
    return Find<QTableWidget>(d, "list")->item(row - 1, column - 1)->text();
}

void DoubleClickCell(QDialog& d, int row, int column) {
    auto* list = Find<QTableWidget>(d, "list");
    list->scrollToItem(list->item(row - 1, column - 1));
    const QRect cell = list->visualItemRect(list->item(row - 1, column - 1));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

// Types into the editor and presses Enter.
void TypeCell(QDialog& d, const QString& text) {
    auto* editor = Find<QLineEdit>(d, "editor");
    QVERIFY(editor->isVisible());
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
}

void TypeEntry(QDialog& d, const char* name, const QString& text) {
    auto* entry = Find<QLineEdit>(d, name);
    entry->clear();
    QTest::keyClicks(entry, text);
}

std::string Pm(const TestRecord& test, int row) {
    return test.testRows[row][testField::pm];
}

}  // namespace

class ReadingsDialogsTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

private slots:
    void initTestCase() { test::UseStandardSettingsIn(home_); }

    // Typing a test's readings into the editor, in 60” and 120” modes; OK
    // writes them sorted and the page view shows them reduced.
    void typingReadingsThroughTheEditor() {
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        const int used = CountTestRows(ws.test.testRows, testField::pm);
        const std::string pressure = ws.test.testRows[3][testField::pm];
        const std::string graph = test::PageOps(ws, 1);
        QVERIFY(!p.app->frame().action(Command::editUndo)->isEnabled());
        WithDialog([&] { p.app->view().OnTestReadings(); },
                   [&](QDialog& d) {
                       QCOMPARE(d.windowTitle(), QStringLiteral("カルネア データ"));
                       QCOMPARE(Find<QTableWidget>(d, "list")->rowCount(), kTestRowCount);
                       QVERIFY(!Find<QLineEdit>(d, "entry5")->isEnabled());
                       // 60”: Enter in V60” moves to Pm of the next row.
                       DoubleClickCell(d, used + 1, 1);
                       for (const char* text : {"900", "801", "802", "803"}) {
                           TypeCell(d, QString::fromLatin1(text));
                       }
                       QCOMPARE(Cell(d, used + 1, 4), QStringLiteral("803"));
                       // 120”: Enter in V60” moves on to V120”.
                       Find<QRadioButton>(d, "time120")->click();
                       QVERIFY(Find<QLineEdit>(d, "entry5")->isEnabled());
                       for (const char* text : {"850", "701", "702", "703", "704"}) {
                           TypeCell(d, QString::fromLatin1(text));
                       }
                       QCOMPARE(Cell(d, used + 2, 5), QStringLiteral("704"));
                       Screenshot(d, "test-readings");
                       // The first OK ends the editing, the second closes.
                       Find<QPushButton>(d, "ok")->click();
                       QVERIFY(d.isVisible());
                       Find<QPushButton>(d, "ok")->click();
                       QVERIFY(!d.isVisible());
                   });
        QCOMPARE(Pm(ws.test, used + 1), std::string("850"));
        QCOMPARE(Pm(ws.test, used + 2), std::string("900"));
        QCOMPARE(ws.test.testRows[used + 1][testField::vol120], std::string("704"));
        QCOMPARE(ws.test.testHeader[header::measurementTime], std::string("1"));
        QVERIFY(!ws.test.testRows[used + 2][testField::pmPlusPz].empty());
        QCOMPARE(ws.test.testRows[3][testField::pm], pressure);
        QVERIFY(p.app->doc().isModified());
        QCOMPARE(p.app->frame().windowTitle(), QStringLiteral("test.kdw* - Nob"));
        QCOMPARE(PageCount(PagesOf(ws)), 2 + (used + 2) / 40);
        // The data sheet lists the new rows.
        OpsRecorder sheet(96, 96);
        RecordedMessages quiet;
        DrawPages(PagesOf(ws), {2 + (used + 1) / 40}, sheet, quiet);
        QVERIFY(sheet.text().find("\"850.") != std::string::npos);
        QVERIFY(sheet.text().find("\"900.") != std::string::npos);

        // Ctrl+Z takes the dialog's OK back: the page as it was, no unsaved
        // changes; Ctrl+Y makes it again.
        QAction* undo = p.app->frame().action(Command::editUndo);
        QCOMPARE(undo->text(), QStringLiteral("元に戻す(&U) データ\tCtrl+Z"));
        p.app->frame().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&p.app->frame()));
        QTest::keyClick(&p.app->frame(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(test::PageOps(ws, 1), graph);
        QCOMPARE(Pm(ws.test, used + 1), std::string());
        QVERIFY(!p.app->doc().isModified());
        QCOMPARE(p.app->frame().windowTitle(), QStringLiteral("test.kdw - Nob"));
        QVERIFY(!undo->isEnabled());
        QCOMPARE(p.app->frame().action(Command::editRedo)->text(),
                 QStringLiteral("やり直し(&R) データ\tCtrl+Y"));
        QTest::keyClick(&p.app->frame(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(Pm(ws.test, used + 2), std::string("900"));
        QVERIFY(p.app->doc().isModified());
    }

    // Readings typed with a Japanese input method (its kana mode types the
    // full stop as "。"), into the grid's editor and into the entry fields,
    // are stored in ASCII and come back from the file; a pressure that is no
    // number never reaches the list, nor a character a number cannot hold.
    void fullWidthReadingsSurviveOkSaveAndReopen() {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/full.kdw");
        Program p;
        Workspace& ws = p.app->ws();
        WithDialog([&] { p.app->view().OnTestReadings(); },
                   [&](QDialog& d) {
                       auto* editor = Find<QLineEdit>(d, "editor");
                       DoubleClickCell(d, 1, 1);
                       editor->clear();
                       Commit(editor, QStringLiteral("ａｂｃ"));
                       QTest::keyClick(editor, Qt::Key_Return);
                       QCOMPARE(p.messages.shown.back(), std::string("数値が異常です"));
                       QCOMPARE(Cell(d, 1, 1), QString());
                       QTest::keyClick(editor, Qt::Key_Escape);
                       DoubleClickCell(d, 1, 1);
                       for (const QString& typed :
                            {QStringLiteral("５５０"), QStringLiteral("１２。５"),
                             QStringLiteral("　１３　"), QStringLiteral("１．４ｅ１")}) {
                           editor->clear();
                           Commit(editor, typed);
                           QTest::keyClick(editor, Qt::Key_Return);
                       }
                       QCOMPARE(Cell(d, 1, 1), QStringLiteral("550"));
                       QCOMPARE(Cell(d, 1, 3), QStringLiteral("13"));
                       editor->clear();
                       Commit(editor, QStringLiteral("１２、５"));
                       QCOMPARE(editor->text(), QString());
                       QTest::keyClick(editor, Qt::Key_Escape);
                       // The entry fields, one of them pasted.
                       Find<QLineEdit>(d, "entry1")->setFocus();
                       Commit(Find<QLineEdit>(d, "entry1"), QStringLiteral("－５０"));
                       QApplication::clipboard()->setText(QStringLiteral("－２０．５"));
                       Find<QLineEdit>(d, "entry4")->setFocus();
                       Find<QLineEdit>(d, "entry4")->paste();
                       QCOMPARE(Find<QLineEdit>(d, "entry4")->text(), QStringLiteral("-20.5"));
                       Find<QPushButton>(d, "add")->click();
                       Find<QPushButton>(d, "ok")->click();
                       if (d.isVisible()) {
                           Find<QPushButton>(d, "ok")->click();
                       }
                       QVERIFY(!d.isVisible());
                   });
        QCOMPARE(CountTestRows(ws.test.testRows, testField::pm), 2);
        p.chooser.answers.push_back(path);
        QVERIFY(p.app->doc().OnFileSave());
        Program reopened({path});
        const TestRecord& test = reopened.app->ws().test;
        QCOMPARE(CountTestRows(test.testRows, testField::pm), 2);
        // OK sorted the rows by pressure.
        QCOMPARE(Pm(test, 1), std::string("-50.00"));
        QCOMPARE(test.testRows[1][testField::vol60], std::string("-20.5"));
        QCOMPARE(Pm(test, 2), std::string("550"));
        QCOMPARE(test.testRows[2][testField::vol15], std::string("12.5"));
        QCOMPARE(test.testRows[2][testField::vol60], std::string("1.4e1"));
    }

    // Readings copied from a spreadsheet: a block pasted on the list (as
    // Excel puts it: full-width digits in a cell, a quoted cell, a final line
    // end) and a row pasted into the entry fields become readings; a paste
    // with a bad cell is refused whole, one too wide says where it began, an
    // empty last line is no row; two rows selected with Shift+click
    // copy as a spreadsheet takes them; OK, Save and reopen keep every value.
    void readingsPastedFromASpreadsheet() {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/pasted.kdw");
        Program p;
        WithDialog(
            [&] { p.app->view().OnTestReadings(); },
            [&](QDialog& d) {
                auto* list = Find<QTableWidget>(d, "list");
                QStringList menu;
                for (QAction* a : list->actions()) {
                    menu << a->text();
                }
                QCOMPARE(menu,
                         QStringList({QStringLiteral("切り取り(&T)"), QStringLiteral("コピー(&C)"),
                                      QStringLiteral("貼り付け(&P)"), QStringLiteral("削除(&D)"),
                                      QStringLiteral("すべて選択(&A)")}));
                list->setFocus();
                list->setCurrentCell(0, 0);
                QApplication::clipboard()->setText(
                    QStringLiteral("１００\t\"40.5\"\t41\t42\r\n200\t50\t51\t52\r\n"));
                QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
                QCOMPARE(Cell(d, 1, 1), QStringLiteral("100.00"));
                QCOMPARE(Cell(d, 1, 2), QStringLiteral("40.5"));
                QCOMPARE(Cell(d, 2, 4), QStringLiteral("52"));

                // A line end more at the end (as some editors copy) is no
                // row: the next row keeps its cell.
                list->setCurrentCell(0, 3);
                QApplication::clipboard()->setText(QStringLiteral("43\r\n\r\n"));
                QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
                QCOMPARE(Cell(d, 1, 4), QStringLiteral("43"));
                QCOMPARE(Cell(d, 2, 4), QStringLiteral("52"));
                // Too wide for where it began: said so.
                list->setCurrentCell(0, 2);
                QApplication::clipboard()->setText(QStringLiteral("1\t2\t3\r\n"));
                QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
                QVERIFY(QString::fromStdString(p.messages.shown.back())
                            .contains(QStringLiteral("1 行目の V30 列から")));
                QCOMPARE(Cell(d, 1, 3), QStringLiteral("41"));

                list->setCurrentCell(2, 0);
                QApplication::clipboard()->setText(QStringLiteral("300\tabc\r\n"));
                QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
                QCOMPARE(p.messages.shown.back(), std::string("3 行目 V15: 数値が異常です"));
                QCOMPARE(Cell(d, 3, 1), QString());

                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(list->item(0, 0)).center());
                QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                                  list->visualItemRect(list->item(1, 4)).center());
                QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
                QCOMPARE(QApplication::clipboard()->text(),
                         QStringLiteral("100.00\t40.5\t41\t43\t\r\n200.00\t50\t51\t52\t\r\n"));

                // The empty row after the readings, then a row into the fields.
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(list->item(2, 0)).center());
                auto* pm = Find<QLineEdit>(d, "entry1");
                pm->setFocus();
                QApplication::clipboard()->setText(QStringLiteral("300\t60\t61\t62\r\n"));
                QTest::keyClick(pm, Qt::Key_V, Qt::ControlModifier);
                QCOMPARE(pm->text(), QStringLiteral("300"));
                QCOMPARE(Find<QLineEdit>(d, "entry4")->text(), QStringLiteral("62"));
                Find<QPushButton>(d, "add")->click();
                Find<QPushButton>(d, "ok")->click();
                if (d.isVisible()) {
                    Find<QPushButton>(d, "ok")->click();
                }
                QVERIFY(!d.isVisible());
            });
        p.chooser.answers.push_back(path);
        QVERIFY(p.app->doc().OnFileSave());
        Program reopened({path});
        const TestRecord& test = reopened.app->ws().test;
        QCOMPARE(CountTestRows(test.testRows, testField::pm), 3);
        QCOMPARE(test.testRows[1][testField::vol15], std::string("40.5"));
        QCOMPARE(test.testRows[2][testField::vol60], std::string("52"));
        QCOMPARE(Pm(test, 3), std::string("300.00"));  // as データ追加 writes it
        QCOMPARE(test.testRows[3][testField::vol60], std::string("62"));
    }

    // Without a mouse: Tab leaves the list for the entry fields and goes on
    // round the dialog in the order of the screen; F2 opens the editor on
    // the list's current cell, where a screen reader finds it by its cell.
    void readingsByKeyboardOnly() {
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        const int used = CountTestRows(ws.test.testRows, testField::pm);
        WithDialog(
            [&] { p.app->view().OnTestReadings(); },
            [&](QDialog& d) {
                auto* list = Find<QTableWidget>(d, "list");
                QCOMPARE(QApplication::focusWidget(), list);
                QStringList order;
                for (QWidget* w : test::TabWalk(d)) {
                    order << w->objectName();
                }
                QCOMPARE(order.mid(0, 4), (QStringList{"entry1", "entry2", "entry3", "entry4"}));
                QVERIFY(order.indexOf(QStringLiteral("delete")) <
                        order.indexOf(QStringLiteral("show120")));
                QCOMPARE(order.mid(order.size() - 2), (QStringList{"ok", "cancel"}));
                QCOMPARE(QApplication::focusWidget(), list);  // round again

                list->setCurrentCell(used, 0);
                QTest::keyClick(list, Qt::Key_F2);
                auto* editor = Find<QLineEdit>(d, "editor");
                QVERIFY(editor->isVisible());
                QCOMPARE(QApplication::focusWidget(), editor);
                QVERIFY(test::InAccessibleTree(d, editor));
                QCOMPARE(editor->accessibleName(),
                         QStringLiteral("セル圧Pm %1 行目").arg(used + 1));
                for (const QString& typed : {QStringLiteral("９００"), QStringLiteral("１"),
                                             QStringLiteral("２"), QStringLiteral("３")}) {
                    editor->clear();
                    Commit(editor, typed);
                    QTest::keyClick(editor, Qt::Key_Return);
                }
                // OK ends the editing first, as a click does.
                auto* ok = Find<QPushButton>(d, "ok");
                ok->setFocus();
                for (int i = 0; i < 3 && d.isVisible(); ++i) {
                    QTest::keyClick(ok, Qt::Key_Space);
                }
                QVERIFY(!d.isVisible());
            });
        QCOMPARE(CountTestRows(ws.test.testRows, testField::pm), used + 1);
        QCOMPARE(ws.test.testRows[used + 1][testField::pm], std::string("900"));
        QCOMPARE(ws.test.testRows[used + 1][testField::vol60], std::string("3"));
    }

    // "データ追加", "上書き" and "行削除", and the order OK leaves.
    // Rows typed from the keyboard alone into a new test: the entry fields,
    // Tab on to データ追加 (open to the keyboard while the row is new), Space;
    // the focus comes back to the pressure for the next row.
    void addingRowsByKeyboard() {
        Program p;
        Workspace& ws = p.app->ws();
        WithDialog(
            [&] { p.app->view().OnTestReadings(); },
            [&](QDialog& d) {
                const auto focus = [] { return QApplication::focusWidget(); };
                const auto tabTo = [&](const QString& name) {
                    for (int i = 0; i < 20 && focus()->objectName() != name; ++i) {
                        QTest::keyClick(focus(), Qt::Key_Tab);
                    }
                    QCOMPARE(focus()->objectName(), name);
                };
                for (const QStringList& row : {QStringList{"１００", "１０", "１２", "１３"},
                                               QStringList{"２００", "２０", "２２", "２３"}}) {
                    tabTo(QStringLiteral("entry1"));
                    for (int i = 0; i < row.size(); ++i) {
                        tabTo(QStringLiteral("entry%1").arg(i + 1));
                        Commit(focus(), row[i]);
                    }
                    tabTo(QStringLiteral("add"));
                    QTest::keyClick(focus(), Qt::Key_Space);
                    QCOMPARE(focus()->objectName(), QStringLiteral("entry1"));
                }
                QCOMPARE(Cell(d, 2, 1), QStringLiteral("200.00"));
                tabTo(QStringLiteral("ok"));
                QTest::keyClick(focus(), Qt::Key_Space);
                QVERIFY(!d.isVisible());
            });
        QCOMPARE(CountTestRows(ws.test.testRows, testField::pm), 2);
        QCOMPARE(ws.test.testRows[2][testField::vol60], std::string("23"));
    }

    void rowButtons() {
        Program p;
        Workspace& ws = p.app->ws();
        WithDialog(
            [&] { p.app->view().OnTestReadings(); },
            [&](QDialog& d) {
                for (const char* pressure : {"300", "100", "200"}) {
                    TypeEntry(d, "entry1", QString::fromLatin1(pressure));
                    TypeEntry(d, "entry4", QStringLiteral("5"));
                    Find<QPushButton>(d, "add")->click();
                }
                QCOMPARE(Cell(d, 2, 1), QStringLiteral("100.00"));
                TypeEntry(d, "entry1", QStringLiteral("100"));
                Find<QPushButton>(d, "add")->click();
                QCOMPARE(p.messages.shown.back(),
                         std::string("同じ 圧力データがあります.\n修正なら上書きしてください."));
                TypeEntry(d, "entry1", QStringLiteral("200"));
                TypeEntry(d, "entry4", QStringLiteral("66"));
                Find<QPushButton>(d, "overwrite")->click();
                QCOMPARE(Cell(d, 3, 4), QStringLiteral("66"));
                Find<QTableWidget>(d, "list")->selectRow(0);
                Find<QPushButton>(d, "delete")->click();
                QCOMPARE(Cell(d, 1, 1), QStringLiteral("100.00"));
                QCOMPARE(Cell(d, 3, 1), QString());
                // A double quote cannot be typed into a cell.
                TypeEntry(d, "entry2", QStringLiteral("1\"2"));
                QCOMPARE(Find<QLineEdit>(d, "entry2")->text(), QStringLiteral("12"));
                QCOMPARE(QToolTip::text(), QStringLiteral("使用できない文字です: \""));
                // Nor more than its row can keep in the file.
                Find<QLineEdit>(d, "entry3")->insert(QString(10000, QLatin1Char('1')));
                QCOMPARE(Find<QLineEdit>(d, "entry3")->text(), QString());
                QCOMPARE(QToolTip::text(), QStringLiteral("長すぎます（100 バイトまで）"));
                // What is left in the fields is asked about; No leaves it.
                p.messages.answer = Messages::Answer::no;
                Find<QPushButton>(d, "ok")->click();
                QCOMPARE(p.messages.asked.back(), std::string("入力中のデータを追加しますか?"));
            });
        QCOMPARE(Pm(ws.test, 1), std::string("100.00"));
        QCOMPARE(Pm(ws.test, 2), std::string("200.00"));
        QCOMPARE(ws.test.testRows[2][testField::vol60], std::string("66"));
        QCOMPARE(Pm(ws.test, 3), std::string(""));
    }

    // Cancel leaves the records exactly as they were, after the question.
    void cancelRestoresTheRecords() {
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        const TestRecord before = ws.test;
        p.messages.reply = true;
        WithDialog([&] { p.app->view().OnTestReadings(); },
                   [&](QDialog& d) {
                       DoubleClickCell(d, 2, 2);
                       TypeCell(d, QStringLiteral("999"));
                       QCOMPARE(Cell(d, 2, 2), QStringLiteral("999"));
                       QTest::keyClick(Find<QLineEdit>(d, "editor"), Qt::Key_Escape);
                       QVERIFY(!d.isVisible());
                   });
        QCOMPARE(p.messages.asked, std::vector<std::string>{
                                       "データが変更されましたが、キャンセルしてよいのですか？"});
        QVERIFY(ws.test == before);
        QVERIFY(!p.app->doc().isModified());

        // The calibration is fitted again after a cancelled dialog too.
        ws.calibration.calibrationHeader[header::coefficient0] = "stale";
        WithDialog([&] { p.app->view().OnCalibrationReadings(); },
                   [&](QDialog& d) {
                       QCOMPARE(d.windowTitle(), QStringLiteral("キャリブレーション データ"));
                       Find<QPushButton>(d, "cancel")->click();
                   });
        QCOMPARE(ws.documentKind, DocumentKind::calibration);
        QVERIFY(ws.calibration.calibrationHeader[header::coefficient0] != "stale");
    }

    void calibrationReadings() {
        Program p({Example("calibration.kcw")});
        Workspace& ws = p.app->ws();
        const int used = CountCalibrationRows(ws.calibration.calibrationRows, calibrationField::pm);
        WithDialog([&] { p.app->view().OnCalibrationReadings(); },
                   [&](QDialog& d) {
                       QCOMPARE(Find<QLineEdit>(d, "vmMax")->text(), QStringLiteral("800"));
                       DoubleClickCell(d, used + 1, 1);
                       TypeCell(d, QStringLiteral("95"));
                       TypeCell(d, QStringLiteral("780.5"));
                       QCOMPARE(Cell(d, used + 1, 2), QStringLiteral("780.5"));
                       Find<QTableWidget>(d, "list")->selectRow(used - 1);
                       Screenshot(d, "calibration-readings");
                       Find<QPushButton>(d, "ok")->click();
                       Find<QPushButton>(d, "ok")->click();
                   });
        const CalibrationRow& row = ws.calibration.calibrationRows[used + 1];
        QCOMPARE(row[calibrationField::pm], std::string("95"));
        QCOMPARE(row[calibrationField::vmCopy], std::string("780.5"));
        QVERIFY(p.app->doc().isModified());
    }

    // A row typed into the entry fields and not added is not lost by OK,
    // however OK is reached (Enter under "Windows標準", the button under
    // the other key settings): "入力中のデータを追加しますか?" — ｷｬﾝｾﾙ stays,
    // はい adds the row, いいえ leaves it out; in both readings dialogs, kept
    // through Save and reopen.
    void rowTypedIntoTheEntriesIsAskedAboutOnOk() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.kdw"));
        QVERIFY(QFile::copy(Example("test.kdw"), path));
        Program p({path});
        Workspace& ws = p.app->ws();
        const int used = CountTestRows(ws.test.testRows, testField::pm);
        const std::string question = "入力中のデータを追加しますか?";
        const auto typeRow = [](QDialog& d, const QStringList& values) {
            for (int i = 0; i < values.size(); ++i) {
                auto* entry = Find<QLineEdit>(d, QStringLiteral("entry%1").arg(i + 1).toLatin1());
                entry->setFocus();
                entry->clear();
                Commit(entry, values[i]);
            }
        };
        const auto pressOk = [&](QDialog& d, Messages::Answer answer) {
            p.messages.answer = answer;
            p.messages.asked.clear();
            if (ws.settings.enterKeyMode == 0) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            } else {
                Find<QPushButton>(d, "ok")->setFocus();
                QTest::keyClick(Find<QPushButton>(d, "ok"), Qt::Key_Space);
            }
            QCOMPARE(p.messages.asked, std::vector<std::string>{question});
        };
        WithDialog([&] { p.app->view().OnTestReadings(); },
                   [&](QDialog& d) {
                       typeRow(d, {"９５０", "61", "62", "63"});
                       pressOk(d, Messages::Answer::cancel);
                       QVERIFY(d.isVisible());
                       QCOMPARE(Find<QLineEdit>(d, "entry4")->text(), QStringLiteral("63"));
                       pressOk(d, Messages::Answer::yes);
                       QVERIFY(!d.isVisible());
                   });
        QCOMPARE(CountTestRows(ws.test.testRows, testField::pm), used + 1);
        ws.settings.enterKeyMode = 2;
        WithDialog([&] { p.app->view().OnTestReadings(); },
                   [&](QDialog& d) {
                       typeRow(d, {"960", "1"});
                       pressOk(d, Messages::Answer::no);
                       QVERIFY(!d.isVisible());
                   });
        QCOMPARE(CountTestRows(ws.test.testRows, testField::pm), used + 1);
        QVERIFY(p.app->doc().OnFileSave());
        Program reopened({path});
        const TestRecord& test = reopened.app->ws().test;
        QCOMPARE(CountTestRows(test.testRows, testField::pm), used + 1);
        QCOMPARE(Pm(test, used + 1), std::string("950.00"));
        QCOMPARE(test.testRows[used + 1][testField::vol60], std::string("63"));
        WithDialog([&] { p.app->view().OnCalibrationReadings(); },
                   [&](QDialog& d) {
                       typeRow(d, {"290", "790.5"});
                       pressOk(d, Messages::Answer::yes);
                       QVERIFY(!d.isVisible());
                   });
        const int calibrationRows =
            CountCalibrationRows(ws.calibration.calibrationRows, calibrationField::pm);
        QCOMPARE(ws.calibration.calibrationRows[calibrationRows][calibrationField::vm],
                 std::string("790.5"));
    }

    // The row reached with the arrow keys is the current row, as a clicked
    // one: it fills the entry fields, and the preview marks it in blue.
    void rowChosenByKeyboardFillsTheEntriesAndThePreview() {
        Program p({Example("test.kdw")});
        const int used = CountTestRows(p.app->ws().test.testRows, testField::pm);
        WithDialog([&] { p.app->view().OnTestReadings(); },
                   [&](QDialog& d) {
                       // Pixels of the drawing (inside the frame) that are not
                       // white, and those that are blue.
                       const auto pixels = [&](bool blue) {
                           auto* area = Find<CPreviewArea>(d, "preview");
                           const QImage shown =
                               area->grab(area->contentsRect().adjusted(1, 1, -1, -1)).toImage();
                           int count = 0;
                           for (int y = 0; y < shown.height(); ++y) {
                               for (int x = 0; x < shown.width(); ++x) {
                                   const QColor at = shown.pixelColor(x, y);
                                   count +=
                                       (blue ? at.blue() > 160 && at.red() < 100 && at.green() < 100
                                             : at != Qt::white)
                                           ? 1
                                           : 0;
                               }
                           }
                           return count;
                       };
                       auto* list = Find<QTableWidget>(d, "list");
                       QCOMPARE(QApplication::focusWidget(), list);
                       // Drawn from the start, no row marked yet.
                       QVERIFY(pixels(false) > 100);
                       QCOMPARE(pixels(true), 0);
                       QTest::keyClick(list, Qt::Key_Up);
                       QCOMPARE(Find<QLineEdit>(d, "entry1")->text(), Cell(d, used, 1));
                       QCOMPARE(Find<QLineEdit>(d, "entry4")->text(), Cell(d, used, 4));
                       QVERIFY(pixels(true) > 0);  // at the top, half outside
                       QTest::keyClick(list, Qt::Key_Home, Qt::ControlModifier);
                       QCOMPARE(Find<QLineEdit>(d, "entry1")->text(), Cell(d, 1, 1));
                       QVERIFY(pixels(true) > 50);
                   });
    }

    // Enter outside the editor: OK, the next control, or nothing.
    void enterKeyModes() {
        for (const int mode : {0, 1, 2}) {
            Program p;
            p.app->ws().settings.enterKeyMode = mode;
            bool stillOpen = false;
            WithDialog([&] { p.app->view().OnTestReadings(); },
                       [&](QDialog& d) {
                           auto* entry = Find<QLineEdit>(d, "entry1");
                           entry->setFocus();
                           QTest::keyClick(entry, Qt::Key_Return);
                           stillOpen = d.isVisible();
                           if (mode == 1) {
                               QCOMPARE(QApplication::focusWidget(), Find<QLineEdit>(d, "entry2"));
                           }
                       });
            QCOMPARE(stillOpen, mode != 0);
        }
    }

    // Every way of giving the document up asks about unsaved changes.
    void unsavedChangesAreAskedAbout() {
        QTemporaryDir dir;
        Program p({Example("test.kdw")});
        CTavDoc& doc = p.app->doc();
        Workspace& ws = p.app->ws();
        const auto change = [&] {
            ws.test.testHeader[header::memo] = "changed";
            RecordsChanged(ws);
        };
        const std::string question = "test.kdw への変更を保存しますか?";
        change();
        p.messages.answer = Messages::Answer::cancel;
        p.app->OnFileNew();
        QCOMPARE(p.messages.asked.back(), question);
        QCOMPARE(ws.test.testHeader[header::memo], std::string("changed"));
        p.chooser.answers.push_back(Example("calibration.kcw"));
        doc.OnFileOpen();
        QCOMPARE(ws.documentKind, DocumentKind::test);
        p.app->OnOpenRecentFile(0);
        p.app->frame().OpenDroppedFiles({QUrl::fromLocalFile(Example("calibration.kcw"))});
        QCOMPARE(ws.documentKind, DocumentKind::test);
        QVERIFY(!p.app->frame().close());
        QCOMPARE(p.messages.asked.size(), std::size_t(5));
        QCOMPARE(ws.test.testHeader[header::memo], std::string("changed"));

        // Yes saves first; a save that fails keeps the document.
        p.messages.answer = Messages::Answer::yes;
        p.chooser.answers.push_back(QStringLiteral("/no/such/folder/x.kdw"));
        doc.OnNewDocument();  // the document itself does not ask
        change();
        p.app->OnFileNew();
        QCOMPARE(ws.test.testHeader[header::memo], std::string("changed"));
        const QString saved = dir.filePath(QStringLiteral("saved.kdw"));
        p.chooser.answers.push_back(saved);
        p.app->OnFileNew();
        QVERIFY(QFile::exists(saved));
        QCOMPARE(ws.test.testHeader[header::memo], std::string(""));
        QVERIFY(!doc.isModified());

        // No throws the changes away.
        change();
        p.messages.answer = Messages::Answer::no;
        p.app->OnFileNew();
        QCOMPARE(ws.test.testHeader[header::memo], std::string(""));
        // Nothing changed: nothing asked.
        const std::size_t asked = p.messages.asked.size();
        p.app->OnFileNew();
        QCOMPARE(p.messages.asked.size(), asked);
        QCOMPARE(p.app->frame().windowTitle(), QStringLiteral("無題 - Nob"));
    }

    // Saving the other record under its extension leaves this one unsaved.
    void savingTheOtherRecordKeepsTheFlag() {
        QTemporaryDir dir;
        Program p({Example("test.kdw")});
        RecordsChanged(p.app->ws());
        p.chooser.answers.push_back(dir.filePath(QStringLiteral("other.kcw")));
        QVERIFY(!p.app->doc().OnFileSaveAs());
        QVERIFY(p.app->doc().isModified());
        p.chooser.answers.push_back(dir.filePath(QStringLiteral("own.kdw")));
        QVERIFY(p.app->doc().OnFileSaveAs());
        QVERIFY(!p.app->doc().isModified());
    }
};

QTEST_MAIN(ReadingsDialogsTest)
#include "readings_dialogs_test.moc"
