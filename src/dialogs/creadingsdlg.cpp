#include "dialogs/creadingsdlg.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCursor>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dialogs/dialogsupport.h"

namespace karnea {
namespace {

// Rows of the list on the screen, and its row height.
constexpr int kVisibleRows = 20;
constexpr int kRowHeight = 18;

GridKey KeyOf(int key) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return GridKey::enter;
        case Qt::Key_Up:
            return GridKey::up;
        case Qt::Key_Down:
            return GridKey::down;
        case Qt::Key_Tab:
            return GridKey::tab;
        case Qt::Key_Escape:
            return GridKey::escape;
        default:
            return GridKey::other;
    }
}

QRect GlobalRect(const QWidget* w) {
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

}  // namespace

CPreviewArea::CPreviewArea(Draw draw, QWidget* parent) : QFrame(parent), draw_(std::move(draw)) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, QColor(128, 128, 128));
    setPalette(p);
}

void CPreviewArea::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRect area = contentsRect();
    QPainter painter(this);
    painter.fillRect(area, Qt::white);
    if (!drawn_) {
        return;
    }
    painter.setClipRect(area);
    painter.translate(area.topLeft());
    QPainterSurface surface(painter, logicalDpiX(), logicalDpiY(), fonts_);
    draw_(surface, {area.width(), area.height()});
}

CReadingsDlg::CReadingsDlg(ReadingsGrid& grid, const QString& caption, QWidget* parent)
    : CEditDlg(parent), grid_(grid) {
    setWindowTitle(caption);
    SetOk([this] { return grid_.TakeOk() ? grid_.Check() : std::optional<Refusal>(Refusal{}); },
          grid.messages());
    setMouseTracking(true);
}

Input CReadingsDlg::CellInput() const {
    return grid_.numberCells() ? Input::number : Input::text;
}

void CReadingsDlg::BuildList(int visibleRows) {
    list_ = new QTableWidget(grid_.rowCount(), grid_.columnCount(), this);
    list_->setObjectName(QStringLiteral("list"));
    // Cells and rows are selected as in a spreadsheet: Shift+click,
    // Shift+arrows and Ctrl+A extend the selection.
    list_->setSelectionBehavior(QAbstractItemView::SelectItems);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the next control; the arrows move in it.
    list_->setTabKeyNavigation(false);
    list_->setShowGrid(true);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    list_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->horizontalHeader()->setStretchLastSection(false);
    int width = 0;
    for (int c = 0; c < grid_.columnCount(); ++c) {
        const GridColumn& column = grid_.columns()[static_cast<std::size_t>(c)];
        list_->setHorizontalHeaderItem(c,
                                       new QTableWidgetItem(QString::fromStdString(column.title)));
        list_->setColumnWidth(c, column.width);
        width += column.width;
        for (int r = 0; r < grid_.rowCount(); ++r) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            list_->setItem(r, c, item);
        }
    }
    list_->setFixedWidth(width + list_->verticalScrollBar()->sizeHint().width() +
                         2 * list_->frameWidth() + 2);
    list_->setFixedHeight(visibleRows * kRowHeight +
                          list_->horizontalHeader()->sizeHint().height() + 2 * list_->frameWidth());
    list_->viewport()->setMouseTracking(true);
    connect(list_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (syncing_) {
            return;
        }
        const QList<QTableWidgetSelectionRange> ranges = list_->selectedRanges();
        grid_.SetSelectedRow(ranges.isEmpty() ? 0 : ranges.front().topRow() + 1);
    });
    // The keyboard's row is the current row as a clicked one is (a click
    // tells the grid itself when the button is let go).
    connect(list_, &QTableWidget::currentCellChanged, this,
            [this](int row, int /*column*/, int previousRow, int /*previousColumn*/) {
                if (syncing_ || pointerOnList_ || row < 0 || row == previousRow ||
                    grid_.editingActive()) {
                    return;
                }
                Forward([&] { grid_.CurrentRowMoved(row + 1); });
            });

    // A child of the dialog, laid over the cell, so that a screen reader
    // finds it beside the list (not inside the list's cells).
    editor_ = new QLineEdit(this);
    editor_->setObjectName(QStringLiteral("editor"));
    editor_->setFrame(false);
    editor_->setTextMargins(3, 0, 0, 0);
    editor_->setValidator(new TextValidator(TextKind::cell, CellInput(), editor_));
    editor_->hide();
    connect(editor_, &QLineEdit::textChanged, this,
            [this](const QString& text) { grid_.SetEditorText(ToCp932(text)); });

    BuildClipboardActions();

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    cancel_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    ok_->setObjectName(QStringLiteral("ok"));
    cancel_->setObjectName(QStringLiteral("cancel"));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &CReadingsDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CReadingsDlg::reject);
}

