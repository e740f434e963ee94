// "電子納品出力": the site sheet of a delivery, edited before it is written —
// the rules followed, the client, and a page for each boring of the tests
// with its folder, position, codes (chosen with their meaning), elevation and
// hole diameter — and, below, what still stops the delivery.
#pragma once

#include <functional>

#include "dialogs/ceditdlg.h"
#include "delivery/deliverymodel.h"

namespace karnea {

class Messages;

class CDeliveryDlg : public CEditDlg {
    Q_OBJECT

public:
    // What OK does once nothing stops the delivery: keeps the sheet, false
    // when the dialog is to stay open (what was typed stays with it).
    using Keep = std::function<bool()>;
    // `model` must outlive the dialog; the boxes write into its sheet as
    // they change, and OK is refused while anything stops the delivery.
    CDeliveryDlg(DeliveryModel& model, Messages& messages, Keep keep, QWidget* parent);
};

}  // namespace karnea
