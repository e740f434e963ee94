#include "dialogs/ceditdlg.h"

#include "dialogs/dialogsupport.h"

namespace karnea {

void CEditDlg::accept() {
    BeforeOk();
    if (ok_ && RefuseOk(*this, ok_(), *messages_)) {
        return;
    }
    QDialog::accept();
}

}  // namespace karnea