void CReadingsDlg::BuildGrid(const std::vector<std::pair<QString, QString>>& entryLabels,
                             const QString& autoIncrementCaption, CPreviewArea::Draw draw) {
    layout_ = new QGridLayout(this);
    BuildList(kVisibleRows);

    dataFrame_ = new QFrame(this);
    dataFrame_->setObjectName(QStringLiteral("dataFrame"));
    auto* entryLayout = new QGridLayout(dataFrame_);
    entryLayout->setContentsMargins(0, 0, 0, 0);
    for (std::size_t i = 0; i < entryLabels.size(); ++i) {
        const int column = static_cast<int>(i);
        auto* field = new QLineEdit(dataFrame_);
        field->setObjectName(QStringLiteral("entry%1").arg(column + 1));
        field->setValidator(new TextValidator(TextKind::cell, CellInput(), field));
        field->setFixedWidth(grid_.columns()[i].width);
        auto* label = new QLabel(entryLabels[i].first, dataFrame_);
        label->setBuddy(field);
        entryLayout->addWidget(label, 0, column);
        entryLayout->addWidget(field, 1, column);
        if (!entryLabels[i].second.isEmpty()) {
            entryLayout->addWidget(new QLabel(entryLabels[i].second, dataFrame_), 2, column);
            field->setAccessibleDescription(entryLabels[i].second);
        }
        connect(field, &QLineEdit::textChanged, this,
                [this, column](const QString& text) { grid_.SetEntry(column + 1, ToCp932(text)); });
        entries_.push_back(field);
    }
    auto* buttons = new QHBoxLayout;
    add_ = NamedButton(QStringLiteral("データ追加"), "add", dataFrame_);
    overwrite_ = NamedButton(QStringLiteral("上書き"), "overwrite", dataFrame_);
    delete_ = NamedButton(QStringLiteral("行削除"), "delete", dataFrame_);
    for (QPushButton* b : {add_, overwrite_, delete_}) {
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    entryLayout->addLayout(buttons, 3, 0, 1, static_cast<int>(entryLabels.size()) + 1);
    connect(add_, &QPushButton::clicked, this, [this] { Forward([this] { grid_.AddRow(); }); });
    connect(overwrite_, &QPushButton::clicked, this,
            [this] { Forward([this] { grid_.OverwriteRow(); }); });
    connect(delete_, &QPushButton::clicked, this,
            [this] { Forward([this] { grid_.DeleteRow(); }); });

    autoIncrement_ = new QCheckBox(autoIncrementCaption, this);
    autoIncrement_->setObjectName(QStringLiteral("autoIncrement"));
    autoIncrement_->setChecked(grid_.autoIncrement);
    connect(autoIncrement_, &QCheckBox::toggled, this,
            [this](bool checked) { grid_.autoIncrement = checked; });

    preview_ = new CPreviewArea(std::move(draw), this);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setMinimumSize(300, 240);

    options_ = new QVBoxLayout;
    options_->addWidget(autoIncrement_);
    layout_->addWidget(list_, 0, 0, 2, 1);
    layout_->addWidget(dataFrame_, 2, 0, 2, 1);
    layout_->addLayout(options_, 1, 1, 2, 1);
}

QLineEdit* CReadingsDlg::AxisBox(const char* objectName, const QString& name) {
    QLineEdit* box = ReadOnlyBox(this, objectName, name);
    box->setFixedWidth(56);
    return box;
}

void CReadingsDlg::PlacePreview(QLineEdit* leftBottom, QLineEdit* leftTop, QLineEdit* rightBottom,
                                QLineEdit* rightTop, QLineEdit* belowLeft, QLineEdit* belowRight,
                                const QString& leftLabel, const QString& belowLabel) {
    auto* block = new QGridLayout;
    block->addWidget(leftTop, 0, 0, Qt::AlignTop);
    if (!leftLabel.isEmpty()) {
        block->addWidget(new QLabel(leftLabel, this), 1, 0, Qt::AlignCenter);
    }
    block->addWidget(leftBottom, 2, 0, Qt::AlignBottom);
    block->addWidget(preview_, 0, 1, 3, 1);
    if (rightTop != nullptr) {
        block->addWidget(rightTop, 0, 2, Qt::AlignTop);
        block->addWidget(rightBottom, 2, 2, Qt::AlignBottom);
    }
    auto* below = new QHBoxLayout;
    below->addWidget(belowLeft);
    below->addStretch(1);
    if (!belowLabel.isEmpty()) {
        below->addWidget(new QLabel(belowLabel, this));
        below->addStretch(1);
    }
    below->addWidget(belowRight);
    block->addLayout(below, 3, 1);
    layout_->addLayout(block, 0, 1);
}

void CReadingsDlg::FinishLayout(const std::vector<QWidget*>& options) {
    auto* okCancel = new QHBoxLayout;
    okCancel->addStretch(1);
    okCancel->addWidget(ok_);
    okCancel->addWidget(cancel_);
    layout_->addLayout(okCancel, 3, 1);
    // Tab goes as the eye does: the list, the entry fields and their
    // buttons, the options, the preview's scale, OK and Cancel.
    std::vector<QWidget*> order = {list_};
    order.insert(order.end(), entries_.begin(), entries_.end());
    order.insert(order.end(), {add_, overwrite_, delete_, autoIncrement_});
    order.insert(order.end(), options.begin(), options.end());
    order.insert(order.end(), {ok_, cancel_});
    SetTabOrder(order);
    Ready();
}

void CReadingsDlg::Ready() {
    // Every control's keys and pointer moves pass the grid first.
    const QList<QWidget*> children = findChildren<QWidget*>();
    for (QWidget* w : children) {
        w->installEventFilter(this);
        w->setMouseTracking(true);
    }
    Sync();
}

void CReadingsDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The first free row is brought into view once the list has its size;
    // the preview shows what the list holds from the start.
    Forward([this] { grid_.Shown(); });
    const int row = grid_.selectedRow();
    if (row > 0) {
        list_->scrollToItem(list_->item(row - 1, 0));
        list_->setFocus();
    }
}

