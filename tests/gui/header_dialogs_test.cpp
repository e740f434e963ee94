// The header, analysis and engineer-master dialogs under QtTest (offscreen):
// what the page view stores after them, "開く", the arrows of the analysis,
// the master edited and saved, the Cancel questions and the Enter key.
// KARNEA_SCREENSHOTS=DIR saves a picture of each dialog with the example data.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include <cmath>
#include "analysis/reduction.h"
#include "app/ctavdoc.h"
#include "base/encoding.h"
#include "base/textfields.h"
#include "dialogs/canalysisdlg.h"
#include "dialogs/dialogsupport.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "entry/analysismodel.h"
#include "gui/program.h"
#include "pages/opsrecorder.h"
#include "pages/pagecomposer.h"
#include "records/records.h"
#include "settings/settings.h"
#include "view/ctavview.h"

using namespace karnea;
using test::Example;
using test::Find;
using test::PageOps;
using test::Program;
using test::Screenshot;
using test::WithDialog;

namespace {

QLineEdit* Field(QDialog& d, int number) {
    return Find<QLineEdit>(d, QStringLiteral("field%1").arg(number).toLatin1().constData());
}

// Types into a box and leaves it for the next one.
void TypeAndLeave(QDialog& d, int number, const QString& text, int next) {
    QLineEdit* box = Field(d, number);
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    Field(d, next)->setFocus();
}

// Types into the box named `name` (after emptying it) and moves on to `next`.
void TypeInto(QDialog& d, const char* name, const QString& text, const char* next) {
    auto* box = Find<QLineEdit>(d, name);
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    for (const QChar c : text) {
        QInputMethodEvent typed;
        typed.setCommitString(c);
        QApplication::sendEvent(box, &typed);
    }
    Find<QLineEdit>(d, next)->setFocus();
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

}  // namespace

class HeaderDialogsTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

private slots:
    void initTestCase() { test::UseStandardSettingsIn(home_); }

    // Depth, water level and machine height give Pw and Pz; OK stores the
    // header and the rows are reduced with the new Pz.
    void testHeaderComputesAndStores() {
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        WithDialog(
            [&] { p.app->view().OnTestHeader(); },
            [&](QDialog& d) {
                QCOMPARE(d.windowTitle(), QStringLiteral("カルネア 見出し"));
                TypeAndLeave(d, header::depth, QStringLiteral("12.5"), header::waterLevel);
                QCOMPARE(Field(d, header::depth)->text(), QStringLiteral("-12.5"));
                TypeAndLeave(d, header::waterLevel, QStringLiteral("2"), header::machineHeight);
                TypeAndLeave(d, header::machineHeight, QStringLiteral("1"), header::poissonRatio);
                const std::string& c = ws.settings.siCoefficient;
                QCOMPARE(ToCp932(Field(d, header::pw)->text()),
                         ComputeWaterPressureText("-12.5", "-2", c));
                QCOMPARE(ToCp932(Field(d, header::pz)->text()),
                         ComputeHoseHeadText("-12.5", "1", c));
                // "$$" cannot be typed into a header text, and the box says why.
                QLineEdit* memo = Field(d, header::memo);
                memo->clear();
                QTest::keyClicks(memo, QStringLiteral("a$$b"));
                QCOMPARE(memo->text(), QStringLiteral("a$b"));
                QCOMPARE(QToolTip::text(), QStringLiteral("使用できない文字です: $$"));
                // A depth out of range gives no Pw, and OK is refused with
                // the focus on the depth; full-width digits are numbers.
                TypeAndLeave(d, header::depth, QStringLiteral("5000"), header::waterLevel);
                QCOMPARE(p.messages.shown.back(), std::string("数値が異常です"));
                TypeAndLeave(d, header::waterLevel, QStringLiteral("2"), header::machineHeight);
                QCOMPARE(ToCp932(Field(d, header::pw)->text()),
                         ComputeWaterPressureText("-12.5", "-2", c));
                const std::size_t said = p.messages.shown.size();
                Find<QPushButton>(d, "ok")->click();
                QVERIFY(d.isVisible());
                QCOMPARE(p.messages.shown.size(), said + 1);
                QCOMPARE(QApplication::focusWidget(), Field(d, header::depth));
                Field(d, header::depth)->clear();
                QInputMethodEvent typed;
                typed.setCommitString(QStringLiteral("１２．５"));
                QApplication::sendEvent(Field(d, header::depth), &typed);
                Field(d, header::waterLevel)->setFocus();
                QCOMPARE(Field(d, header::depth)->text(), QStringLiteral("-12.5"));
                // A test made today is dated by its era, 令和.
                auto* era = Find<QComboBox>(d, "era");
                QCOMPARE(era->itemText(0), QStringLiteral("令和"));
                era->setCurrentIndex(0);
                TypeAndLeave(d, header::dateYear, QStringLiteral("8"), header::dateMonth);
                Find<QPushButton>(d, "draw")->click();
                Screenshot(d, "test-header");
                Find<QPushButton>(d, "ok")->click();
            });
        const HeaderTexts& h = ws.test.testHeader;
        QCOMPARE(h[header::dateEra], Sjis("令和"));
        QCOMPARE(h[header::depth], std::string("-12.5"));
        const std::string pz = ComputeHoseHeadText("-12.5", "1", ws.settings.siCoefficient);
        QCOMPARE(h[header::pz], pz);
        QCOMPARE(h[header::memo], std::string("a$b"));
        const TestRow& first = ws.test.testRows[1];
        QVERIFY(std::abs(TextToDouble(first[testField::pmPlusPz]) -
                         (TextToDouble(first[testField::pm]) + TextToDouble(pz))) < 0.06);
        QVERIFY(PageOps(ws, 1).find(pz) != std::string::npos);
        QVERIFY(p.app->doc().isModified());
    }

