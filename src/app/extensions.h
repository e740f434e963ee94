// The commands of the 拡張 menu: the depth profile of a folder of tests in
// the print preview, from which it prints; the AGS export and the electronic
// delivery and the Excel workbook of a folder of tests; the quality checks of
// the open test.
#pragma once

#include <QString>
#include <chrono>
#include <optional>

#include "document/agsfile.h"
#include "document/campaign.h"
#include "pages/pagerecording.h"

class QPrinter;
class QWidget;

namespace karnea {

struct Workspace;
class Messages;
class FileChooser;
class CTavView;
class CTavDoc;

class Extensions {
public:
    Extensions(const Workspace& ws, const CTavDoc& doc, CTavView& view, Messages& messages,
               FileChooser& chooser)
        : ws_(ws), doc_(doc), view_(view), messages_(messages), chooser_(chooser) {}

    // 拡張 › 深度分布図...: asks for a folder, shows its tests' report in the
    // preview (profiles, then each test's pages) and prints it from there.
    void OnDepthProfile(QPrinter& printer);
    // 拡張 › AGS出力...: asks for a folder and a file name, writes the file.
    void OnAgsExport();
    // 拡張 › Excel出力...: asks for a folder and a file name, writes the
    // workbook.
    void OnXlsxExport();
    // 拡張 › 電子納品出力...: asks for a folder, edits its site sheet, asks
    // where the delivery goes and writes it.
    void OnDelivery();
    void OnDeliveryCheck();
    // 拡張 › 品質チェック...: the checks of the open test.
    void OnQualityCheck();

    // How long reading and writing run before their progress box shows
    // (tests show it at once).
    void SetProgressDelay(std::chrono::milliseconds delay) { progressDelay_ = delay; }

private:
    // The tests of the folder the user picks (starting where the last pick
    // was, at first the open document's folder); the files skipped are said
    // in one message. Nothing when the user cancels or no test was read.
    std::optional<Campaign> ChooseTests(QString& folder);
    // The file an export of the folder's tests goes to (offered as the
    // folder's name with `extension`); nothing when the user cancels or the
    // name is a data file's.
    std::optional<QString> ChooseExport(const QString& folder, const QString& extension,
                                        const QString& filter);
    // The report's pages, drawn on a thread of its own at the printer's
    // resolution while a box counts them; what the drawing said is said
    // after it. Nothing when the user cancels.
    std::optional<PageRecording> DrawReport(const Campaign& campaign, const QPrinter& printer);

    const Workspace& ws_;
    const CTavDoc& doc_;
    CTavView& view_;
    Messages& messages_;
    FileChooser& chooser_;
    QString lastFolder_;
    QString lastDeliveryFolder_;
    QString lastDeliveryTests_;  // the tests' folder of the last delivery
    // The AGS export's choices, as the last export left them.
    AgsOptions agsOptions_;
    // How long work runs before its progress box shows.
    std::chrono::milliseconds progressDelay_{300};
};

}  // namespace karnea
