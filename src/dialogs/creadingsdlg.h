// What the two readings dialogs share on the screen: the list with its
// in-place editor, the entry fields with "データ追加", "上書き" and "行削除",
// the preview area, OK and Cancel. Every rule is the grid model's: the
// widgets pass their events on and show the model's state afterwards.
#pragma once

#include <QDialog>
#include <QFrame>
#include <functional>
#include <vector>

#include "dialogs/ceditdlg.h"
#include "dialogs/dialogsupport.h"
#include "entry/readingsgrid.h"
#include "pages/dialogpreviews.h"
#include "render/qpaintersurface.h"

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

namespace karnea {

class Surface;

// The framed white area a preview is drawn in.
class CPreviewArea : public QFrame {
    Q_OBJECT

public:
    using Draw = std::function<void(Surface&, PreviewArea)>;
    CPreviewArea(Draw draw, QWidget* parent);
    // Nothing is drawn until the first redraw is asked for.
    void SetDrawn(bool drawn) { drawn_ = drawn; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Draw draw_;
    bool drawn_ = false;
    FontCache fonts_;
};

class CReadingsDlg : public CEditDlg {
    Q_OBJECT

public:
    // The model must outlive the dialog.
    CReadingsDlg(ReadingsGrid& grid, const QString& caption, QWidget* parent);

    // OK with the grid's rule: while the editor is open the dialog stays.
    void accept() override;
    // Cancel, the close box and Esc: asks after changes.
    void reject() override;

protected:
    // Builds the list, the editor, the entry fields with their labels and
    // units, the row buttons and the preview; the dialog adds its own
    // controls around them, then calls FinishLayout.
    void BuildGrid(const std::vector<std::pair<QString, QString>>& entryLabels,
                   const QString& autoIncrementCaption, CPreviewArea::Draw draw);
    // `options` are the dialog's own controls, in the order Tab takes them
    // after the row buttons.
    void FinishLayout(const std::vector<QWidget*>& options);
    // Only the list with its editor, OK and Cancel (the names master), to be
    // laid out by the dialog, which then calls Ready.
    void BuildList(int visibleRows);
    // The controls pass their events to the grid from now on.
    void Ready();
    // Runs a model call with the geometry told before and the state shown after.
    void Forward(const std::function<void()>& call);
    // A read-only box of the preview's scale, named for a screen reader.
    QLineEdit* AxisBox(const char* objectName, const QString& name);
    // The preview with its scale boxes: on the left its bottom and top, on
    // the right its bottom and top (none for the calibration), below it its
    // left and right.
    void PlacePreview(QLineEdit* leftBottom, QLineEdit* leftTop, QLineEdit* rightBottom,
                      QLineEdit* rightTop, QLineEdit* belowLeft, QLineEdit* belowRight,
                      const QString& leftLabel, const QString& belowLabel);
    // Shows the model's state; dialogs add their own boxes.
    void Sync();
    virtual void SyncOwn() {}

    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

    ReadingsGrid& grid_;
    QGridLayout* layout_ = nullptr;
    // The dialog's options, beside the entry fields.
    QVBoxLayout* options_ = nullptr;
    QTableWidget* list_ = nullptr;
    QLineEdit* editor_ = nullptr;
    std::vector<QLineEdit*> entries_;
    QCheckBox* autoIncrement_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* overwrite_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QFrame* dataFrame_ = nullptr;
    CPreviewArea* preview_ = nullptr;

private:
    // What the editor and the entry fields take: numbers in the readings.
    Input CellInput() const;
    // Cut, copy, paste, delete and select all on the list (keys and its
    // context menu), and the block of cells they act on.
    void BuildClipboardActions();
    ReadingsGrid::Block SelectedBlock() const;
    void TellGeometry();
    PointerZone ZoneAt(const QPoint& globalPos) const;
    bool KeyPress(QObject* watched, QKeyEvent* event);
    void SetPointerHidden(bool hidden);

    bool syncing_ = false;
    bool afterDoubleClick_ = false;
    // A mouse button is down on the list.
    bool pointerOnList_ = false;
    bool pointerHidden_ = false;
    unsigned previewRevision_ = 0;
    // The list's cells as last shown; they start out of date.
    unsigned listRevision_ = ~0U;
};

}  // namespace karnea
