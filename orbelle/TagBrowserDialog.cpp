#include "orbelle/TagBrowserDialog.h"

#include "orbelle/TagTableView.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Up and Down in the filter field move through the list, so that typing and choosing need no mouse.
class ArrowKeysToTable : public QObject {
public:
    ArrowKeysToTable(QLineEdit* field, QWidget* table) : QObject(field), m_table(table) {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const int code = key->key();
        if (code != Qt::Key_Up && code != Qt::Key_Down && code != Qt::Key_PageUp && code != Qt::Key_PageDown)
            return false;
        QKeyEvent copy(QEvent::KeyPress, code, key->modifiers());
        QCoreApplication::sendEvent(m_table, &copy);
        return true;
    }

private:
    QWidget* m_table;
};

} // namespace

TagBrowserDialog::TagBrowserDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Select Tag"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    resize(640, 420);

    m_filter = new QLineEdit(this);
    m_filter->setPlaceholderText(tr("Type a part of the tag name"));
    m_filter->setClearButtonEnabled(true);
    auto* filterLabel = new QLabel(tr("&Filter:"), this);
    filterLabel->setBuddy(m_filter);
    m_table = new TagTableView(this);
    m_status = new QLabel(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(m_filter);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(m_table);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);

    new ArrowKeysToTable(m_filter, m_table);
    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_table->SetFilter(text);
        UpdateState();
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this, &TagBrowserDialog::UpdateState);
    connect(m_table, &QAbstractItemView::doubleClicked, this, &TagBrowserDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &TagBrowserDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TagBrowserDialog::reject);
    m_filter->setFocus();
    UpdateState();
}

int32_t TagBrowserDialog::LoadTags() {
    QList<MiraboTagInfo> tags;
    const int32_t code = TagList(QString(), &tags);
    m_error = code == MIRABO_OK
                  ? QString()
                  : tr("The station's tags cannot be read (error 0x%1).").arg(static_cast<uint32_t>(code), 8, 16,
                                                                               QLatin1Char('0'));
    SetTags(std::move(tags));
    return code;
}

void TagBrowserDialog::SetTags(QList<MiraboTagInfo> tags) {
    m_table->SetTags(std::move(tags));
    UpdateState();
}

void TagBrowserDialog::accept() {
    const QString name = m_table->CurrentName();
    if (name.isEmpty())
        return; // nothing to pick: the dialog stays open
    m_picked = name;
    QDialog::accept();
}

void TagBrowserDialog::UpdateState() {
    m_ok->setEnabled(!m_table->CurrentName().isEmpty());
    if (!m_error.isEmpty())
        m_status->setText(m_error);
    else
        m_status->setText(tr("%1 of %2 tags").arg(m_table->ShownCount()).arg(m_table->TagCount()));
}

void WriteOrbelleName(const QString& name, char16_t* buffer) {
    qsizetype length = std::min<qsizetype>(name.size(), kOrbelleNameMax);
    if (length > 0 && length < name.size() && name.at(length - 1).isHighSurrogate())
        --length;
    std::copy_n(reinterpret_cast<const char16_t*>(name.utf16()), length, buffer);
    buffer[length] = u'\0';
}
