// The desktop program as the GUI tests start it: its own recorded messages
// and file dialogs that answer from a script.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "app/ctavapp.h"
#include "dialogs/guiservices.h"
#include "document/workspace.h"
#include "pages/opsrecorder.h"
#include "pages/pagecomposer.h"
#include "support/testsupport.h"

namespace karnea::test {

// Answers the file dialogs from a script, and remembers what they offered.
class ScriptedChooser : public FileChooser {
public:
    std::optional<QString> ChooseOpen(const QString& folder, const QString& filter,
                                      const QString& defaultSuffix) override {
        openFolder = folder;
        lastFilter = filter;
        openSuffix = defaultSuffix;
        return Next();
    }
    std::optional<QString> ChooseSave(const QString& initial, const QString& filter) override {
        saveInitial = initial;
        lastFilter = filter;
        ++saveDialogs;
        return Next();
    }
    std::optional<QString> ChooseFolder(const QString& initial, const QString& title) override {
        folderInitial = initial;
        folderTitles << title;
        return Next();
    }
    // The paths the dialogs return in turn; an empty one is Cancel.
    std::deque<QString> answers;
    QString openFolder, saveInitial, lastFilter, openSuffix, folderInitial;
    QStringList folderTitles;
    int saveDialogs = 0;

private:
    std::optional<QString> Next() {
        const QString answer = answers.empty() ? QString() : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        if (answer.isEmpty()) {
            return std::nullopt;
        }
        return answer;
    }
};

inline QString Example(const char* name) {
    return QStringLiteral(KARNEA_EXAMPLES_DIR "/") + QString::fromLatin1(name);
}

// The standard settings where the program looks for them: `home` becomes the
// base folder (KARNEA_HOME).
inline void UseStandardSettingsIn(const QTemporaryDir& home) {
    WriteStandardSettings(ToPath(home.path() + QStringLiteral("/VardoXQ/Kvar5")));
    qputenv("KARNEA_HOME", home.path().toLocal8Bit());
}

// A started program with its own recorded messages and scripted dialogs.
struct Program {
    RecordedMessages messages;
    ScriptedChooser chooser;
    std::unique_ptr<CTavApp> app;
    int exitCode = -1;
    bool started = false;
    explicit Program(const QStringList& args = {}) {
        app = std::make_unique<CTavApp>(messages, chooser);
        started = app->Start(args, exitCode);
    }
};

// Runs `act` on the modal dialog once it is open, while `open` (which runs
// the dialog) waits for it.
inline void WithDialog(const std::function<void()>& open,
                       const std::function<void(QDialog&)>& act) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        ran = true;
        act(*dialog);
        if (dialog->isVisible()) {
            dialog->done(QDialog::Rejected);
        }
    });
    open();
    QVERIFY(ran);
}

template <typename T>
T* Find(QDialog& d, const char* name) {
    T* w = d.findChild<T*>(QString::fromLatin1(name));
    if (w == nullptr) {
        qFatal("no widget %s", name);
    }
    return w;
}

// The drawing operations of a page of the open document.
inline std::string PageOps(const Workspace& ws, int page) {
    OpsRecorder ops(96, 96);
    RecordedMessages quiet;
    DrawPages(PagesOf(ws), {page}, ops, quiet);
    return ops.text();
}

// With KARNEA_SCREENSHOTS=DIR, saves a picture of the dialog there.
inline void Screenshot(QDialog& d, const char* name) {
    const QByteArray folder = qgetenv("KARNEA_SCREENSHOTS");
    if (!folder.isEmpty()) {
        d.grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') +
                      QString::fromLatin1(name) + QStringLiteral(".png"));
    }
}

}  // namespace karnea::test