void CReadingsDlg::TellGeometry() {
    ListGeometry g;
    g.topIndex = list_->verticalScrollBar()->value();
    g.rowHeight = list_->verticalHeader()->defaultSectionSize();
    g.perPage = std::max(list_->viewport()->height() / g.rowHeight, 1);
    g.horizontalOffset = list_->horizontalScrollBar()->value();
    g.listWidth = list_->width();
    g.scrollBarShown = list_->verticalScrollBar()->isVisible();
    grid_.SetGeometry(g);
}

void CReadingsDlg::Forward(const std::function<void()>& call) {
    if (syncing_) {
        return;
    }
    // Focus changes that a message box causes while the model works are the
    // model's own doing, not the user's.
    syncing_ = true;
    TellGeometry();
    call();
    syncing_ = false;
    Sync();
}

void CReadingsDlg::Sync() {
    syncing_ = true;
    const int top = grid_.TakeScrollRequest();
    if (top >= 0) {
        list_->verticalScrollBar()->setValue(top);
    }
    if (grid_.listRevision() != listRevision_) {
        listRevision_ = grid_.listRevision();
        for (int r = 1; r <= grid_.rowCount(); ++r) {
            for (int c = 1; c <= grid_.columnCount(); ++c) {
                QTableWidgetItem* item = list_->item(r - 1, c - 1);
                const QString text = FromCp932(grid_.cell(r, c));
                if (item->text() != text) {
                    item->setText(text);
                }
            }
        }
    }
    // The grid's row is selected, unless the user's selection holds it.
    const int row = grid_.selectedRow() - 1;
    bool held = false;
    for (const QTableWidgetSelectionRange& range : list_->selectedRanges()) {
        held = held || (range.topRow() <= row && row <= range.bottomRow());
    }
    if (row < 0) {
        list_->clearSelection();
    } else if (!held) {
        list_->selectRow(row);
    }
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const QString text = FromCp932(grid_.entry(static_cast<int>(i) + 1));
        if (entries_[i]->text() != text) {
            entries_[i]->setText(text);
        }
    }
    if (add_ != nullptr) {
        add_->setEnabled(grid_.addEnabled());
    }
    if (grid_.editorShown()) {
        const EditorRect& r = grid_.editorRect();
        editor_->setGeometry(
            QRect(list_->viewport()->mapTo(this, QPoint(r.x, r.y)), QSize(r.width, r.height)));
        // Named for the cell it lies over.
        const int column = grid_.currentColumn();
        if (column >= 1 && column <= grid_.columnCount()) {
            editor_->setAccessibleName(
                QStringLiteral("%1 %2 行目")
                    .arg(QString::fromStdString(
                        grid_.columns()[static_cast<std::size_t>(column - 1)].title))
                    .arg(grid_.currentRow()));
        }
        const QString text = FromCp932(grid_.editorText());
        if (editor_->text() != text) {
            editor_->setText(text);
        }
        editor_->show();
        editor_->raise();
    } else {
        editor_->hide();
        editor_->clear();
    }
    switch (grid_.TakeFocusRequest()) {
        case GridFocus::list:
            list_->setFocus();
            break;
        case GridFocus::editor:
            editor_->setFocus();
            break;
        case GridFocus::pressureEntry:
            entries_.front()->setFocus();
            break;
        case GridFocus::firstReadingEntry:
            entries_.at(1)->setFocus();
            break;
        case GridFocus::none:
            break;
    }
    if (grid_.TakePointerWarp() && editor_->isVisible()) {
        QCursor::setPos(editor_->mapToGlobal(QPoint(1, 1)));
    }
    SetPointerHidden(grid_.pointerHidden());
    if (preview_ != nullptr && grid_.previewRevision() != previewRevision_) {
        previewRevision_ = grid_.previewRevision();
        preview_->SetDrawn(true);
        preview_->update();
    }
    SyncOwn();
    syncing_ = false;
}

