// The floor of the start-up measurement: a Qt Widgets program that shows a
// main window and paints one page from a list of drawing operations (as
// `karnea-cli render --format ops` writes them), then quits.
#include <QApplication>
#include <QFile>
#include <QFont>
#include <QMainWindow>
#include <QPainter>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

namespace {

class PageWidget : public QWidget {
public:
    explicit PageWidget(QStringList ops) : ops_(std::move(ops)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setRenderHint(QPainter::Antialiasing);
        for (const QString& op : ops_) {
            const QStringList f = op.split(QLatin1Char(' '));
            if (f.isEmpty()) {
                continue;
            }
            if (f[0] == QLatin1String("font") && f.size() >= 4) {
                QFont font(QStringLiteral("IPAMincho"));
                font.setPixelSize(std::max(1, f[f.size() - 3].toInt()));
                painter.setFont(font);
            } else if (f[0] == QLatin1String("text") && f.size() >= 4) {
                painter.drawText(QPoint(f[1].toInt(), f[2].toInt()),
                                 op.section(QLatin1Char('"'), 1, 1));
            } else if (f[0] == QLatin1String("textbox") && f.size() >= 6) {
                painter.drawText(
                    QRect(QPoint(f[1].toInt(), f[2].toInt()), QPoint(f[3].toInt(), f[4].toInt())),
                    Qt::AlignCenter, op.section(QLatin1Char('"'), 1, 1));
            } else if (f[0] == QLatin1String("line") && f.size() >= 6) {
                painter.setPen(QPen(Qt::black, f[5].toInt()));
                painter.drawLine(f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt());
            } else if (f[0] == QLatin1String("circle") && f.size() >= 5) {
                painter.setPen(QPen(Qt::black, f[4].toInt()));
                painter.drawEllipse(QPoint(f[1].toInt(), f[2].toInt()), f[3].toInt(), f[3].toInt());
            }
        }
        if (!done_) {
            done_ = true;
            QTimer::singleShot(0, qApp, &QApplication::quit);
        }
    }

private:
    QStringList ops_;
    bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList ops;
    if (argc > 1) {
        QFile file(QString::fromLocal8Bit(argv[1]));
        if (file.open(QIODevice::ReadOnly)) {
            QTextStream in(&file);
            while (!in.atEnd()) {
                ops << in.readLine();
            }
        }
    }
    QMainWindow window;
    window.setCentralWidget(new PageWidget(ops));
    window.resize(1100, 800);
    window.show();
    return QApplication::exec();
}
