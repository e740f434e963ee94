// The floor of the PDF measurement: draws the pages of a list of drawing
// operations into a PDF on A4 at the resolution given, with no logic, and
// writes it.
//   karnea-pdf-floor OPS OUT.pdf [DPI]
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <cstdlib>

#include "opsplayer.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QGuiApplication app(argc, argv);
    const QStringList ops = karnea::bench::ReadOps(QString::fromLocal8Bit(argv[1]));
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::WriteOnly)) {
        return 1;
    }
    QPdfWriter writer(&file);
    writer.setResolution(argc > 3 ? std::atoi(argv[3]) : 600);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter(&writer);
    painter.setRenderHint(QPainter::Antialiasing);
    karnea::bench::PlayOps(painter, ops, [&] { writer.newPage(); });
    painter.end();
    return 0;
}
