#include "app/cmainframe.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyleOption>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>
#include <functional>
#include <vector>

#include "app/ctavapp.h"
#include "app/ctavdoc.h"
#include "app/extensions.h"
#include "app/recentfiles.h"
#include "base/version.h"
#include "document/workspace.h"
#include "view/ctavview.h"

namespace karnea {
namespace {

// Stands between the toolbar's groups of buttons.
constexpr Command kSeparator = static_cast<Command>(0);

QIcon Icon(const char* name) {
    return QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name)));
}

// The application's style, but for the menu bar's keys as Windows has them:
// Alt pressed and let go alone puts the keyboard on the menu bar, and the
// menu it is on shows the focus frame (a style that marks a menu only while
// it is open would show nothing).
class MenuBarKeys : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_MenuBar_AltKeyNavigation) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        QProxyStyle::drawControl(element, option, painter, widget);
        const State keyboard = State_Selected | State_HasFocus;
        if (element == CE_MenuBarItem && (option->state & keyboard) == keyboard &&
            (option->state & State_Sunken) == 0 && widget != nullptr && widget->hasFocus()) {
            QStyleOptionFocusRect frame;
            frame.QStyleOption::operator=(*option);
            frame.rect = option->rect.adjusted(1, 1, -1, -1);
            frame.state |= State_KeyboardFocusChange;
            frame.backgroundColor = option->palette.color(QPalette::Window);
            QProxyStyle::drawPrimitive(PE_FrameFocusRect, &frame, painter, widget);
        }
    }
};

}  // namespace

CMainFrame::CMainFrame(CTavApp& app) : app_(app) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
    const int width = static_cast<int>(std::trunc(area.width() * 0.86));
    const int height = static_cast<int>(std::trunc(area.height() * 0.8));
    resize(width, height);
    move(area.x() + (area.width() - width) / 2, area.y() + (area.height() - height) / 2);
    setWindowIcon(Icon("karnea"));
    setCentralWidget(&app_.view());
    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    setAcceptDrops(true);
    // Alt alone and F10 reach the menu bar (F10 opens its first menu); each
    // menu opens with Alt and its letter.
    auto* keys = new MenuBarKeys(QApplication::style()->name());
    keys->setParent(this);
    menuBar()->setStyle(keys);
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this,
            [this] { menuBar()->setActiveAction(menuBar()->actions().value(0)); });
}

QAction* CMainFrame::action(Command command) const {
    const auto found = actions_.find(command);
    return found == actions_.end() ? nullptr : found->second;
}

QAction* CMainFrame::Add(QMenu* menu, Command command, const QString& caption,
                         const QString& status) {
    auto* a = new QAction(caption, this);
    a->setStatusTip(status);
    if (menu != nullptr) {
        menu->addAction(a);
    }
    actions_[command] = a;
    return a;
}

