// Qt's own dialogs (print, printer properties, page set-up) in Japanese:
// Qt's translation, and the texts of the print dialogs it leaves in English.
#pragma once

class QCoreApplication;

namespace karnea {

// Installs both into `app` for as long as it lives.
void InstallQtJapanese(QCoreApplication& app);

}  // namespace karnea
