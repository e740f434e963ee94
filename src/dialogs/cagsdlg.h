// "AGS出力": who receives the file, and whether the Japanese texts are also
// kept as they are written, before the AGS export writes it.
#pragma once

#include <QDialog>

#include "document/agsfile.h"

namespace karnea {

class CAgsDlg : public QDialog {
    Q_OBJECT

public:
    // `options` must outlive the dialog; OK leaves the boxes in it.
    CAgsDlg(AgsOptions& options, QWidget* parent);
};

}  // namespace karnea
