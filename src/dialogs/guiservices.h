// What the desktop program asks of the user through the platform: message
// boxes and file dialogs. Tests put recording or scripted versions in their
// place.
#pragma once

#include <QString>
#include <optional>

#include "base/messages.h"

class QWidget;

namespace karnea {

// Message boxes with the platform's (Japanese) buttons.
class BoxMessages : public Messages {
public:
    explicit BoxMessages(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void Show(std::string_view text) override;
    bool AskYesNo(std::string_view text) override;
    bool AskYesNoDefaultNo(std::string_view text) override;
    Answer AskYesNoCancel(std::string_view text) override;

private:
    QWidget* parent_;
};

// The file dialogs of the file commands. Filters are in the program's
// "name|patterns|...||" form; the open dialog adds `defaultSuffix` to a name
// typed without extension.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual std::optional<QString> ChooseOpen(const QString& folder, const QString& filter,
                                              const QString& defaultSuffix) = 0;
    virtual std::optional<QString> ChooseSave(const QString& initial, const QString& filter) = 0;
    // A folder, the dialog titled by what it asks for.
    virtual std::optional<QString> ChooseFolder(const QString& initial, const QString& title) = 0;
};

class DialogFileChooser : public FileChooser {
public:
    explicit DialogFileChooser(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    std::optional<QString> ChooseOpen(const QString& folder, const QString& filter,
                                      const QString& defaultSuffix) override;
    std::optional<QString> ChooseSave(const QString& initial, const QString& filter) override;
    std::optional<QString> ChooseFolder(const QString& initial, const QString& title) override;

private:
    QWidget* parent_;
};

// "name|*.a;*.b|name2|*.c||" as Qt's "name (*.a *.b *.A *.B);;name2 (*.c *.C)":
// file names are case-sensitive here, and an extension in capitals is the
// same file type.
QString QtFileFilter(const QString& filter);

// A file system path as the core's byte string, and back. A name that is
// not valid UTF-8 comes back to its bytes when its folder holds one entry
// that shows as it does.
std::string ToPath(const QString& path);
QString FromPath(const std::string& path);
// A path as a message shows it (UTF-8, with the system's separators).
std::string PathShown(const QString& path);

}  // namespace karnea
