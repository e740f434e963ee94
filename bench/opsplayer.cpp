#include "opsplayer.h"

#include <QFile>
#include <QTextStream>

namespace karnea::bench {

QStringList ReadOps(const QString& path) {
    QStringList ops;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        QTextStream in(&file);
        while (!in.atEnd()) {
            ops << in.readLine();
        }
    }
    return ops;
}

}  // namespace karnea::bench
