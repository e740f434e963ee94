// What the test and calibration header dialogs share on the screen: a form of
// header texts bound to the model's fields, the engineer list from the
// master, the date with its era list, the display method, OK and Cancel,
// and the Enter key of the settings.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "dialogs/ceditdlg.h"
#include "dialogs/dialogsupport.h"

class QButtonGroup;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;

namespace karnea {

struct Settings;

class CHeaderDlg : public CEditDlg {
    Q_OBJECT

public:
    // `field` gives the model's text of a header number.
    using FieldOf = std::function<std::string&(int)>;
    CHeaderDlg(const QString& caption, FieldOf field, QWidget* parent);

protected:
    // A row of the form: caption, the box of header text `number` (named
    // "field<number>"), and a unit after it.
    QLineEdit* AddText(int number, const QString& caption, Input input = Input::text,
                       const QString& unit = QString());
    // "（Ｎｏ．）": the number's caption and the number.
    void AddNumber(int captionNumber, int numberNumber);
    // "担当者": an editable list of the master's names.
    void AddEngineer(const Settings& settings);
    // "測定年月日": the era list, then year, month and day.
    void AddDate();
    // The display method: "直線近似" (0) or "回帰曲線　" (1), bound to `method`.
    QWidget* MethodButtons(const QString& title, int& method);
    // OK and Cancel under everything; the Enter key of the settings.
    void Finish(const Settings& settings);
    // Shows the model's text of header `number` again.
    void Refresh(int number);

    QGridLayout* form_ = nullptr;
    int row_ = 0;

private:
    QLineEdit* Box(int number, Input input = Input::text);

    FieldOf field_;
    std::map<int, QLineEdit*> boxes_;
};

}  // namespace karnea
