// The simulated runtime: messages in every category at about the given interval (with jitter) and tag
// value changes on every step. An interval of 0 keeps it silent.
#pragma once

#include "service/Service.h"

#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

#include <array>

namespace logd {

class Simulator : public QObject {
    Q_OBJECT
public:
    Simulator(Service& service, int intervalMs, QObject* parent = nullptr);
    void start();

private:
    void scheduleCategory(int category);
    void fireCategory(int category);
    void stepTags();

    Service& m_service;
    int m_intervalMs;
    QRandomGenerator m_rng;
    std::array<QTimer, kSwitchCount> m_categoryTimers;
    QTimer m_tagTimer;
};

} // namespace logd