    // "開く" reads a calibration file into the test; a test file is refused.
    void openingACalibrationForTheTest() {
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        p.chooser.answers = {Example("test.kdw"), Example("calibration.kcw")};
        WithDialog([&] { p.app->view().OnTestHeader(); },
                   [&](QDialog& d) {
                       Find<QPushButton>(d, "open")->click();
                       QCOMPARE(p.messages.shown.back(),
                                std::string("Ver.3 のキャリブレーションファイルではありません"));
                       QCOMPARE(p.chooser.lastFilter,
                                QStringLiteral("Ver3形式(*.kcw)|*.kcw|すべて(*.*)|*.*||"));
                       Find<QPushButton>(d, "open")->click();
                       QCOMPARE(Field(d, header::calibrationFileName)->text(),
                                Example("calibration.kcw"));
                       Find<QPushButton>(d, "ok")->click();
                   });
        QCOMPARE(ws.test.testHeader[header::calibrationFileName],
                 ToPath(Example("calibration.kcw")));
    }

    // The default titles are stored by OK and not by Cancel; the regression
    // curve refits with its messages.
    void calibrationHeader() {
        Program p({Example("calibration.kcw")});
        Workspace& ws = p.app->ws();
        ws.calibration.calibrationHeader[header::tableTitle].clear();
        ws.settings.defaultTableTitle = Sjis("測定データ表");
        WithDialog([&] { p.app->view().OnCalibrationHeader(); },
                   [&](QDialog& d) { Find<QPushButton>(d, "cancel")->click(); });
        QCOMPARE(ws.calibration.calibrationHeader[header::tableTitle], std::string());
        QVERIFY(!p.app->doc().isModified());
        WithDialog([&] { p.app->view().OnCalibrationHeader(); },
                   [&](QDialog& d) {
                       QCOMPARE(d.windowTitle(), QStringLiteral("キャリブレーション 見出し"));
                       QCOMPARE(ToCp932(Field(d, header::tableTitle)->text()),
                                ws.settings.defaultTableTitle);
                       Find<QRadioButton>(d, "regression")->click();
                       Screenshot(d, "calibration-header");
                       Find<QPushButton>(d, "ok")->click();
                   });
        QCOMPARE(ws.calibration.calibrationHeader[header::tableTitle],
                 ws.settings.defaultTableTitle);
        QCOMPARE(ws.calibration.calibrationHeader[header::fitMethod], std::string("1"));
        QVERIFY(p.app->doc().isModified());
    }

