// The desktop program as the GUI tests start it: its own recorded messages
// and file dialogs that answer from a script.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <optional>

#include "app/ctavapp.h"
#include "app/guiservices.h"
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
    // The paths the dialogs return in turn; an empty one is Cancel.
    std::deque<QString> answers;
    QString openFolder, saveInitial, lastFilter, openSuffix;
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

}  // namespace karnea::test