void CReadingsDlg::SetPointerHidden(bool hidden) {
    if (hidden == pointerHidden_) {
        return;
    }
    pointerHidden_ = hidden;
    // The dialog's own controls hide the pointer; a message box that comes
    // up meanwhile still shows it.
    const QList<QWidget*> widgets = findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (hidden) {
            w->setCursor(Qt::BlankCursor);
        } else if (qobject_cast<QLineEdit*>(w) != nullptr) {
            w->setCursor(Qt::IBeamCursor);
        } else {
            w->unsetCursor();
        }
    }
    if (hidden) {
        setCursor(Qt::BlankCursor);
    } else {
        unsetCursor();
    }
}

PointerZone CReadingsDlg::ZoneAt(const QPoint& globalPos) const {
    if (editor_->isVisible() && GlobalRect(editor_).contains(globalPos)) {
        return PointerZone::editor;
    }
    if (GlobalRect(list_).contains(globalPos)) {
        return PointerZone::list;
    }
    if (dataFrame_ != nullptr && GlobalRect(dataFrame_).contains(globalPos)) {
        return PointerZone::dataFrame;
    }
    return PointerZone::elsewhere;
}

ReadingsGrid::Block CReadingsDlg::SelectedBlock() const {
    // The range the current cell is in (a spreadsheet copies one range).
    const QList<QTableWidgetSelectionRange> ranges = list_->selectedRanges();
    const QModelIndex current = list_->currentIndex();
    for (const QTableWidgetSelectionRange& r : ranges) {
        if (r.topRow() <= current.row() && current.row() <= r.bottomRow() &&
            r.leftColumn() <= current.column() && current.column() <= r.rightColumn()) {
            return {r.topRow() + 1, r.leftColumn() + 1, r.bottomRow() + 1, r.rightColumn() + 1};
        }
    }
    if (ranges.isEmpty()) {
        return {};
    }
    const QTableWidgetSelectionRange& r = ranges.front();
    return {r.topRow() + 1, r.leftColumn() + 1, r.bottomRow() + 1, r.rightColumn() + 1};
}

