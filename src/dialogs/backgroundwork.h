// Work that may take long (reading a folder of tests, writing an export),
// run on a thread of its own while the window keeps answering: when it has
// not ended after a moment, a box shows how far it is, with ｷｬﾝｾﾙ.
#pragma once

#include <QString>
#include <chrono>
#include <cstddef>
#include <functional>

class QWidget;

namespace karnea {

// Told how far the work is (`done` of `total`); false when it is to stop.
using WorkProgress = std::function<bool(std::size_t done, std::size_t total)>;

// Runs `work` on a thread of its own; the box ("<caption> <done> / <total>",
// named "progress") shows after `delay`. The work must share nothing with
// the window while it runs. True when it ran to its end; false when the user
// cancelled (the work was told to stop, and has stopped).
bool RunInBackground(QWidget* parent, const QString& caption, std::chrono::milliseconds delay,
                     const std::function<void(const WorkProgress&)>& work);

}  // namespace karnea
