// The base of the dialogs over a model: OK runs the dialog's own last steps
// (boxes written into the model), then whatever the dialog was given to do
// on OK, which may refuse and keep the dialog open. The dialogs start with
// their model's checks; the page view gives them the whole edit path.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "entry/entrytexts.h"

namespace karnea {

class Messages;

class CEditDlg : public QDialog {
    Q_OBJECT

public:
    using Ok = std::function<std::optional<Refusal>()>;
    explicit CEditDlg(QWidget* parent) : QDialog(parent) {}

    // What OK does; a refusal's message is said through `messages` and the
    // box it names takes the focus (a refusal without a message just keeps
    // the dialog open).
    void SetOk(Ok ok, Messages& messages) {
        ok_ = std::move(ok);
        messages_ = &messages;
    }

    void accept() override;

protected:
    // The dialog's own steps before OK is asked.
    virtual void BeforeOk() {}

private:
    Ok ok_;
    Messages* messages_ = nullptr;
};

}  // namespace karnea