void CReadingsDlg::BuildClipboardActions() {
    // The list's own keys and its context menu, as a spreadsheet has them.
    const auto add = [this](const QString& caption, QKeySequence::StandardKey key, const char* name,
                            std::function<void()> run) {
        auto* action = new QAction(caption, list_);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, std::move(run));
        list_->addAction(action);
        return action;
    };
    const auto copy = [this] {
        const ReadingsGrid::Block block = SelectedBlock();
        if (block.top > 0) {
            QGuiApplication::clipboard()->setText(QString::fromStdString(grid_.CopyText(block)));
        }
    };
    const auto clear = [this] {
        const ReadingsGrid::Block block = SelectedBlock();
        if (block.top > 0) {
            Forward([&] { grid_.ClearBlock(block); });
        }
    };
    QAction* cut = add(QStringLiteral("切り取り(&T)"), QKeySequence::Cut, "cut", [copy, clear] {
        copy();
        clear();
    });
    QAction* copied = add(QStringLiteral("コピー(&C)"), QKeySequence::Copy, "copy", copy);
    QAction* paste = add(QStringLiteral("貼り付け(&P)"), QKeySequence::Paste, "paste", [this] {
        // At the top-left of the selection the current cell is in, as a
        // spreadsheet pastes; else at the current cell.
        const ReadingsGrid::Block block = SelectedBlock();
        const QModelIndex current = list_->currentIndex();
        int row = current.isValid() ? current.row() + 1 : std::max(block.top, 1);
        int column = current.isValid() ? current.column() + 1 : std::max(block.left, 1);
        if (block.top <= row && row <= block.bottom && block.left <= column &&
            column <= block.right) {
            row = block.top;
            column = block.left;
        }
        const std::string text = QGuiApplication::clipboard()->text().toStdString();
        Forward([&] { grid_.Paste(row, column, text); });
    });
    QAction* erase = add(QStringLiteral("削除(&D)"), QKeySequence::Delete, "delete", clear);
    add(QStringLiteral("すべて選択(&A)"), QKeySequence::SelectAll, "selectAll",
        [this] { list_->selectAll(); });
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    // Enabled as they apply.
    const auto enable = [this, cut, copied, paste, erase] {
        const bool selected = !list_->selectedRanges().isEmpty();
        cut->setEnabled(selected);
        copied->setEnabled(selected);
        erase->setEnabled(selected);
        paste->setEnabled(!QGuiApplication::clipboard()->text().isEmpty());
    };
    connect(list_, &QTableWidget::itemSelectionChanged, this, enable);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, enable);
    enable();
}

