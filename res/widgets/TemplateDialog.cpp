#include "res/widgets/TemplateDialog.h"

#include "res/Icon.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace res {
namespace {

int Scale(int value, int base, int divisor) {
    // Rounded like the platform's MulDiv.
    const long long product = static_cast<long long>(value) * base;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

bool TakesMnemonicFocus(const QString& kind) {
    return kind != QLatin1String("static") && kind != QLatin1String("rstatic") &&
           kind != QLatin1String("group") && kind != QLatin1String("icon");
}

} // namespace

TemplateDialog::TemplateDialog(int templateId, QWidget* parent)
    : TemplateDialog(Dialog(templateId), parent) {}

TemplateDialog::TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent), m_template(dialogTemplate) {
    Build();
}

TemplateDialog::~TemplateDialog() = default;

QSize TemplateDialog::BaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int averageWidth = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    return QSize(qMax(1, averageWidth), qMax(1, metrics.height()));
}

QRect TemplateDialog::MapDialogRect(const QRect& dialogUnits, const QFont& font) {
    const QSize base = BaseUnits(font);
    return QRect(Scale(dialogUnits.x(), base.width(), 4), Scale(dialogUnits.y(), base.height(), 8),
                 Scale(dialogUnits.width(), base.width(), 4), Scale(dialogUnits.height(), base.height(), 8));
}

QRect TemplateDialog::MapDialogRect(const QRect& dialogUnits) const {
    return MapDialogRect(dialogUnits, font());
}

void TemplateDialog::Build() {
    setWindowTitle(m_template.caption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    for (const DialogControl& control : m_template.controls) {
        QWidget* widget = CreateControl(control);
        m_ordered.append(widget);
        if (control.id >= 0 && !m_controls.contains(control.id))
            m_controls.insert(control.id, widget);
    }
    // A label's mnemonic moves the focus to the next control that can take it.
    for (int i = 0; i < m_ordered.size(); ++i) {
        auto* label = qobject_cast<QLabel*>(m_ordered[i]);
        if (!label || !m_template.controls[i].text.contains(u'&'))
            continue;
        for (int j = i + 1; j < m_ordered.size(); ++j) {
            if (TakesMnemonicFocus(m_template.controls[j].kind)) {
                label->setBuddy(m_ordered[j]);
                break;
            }
        }
    }
    setFixedSize(MapDialogRect(QRect(QPoint(0, 0), m_template.size)).size());
}

QWidget* TemplateDialog::CreateControl(const DialogControl& control) {
    const QString& kind = control.kind;
    QRect place = MapDialogRect(control.rect);
    const int id = control.id;
    QWidget* widget = nullptr;
    if (kind == QLatin1String("button") || kind == QLatin1String("defbutton")) {
        auto* button = new QPushButton(control.text, this);
        button->setDefault(kind == QLatin1String("defbutton"));
        connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        widget = button;
    } else if (kind == QLatin1String("radio")) {
        auto* radio = new QRadioButton(control.text, this);
        connect(radio, &QRadioButton::clicked, this, [this, id] { OnCommand(id); });
        widget = radio;
    } else if (kind == QLatin1String("check")) {
        auto* check = new QCheckBox(control.text, this);
        connect(check, &QCheckBox::clicked, this, [this, id] { OnCommand(id); });
        widget = check;
    } else if (kind == QLatin1String("edit") || kind == QLatin1String("password")) {
        auto* edit = new QLineEdit(control.text, this);
        if (kind == QLatin1String("password"))
            edit->setEchoMode(QLineEdit::Password);
        connect(edit, &QLineEdit::textChanged, this, [this, id] { OnEditChange(id); });
        widget = edit;
    } else if (kind == QLatin1String("group")) {
        widget = new QGroupBox(control.text, this);
        widget->setFocusPolicy(Qt::NoFocus);
    } else if (kind == QLatin1String("listbox")) {
        auto* list = new QListWidget(this);
        connect(list, &QListWidget::itemSelectionChanged, this, [this, id] { OnSelChange(id); });
        widget = list;
    } else if (kind == QLatin1String("combo")) {
        auto* combo = new QComboBox(this);
        connect(combo, &QComboBox::currentIndexChanged, this, [this, id] { OnSelChange(id); });
        // The template's height includes the drop-down list; the closed box is one line high.
        place.setHeight(qMin(place.height(), combo->sizeHint().height()));
        widget = combo;
    } else if (kind == QLatin1String("icon")) {
        auto* label = new QLabel(this);
        const QSize iconSize(32, 32);
        label->setPixmap(ProgramIcon().pixmap(iconSize));
        place.setSize(iconSize);
        widget = label;
    } else { // "static", "rstatic" and anything unknown: a label
        const bool right = kind == QLatin1String("rstatic");
        auto* label = new QLabel(control.text, this);
        label->setAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        // The templates were laid out for a narrower font: a short label that would be clipped grows
        // (to the left when right-aligned); controls created after it stay on top.
        const QSize hint = label->sizeHint();
        if (hint.width() > place.width()) {
            if (right)
                place.setLeft(place.right() + 1 - hint.width());
            else
                place.setWidth(hint.width());
        }
        place.setHeight(qMax(place.height(), hint.height()));
        widget = label;
    }
    widget->setGeometry(place);
    if (id >= 0)
        widget->setObjectName(QStringLiteral("control%1").arg(id));
    return widget;
}

QWidget* TemplateDialog::Control(int id) const {
    return m_controls.value(id, nullptr);
}

QWidget* TemplateDialog::ControlAt(int index) const {
    return index >= 0 && index < m_ordered.size() ? m_ordered[index] : nullptr;
}

int TemplateDialog::DoModal() {
    const int result = exec();
    return result == QDialog::Rejected ? 2 : result;
}

void TemplateDialog::InitDialog() {
    if (m_initialized)
        return;
    m_initialized = true;
    OnInitDialog();
}

void TemplateDialog::showEvent(QShowEvent* event) {
    InitDialog();
    QDialog::showEvent(event);
}

void TemplateDialog::OnCommand(int id) {
    if (id == 1)
        OnOK();
    else if (id == 2)
        OnCancel();
}

} // namespace res
