#include "halcyte/HalcyteWindow.h"

#include "halcyte/StationPoller.h"
#include "orbelle/TagTableView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTime>
#include <QVBoxLayout>

HalcyteWindow::HalcyteWindow(const HalcyteOptions& options, QWidget* parent) : QWidget(parent) {
    setWindowTitle(HalcyteTitle(options.host));
    resize(720, 480);

    auto* station = new QLabel(tr("Station: %1, port %2").arg(options.host).arg(options.port), this);
    auto* filter = new QLineEdit(this);
    filter->setPlaceholderText(tr("Filter by tag name"));
    filter->setClearButtonEnabled(true);
    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; }"));
    m_problem->hide();
    m_table = new TagTableView(this);
    m_status = new QLabel(tr("Connecting..."), this);

    auto* top = new QHBoxLayout;
    top->addWidget(station, 1);
    top->addWidget(filter, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_problem);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_status);
    connect(filter, &QLineEdit::textChanged, m_table, &TagTableView::SetFilter);

    m_poller = new StationPoller(options.host, options.port, this);
    m_poller->m_onTags = [this](const QList<MiraboTagInfo>& tags) { ShowTags(tags); };
    m_poller->m_onProblem = [this](const QString& problem) { ShowProblem(problem); };
    m_poller->Start();
}

HalcyteWindow::~HalcyteWindow() {
    delete m_poller; // its thread ends before the widgets it reports to go
}

void HalcyteWindow::ShowTags(const QList<MiraboTagInfo>& tags) {
    m_problem->hide();
    m_table->SetTags(tags);
    m_status->setText(tr("%1 tags, values of %2").arg(tags.size()).arg(QTime::currentTime().toString(Qt::ISODate)));
}

void HalcyteWindow::ShowProblem(const QString& problem) {
    m_problem->setText(problem);
    m_problem->show();
    m_status->setText(m_table->TagCount() > 0 ? tr("The values shown are the last ones read.") : QString());
}