bool CReadingsDlg::KeyPress(QObject* watched, QKeyEvent* event) {
    // A row copied from a spreadsheet, pasted into an entry field, fills the
    // fields from there on; a tab is never kept in a box.
    if (event->matches(QKeySequence::Paste)) {
        const QString text = QGuiApplication::clipboard()->text();
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (watched == entries_[i] &&
                (text.contains(QLatin1Char('\t')) || text.contains(QLatin1Char('\n')) ||
                 text.contains(QLatin1Char('\r')))) {
                Forward(
                    [&] { grid_.PasteIntoEntries(static_cast<int>(i) + 1, text.toStdString()); });
                return true;
            }
        }
    }
    // F2 opens the editor on the current cell, as a double-click does, so
    // that a cell can be typed into without the mouse.
    if (event->key() == Qt::Key_F2 && watched == list_ && !grid_.editingActive()) {
        const QModelIndex current = list_->currentIndex();
        const int row = current.isValid() ? current.row() + 1 : std::max(grid_.selectedRow(), 1);
        const int column = current.isValid() ? current.column() + 1 : 1;
        list_->scrollTo(list_->model()->index(row - 1, column - 1));
        Forward([&] { grid_.DoubleClick(row, column); });
        return true;
    }
    const GridKey key = KeyOf(event->key());
    // The key goes to the focused control: whether it is one of the
    // dialog's own controls is told by its name.
    const bool hasId = !watched->objectName().isEmpty();
    KeyOutcome outcome = KeyOutcome::passOn;
    Forward([&] {
        outcome = grid_.KeyDown(key, hasId);
        if (outcome == KeyOutcome::passOn && watched == list_) {
            grid_.ListKeyDown();
        }
    });
    switch (outcome) {
        case KeyOutcome::passOn:
            return false;
        case KeyOutcome::consumed:
            return true;
        case KeyOutcome::pressOk:
            accept();
            return true;
        case KeyOutcome::nextControl:
            focusNextChild();
            return true;
        case KeyOutcome::cancel:
            reject();
            return true;
    }
    return false;
}

bool CReadingsDlg::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
            return KeyPress(watched, static_cast<QKeyEvent*>(event));
        case QEvent::MouseMove:
            Forward([&] {
                grid_.PointerMoved(
                    ZoneAt(static_cast<QMouseEvent*>(event)->globalPosition().toPoint()));
            });
            break;
        case QEvent::MouseButtonDblClick:
            if (watched == list_->viewport()) {
                const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
                const int row = list_->rowAt(at.y()) + 1;
                const int column = list_->columnAt(at.x()) + 1;
                afterDoubleClick_ = true;
                Forward([&] { grid_.DoubleClick(row, column); });
                return true;
            }
            break;
        case QEvent::MouseButtonPress:
            if (watched == list_->viewport()) {
                afterDoubleClick_ = false;
                pointerOnList_ = true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (watched == list_->viewport()) {
                pointerOnList_ = false;
                if (std::exchange(afterDoubleClick_, false)) {
                    return true;
                }
                const QList<QTableWidgetSelectionRange> ranges = list_->selectedRanges();
                const int selected = ranges.isEmpty() ? 0 : ranges.front().topRow() + 1;
                Forward([&] { grid_.Click(selected); });
            }
            break;
        case QEvent::FocusIn:
            if (watched == editor_) {
                Forward([this] { grid_.EditorFocusGained(); });
            }
            break;
        case QEvent::FocusOut:
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason) {
                break;
            }
            if (watched == editor_) {
                Forward([this] { grid_.EditorFocusLost(); });
            }
            for (std::size_t i = 0; i < entries_.size(); ++i) {
                if (watched == entries_[i]) {
                    Forward([this, i] { grid_.EntryFocusLost(static_cast<int>(i) + 1); });
                }
            }
            break;
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

void CReadingsDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Forward([this] { grid_.DialogMouseDown(); });
    }
    QDialog::mousePressEvent(event);
}

void CReadingsDlg::accept() {
    Forward([this] { CEditDlg::accept(); });
}

void CReadingsDlg::reject() {
    bool close = false;
    Forward([&] { close = grid_.Cancel(); });
    if (close) {
        QDialog::reject();
    }
}

}  // namespace karnea
