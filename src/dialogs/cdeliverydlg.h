// "電子納品出力": the site sheet of a delivery, edited before it is written —
// the rules followed, the client, and a page for each boring of the tests
// with its folder, position, codes (chosen with their meaning), elevation and
// hole diameter — and, below, what still stops the delivery.
#pragma once

#include "dialogs/ceditdlg.h"

#include "document/deliverymodel.h"

namespace karnea {

class Messages;

class CDeliveryDlg : public CEditDlg {
    Q_OBJECT

public:
    // `model` must outlive the dialog; the boxes write into its sheet as
    // they change, and OK is refused while anything stops the delivery.
    CDeliveryDlg(DeliveryModel& model, Messages& messages, QWidget* parent);
};

}  // namespace karnea
