// The settings dialogs under QtTest (offscreen): a setting changed in its
// dialog shows on the page, and the set-up moves the installation.
// KARNEA_SCREENSHOTS=DIR saves a picture of each dialog and of the page
// after the font and footer changes.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include "app/cmainframe.h"
#include "app/commands.h"
#include "app/ctavdoc.h"
#include "dialogs/cfontdlg.h"
#include "dialogs/guiservices.h"
#include "document/workspace.h"
#include "gui/program.h"
#include "pages/opsrecorder.h"
#include "pages/pagecomposer.h"
#include "records/records.h"
#include "render/qpaintersurface.h"
#include "settings/settings.h"
#include "support/testsupport.h"
#include "view/ctavview.h"

using namespace karnea;
using test::Example;
using test::Find;
using test::PageOps;
using test::Program;
using test::Screenshot;
using test::WithDialog;

namespace {

void SetText(QDialog& d, const char* name, const QString& text) {
    QLineEdit* box = Find<QLineEdit>(d, name);
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
}

// With KARNEA_SCREENSHOTS=DIR, the page as the screen shows it.
void PageShot(const Workspace& ws, int page, const char* name) {
    const QByteArray folder = qgetenv("KARNEA_SCREENSHOTS");
    if (folder.isEmpty()) {
        return;
    }
    QImage image(831, 1247, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    FontCache fonts;
    QPainterSurface surface(painter, 96, 96, fonts);
    RecordedMessages quiet;
    ComposePage(PagesOf(ws), page, surface, quiet);
    painter.end();
    image.save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + QString::fromLatin1(name) +
               QStringLiteral(".png"));
}

}  // namespace

class SettingsDialogsTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

