#include "app/extensions.h"

#include <QDate>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>

#include "app/ctavdoc.h"
#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "base/orderedwork.h"
#include "base/system.h"
#include "base/textfields.h"
#include "base/version.h"
#include "delivery/boringdelivery.h"
#include "delivery/delivery.h"
#include "delivery/deliverycheck.h"
#include "delivery/deliverymodel.h"
#include "dialogs/backgroundwork.h"
#include "dialogs/cagsdlg.h"
#include "dialogs/cdeliverycheckdlg.h"
#include "dialogs/cdeliverydlg.h"
#include "dialogs/cqualitydlg.h"
#include "dialogs/guiservices.h"
#include "document/agsfile.h"
#include "document/campaign.h"
#include "document/documentfile.h"
#include "document/workbook.h"
#include "document/workspace.h"
#include "pages/pagerecording.h"
#include "render/pageexport.h"
#include "view/cpreviewdlg.h"
#include "view/ctavview.h"

namespace karnea {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Today() {
    return QDate::currentDate().toString(Qt::ISODate).toStdString();
}

}  // namespace

std::optional<Campaign> Extensions::ChooseTests(QString& folder) {
    if (lastFolder_.isEmpty() && !doc_.pathName().isEmpty()) {
        lastFolder_ = QFileInfo(doc_.pathName()).absolutePath();
    }
    const std::optional<QString> chosen =
        chooser_.ChooseFolder(lastFolder_, QStringLiteral("試験データのフォルダ"));
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
                             campaign = ReadCampaign(CampaignFiles({path}), started, progress,
                                                     false, DefaultJobs());
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

std::optional<PageRecording> Extensions::DrawReport(const Campaign& campaign,
                                                    const QPrinter& printer) {
    std::optional<PageRecording> report;
    KeptMessages said;
    const Settings& settings = ws_.settings;
    const int dpiX = printer.logicalDpiX();
    const int dpiY = printer.logicalDpiY();
    if (!RunInBackground(view_.window(), QStringLiteral("ページを描いています"), progressDelay_,
                         [&](const WorkProgress& progress) {
                             report = RecordCampaign(campaign, settings, dpiX, dpiY, DefaultJobs(),
                                                     progress, said);
                         }) ||
        !report) {
        return std::nullopt;
    }
    // What the drawing said, each once, in one box.
    std::string text;
    for (std::size_t i = 0; i < said.shown.size(); ++i) {
        const auto before = said.shown.begin() + static_cast<std::ptrdiff_t>(i);
        if (std::find(said.shown.begin(), before, said.shown[i]) == before) {
            text += (text.empty() ? "" : "\n") + said.shown[i];
        }
    }
    if (!text.empty()) {
        messages_.Show(text);
    }
    return report;
}

void Extensions::OnDepthProfile(QPrinter& printer) {
    QString folder;
    const std::optional<Campaign> tests = ChooseTests(folder);
    if (!tests) {
        return;
    }
    view_.MeasurePrinterPaper();
    std::optional<PageRecording> report = DrawReport(*tests, printer);
    if (!report) {
        return;
    }
    CPreviewDlg preview(printer, *report, 1, view_.window());
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
    // Another printer may print at another resolution.
    if (printer.logicalDpiX() != report->DpiX() || printer.logicalDpiY() != report->DpiY()) {
        report = DrawReport(*tests, printer);
        if (!report) {
            return;
        }
    }
    // Copies the print system does not make are drawn here.
    const int copies = printer.supportsMultipleCopies() ? 1 : printer.copyCount();
    view_.PrintDrawing(
        printer,
        [&](PageTarget& target) {
            for (int copy = 0; copy < copies; ++copy) {
                if (!report->Replay(target)) {
                    return false;
                }
            }
            return true;
        },
        true, QStringLiteral("深度分布図"));
}

std::optional<QString> Extensions::ChooseExport(const QString& folder, const QString& extension,
                                                const QString& filter) {
    const std::optional<QString> path = chooser_.ChooseSave(
        folder + QStringLiteral("/") + QFileInfo(folder).fileName() + extension, filter);
    if (!path || !MayExportTo(ToPath(*path), messages_)) {
        return std::nullopt;
    }
    return path;
}

void Extensions::OnAgsExport() {
    QString folder;
    const std::optional<Campaign> campaign = ChooseTests(folder);
    if (!campaign) {
        return;
    }
    const std::optional<QString> path =
        ChooseExport(folder, QStringLiteral(".ags"),
                     QStringLiteral("AGS ファイル (*.ags)|*.ags|すべてのファイル (*.*)|*.*||"));
    if (!path) {
        return;
    }
    CAgsDlg dialog(agsOptions_, view_.window());
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    AgsFile file;
    const std::string today = Today();
    // Cancel ends the romaji program, which is where the time goes.
    if (!RunInBackground(view_.window(), QStringLiteral("AGS ファイルを作っています"),
                         progressDelay_, [&](const WorkProgress& progress) {
                             file = WriteAgsFile(*campaign, today, agsOptions_,
                                                 [&] { return !progress(0, 0); });
                         })) {
        return;
    }
    if (const std::optional<std::string> said = RomajiMessage(file)) {
        messages_.Show(*said);
    }
    if (!ReplaceFile(ToPath(*path), file.bytes)) {
        messages_.Show(CannotSaveMessage(ToPath(*path), file.bytes.size()));
        return;
    }
    messages_.Show(FormatMessage(msg::exportWritten, PathShown(*path)));
}

void Extensions::OnXlsxExport() {
    QString folder;
    const std::optional<Campaign> campaign = ChooseTests(folder);
    if (!campaign) {
        return;
    }
    const std::optional<QString> path =
        ChooseExport(folder, QStringLiteral(".xlsx"),
                     QStringLiteral("Excel ブック (*.xlsx)|*.xlsx|すべてのファイル (*.*)|*.*||"));
    if (!path) {
        return;
    }
    bool written = false;
    const std::string output = ToPath(*path);
    const Settings& settings = ws_.settings;
    KeptMessages said;
    // The tests delivered last into a boring delivery: the values to type
    // into its boring logs on a sheet of their own.
    std::vector<TextSheet> more;
    if (folder == lastDeliveryTests_ && !lastDeliveryFolder_.isEmpty()) {
        const std::string boring = ToPath(lastDeliveryFolder_) + "/BORING";
        if (QFileInfo::exists(FromPath(boring + "/BORING.XML"))) {
            more.push_back(ToTypeSheet(CheckResultsAgainstLogs(boring, boring)));
        }
    }
    if (!RunInBackground(view_.window(), QStringLiteral("Excel のブックを作っています"),
                         progressDelay_, [&](const WorkProgress&) {
                             written = WriteWorkbook(*campaign, settings, output, said, more);
                         })) {
        return;
    }
    said.SayAgain(messages_);
    messages_.Show(written ? FormatMessage(msg::exportWritten, PathShown(*path))
                           : CannotSaveMessage(output));
}

void Extensions::OnDelivery() {
    QString folder;
    const std::optional<Campaign> campaign = ChooseTests(folder);
    if (!campaign) {
        return;
    }
    // The site sheet beside the tests: what it holds is edited, and kept
    // there for the next delivery.
    const std::string sitePath = ToPath(folder + QStringLiteral("/") + Q(kSiteSheetName));
    std::string unreadable;
    const std::optional<std::string> siteText = ReadSiteSheetFile(sitePath, unreadable);
    if (!unreadable.empty()) {
        // Not written over either: it may be what the user keeps there.
        messages_.Show(FormatMessage(msg::siteSheetUnreadable, sitePath, unreadable));
        return;
    }
    std::vector<std::string> problems;
    const SiteSheet read = siteText ? ReadSiteSheet(*siteText, problems) : SiteSheet{};
    if (!problems.empty()) {
        messages_.Show(JoinedLines(problems));
    }
    // The output folder first: the boring delivery already there gives
    // the borings' positions, which the dialog then shows as taken.
    const std::optional<QString> out =
        chooser_.ChooseFolder(lastDeliveryFolder_.isEmpty() ? folder : lastDeliveryFolder_,
                              QStringLiteral("電子納品の出力先フォルダ"));
    if (!out) {
        return;
    }
    lastDeliveryFolder_ = *out;
    lastDeliveryTests_ = folder;
    const std::string output = ToPath(*out);
    std::vector<std::string> boringProblems;
    std::optional<BoringDelivery> borings = ReadBoringDelivery(output + "/BORING", boringProblems);
    if (!boringProblems.empty()) {
        messages_.Show(JoinedLines(boringProblems));
        return;
    }
    std::vector<std::string> notes = borings ? borings->notes : std::vector<std::string>();
    DeliveryModel model(*campaign, read, std::move(borings));
    // Where the sheet is kept: beside the tests, elsewhere when that folder
    // cannot be written, or nowhere when the user goes on without it.
    std::optional<std::string> keptAt = sitePath;
    const auto keep = [&] {
        if (siteText && model.sheet == read) {
            return true;
        }
        while (keptAt && !ReplaceFile(*keptAt, WriteSiteSheet(model.sheet))) {
            const std::string why = WhyNotWritten(PathText(PathOf(*keptAt).parent_path()), 1);
            switch (messages_.AskYesNoCancel(FormatMessage(msg::siteSheetNotSaved, *keptAt, why))) {
                case Messages::Answer::yes:
                    keptAt.reset();  // delivered without keeping the sheet
                    break;
                case Messages::Answer::no: {
                    const std::optional<QString> elsewhere = chooser_.ChooseSave(
                        FromPath(*keptAt), QStringLiteral("現場シート (*.ini)|*.ini||"));
                    if (!elsewhere) {
                        return false;
                    }
                    keptAt = ToPath(*elsewhere);
                    break;
                }
                case Messages::Answer::cancel:
                    return false;
            }
        }
        return true;
    };
    CDeliveryDlg dialog(model, messages_, keep, view_.window());
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    std::vector<std::string> contradicted;  // none: OK is refused while there are
    const SiteSheet sheet = model.Completed(contradicted);
    // Each test's pages are drawn on the worker; Cancel stops before the
    // files are written, which leaves the folder as it was.
    DeliveryResult result;
    KeptMessages said;
    said.shown = std::move(notes);
    const std::string software = "karnea " + std::string(ProgramVersion());
    RunInBackground(view_.window(), QStringLiteral("電子納品を作っています"), progressDelay_,
                    [&](const WorkProgress& progress) {
                        const TestPdf pdf = [](const CampaignTest& test, Messages& drawing) {
                            return DocumentPdf(PagesOf(*test.ws), 600, drawing);
                        };
                        result = WriteDelivery(*campaign, sheet, output, software, pdf, said,
                                               progress, DefaultJobs(), StartQtThread);
                    });
    said.shown.push_back(result.written ? DeliverySummary(result) : std::string());
    // The results beside the boring logs, and what to type into them.
    if (result.written && !model.BoringNames().empty()) {
        const DeliveryCheck logs = CheckResultsAgainstLogs(output + "/BORING", output + "/BORING");
        for (const DeliveryFinding& f : logs.findings) {
            said.shown.push_back(FindingLine(f));
        }
        if (!logs.toType.empty()) {
            said.shown.emplace_back(msg::boringValuesToType);
            const std::vector<std::string> lines = ToTypeLines(logs);
            said.shown.insert(said.shown.end(), lines.begin(), lines.end());
        }
    }
    // The sheet records which test each data file became.
    if (result.written && keptAt) {
        RecordDelivered(model.sheet, result);
        if (!ReplaceFile(*keptAt, WriteSiteSheet(model.sheet))) {
            said.shown.push_back(FormatMessage(msg::siteSheetNotWritten, *keptAt));
        }
    }
    const std::string text = JoinedLines(said.shown);
    if (!text.empty()) {
        messages_.Show(text);
    }
}

void Extensions::OnDeliveryCheck() {
    const std::optional<QString> folder = chooser_.ChooseFolder(
        lastDeliveryFolder_, QStringLiteral("検査する電子納品のフォルダ (BORING のあるフォルダ)"));
    if (!folder) {
        return;
    }
    const std::string boring = BoringFolderOf(ToPath(*folder));
    if (!HoldsDelivery(boring)) {
        messages_.Show(FormatMessage(msg::deliveryCheckNotFolder, ToPath(*folder)));
        return;
    }
    DeliveryCheck check;
    if (!RunInBackground(view_.window(), QStringLiteral("電子納品を検査しています"), progressDelay_,
                         [&](const WorkProgress&) { check = CheckDelivery(boring); })) {
        return;
    }
    CDeliveryCheckDlg dialog(check, view_.window());
    dialog.exec();
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
