// Printing through a real print queue, driven through the print dialog and
// the preview. tools/print_test.sh sets up the queue, runs each case by name
// and checks the PDF that arrives; without that queue the cases are skipped.
#include <QCheckBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "app/extensions.h"
#include "gui/program.h"
#include "view/cpreviewdlg.h"
#include "view/ctavview.h"

namespace karnea::test {
namespace {

// Runs `act` on the print dialog once it is the active modal window.
void WhenPrintDialogOpens(const std::function<void(QDialog&)>& act) {
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        act(*dialog);
    });
    poll->start();
}

// Sets the copies, collation and order of the print dialog and prints.
void PrintWith(QDialog& d, int copies, bool collate, bool reverse) {
    QVERIFY(Find<QRadioButton>(d, "printAll")->isChecked());
    Find<QSpinBox>(d, "copies")->setValue(copies);
    Find<QCheckBox>(d, "collate")->setChecked(collate);
    Find<QCheckBox>(d, "reverse")->setChecked(reverse);
    d.accept();
}

}  // namespace

class PrintQueueTest : public QObject {
    Q_OBJECT
    QTemporaryDir home_;

private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("KARNEA_PRINT_QUEUE")) {
            QSKIP("run by tools/print_test.sh, which sets up the print queue");
        }
        UseStandardSettingsIn(home_);
    }

    // Two collated copies, last page first: pages 2 1 2 1.
    void collatedCopiesLastPageFirst() {
        Program p({Example("test.kdw")});
        QVERIFY(p.started);
        WhenPrintDialogOpens([](QDialog& d) { PrintWith(d, 2, true, true); });
        p.app->OnFilePrint();
        QVERIFY(p.messages.shown.empty());
    }

    // Two copies not collated: pages 1 1 2 2.
    void uncollatedCopies() {
        Program p({Example("test.kdw")});
        QVERIFY(p.started);
        WhenPrintDialogOpens([](QDialog& d) { PrintWith(d, 2, false, false); });
        p.app->OnFilePrint();
        QVERIFY(p.messages.shown.empty());
    }

    // The preview shows every page; its print button prints them: pages 1 2.
    void printFromThePreview() {
        Program p({Example("calibration.kcw")});
        QVERIFY(p.started);
        const int pages = p.app->view().PageCount();
        WithDialog([&] { p.app->OnFilePrintPreview(); },
                   [&](QDialog& preview) {
                       QCOMPARE(qobject_cast<CPreviewDlg*>(&preview)->PageCount(), pages);
                       Screenshot(preview, "print-preview");
                       WhenPrintDialogOpens([](QDialog& d) { PrintWith(d, 1, false, false); });
                       Find<QPushButton>(preview, "print")->click();
                   });
        QVERIFY(p.messages.shown.empty());
    }

    // The depth profile of the example campaign, printed from its preview.
    void depthProfileFromThePreview() {
        Program p({Example("test.kdw")});
        QVERIFY(p.started);
        p.chooser.answers = {Example("campaign")};
        WithDialog([&] { p.app->extensions().OnDepthProfile(p.app->printer()); },
                   [&](QDialog& preview) {
                       WhenPrintDialogOpens([](QDialog& d) { PrintWith(d, 1, false, false); });
                       Find<QPushButton>(preview, "print")->click();
                   });
        QVERIFY(p.messages.shown.empty());
    }
};

}  // namespace karnea::test

QTEST_MAIN(karnea::test::PrintQueueTest)
#include "print_queue_test.moc"
