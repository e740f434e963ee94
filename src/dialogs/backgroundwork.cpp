#include "dialogs/backgroundwork.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <exception>
#include <memory>
#include <thread>

namespace karnea {

bool RunInBackground(QWidget* parent, const QString& caption, std::chrono::milliseconds delay,
                     const std::function<void(const WorkProgress&)>& work) {
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> total{0};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> finished{false};
    std::exception_ptr failure;
    // A thread of Qt's, since the work may draw with Qt (see StartQtThread).
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            work([&](std::size_t d, std::size_t t) {
                done = d;
                total = t;
                return !cancelled;
            });
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
    }));
    worker->start();
    // A short work ends before anything shows (and before any event runs).
    const auto until = std::chrono::steady_clock::now() + delay;
    while (!finished && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!finished) {
        QProgressDialog box(caption, QStringLiteral("ｷｬﾝｾﾙ"), 0, 0, parent);
        box.setObjectName(QStringLiteral("progress"));
        box.setWindowTitle(caption);
        box.setWindowModality(Qt::ApplicationModal);
        box.setMinimumDuration(0);
        box.setAutoClose(false);
        box.setAutoReset(false);
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(50);
        const auto update = [&] {
            if (finished) {
                loop.quit();
                return;
            }
            const std::size_t t = total;
            box.setMaximum(static_cast<int>(t));
            box.setValue(static_cast<int>(done));
            // Until the work knows how much there is, the box names it alone.
            box.setLabelText(t == 0 ? caption
                                    : QStringLiteral("%1  %2 / %3").arg(caption).arg(done).arg(t));
        };
        QObject::connect(&poll, &QTimer::timeout, &loop, update);
        update();
        QObject::connect(&box, &QProgressDialog::canceled, &loop, [&] {
            cancelled = true;
            box.setLabelText(QStringLiteral("%1  (中止しています)").arg(caption));
        });
        box.show();
        poll.start();
        loop.exec();
        // The program is ending (its event loops are told to): the work is
        // told to stop, as by Cancel, so that it ends at once.
        if (!finished) {
            cancelled = true;
        }
    }
    worker->wait();
    if (failure) {
        std::rethrow_exception(failure);
    }
    return !cancelled;
}

}  // namespace karnea