private slots:
    void initTestCase() { test::UseStandardSettingsIn(home_); }

    // Three Pm decimals on the data sheet; the file keeps them.
    void decimalsShowOnThePage() {
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        const std::string pm = ws.test.testRows[5][testField::pm];
        WithDialog([&] { p.app->view().OnStyleSettings(); },
                   [&](QDialog& d) {
                       QCOMPARE(d.windowTitle(), QStringLiteral("様式 / 桁数"));
                       SetText(d, "decimals2", QStringLiteral("7"));
                       Find<QPushButton>(d, "ok")->click();
                       QVERIFY(d.isVisible());  // refused
                       QCOMPARE(p.messages.shown.back(),
                                std::string("0 から 6 までの整数を入力して下さい"));
                       SetText(d, "decimals2", QStringLiteral("3"));
                       Screenshot(d, "style");
                       Find<QPushButton>(d, "ok")->click();
                   });
        QCOMPARE(ws.settings.pmDecimals, 3);
        QVERIFY(PageOps(ws, 2).find("\"" + pm + ".000\"") != std::string::npos);
        Settings reread;
        RecordedMessages quiet;
        LoadSettings(reread, false, quiet);
        QCOMPARE(reread.pmDecimals, 3);
    }

    // Every box of "線種 / 係数 / マージン" has its setting's range: "nan" is
    // no V0, the focus goes to the box in error, and full-width digits are
    // numbers; "$$" cannot be typed into the company name new files take.
    void lineSettingsAreCheckedBoxByBox() {
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        WithDialog([&] { p.app->view().OnLineSettings(); },
                   [&](QDialog& d) {
                       SetText(d, "v0", QStringLiteral("nan"));
                       Find<QPushButton>(d, "ok")->click();
                       QVERIFY(d.isVisible());
                       QCOMPARE(p.messages.shown.back(),
                                std::string("0.1 から 100000 までの数値を入力して下さい"));
                       QCOMPARE(QApplication::focusWidget(), Find<QLineEdit>(d, "v0"));
                       SetText(d, "v0", QStringLiteral("540"));
                       SetText(d, "tableTop", QStringLiteral("2000"));
                       Find<QPushButton>(d, "ok")->click();
                       QVERIFY(d.isVisible());
                       QCOMPARE(QApplication::focusWidget(), Find<QLineEdit>(d, "tableTop"));
                       QLineEdit* margin = Find<QLineEdit>(d, "tableTop");
                       margin->clear();
                       QInputMethodEvent typed;
                       typed.setCommitString(QStringLiteral("１５"));
                       QApplication::sendEvent(margin, &typed);
                       QCOMPARE(margin->text(), QStringLiteral("15"));
                       SetText(d, "companyName", QStringLiteral("A$$B"));
                       QCOMPARE(Find<QLineEdit>(d, "companyName")->text(), QStringLiteral("A$B"));
                       QCOMPARE(QToolTip::text(), QStringLiteral("使用できない文字です: $$"));
                       Find<QPushButton>(d, "ok")->click();
                       QVERIFY(!d.isVisible());
                   });
        QCOMPARE(ws.settings.initialVolumeV0, 540.0);
        QCOMPARE(ws.settings.tableTopMargin, 15);
        Settings reread;
        RecordedMessages quiet;
        LoadSettings(reread, false, quiet);
        QCOMPARE(reread.initialVolumeV0, 540.0);
        QCOMPARE(reread.defaultCompanyName, std::string("A$B"));
    }

    // A font chosen for the title role is the title's font on the page.
    void aFontShowsOnThePage() {
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        p.app->view().SetFontChooser([](const FontSetting& preset, SettingRange, QWidget*) {
            FontSetting chosen = preset;
            chosen.face = "DejaVu Sans";
            chosen.size = 20;
            chosen.colour = 0x0000C0;
            return std::optional<FontSetting>(chosen);
        });
        WithDialog([&] { p.app->view().OnFontSettings(); },
                   [&](QDialog& d) {
                       Find<QPushButton>(d, "role1")->click();
                       QCOMPARE(Find<QLineEdit>(d, "size1")->text(),
                                QStringLiteral(" 20     (20.0)"));
                       Screenshot(d, "fonts");
                       Find<QPushButton>(d, "ok")->click();
                   });
        QCOMPARE(ws.settings.font(FontRole::title).face, std::string("DejaVu Sans"));
        QVERIFY(PageOps(ws, 1).find("font \"DejaVu Sans\"") != std::string::npos);
        PageShot(ws, 1, "page-after-font");
    }

    // The font chooser reaches every size its role allows and no more, and
    // takes a size typed in full-width digits.
    void theFontChooserKeepsToTheRolesSizes() {
        Program p;
        const FontSetting preset = DefaultFont(FontRole::title);
        std::optional<FontSetting> chosen;
        WithDialog(
            [&] { chosen = ChooseFontInDialog(preset, FontSizeRange(FontRole::title), nullptr); },
            [&](QDialog& d) {
                auto* size = Find<QDoubleSpinBox>(d, "size");
                QCOMPARE(size->maximum(), 400.0);
                QVERIFY(size->minimum() > 1.0);
                size->setFocus();
                size->selectAll();
                QInputMethodEvent typed;
                typed.setCommitString(QStringLiteral("３５０"));
                QApplication::sendEvent(size->findChild<QLineEdit*>(), &typed);
                Find<QPushButton>(d, "ok")->click();
            });
        QVERIFY(chosen);
        QCOMPARE(chosen->size, 350.0);
        WithDialog(
            [&] { ChooseFontInDialog(preset, FontSizeRange(FontRole::table), nullptr); },
            [&](QDialog& d) { QCOMPARE(Find<QDoubleSpinBox>(d, "size")->maximum(), 100.0); });
    }

    // A font file that cannot be written (a folder stands in its place): OK
    // says so and the dialog stays; the settings and the folder stay, and
    // no Undo is offered that would remove it.
    void aFontFileThatCannotBeWrittenIsSaid() {
        Program p;
        Workspace& ws = p.app->ws();
        const std::string font3 = FontFilePath(ws.settings, FontRole::table);
        const std::string kept = test::ReadBytes(font3);
        QVERIFY(QFile::remove(FromPath(font3)));
        QVERIFY(QDir().mkdir(FromPath(font3)));
        const Settings before = ws.settings;
        WithDialog([&] { p.app->view().OnFontSettings(); },
                   [&](QDialog& d) {
                       Find<QPushButton>(d, "standard")->click();
                       Find<QPushButton>(d, "ok")->click();
                       QVERIFY(d.isVisible());
                       Find<QPushButton>(d, "cancel")->click();
                   });
        QCOMPARE(p.messages.shown.back(),
                 "設定ファイルを読めないため、変更を保存しません（元に戻せなくなるため）\n( " +
                     font3 + " )");
        QVERIFY(ws.settings == before);
        QVERIFY(!p.app->frame().action(Command::editUndo)->isEnabled());
        QVERIFY(QFileInfo(FromPath(font3)).isDir());
        QVERIFY(QDir().rmdir(FromPath(font3)));
        test::WriteBytes(font3, kept);
    }

    // A footer prefix "(" prints the page number as "(1)".
    void theFooterShowsOnThePage() {
        Program p({Example("test.kdw")});
        Workspace& ws = p.app->ws();
        WithDialog([&] { p.app->view().OnTestPage(); },
                   [&](QDialog& d) {
                       QCOMPARE(d.windowTitle(), QStringLiteral("カルネア ページ設定"));
                       auto* prefix = Find<QComboBox>(d, "graphPrefix");
                       prefix->setFocus();
                       prefix->setEditText(QStringLiteral("("));
                       Find<QLineEdit>(d, "graphNumber")->setFocus();
                       SetText(d, "graphNumber", QStringLiteral("7"));
                       Find<QComboBox>(d, "graphSuffix")->setFocus();
                       QCOMPARE(Find<QLineEdit>(d, "graphPreview")->text(), QStringLiteral("(7)"));
                       Screenshot(d, "page");
                       Find<QPushButton>(d, "ok")->click();
                   });
        QCOMPARE(ws.test.testHeader[header::graphPagePrefix], std::string("("));
        QVERIFY(PageOps(ws, 1).find("\"(7)\"") != std::string::npos);
        QVERIFY(p.app->doc().isModified());
        PageShot(ws, 1, "page-after-footer");
    }

    // The line dialog's modes, and the key dialog's choice saved.
    void linesAndKeys() {
        Program p;
        Workspace& ws = p.app->ws();
        WithDialog([&] { p.app->view().OnLineSettings(); },
                   [&](QDialog& d) {
                       Find<QRadioButton>(d, "monoMode")->click();
                       QVERIFY(Find<QLineEdit>(d, "gapLength")->isEnabled());
                       Find<QPushButton>(d, "standard")->click();
                       QCOMPARE(Find<QLineEdit>(d, "a")->text(), QStringLiteral("0.00002"));
                       QCOMPARE(Find<QLineEdit>(d, "gapLength")->text(), QStringLiteral("0"));
                       QVERIFY(!Find<QLineEdit>(d, "gapLength")->isEnabled());
                       Screenshot(d, "lines");
                       Find<QPushButton>(d, "ok")->click();
                   });
        QCOMPARE(ws.settings.compressionA, 0.00002);
        QCOMPARE(ws.settings.graphLeftMargin, 25);
        WithDialog([&] { p.app->view().OnKeySettings(); },
                   [&](QDialog& d) {
                       Find<QRadioButton>(d, "nextEnter")->click();
                       Screenshot(d, "keys");
                       Find<QPushButton>(d, "ok")->click();
                   });
        QCOMPARE(ws.settings.enterKeyMode, 1);
        Settings reread;
        RecordedMessages quiet;
        LoadSettings(reread, false, quiet);
        QCOMPARE(reread.enterKeyMode, 1);
    }

    // The set-up moves the installation; the settings are read from there.
    void setupMovesTheInstallation() {
        QTemporaryDir base;
        const QByteArray home = qgetenv("KARNEA_HOME");
        qputenv("KARNEA_HOME", base.path().toLocal8Bit());
        {
            Program p;
            Workspace& ws = p.app->ws();
            const QString moved = base.filePath(QStringLiteral("elsewhere/karnea"));
            WithDialog([&] { p.app->view().OnSetup(); },
                       [&](QDialog& d) {
                           QCOMPARE(d.windowTitle(), QStringLiteral("セットアップ"));
                           QFile plain(base.filePath(QStringLiteral("plain")));
                           QVERIFY(plain.open(QIODevice::WriteOnly));
                           plain.close();
                           SetText(d, "folder", base.filePath(QStringLiteral("plain/karnea")));
                           Find<QPushButton>(d, "ok")->click();
                           QVERIFY(d.isVisible());
                           QCOMPARE(p.messages.shown.back(),
                                    std::string("フォルダ名またはドライブ名が異常です"));
                           SetText(d, "folder", moved);
                           Screenshot(d, "setup");
                           Find<QPushButton>(d, "ok")->click();
                       });
            QCOMPARE(QString::fromStdString(ws.settings.settingsFolder), moved);
            QVERIFY(QFile::exists(moved + QStringLiteral("/Sys.ndx")));
            Settings next;
            RecordedMessages quiet;
            LoadSettings(next, false, quiet);
            QCOMPARE(QString::fromStdString(next.settingsFolder), moved);
        }
        qputenv("KARNEA_HOME", home);
    }
};

QTEST_MAIN(SettingsDialogsTest)
#include "settings_dialogs_test.moc"
