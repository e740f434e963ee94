// The floor of the start-up measurement: a Qt Widgets program that shows a
// main window and paints one page from a list of drawing operations, then
// quits.
//   karnea-floor-window OPS
#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <QWidget>

#include "opsplayer.h"

namespace {

class PageWidget : public QWidget {
public:
    explicit PageWidget(QStringList ops) : ops_(std::move(ops)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setRenderHint(QPainter::Antialiasing);
        karnea::bench::PlayOps(painter, ops_);
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
    QMainWindow window;
    window.setCentralWidget(new PageWidget(
        argc > 1 ? karnea::bench::ReadOps(QString::fromLocal8Bit(argv[1])) : QStringList()));
    window.resize(1100, 800);
    window.show();
    return QApplication::exec();
}
