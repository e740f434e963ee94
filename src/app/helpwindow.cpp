#include "app/helpwindow.h"

#include <QDesktopServices>
#include <QFile>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "base/diskfile.h"
#include "base/encoding.h"
#include "base/messages.h"
#include "dialogs/guiservices.h"
#include "render/qpaintersurface.h"
#include "settings/settings.h"

namespace karnea {
namespace {

// Plain editors tried after the desktop's own handler, in this order.
const char* const kEditors[] = {
    "gnome-text-editor", "gedit",  "kate", "kwrite", "mousepad", "xed", "pluma",
    "featherpad",        "leafpad"};

// The most of the help text shown: lines, and bytes of a line.
constexpr std::size_t kHelpLines = 20000;
constexpr std::size_t kHelpLineBytes = 1000;

}  // namespace

CHelpDlg::CHelpDlg(const Settings& settings, Messages& messages, QWidget* parent)
    : QDialog(parent),
      path_(FromPath(HelpTextPath(settings))),
      folder_(FromPath(settings.settingsFolder)),
      messages_(messages) {
    setWindowTitle(QStringLiteral("操作＆ヘルプ"));
    setModal(true);
    list_ = new QListWidget(this);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(ResolveFontFamily(Sjis("ＭＳ ゴシック")));
    font.setPointSize(10);
    list_->setFont(font);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* print = new QPushButton(QStringLiteral("開いて印刷"), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(print, &QPushButton::clicked, this, [this] { OpenAndPrint(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(print);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    resize(720, 520);

    // A line is shown as far as the window can show it, and the list ends
    // where no one reads on, whatever the file holds.
    const auto lines = ReadTextLines(ToPath(path_), kHelpLines, kHelpLineBytes + 1);
    if (!lines) {
        messages_.Show(FormatMessage(msg::fileNotFound, ToPath(path_)));
        return;
    }
    for (const std::string& line : *lines) {
        list_->addItem(QString::fromStdString(
            Cp932ToUtf8(Sjis("　") + std::string(CutCp932(line, kHelpLineBytes)))));
    }
}

bool CHelpDlg::OpenAndPrint() {
    if (QFile::exists(path_) && QDesktopServices::openUrl(QUrl::fromLocalFile(path_))) {
        return true;
    }
    for (const char* editor : kEditors) {
        if (QProcess::startDetached(QString::fromLatin1(editor), {path_}, folder_)) {
            return true;
        }
    }
    messages_.Show(msg::cannotRun);
    return false;
}

}  // namespace karnea
