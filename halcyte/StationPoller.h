// Reads a station's tags once a second on a thread of its own, through a link it keeps open and reopens
// (every 2 s) while the station cannot be reached. Results are handed to the owner's thread.
#pragma once

#include "toolkit/MiraboToolkit.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <thread>

class StationPoller : public QObject {
    Q_OBJECT
public:
    StationPoller(QString host, int32_t port, QObject* parent = nullptr);
    ~StationPoller() override; // ends the thread (its toolkit waits stop within one wait slice)

    // Called on the owner's thread: the tags as last read, or why none could be read.
    std::function<void(const QList<MiraboTagInfo>&)> m_onTags;
    std::function<void(const QString&)> m_onProblem;

    void Start();

private:
    void Run();
    void Poll(MiraboLink* link); // until asked to stop; `link` is the open link, if any
    // Waits up to `ms`, returning early when asked to stop; false when asked to stop.
    bool Pause(int ms);
    void Report(QList<MiraboTagInfo> tags);
    void Report(const QString& problem);
    QString Describe(int32_t code) const;
    MiraboEndpoint Endpoint() const;

    QString m_host;
    int32_t m_port;
    std::atomic<int32_t> m_stop{0};
    std::thread m_thread;
};
