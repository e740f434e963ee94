// The main window: menu bar, toolbar and status bar around the page view.
#pragma once

#include <QMainWindow>
#include <QUrl>
#include <map>

#include "app/commands.h"

class QAction;
class QMenu;
class QLabel;

namespace karnea {

class CTavApp;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(CTavApp& app);

    // The action of a command.
    QAction* action(Command command) const;
    QMenu* fileMenu() const { return fileMenu_; }
    QToolBar* toolBar() const { return toolBar_; }
    QLabel* idleText() const { return idle_; }

    // The recent-file entries of the file menu from the list.
    void UpdateRecentFiles();
    // "<title> - Nob".
    void UpdateTitle();
    // Files dropped on the window: the first local one opens as a recent
    // file would.
    void OpenDroppedFiles(const QList<QUrl>& urls);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* Add(QMenu* menu, Command command, const QString& caption, const QString& status);
    void BuildMenus();
    void ConnectCommands();
    // 元に戻す and やり直し: enabled when there is an edit to take back or make
    // again, and named after it.
    void UpdateEditCommands();
    void BuildToolBar();
    void BuildStatusBar();

    CTavApp& app_;
    std::map<Command, QAction*> actions_;
    QMenu* fileMenu_ = nullptr;
    QAction* recentPlaceholder_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    std::vector<QAction*> recentActions_;
    QToolBar* toolBar_ = nullptr;
    QLabel* idle_ = nullptr;
};

// The About box.
void ShowAboutBox(QWidget* parent);

}  // namespace karnea
