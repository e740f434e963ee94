// The recently used files and the preview page count, kept in the user's
// profile under the program's established section and key names.
#pragma once

#include <QStringList>

namespace karnea {

class RecentFiles {
public:
    explicit RecentFiles(int size = 4) : size_(size) {}

    void Load();
    void Save() const;

    // Puts `path` first; an entry already in the list moves up.
    void Add(const QString& path);
    void Remove(int index);
    const QStringList& files() const { return files_; }

    int previewPages = 1;

private:
    int size_;
    QStringList files_;
};

}  // namespace karnea
