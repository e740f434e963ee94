#include "dialogs/guiservices.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>
#include <filesystem>

#include "base/system.h"

namespace karnea {
namespace {

const QString& Caption() {
    static const QString caption = QStringLiteral("Tav");
    return caption;
}

}  // namespace

void BoxMessages::Show(std::string_view text) {
    QMessageBox::information(parent_, Caption(),
                             QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                             QMessageBox::Ok);
}

bool BoxMessages::AskYesNo(std::string_view text) {
    return QMessageBox::question(
               parent_, Caption(),
               QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool BoxMessages::AskYesNoDefaultNo(std::string_view text) {
    return QMessageBox::question(
               parent_, Caption(),
               QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

Messages::Answer BoxMessages::AskYesNoCancel(std::string_view text) {
    switch (QMessageBox::question(
        parent_, Caption(), QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
        case QMessageBox::Yes:
            return Answer::yes;
        case QMessageBox::No:
            return Answer::no;
        default:
            return Answer::cancel;
    }
}

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break;
        }
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (p == QLatin1String("*.*")) {
                patterns << QStringLiteral("*");
                continue;
            }
            patterns << p;
            if (p.toUpper() != p) {
                patterns << p.toUpper();
            }
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<QString> DialogFileChooser::ChooseOpen(const QString& folder, const QString& filter,
                                                     const QString& defaultSuffix) {
    QFileDialog dialog(parent_, QString(), folder, QtFileFilter(filter));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> DialogFileChooser::ChooseSave(const QString& initial,
                                                     const QString& filter) {
    const QString path =
        QFileDialog::getSaveFileName(parent_, QString(), initial, QtFileFilter(filter), nullptr,
                                     QFileDialog::DontUseNativeDialog);
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

std::optional<QString> DialogFileChooser::ChooseFolder(const QString& initial,
                                                       const QString& title) {
    const QString path = QFileDialog::getExistingDirectory(
        parent_, title, initial, QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

std::string PathShown(const QString& path) {
    return QDir::toNativeSeparators(path).toStdString();
}

std::string ToPath(const QString& path) {
    // File names are kept as UTF-8 (on Linux, the bytes of the name).
    const std::string bytes = path.toStdString();
    std::error_code ec;
    if (!path.contains(QChar::ReplacementCharacter) || std::filesystem::exists(PathOf(bytes), ec)) {
        return bytes;
    }
    // A name that is not valid UTF-8 reaches Qt with U+FFFD in it and cannot
    // be turned back into its bytes: the one entry of its folder that shows
    // the same is the file meant. Two that show the same are left alone.
    const QFileInfo info(path);
    const std::string folder = ToPath(info.path());
    std::string found;
    for (const auto& entry : std::filesystem::directory_iterator(PathOf(folder), ec)) {
        const std::string name = PathText(entry.path().filename());
        if (FromPath(name) == info.fileName()) {
            if (!found.empty()) {
                return bytes;
            }
            found = PathText(PathOf(folder) / entry.path().filename());
        }
    }
    return found.empty() ? bytes : found;
}

QString FromPath(const std::string& path) {
    return QString::fromStdString(path);
}

}  // namespace karnea
