// HalcyteExt's window: the station it inspects in its title, the project's tags with their current
// values (refreshed every second, narrowed by a name filter) and, when the station cannot be read, why.
#pragma once

#include "halcyte/HalcyteOptions.h"
#include "toolkit/MiraboToolkit.h"

#include <QWidget>

class QLabel;
class StationPoller;
class TagTableView;

class HalcyteWindow : public QWidget {
    Q_OBJECT
public:
    explicit HalcyteWindow(const HalcyteOptions& options, QWidget* parent = nullptr);
    ~HalcyteWindow() override;

private:
    void ShowTags(const QList<MiraboTagInfo>& tags);
    void ShowProblem(const QString& problem);

    TagTableView* m_table;
    QLabel* m_problem;
    QLabel* m_status;
    StationPoller* m_poller;
};
