#include "dialogs/cdeliverydlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "base/textfields.h"
#include "delivery/boringdelivery.h"
#include "dialogs/dialogsupport.h"

namespace karnea {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A list of codes shown with their meaning ("02  地形図読取"); a code the
// sheet holds that the list does not know stays as it is, and an empty one
// shows as missing.
void FillCodes(QComboBox* box, const std::vector<CodeChoice>& choices, const std::string& value) {
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItem(QString(), QString());
    bool known = value.empty();
    for (const CodeChoice& c : choices) {
        box->addItem(Q(c.code) + QStringLiteral("  ") + Q(c.meaning), Q(c.code));
        known = known || c.code == value;
    }
    if (!known) {
        box->addItem(Q(value) + QStringLiteral("  (不明)"), Q(value));
    }
    box->setCurrentIndex(box->findData(Q(value)));
}

// A page's pairing with a boring of the boring delivery (its ボーリング名,
// kept in the sheet), and what the page takes from it: shown read-only with
// the file it comes from, its own boxes for those items disabled.
void AddBoringDelivery(DeliveryModel& model, std::size_t boring, QFormLayout& form, QWidget* widget,
                       const std::function<void()>& update,
                       std::vector<std::function<void()>>& refreshers) {
    const SiteBoring& page = model.page(boring);
    auto* name = new QComboBox(widget);
    name->setObjectName(QStringLiteral("boringName"));
    name->setEditable(true);
    name->addItem(QString());
    for (const std::string& n : model.BoringNames()) {
        name->addItem(Q(n));
    }
    name->setCurrentText(Q(page.boringName));
    QObject::connect(
        name, &QComboBox::currentTextChanged, widget,
        [&model, boring, widget, update](const QString& text) {
            model.Pair(boring, text.trimmed().toStdString());
            // The folder box shows what pairing left in it.
            if (auto* folder = widget->findChild<QLineEdit*>(QStringLiteral("folder"))) {
                const QSignalBlocker quiet(folder);
                folder->setText(Q(model.page(boring).folder));
            }
            update();
        });
    form.insertRow(1, LabelFor(QStringLiteral("ボーリング名(&B)"), name, widget), name);
    auto* taken = new QLabel(widget);
    taken->setObjectName(QStringLiteral("taken"));
    taken->setWordWrap(true);
    taken->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    taken->setFocusPolicy(Qt::StrongFocus);
    form.insertRow(2, LabelFor(QStringLiteral("ボーリングの納品から(&G)"), taken, widget), taken);
    refreshers.push_back([&model, boring, taken, widget] {
        const std::vector<TakenItem> items = model.Taken(boring);
        // The files the values come from: "BORING.XML・BED0001.XML から".
        QStringList files;
        for (const TakenItem& t : items) {
            if (!files.contains(Q(t.file))) {
                files << Q(t.file);
            }
        }
        taken->setText(files.isEmpty()
                           ? QStringLiteral("ボーリング名の合うボーリングがありません")
                           : files.join(QStringLiteral("・")) + QStringLiteral(" から（灰色）"));
        taken->setAccessibleName(QStringLiteral("ボーリングの納品から"));
        taken->setAccessibleDescription(taken->text());
        // A box whose item is taken shows the value taken, greyed; it comes
        // back to its hint when the pairing goes.
        for (const char* key : {"folder", "site", "longitude", "latitude", "datum", "elevation",
                                "method", "precision", "diameter"}) {
            QWidget* box = widget->findChild<QWidget*>(QLatin1String(key));
            if (box == nullptr) {
                continue;
            }
            const auto value = std::find_if(items.begin(), items.end(),
                                            [&](const TakenItem& t) { return t.key == key; });
            box->setEnabled(value == items.end() &&
                            (std::string_view(key) != "diameter" ||
                             model.sheet.edition == DeliveryEdition::e2016));
            const QString from =
                value != items.end() ? Q(value->file) + QStringLiteral(" から") : QString();
            box->setToolTip(from);
            box->setAccessibleDescription(from);
            if (auto* line = qobject_cast<QLineEdit*>(box)) {
                if (!line->property("hint").isValid()) {
                    line->setProperty("hint", line->placeholderText());
                }
                line->setPlaceholderText(value != items.end() ? Q(value->value)
                                                              : line->property("hint").toString());
            } else if (auto* codes = qobject_cast<QComboBox*>(box)) {
                // A code list shows the code taken, greyed, else the sheet's.
                const QSignalBlocker quiet(codes);
                codes->setCurrentIndex(codes->findData(
                    value != items.end() ? Q(value->value) : Q(*ItemOf(model.page(boring), key))));
            }
        }
    });
}

}  // namespace

