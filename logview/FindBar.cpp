#include "logview/FindBar.h"

#include "res/Ids.h"
#include "res/Resources.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

CFindBar::CFindBar(QWidget* parent) : QWidget(parent) {
    // The window's accelerators (Del, Ctrl+C, ...) leave this bar's keys to its own controls.
    setProperty("kestraOwnKeys", true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel(res::String(ids::IDS_FIND_LABEL), this);
    m_field = new QLineEdit(this);
    m_field->setClearButtonEnabled(true);
    label->setBuddy(m_field);
    auto* previous = new QPushButton(res::String(ids::IDS_FIND_PREVIOUS), this);
    auto* next = new QPushButton(res::String(ids::IDS_FIND_NEXT), this);
    m_matchCase = new QCheckBox(res::String(ids::IDS_FIND_MATCH_CASE), this);
    m_regex = new QCheckBox(res::String(ids::IDS_FIND_REGEX), this);
    m_status = new QLabel(this);
    m_status->setMinimumWidth(fontMetrics().averageCharWidth() * 24);
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("\u2715"));
    close->setAutoRaise(true);
    for (QWidget* w :
         {static_cast<QWidget*>(previous), static_cast<QWidget*>(next), static_cast<QWidget*>(close)})
        w->setFocusPolicy(Qt::NoFocus);

    layout->addWidget(label);
    layout->addWidget(m_field, 1);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(m_matchCase);
    layout->addWidget(m_regex);
    layout->addWidget(m_status);
    layout->addWidget(close);

    connect(m_field, &QLineEdit::textChanged, this, &CFindBar::searchChanged);
    connect(m_matchCase, &QCheckBox::toggled, this, &CFindBar::searchChanged);
    connect(m_regex, &QCheckBox::toggled, this, &CFindBar::searchChanged);
    connect(next, &QPushButton::clicked, this, [this] { Q_EMIT findRequested(true); });
    connect(previous, &QPushButton::clicked, this, [this] { Q_EMIT findRequested(false); });
    connect(close, &QToolButton::clicked, this, &CFindBar::closeRequested);
    m_field->installEventFilter(this);
    hide();
}

QString CFindBar::Pattern() const {
    return m_field->text();
}
bool CFindBar::MatchCase() const {
    return m_matchCase->isChecked();
}
bool CFindBar::RegularExpression() const {
    return m_regex->isChecked();
}

void CFindBar::Open() {
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void CFindBar::ShowStatus(const QString& text, bool problem) {
    m_status->setText(text);
    m_status->setStyleSheet(problem ? QStringLiteral("color: #b00020;") : QString());
}

bool CFindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Q_EMIT findRequested(!(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            Q_EMIT closeRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
