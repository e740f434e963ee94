#include "app/recentfiles.h"

#include <QFileInfo>
#include <QSettings>

namespace karnea {
namespace {

QSettings Profile() {
    return QSettings(QStringLiteral("Local AppWizard-Generated Applications"),
                     QStringLiteral("Tav"));
}

bool SameFile(const QString& a, const QString& b) {
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

}  // namespace

void RecentFiles::Load() {
    QSettings profile = Profile();
    files_.clear();
    for (int i = 1; i <= size_; ++i) {
        const QString file =
            profile.value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
        if (!file.isEmpty()) {
            files_ << file;
        }
    }
    previewPages = profile.value(QStringLiteral("Settings/PreviewPages"), 1).toInt();
}

void RecentFiles::Save() const {
    QSettings profile = Profile();
    profile.remove(QStringLiteral("Recent File List"));
    for (int i = 0; i < files_.size(); ++i) {
        profile.setValue(QStringLiteral("Recent File List/File%1").arg(i + 1), files_[i]);
    }
    profile.setValue(QStringLiteral("Settings/PreviewPages"), previewPages);
}

void RecentFiles::Add(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (qsizetype i = 0; i < files_.size(); ++i) {
        if (SameFile(files_[i], absolute)) {
            files_.removeAt(i);
            break;
        }
    }
    files_.prepend(absolute);
    while (files_.size() > size_) {
        files_.removeLast();
    }
}

void RecentFiles::Remove(int index) {
    if (index >= 0 && index < files_.size()) {
        files_.removeAt(index);
    }
}

}  // namespace karnea