namespace {

// One item of a menu: a command with its caption, status-bar text and
// shortcut; kSeparator draws a line.
struct MenuItem {
    Command command;
    const char* caption = nullptr;
    const char* status = nullptr;
    const char* shortcut = nullptr;
};
struct MenuSpec {
    const char* title;
    std::vector<MenuItem> items;
};

// The menus in order, with the items they have always had; 編集 holds Undo
// and Redo, whose captions name the edit they would take back or make again.
const std::vector<MenuSpec>& Menus() {
    static const std::vector<MenuSpec> menus = {
        {"ﾌｧｲﾙ(&F)",
         {{Command::fileNew, "新規作成(&N)\tCtrl+N", "新規にﾌｧｲﾙを作成", "Ctrl+N"},
          {Command::fileOpen, "開く(&O)...\tCtrl+O", "既存のﾌｧｲﾙを開く", "Ctrl+O"},
          {Command::fileSave, "上書き保存(&S)\tCtrl+S", "作業中のﾌｧｲﾙを上書きして保存", "Ctrl+S"},
          {Command::fileSaveAs, "名前を付けて保存(&A)...", "作業中のﾌｧｲﾙを新しい名前で保存"},
          {Command::fileExportPdf, "PDF出力(&D)...", "作業中のﾌｧｲﾙのﾍﾟｰｼﾞを PDF ﾌｧｲﾙに出力"},
          {kSeparator},
          {Command::filePrint, "印刷(&P)...\tCtrl+P", "作業中のﾌｧｲﾙを印刷", "Ctrl+P"},
          {Command::filePrintPreview, "印刷ﾌﾟﾚﾋﾞｭｰ(&V)", "印刷ｲﾒｰｼﾞを表示"},
          {Command::filePrintSetup, "ﾌﾟﾘﾝﾀの設定(&R)...", "ﾌﾟﾘﾝﾀ/印刷ｵﾌﾟｼｮﾝの変更"},
          {kSeparator},
          {Command::recentFile, "最近使ったﾌｧｲﾙ", "指定のﾌｧｲﾙを開く"},
          {kSeparator},
          {Command::appExit, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示"}}},
        {"編集(&E)",
         {{Command::editUndo, "元に戻す(&U)\tCtrl+Z", "直前の操作を元に戻す", "Ctrl+Z"},
          {Command::editRedo, "やり直し(&R)\tCtrl+Y", "元に戻した操作をやり直す", "Ctrl+Y"}}},
        {"ＣＡＬ(&C)",
         {{Command::calibrationHeader, "見出し(&M)", "調査名などのデータ　TABｷｰでカーソル移動"},
          {Command::calibrationReadings, "データ(&A)", "測定データ　TABｷｰでカーソル移動"},
          {kSeparator},
          {Command::calibrationPage, "ページ(&P)", "キャリブレーション図表のページ"}}},
        {"カルネア(&P)",
         {{Command::testHeader, "見出し(&M)", "見出し部分のデータ　TABｷｰでカーソル移動"},
          {Command::testReadings, "データ(&A)", "測定データ"},
          {Command::analysis, "解析/目盛り(&N)", "降伏圧などの点を指定"},
          {kSeparator},
          {Command::testPage, "ページ(&P)", "カルネア測定結果図表のページ"}}},
        {"表示(&V)",
         {{Command::viewToolBar, "ﾂｰﾙ ﾊﾞｰ(&T)", "ﾂｰﾙ ﾊﾞｰの 表示/非表示"},
          {Command::viewStatusBar, "ｽﾃｰﾀｽ ﾊﾞｰ(&S)", "ｽﾃｰﾀｽ ﾊﾞｰの 表示/非表示"}}},
        {"設定(&S)",
         {{Command::styleSettings, "様式/桁数(&Y)", "図表名、表示桁数など"},
          {Command::lineSettings, "線種/係数/マージン(&L)",
           "線の太さ、計算式用定数、ＳＩ換算係数、会社業者名"},
          {kSeparator},
          {Command::engineerMaster, "登録 技術者名(&R)", "技術者名の登録編集"},
          {Command::fontSettings, "フォント(&F)", "活字の書体、サイズ"},
          {kSeparator},
          {Command::keySettings, "キーの動作(&E)", "Enterキー押し下げ時の動作"},
          {Command::setup, "セットアップ(&S)", "このプログラムのインストール先の表示、確認"}}},
        {"拡張(&X)",
         {{Command::depthProfile, "深度分布図(&D)...",
           "フォルダの試験を孔ごとの深度分布図にして印刷ﾌﾟﾚﾋﾞｭｰに表示"},
          {Command::agsExport, "AGS出力(&A)...", "フォルダの試験を AGS 4.2 形式のファイルに出力"},
          {Command::xlsxExport, "Excel出力(&W)...",
           "フォルダの試験を Excel のブック（一覧と試験ごとのシート）に出力"},
          {Command::delivery, "電子納品出力(&E)...",
           "フォルダの試験を電子納品（データシート PDF、交換用 XML、管理ファイル）に出力"},
          {Command::deliveryCheck, "電子納品チェック(&C)...",
           "フォルダの電子納品全体（どのプログラムが書いたものでも）を検査"},
          {Command::qualityCheck, "品質チェック(&Q)...",
           "開いている試験の確認事項と慣用限界圧力の提案"}}},
        {"ﾍﾙﾌﾟ(&H)",
         {{Command::about, "ﾊﾞｰｼﾞｮﾝ情報(&A)", "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示"},
          {Command::help, "操作＆ヘルプ(&H)", ""}}},
        // Commands of the toolbar only.
        {nullptr,
         {{Command::graphPage, "グラフ", "グラフ"}, {Command::tablePage, "データ表", "データ表"}}},
    };
    return menus;
}

}  // namespace

void CMainFrame::BuildMenus() {
    for (const MenuSpec& spec : Menus()) {
        QMenu* menu =
            spec.title != nullptr ? menuBar()->addMenu(QString::fromUtf8(spec.title)) : nullptr;
        for (const MenuItem& item : spec.items) {
            if (item.command == kSeparator) {
                QAction* line = menu->addSeparator();
                if (recentPlaceholder_ != nullptr && recentSeparator_ == nullptr) {
                    recentSeparator_ = line;
                }
                continue;
            }
            QAction* a = Add(menu, item.command, QString::fromUtf8(item.caption),
                             QString::fromUtf8(item.status));
            if (item.shortcut != nullptr) {
                a->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
            }
            if (item.command == Command::fileNew) {
                fileMenu_ = menu;
            } else if (item.command == Command::recentFile) {
                recentPlaceholder_ = a;
            }
        }
    }
    action(Command::viewToolBar)->setCheckable(true);
    action(Command::viewStatusBar)->setCheckable(true);
    ConnectCommands();
    UpdateRecentFiles();
    UpdateEditCommands();
}

void CMainFrame::ConnectCommands() {
    CTavApp& app = app_;
    CTavDoc& doc = app_.doc();
    CTavView& view = app_.view();
    const std::pair<Command, std::function<void()>> handlers[] = {
        {Command::fileNew, [&app] { app.OnFileNew(); }},
        {Command::fileOpen, [&doc] { doc.OnFileOpen(); }},
        {Command::fileSave, [&doc] { doc.OnFileSave(); }},
        {Command::fileSaveAs, [&doc] { doc.OnFileSaveAs(); }},
        {Command::fileExportPdf, [&app] { app.OnExportPdf(); }},
        {Command::filePrint, [&app] { app.OnFilePrint(); }},
        {Command::filePrintPreview, [&app] { app.OnFilePrintPreview(); }},
        {Command::filePrintSetup, [&app] { app.OnFilePrintSetup(); }},
        {Command::appExit, [this] { close(); }},
        {Command::editUndo, [&view] { view.OnUndo(); }},
        {Command::editRedo, [&view] { view.OnRedo(); }},
        {Command::about, [this] { ShowAboutBox(this); }},
        {Command::help, [&app] { app.OnHelp(); }},
        {Command::depthProfile, [&app] { app.extensions().OnDepthProfile(app.printer()); }},
        {Command::agsExport, [&app] { app.extensions().OnAgsExport(); }},
        {Command::delivery, [&app] { app.extensions().OnDelivery(); }},
        {Command::deliveryCheck, [&app] { app.extensions().OnDeliveryCheck(); }},
        {Command::xlsxExport, [&app] { app.extensions().OnXlsxExport(); }},
        {Command::qualityCheck, [&app] { app.extensions().OnQualityCheck(); }},
        {Command::calibrationReadings, [&view] { view.OnCalibrationReadings(); }},
        {Command::testReadings, [&view] { view.OnTestReadings(); }},
        {Command::calibrationHeader, [&view] { view.OnCalibrationHeader(); }},
        {Command::testHeader, [&view] { view.OnTestHeader(); }},
        {Command::analysis, [&view] { view.OnAnalysis(); }},
        {Command::engineerMaster, [&view] { view.OnEngineerMaster(); }},
        {Command::styleSettings, [&view] { view.OnStyleSettings(); }},
        {Command::lineSettings, [&view] { view.OnLineSettings(); }},
        {Command::keySettings, [&view] { view.OnKeySettings(); }},
        {Command::fontSettings, [&view] { view.OnFontSettings(); }},
        {Command::setup, [&view] { view.OnSetup(); }},
        {Command::calibrationPage, [&view] { view.OnCalibrationPage(); }},
        {Command::testPage, [&view] { view.OnTestPage(); }},
        {Command::graphPage, [&view] { view.ShowGraphPage(); }},
        {Command::tablePage, [&view] { view.ShowTablePage(); }}};
    for (const auto& [command, handler] : handlers) {
        connect(action(command), &QAction::triggered, this, handler);
    }
    const auto edited = [this] {
        UpdateTitle();
        UpdateEditCommands();
    };
    connect(&view, &CTavView::edited, this, edited);
    connect(&doc, &CTavDoc::documentChanged, this, edited);
    connect(&doc, &CTavDoc::titleChanged, this, [this] {
        UpdateTitle();
        UpdateRecentFiles();
    });
}

void CMainFrame::UpdateEditCommands() {
    const EditHistory& edits = app_.ws().edits;
    const auto show = [this](Command command, const char* caption, const std::string& name,
                             bool can, const char* shortcut) {
        QAction* a = action(command);
        QString text = QString::fromUtf8(caption);
        if (can) {
            text += QLatin1Char(' ') + QString::fromStdString(name);
        }
        a->setText(text + QLatin1Char('\t') + QString::fromLatin1(shortcut));
        a->setEnabled(can);
    };
    show(Command::editUndo, "元に戻す(&U)", edits.UndoName(), edits.CanUndo(), "Ctrl+Z");
    show(Command::editRedo, "やり直し(&R)", edits.RedoName(), edits.CanRedo(), "Ctrl+Y");
}

void CMainFrame::BuildToolBar() {
    toolBar_ = new QToolBar(QStringLiteral("ﾂｰﾙ ﾊﾞｰ"), this);
    toolBar_->setObjectName(QStringLiteral("toolBar128"));
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setMovable(true);
    addToolBar(Qt::TopToolBarArea, toolBar_);
    const struct {
        Command command;
        const char* icon;
        const char* tip;
    } buttons[] = {
        {Command::fileNew, "new", "新規ﾌｧｲﾙ"},    {Command::fileOpen, "open", "開く"},
        {Command::fileSave, "save", "保存"},      {kSeparator, nullptr, nullptr},
        {Command::filePrint, "print", "印刷"},    {Command::about, "about", "ﾊﾞｰｼﾞｮﾝ情報"},
        {kSeparator, nullptr, nullptr},           {Command::graphPage, "graph", "グラフ"},
        {Command::tablePage, "table", "データ表"}};
    for (const auto& b : buttons) {
        if (b.command == kSeparator) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* a = action(b.command);
        a->setIcon(Icon(b.icon));
        a->setToolTip(QString::fromUtf8(b.tip));
        toolBar_->addAction(a);
    }
    QAction* toggle = action(Command::viewToolBar);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, toolBar_, &QToolBar::setVisible);
    connect(toolBar_, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    idle_ =
        new QLabel(QStringLiteral("PageUp(RollUp), PageDown(RollDown) または↑↓ｷｰで改ページ"), bar);
    bar->addWidget(idle_, 1);
    // Key-state panes; the platform reports no lock states, so they stay dim.
    for (const char* pane : {"ｶﾅ", "CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(QString::fromUtf8(pane), bar);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setEnabled(false);
        bar->addPermanentWidget(label);
    }
    QAction* toggle = action(Command::viewStatusBar);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, bar, &QStatusBar::setVisible);
}

void CMainFrame::UpdateRecentFiles() {
    for (QAction* a : recentActions_) {
        fileMenu_->removeAction(a);
        a->deleteLater();
    }
    recentActions_.clear();
    const QStringList& files = app_.recent().files();
    recentPlaceholder_->setVisible(files.isEmpty());
    recentPlaceholder_->setEnabled(false);
    for (int i = 0; i < files.size(); ++i) {
        // The path as the system writes it ("\" on Windows); a "&" of it is
        // shown, not taken for an access key.
        QString path = QDir::toNativeSeparators(files[i]);
        path.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path), this);
        a->setStatusTip(QStringLiteral("指定のﾌｧｲﾙを開く"));
        connect(a, &QAction::triggered, &app_, [this, i] { app_.OnOpenRecentFile(i); });
        fileMenu_->insertAction(recentSeparator_, a);
        recentActions_.push_back(a);
    }
}

void CMainFrame::UpdateTitle() {
    // A "*" after the name while there are unsaved changes.
    const QString changed = app_.doc().isModified() ? QStringLiteral("*") : QString();
    setWindowTitle(app_.doc().title() + changed + QStringLiteral(" - Nob"));
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    OpenDroppedFiles(event->mimeData()->urls());
    event->acceptProposedAction();
}

void CMainFrame::OpenDroppedFiles(const QList<QUrl>& urls) {
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            if (app_.doc().SaveModified()) {
                app_.doc().OpenDocumentFile(url.toLocalFile());
            }
            activateWindow();
            return;
        }
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!app_.doc().SaveModified()) {
        event->ignore();
        return;
    }
    app_.recent().Save();
    QMainWindow::closeEvent(event);
}

void ShowAboutBox(QWidget* parent) {
    QDialog box(parent);
    box.setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    auto* icon = new QLabel(&box);
    icon->setPixmap(Icon("karnea").pixmap(32, 32));
    auto* line = new QLabel(QStringLiteral("カルネア Version 5 R100"), &box);
    line->setAlignment(Qt::AlignCenter);
    // The build's version, as karnea --version and the packages give it.
    auto* version =
        new QLabel(QStringLiteral("karnea %1")
                       .arg(QString::fromUtf8(ProgramVersion().data(),
                                              static_cast<qsizetype>(ProgramVersion().size()))),
                   &box);
    version->setObjectName(QStringLiteral("version"));
    version->setAlignment(Qt::AlignCenter);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* lines = new QVBoxLayout;
    lines->addWidget(line);
    lines->addWidget(version);
    auto* ok = new QPushButton(QStringLiteral("OK"), &box);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(lines, 1);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(top);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    box.exec();
}

}  // namespace karnea
