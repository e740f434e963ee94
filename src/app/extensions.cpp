#include "app/extensions.h"

#include <QDate>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

#include "app/ctavdoc.h"
#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "dialogs/backgroundwork.h"
#include "dialogs/cagsdlg.h"
#include "dialogs/cqualitydlg.h"
#include "dialogs/guiservices.h"
#include "document/agsfile.h"
#include "document/campaign.h"
#include "document/documentfile.h"
#include "document/workspace.h"
#include "view/cpreviewdlg.h"
#include "view/ctavview.h"

namespace karnea {
namespace {

std::string Today() {
    return QDate::currentDate().toString(Qt::ISODate).toStdString();
}

}  // namespace

std::optional<Campaign> Extensions::ChooseTests(QString& folder) {
    if (lastFolder_.isEmpty() && !doc_.pathName().isEmpty()) {
        lastFolder_ = QFileInfo(doc_.pathName()).absolutePath();
    }
    const std::optional<QString> chosen = chooser_.ChooseFolder(lastFolder_);
    if (!chosen) {
        return std::nullopt;
    }
    lastFolder_ = folder = *chosen;
    // Read on a thread of its own, with a box that shows how far it is.
    Campaign campaign;
    const std::string path = ToPath(folder);
    const Workspace& started = ws_;
    if (!RunInBackground(view_.window(), QStringLiteral("試験を読んでいます"), progressDelay_,
                         [&](const WorkProgress& progress) {
                             campaign = ReadCampaign(CampaignFiles({path}), started, progress);
                         })) {
        return std::nullopt;
    }
    // The box lists as many as fit on a screen, and says how many more.
    constexpr std::size_t kListed = 20;
    std::string skipped;
    for (std::size_t i = 0; i < campaign.skipped.size() && i < kListed; ++i) {
        const SkippedFile& f = campaign.skipped[i];
        skipped +=
            (skipped.empty() ? "" : "\n") +
            FormatMessage(msg::fileSkipped, Cp932ToUtf8(f.fileName) + ": " + Cp932ToUtf8(f.reason));
    }
    if (campaign.skipped.size() > kListed) {
        skipped += "\n" + FormatMessage(msg::moreSkipped,
                                        std::to_string(campaign.skipped.size() - kListed));
    }
    if (!skipped.empty()) {
        messages_.Show(skipped);
    }
    if (campaign.tests.empty()) {
        messages_.Show(msg::noTestRead);
        return std::nullopt;
    }
    return campaign;
}

void Extensions::OnDepthProfile(QPrinter& printer) {
    QString folder;
    const std::optional<Campaign> tests = ChooseTests(folder);
    if (!tests) {
        return;
    }
    const Campaign& campaign = *tests;
    int copies = 1;
    const PageDrawing draw = [&](PageTarget& target) {
        for (int copy = 0; copy < copies; ++copy) {
            if (!DrawCampaign(campaign, ws_.settings, target, messages_)) {
                return false;
            }
        }
        return true;
    };
    view_.MeasurePrinterPaper();
    CPreviewDlg preview(
        printer, [&](QPrinter* target) { view_.PrintDrawing(*target, draw, false, QString()); }, 1,
        view_.window());
    preview.setWindowTitle(QStringLiteral("深度分布図 - ") + folder);
    preview.exec();
    if (!preview.PrintRequested()) {
        return;
    }
    QPrintDialog dialog(&printer, view_.window());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    // Copies the print system does not make are drawn here.
    copies = printer.supportsMultipleCopies() ? 1 : printer.copyCount();
    view_.PrintDrawing(printer, draw, true, QStringLiteral("深度分布図"));
}

void Extensions::OnAgsExport() {
    QString folder;
    const std::optional<Campaign> campaign = ChooseTests(folder);
    if (!campaign) {
        return;
    }
    const std::optional<QString> path = chooser_.ChooseSave(
        folder + QStringLiteral("/") + QFileInfo(folder).fileName() + QStringLiteral(".ags"),
        QStringLiteral("AGS ﾌｧｲﾙ (*.ags)|*.ags|すべてのﾌｧｲﾙ (*.*)|*.*||"));
    if (!path || !MayExportTo(ToPath(*path), messages_)) {
        return;
    }
    CAgsDlg dialog(agsOptions_, view_.window());
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    AgsFile file;
    const std::string today = Today();
    if (!RunInBackground(
            view_.window(), QStringLiteral("AGS ファイルを作っています"), progressDelay_,
            [&](const WorkProgress&) { file = WriteAgsFile(*campaign, today, agsOptions_); })) {
        return;
    }
    if (!file.romaji) {
        messages_.Show(msg::noRomaji);
    }
    if (!ReplaceFile(ToPath(*path), file.bytes)) {
        messages_.Show(msg::cannotSave);
    }
}

void Extensions::OnQualityCheck() {
    if (ws_.documentKind != DocumentKind::test) {
        messages_.Show(msg::qualityNeedsTest);
        return;
    }
    CQualityDlg dialog(ws_.test, ws_.settings, view_.window());
    dialog.exec();
}

}  // namespace karnea
