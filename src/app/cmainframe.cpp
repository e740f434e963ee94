#include "app/cmainframe.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>

#include "app/ctavapp.h"
#include "app/ctavdoc.h"
#include "app/recentfiles.h"
#include "view/ctavview.h"
#include "view/extensions.h"

namespace karnea {
namespace {

// Stands between the toolbar's groups of buttons.
constexpr Command kSeparator = static_cast<Command>(0);

QIcon Icon(const char* name) {
    return QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name)));
}

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

void CMainFrame::BuildMenus() {
    CTavDoc& doc = app_.doc();
    CTavView& view = app_.view();
    fileMenu_ = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    QMenu* file = fileMenu_;
    Add(file, Command::fileNew, QStringLiteral("新規作成(&N)\tCtrl+N"),
        QStringLiteral("新規にﾌｧｲﾙを作成"))
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    Add(file, Command::fileOpen, QStringLiteral("開く(&O)...\tCtrl+O"),
        QStringLiteral("既存のﾌｧｲﾙを開く"))
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    Add(file, Command::fileSave, QStringLiteral("上書き保存(&S)\tCtrl+S"),
        QStringLiteral("作業中のﾌｧｲﾙを上書きして保存"))
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    Add(file, Command::fileSaveAs, QStringLiteral("名前を付けて保存(&A)..."),
        QStringLiteral("作業中のﾌｧｲﾙを新しい名前で保存"));
    file->addSeparator();
    Add(file, Command::filePrint, QStringLiteral("印刷(&P)...\tCtrl+P"),
        QStringLiteral("作業中のﾌｧｲﾙを印刷"))
        ->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    Add(file, Command::filePrintPreview, QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ(&V)"),
        QStringLiteral("印刷ｲﾒｰｼﾞを表示"));
    Add(file, Command::filePrintSetup, QStringLiteral("ﾌﾟﾘﾝﾀの設定(&R)..."),
        QStringLiteral("ﾌﾟﾘﾝﾀ/印刷ｵﾌﾟｼｮﾝの変更"));
    file->addSeparator();
    recentPlaceholder_ = Add(file, Command::recentFile, QStringLiteral("最近使ったﾌｧｲﾙ"),
                             QStringLiteral("指定のﾌｧｲﾙを開く"));
    recentSeparator_ = file->addSeparator();
    Add(file, Command::appExit, QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"),
        QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示"));

    QMenu* cal = menuBar()->addMenu(QStringLiteral("ＣＡＬ(&C)"));
    Add(cal, Command::calibrationHeader, QStringLiteral("見出し(&M)"),
        QStringLiteral("調査名などのデータ　TABｷｰでカーソル移動"));
    Add(cal, Command::calibrationReadings, QStringLiteral("データ(&A)"),
        QStringLiteral("測定データ　TABｷｰでカーソル移動"));
    cal->addSeparator();
    Add(cal, Command::calibrationPage, QStringLiteral("ページ(&P)"),
        QStringLiteral("キャリブレーション図表のページ"));

    QMenu* test = menuBar()->addMenu(QStringLiteral("カルネア(P)"));
    Add(test, Command::testHeader, QStringLiteral("見出し(&M)"),
        QStringLiteral("見出し部分のデータ　TABｷｰでカーソル移動"));
    Add(test, Command::testReadings, QStringLiteral("データ(&A)"), QStringLiteral("測定データ"));
    Add(test, Command::analysis, QStringLiteral("解析/目盛り(&N)"),
        QStringLiteral("降伏圧などの点を指定"));
    test->addSeparator();
    Add(test, Command::testPage, QStringLiteral("ページ(&P)"),
        QStringLiteral("カルネア測定結果図表のページ"));

    QMenu* show = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    QAction* toolBarToggle = Add(show, Command::viewToolBar, QStringLiteral("ﾂｰﾙ ﾊﾞｰ(&T)"),
                                 QStringLiteral("ﾂｰﾙ ﾊﾞｰの 表示/非表示"));
    QAction* statusToggle = Add(show, Command::viewStatusBar, QStringLiteral("ｽﾃｰﾀｽ ﾊﾞｰ(&S)"),
                                QStringLiteral("ｽﾃｰﾀｽ ﾊﾞｰの 表示/非表示"));
    toolBarToggle->setCheckable(true);
    statusToggle->setCheckable(true);

    QMenu* settings = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    Add(settings, Command::styleSettings, QStringLiteral("様式/桁数(&Y)"),
        QStringLiteral("図表名、表示桁数など"));
    Add(settings, Command::lineSettings, QStringLiteral("線種/係数/マージン(L)"),
        QStringLiteral("線の太さ、計算式用定数、ＳＩ換算係数、会社業者名"));
    settings->addSeparator();
    Add(settings, Command::engineerMaster, QStringLiteral("登録 技術者名(&R)"),
        QStringLiteral("技術者名の登録編集"));
    Add(settings, Command::fontSettings, QStringLiteral("フォント(&F)"),
        QStringLiteral("活字の書体、サイズ"));
    settings->addSeparator();
    Add(settings, Command::keySettings, QStringLiteral("キーの動作(&E)"),
        QStringLiteral("Enterキー押し下げ時の動作"));
    Add(settings, Command::setup, QStringLiteral("セットアップ(&S)"),
        QStringLiteral("このプログラムのインストール先の表示、確認"));

    QMenu* extensions = menuBar()->addMenu(QStringLiteral("拡張(&X)"));
    Add(extensions, Command::depthProfile, QStringLiteral("深度分布図(&D)..."),
        QStringLiteral("フォルダの試験を孔ごとの深度分布図にして印刷ﾌﾟﾚﾋﾞｭｰに表示"));
    Add(extensions, Command::agsExport, QStringLiteral("AGS出力(&A)..."),
        QStringLiteral("フォルダの試験を AGS 4.2 形式のファイルに出力"));
    Add(extensions, Command::qualityCheck, QStringLiteral("品質チェック(&Q)..."),
        QStringLiteral("開いている試験の確認事項と慣用限界圧力の提案"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    Add(help, Command::about, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)"),
        QStringLiteral("ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示"));
    Add(help, Command::help, QStringLiteral("操作＆ヘルプ(&H)"), QString());

    // Commands of the toolbar only.
    Add(nullptr, Command::graphPage, QStringLiteral("グラフ"), QStringLiteral("グラフ"));
    Add(nullptr, Command::tablePage, QStringLiteral("データ表"), QStringLiteral("データ表"));

    connect(action(Command::fileNew), &QAction::triggered, &app_, &CTavApp::OnFileNew);
    connect(action(Command::fileOpen), &QAction::triggered, &doc, &CTavDoc::OnFileOpen);
    connect(action(Command::fileSave), &QAction::triggered, &doc, &CTavDoc::OnFileSave);
    connect(action(Command::fileSaveAs), &QAction::triggered, &doc, &CTavDoc::OnFileSaveAs);
    connect(action(Command::filePrint), &QAction::triggered, &app_, &CTavApp::OnFilePrint);
    connect(action(Command::filePrintPreview), &QAction::triggered, &app_,
            &CTavApp::OnFilePrintPreview);
    connect(action(Command::filePrintSetup), &QAction::triggered, &app_,
            &CTavApp::OnFilePrintSetup);
    connect(action(Command::appExit), &QAction::triggered, this, &QWidget::close);
    connect(action(Command::about), &QAction::triggered, this, [this] { ShowAboutBox(this); });
    connect(action(Command::help), &QAction::triggered, &app_, &CTavApp::OnHelp);
    connect(action(Command::depthProfile), &QAction::triggered, &app_,
            [this] { app_.extensions().OnDepthProfile(app_.printer()); });
    connect(action(Command::agsExport), &QAction::triggered, &app_,
            [this] { app_.extensions().OnAgsExport(); });
    connect(action(Command::qualityCheck), &QAction::triggered, &app_,
            [this] { app_.extensions().OnQualityCheck(); });
    connect(action(Command::calibrationReadings), &QAction::triggered, &view,
            &CTavView::OnCalibrationReadings);
    connect(action(Command::testReadings), &QAction::triggered, &view, &CTavView::OnTestReadings);
    connect(action(Command::calibrationHeader), &QAction::triggered, &view,
            &CTavView::OnCalibrationHeader);
    connect(action(Command::testHeader), &QAction::triggered, &view, &CTavView::OnTestHeader);
    connect(action(Command::analysis), &QAction::triggered, &view, &CTavView::OnAnalysis);
    connect(action(Command::engineerMaster), &QAction::triggered, &view,
            &CTavView::OnEngineerMaster);
    const std::pair<Command, void (CTavView::*)()> settingsCommands[] = {
        {Command::styleSettings, &CTavView::OnStyleSettings},
        {Command::lineSettings, &CTavView::OnLineSettings},
        {Command::keySettings, &CTavView::OnKeySettings},
        {Command::fontSettings, &CTavView::OnFontSettings},
        {Command::setup, &CTavView::OnSetup},
        {Command::calibrationPage, &CTavView::OnCalibrationPage},
        {Command::testPage, &CTavView::OnTestPage}};
    for (const auto& [command, slot] : settingsCommands) {
        connect(action(command), &QAction::triggered, &view, slot);
    }
    connect(&view, &CTavView::recordsChanged, this, &CMainFrame::UpdateTitle);
    connect(action(Command::graphPage), &QAction::triggered, &view, &CTavView::ShowGraphPage);
    connect(action(Command::tablePage), &QAction::triggered, &view, &CTavView::ShowTablePage);
    connect(&doc, &CTavDoc::titleChanged, this, [this] {
        UpdateTitle();
        UpdateRecentFiles();
    });
    UpdateRecentFiles();
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
        // A "&" of the path is shown, not taken for an access key.
        QString path = files[i];
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
    auto* ok = new QPushButton(QStringLiteral("OK"), &box);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(line, 1);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(top);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    box.exec();
}

}  // namespace karnea