    // A date no calendar has is refused by OK with why, the box at fault
    // taking the focus; one stored so opens as it is. Up and Down move on
    // from the era shown, and the year box tells the era's years (changing
    // the era converts no year).
    void datesThatAreNotRealAreRefused() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("d.kdw"));
        Program p({Example("test.kdw")});
        HeaderTexts& stored = p.app->ws().test.testHeader;
        stored[header::dateEra] = Sjis("平成");
        stored[header::dateYear] = "31";
        stored[header::dateMonth] = "5";
        stored[header::dateDay] = "1";
        RecordsChanged(p.app->ws());
        p.chooser.answers.push_back(path);
        QVERIFY(p.app->doc().OnFileSaveAs());
        Program reopened({path});
        const HeaderTexts& h = reopened.app->ws().test.testHeader;
        QCOMPARE(h[header::dateMonth], std::string("5"));
        WithDialog(
            [&] { reopened.app->view().OnTestHeader(); },
            [&](QDialog& d) {
                auto* era = Find<QComboBox>(d, "era");
                QCOMPARE(era->currentText(), QStringLiteral("平成"));
                QCOMPARE(Field(d, header::dateMonth)->text(), QStringLiteral("5"));
                QCOMPARE(Find<QLabel>(d, "eraYears")->text(), QStringLiteral("平成 元年～31年"));
                QCOMPARE(Field(d, header::dateYear)->toolTip(),
                         QStringLiteral("平成は元年(1989年)1月8日から31年(2019年)4月30日まで"));
                era->setFocus();
                QTest::keyClick(era, Qt::Key_Up);
                QCOMPARE(era->currentText(), QStringLiteral("令和"));
                QCOMPARE(Field(d, header::dateYear)->toolTip(),
                         QStringLiteral("令和は元年(2019年)5月1日から"));
                QCOMPARE(Field(d, header::dateYear)->text(), QStringLiteral("31"));
                QTest::keyClick(era, Qt::Key_Down);
                QTest::keyClick(era, Qt::Key_Down);
                QCOMPARE(era->currentText(), QStringLiteral("昭和"));
                QTest::keyClick(era, Qt::Key_Up);
                QCOMPARE(era->currentText(), QStringLiteral("平成"));

                const auto refused = [&](const char* why, int box) {
                    Find<QPushButton>(d, "ok")->click();
                    QVERIFY(d.isVisible());
                    QCOMPARE(reopened.messages.shown.back(),
                             "測定年月日が暦にない日付です（" + std::string(why) + "）");
                    QCOMPARE(QApplication::focusWidget(), Field(d, box));
                };
                refused("平成は31年4月30日まで", header::dateYear);
                TypeAndLeave(d, header::dateYear, QStringLiteral("2026"), header::dateMonth);
                TypeAndLeave(d, header::dateMonth, QStringLiteral("2"), header::dateDay);
                TypeAndLeave(d, header::dateDay, QStringLiteral("30"), header::soilName);
                refused("2月30日はありません", header::dateDay);
                TypeAndLeave(d, header::dateYear, QStringLiteral("31"), header::dateMonth);
                TypeAndLeave(d, header::dateMonth, QStringLiteral("4"), header::dateDay);
                Find<QPushButton>(d, "ok")->click();
                QVERIFY(!d.isVisible());
            });
        QCOMPARE(h[header::dateMonth], std::string("4"));
        QCOMPARE(h[header::dateDay], std::string("30"));
    }

    // With the Enter-key mode 1, Enter in "調査名" moves on.
    void enterMovesOnInTheHeader() {
        Program p({Example("test.kdw")});
        p.app->ws().settings.enterKeyMode = 1;
        bool open = false;
        WithDialog([&] { p.app->view().OnCalibrationHeader(); },
                   [&](QDialog& d) {
                       Field(d, header::surveyName)->setFocus();
                       QTest::keyClick(Field(d, header::surveyName), Qt::Key_Return);
                       open = d.isVisible();
                       QVERIFY(QApplication::focusWidget() != Field(d, header::surveyName));
                   });
        QVERIFY(open);
    }

    // Po, Pf and Pl picked with the arrows, the lines updated, OK: the
    // result page shows the new values.
    void analysisPicksThePoints() {
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        const std::string em = ws.test.testHeader[header::modulusValue];
        WithDialog(
            [&] { p.app->view().OnAnalysis(); },
            [&](QDialog& d) {
                QCOMPARE(d.windowTitle(), QStringLiteral("解析 / 目盛り　計算経過式"));
                Find<QRadioButton>(d, "pf")->click();
                Find<QPushButton>(d, "draw")->click();
                Find<QPushButton>(d, "up")->click();  // the first press: the Po row
                Find<QPushButton>(d, "up")->click();
                Find<QPushButton>(d, "up")->click();
                Find<QPushButton>(d, "updateLines")->click();
                QVERIFY(Find<QLineEdit>(d, "line2")->text().startsWith(QStringLiteral("Pf=")));
                Screenshot(d, "analysis");
                Find<QPushButton>(d, "ok")->click();
            });
        const HeaderTexts& h = ws.test.testHeader;
        QCOMPARE(TextToInt(h[header::pfRow]), TextToInt(h[header::poRow]) + 2);
        QVERIFY(h[header::modulusValue] != em);
        QVERIFY(PageOps(ws, 1).find(Cp932ToUtf8(h[header::modulusValue])) != std::string::npos);
        QVERIFY(p.app->doc().isModified());

        // Cancel after a change asks; No keeps the dialog.
        WithDialog([&] { p.app->view().OnAnalysis(); },
                   [&](QDialog& d) {
                       Find<QPushButton>(d, "down")->click();
                       Find<QPushButton>(d, "cancel")->click();
                       QVERIFY(d.isVisible());
                   });
        QCOMPARE(p.messages.asked.back(),
                 std::string("データが変更されましたが、キャンセルしてよいのですか？"));
    }

    // A scale box left holding no number is put back to the standard scale
    // before the message says so, once, and OK stores what the box shows.
    // The messages take the focus as a message box does.
    void analysisScaleResetIsKept() {
        struct BoxLikeMessages : RecordedMessages {
            void Show(std::string_view text) override {
                RecordedMessages::Show(text);
                QWidget* had = QApplication::focusWidget();
                if (had != nullptr) {
                    had->clearFocus();
                    had->setFocus();
                }
            }
        } messages;
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        AnalysisModel model(ws.test, ws.settings);
        CAnalysisDlg dialog(model, messages, nullptr);
        WithDialog([&] { dialog.exec(); },
                   [&](QDialog& d) {
                       TypeInto(d, "vMax", QStringLiteral("abc"), "vStep");
                       QCOMPARE(messages.shown, std::vector<std::string>{"目盛りが異常です"});
                       QCOMPARE(Find<QLineEdit>(d, "vMax")->text(), QStringLiteral("600"));
                       // Two boxes empty: one message.
                       Find<QLineEdit>(d, "vMax")->setText(QString());
                       TypeInto(d, "vMin", QString(), "vStep");
                       QCOMPARE(messages.shown.size(), std::size_t{2});
                       QCOMPARE(Find<QLineEdit>(d, "vMin")->text(), QStringLiteral("0"));
                       QCOMPARE(Find<QLineEdit>(d, "vMax")->text(), QStringLiteral("600"));
                       // Full-width digits in a scale box are numbers.
                       TypeInto(d, "pMax", QStringLiteral("１５００"), "pStep");
                       QCOMPARE(Find<QLineEdit>(d, "pMax")->text(), QStringLiteral("1500"));
                       Find<QPushButton>(d, "ok")->click();
                   });
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        ws.test = *model.Accept().test;
        QCOMPARE(ws.test.testHeader[header::vAxisMax], std::string("600"));
        QCOMPARE(ws.test.testHeader[header::vAxisMin], std::string("0"));
        QCOMPARE(ws.test.testHeader[header::pAxisMax], std::string("1500"));
    }

    // The master typed, reordered and saved; a master that cannot be
    // written keeps the dialog and its names.
    void engineerMaster() {
        QTemporaryDir dir;
        Program p;
        Settings& settings = p.app->ws().settings;
        settings.engineerMasterPath = ToPath(dir.filePath(QStringLiteral("M.mst")));
        WithDialog([&] { p.app->view().OnEngineerMaster(); },
                   [&](QDialog& d) {
                       QCOMPARE(p.messages.shown.back().rfind("ファイルが見つかりません", 0),
                                std::size_t(0));
                       auto* list = Find<QTableWidget>(d, "list");
                       QCOMPARE(list->rowCount(), 80);
                       const QRect cell = list->visualItemRect(list->item(0, 0));
                       QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
                       for (const char* name : {"山田 太郎", "鈴木 花子"}) {
                           Find<QLineEdit>(d, "editor")->insert(QString::fromUtf8(name));
                           QTest::keyClick(Find<QLineEdit>(d, "editor"), Qt::Key_Return);
                       }
                       QTest::keyClick(Find<QLineEdit>(d, "editor"), Qt::Key_Escape);
                       QVERIFY(d.isVisible());  // asked, answered No
                       list->selectRow(1);
                       Find<QPushButton>(d, "up")->click();
                       QCOMPARE(list->item(0, 0)->text(), QStringLiteral("鈴木 花子"));
                       Screenshot(d, "engineer-master");
                       // The first OK ends the editing, the second saves.
                       Find<QPushButton>(d, "ok")->click();
                       Find<QPushButton>(d, "ok")->click();
                   });
        QCOMPARE(ReadAll(dir.filePath(QStringLiteral("M.mst"))),
                 QByteArray(Sjis("鈴木 花子\r\n山田 太郎\r\n").c_str()));

        settings.engineerMasterPath = ToPath(dir.filePath(QStringLiteral("no/such/M.mst")));
        bool stayed = false;
        WithDialog([&] { p.app->view().OnEngineerMaster(); },
                   [&](QDialog& d) {
                       auto* list = Find<QTableWidget>(d, "list");
                       QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                                          list->visualItemRect(list->item(0, 0)).center());
                       QTest::keyClicks(Find<QLineEdit>(d, "editor"), QStringLiteral("X"));
                       QTest::keyClick(Find<QLineEdit>(d, "editor"), Qt::Key_Return);
                       Find<QPushButton>(d, "ok")->click();
                       Find<QPushButton>(d, "ok")->click();
                       stayed = d.isVisible();
                       QCOMPARE(list->item(0, 0)->text(), QStringLiteral("X"));
                   });
        QVERIFY(stayed);
        QCOMPARE(p.messages.shown.back(), std::string("マスタファイルは\n保存できませんでした"));
    }
};

QTEST_MAIN(HeaderDialogsTest)
#include "header_dialogs_test.moc"
