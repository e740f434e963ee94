// The floor programs of the whole-process measurements draw pages from a
// list of drawing operations (as `karnea-cli render --format ops` writes
// them) with no logic at all: every font is IPA Mincho at the height given,
// every text is drawn at its point, every line and circle as it stands.
#pragma once

#include <QFont>
#include <QPainter>
#include <QPen>
#include <QStringList>
#include <algorithm>
#include <functional>

namespace karnea::bench {

// Draws `ops` with `painter`; `newPage` is called at every "page" line after
// the first.
inline void PlayOps(QPainter& painter, const QStringList& ops,
                    const std::function<void()>& newPage = {}) {
    bool firstPage = true;
    QColor colour = Qt::black;
    for (const QString& op : ops) {
        const QStringList f = op.split(QLatin1Char(' '));
        if (f.isEmpty()) {
            continue;
        }
        if (f[0] == QLatin1String("page")) {
            if (!firstPage && newPage) {
                newPage();
            }
            firstPage = false;
        } else if (f[0] == QLatin1String("font") && f.size() >= 4) {
            QFont font(QStringLiteral("IPAMincho"));
            font.setPixelSize(std::max(1, f[f.size() - 3].toInt()));
            painter.setFont(font);
            colour = QColor(f.back());
        } else if (f[0] == QLatin1String("text") && f.size() >= 4) {
            painter.setPen(colour);
            painter.drawText(QPoint(f[1].toInt(), f[2].toInt()),
                             op.section(QLatin1Char('"'), 1, 1));
        } else if (f[0] == QLatin1String("textbox") && f.size() >= 6) {
            painter.setPen(colour);
            painter.drawText(
                QRect(QPoint(f[1].toInt(), f[2].toInt()), QPoint(f[3].toInt(), f[4].toInt())),
                Qt::AlignCenter, op.section(QLatin1Char('"'), 1, 1));
        } else if (f[0] == QLatin1String("line") && f.size() >= 7) {
            painter.setPen(QPen(QColor(f[6]), f[5].toInt()));
            painter.drawLine(f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt());
        } else if (f[0] == QLatin1String("circle") && f.size() >= 6) {
            painter.setPen(QPen(QColor(f[5]), f[4].toInt()));
            painter.drawEllipse(QPoint(f[1].toInt(), f[2].toInt()), f[3].toInt(), f[3].toInt());
        }
    }
}

// The lines of a text file.
QStringList ReadOps(const QString& path);

}  // namespace karnea::bench