CDeliveryDlg::CDeliveryDlg(DeliveryModel& model, Messages& messages, Keep keep, QWidget* parent)
    : CEditDlg(parent) {
    setWindowTitle(QStringLiteral("電子納品出力"));
    setObjectName(QStringLiteral("delivery"));
    SetOk(
        [&model, keep = std::move(keep)] {
            std::optional<Refusal> refusal = model.Check();
            if (!refusal && !keep()) {
                refusal = Refusal{};
            }
            return refusal;
        },
        messages);

    auto* problems = new QPlainTextEdit(this);
    problems->setObjectName(QStringLiteral("problems"));
    problems->setReadOnly(true);
    problems->setMaximumHeight(110);
    // What the boring delivery gives each page is shown again on each change.
    auto refreshers = std::make_shared<std::vector<std::function<void()>>>();
    const auto update = [&model, problems, refreshers] {
        const QString text = Q(JoinedLines(model.Problems()));
        problems->setPlainText(text.isEmpty() ? QStringLiteral("なし（出力できます）") : text);
        for (const auto& refresh : *refreshers) {
            refresh();
        }
    };

    auto* edition = new QComboBox(this);
    edition->setObjectName(QStringLiteral("edition"));
    edition->addItem(QStringLiteral("2016 年版 (土木201610-01、B1531)"), 2016);
    edition->addItem(QStringLiteral("2008 年版 (土木200812-01、B1421)"), 2008);
    edition->setCurrentIndex(model.sheet.edition == DeliveryEdition::e2016 ? 0 : 1);
    auto* client = new QLineEdit(Q(model.sheet.client), this);
    client->setObjectName(QStringLiteral("client"));
    client->setMinimumWidth(320);
    connect(client, &QLineEdit::textChanged, this, [&model, update](const QString& text) {
        model.sheet.client = text.trimmed().toStdString();
        update();
    });
    auto* top = new QFormLayout;
    top->addRow(LabelFor(QStringLiteral("要領(&E)"), edition, this), edition);
    top->addRow(LabelFor(QStringLiteral("発注機関名称(&C)"), client, this), client);

    // A page a boring; what the edition changes is refilled on each.
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("borings"));
    auto editionChanged = std::make_shared<std::vector<std::function<void()>>>();
    for (std::size_t i = 0; i < model.borings().size(); ++i) {
        const DeliveryModel::Boring& boring = model.borings()[i];
        SiteBoring& page = model.page(i);
        auto* widget = new QWidget(tabs);
        widget->setObjectName(QStringLiteral("boring%1").arg(i + 1));
        auto* form = new QFormLayout(widget);
        auto* tests = new QListWidget(widget);
        tests->setObjectName(QStringLiteral("tests"));
        for (const std::string& t : boring.tests) {
            tests->addItem(Q(t));
        }
        tests->setMaximumHeight(90);
        form->addRow(LabelFor(QStringLiteral("試験"), tests, widget), tests);
        const auto text = [&](const char* name, const QString& caption, std::string& value,
                              const QString& hint, Input input = Input::text) {
            auto* box = new QLineEdit(Q(value), widget);
            box->setObjectName(QString::fromLatin1(name));
            box->setPlaceholderText(hint);
            // Numbers as every number box takes them, from an input method too.
            box->setValidator(new TextValidator(TextKind::header, input, box));
            connect(box, &QLineEdit::textChanged, this, [&value, update](const QString& t) {
                value = t.trimmed().toStdString();
                update();
            });
            form->addRow(LabelFor(caption, box, widget), box);
            return box;
        };
        const auto codes = [&](const char* name, const QString& caption, std::string& value,
                               const std::vector<CodeChoice>& choices) {
            auto* box = new QComboBox(widget);
            box->setObjectName(QString::fromLatin1(name));
            FillCodes(box, choices, value);
            connect(box, &QComboBox::currentIndexChanged, this, [box, &value, update] {
                value = box->currentData().toString().toStdString();
                update();
            });
            form->addRow(LabelFor(caption, box, widget), box);
            return box;
        };
        text("folder", QStringLiteral("フォルダ名(&F)"), page.folder, QStringLiteral("BRG0001"));
        text("site", QStringLiteral("地点名(&S)"), page.site, Q(boring.number));
        text("longitude", QStringLiteral("経度 度 分 秒(&O)"), page.longitude,
             QStringLiteral("136 13 13.0330"), Input::numbers);
        text("latitude", QStringLiteral("緯度 度 分 秒(&A)"), page.latitude,
             QStringLiteral("36 04 41.9870"), Input::numbers);
        codes("method", QStringLiteral("経緯度取得方法(&M)"), page.method, MethodChoices());
        codes("precision", QStringLiteral("経緯度読取精度(&P)"), page.precision,
              PrecisionChoices());
        QComboBox* datum = codes("datum", QStringLiteral("測地系(&D)"), page.datum,
                                 DatumChoices(model.sheet.edition));
        text("elevation", QStringLiteral("標高 m(&H)"), page.elevation, QStringLiteral("7.10"),
             Input::number);
        QLineEdit* diameter = text("diameter", QStringLiteral("試験孔径 mm(&R)"), page.diameter,
                                   QStringLiteral("66"), Input::number);
        codes("instrument", QStringLiteral("測定器名(&I)"), page.instrument, InstrumentChoices());
        if (!model.BoringNames().empty()) {
            AddBoringDelivery(model, i, *form, widget, update, *refreshers);
        }
        diameter->setEnabled(model.sheet.edition == DeliveryEdition::e2016);
        editionChanged->push_back([&model, &page, datum, diameter] {
            FillCodes(datum, DatumChoices(model.sheet.edition), page.datum);
            diameter->setEnabled(model.sheet.edition == DeliveryEdition::e2016);
        });
        tabs->addTab(widget, Q(boring.number.empty() ? std::string("(孔番なし)") : boring.number));
    }
    connect(
        edition, &QComboBox::currentIndexChanged, this, [&model, edition, editionChanged, update] {
            model.sheet.edition = edition->currentData().toInt() == 2016 ? DeliveryEdition::e2016
                                                                         : DeliveryEdition::e2008;
            for (const auto& refill : *editionChanged) {
                refill();
            }
            update();
        });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tabs);
    layout->addWidget(LabelFor(QStringLiteral("出力を止めている項目(&W)"), problems, this));
    layout->addWidget(problems);
    layout->addWidget(
        new QLabel(QStringLiteral("この内容は試験のフォルダの delivery.ini に保存します。"), this));
    layout->addLayout(OkCancelRow(*this));
    update();
}

}  // namespace karnea
