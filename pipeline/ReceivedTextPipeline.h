// The one road of received text, from the worker's channel to everyone who keeps or shows it.
//
// Every tick (100 ms for the local station, 1000 ms for a remote one) the pipeline takes the text the
// worker fetched, under the channel's lock, while the link is up and the display is not paused. The whole
// chunk goes first to the log file of the moment (LogOnDiskWriter), then to every listener of `received`
// with the time each part of it arrived, then, for the log view, what the view keeps of it (`shown`: a
// chunk longer than the view's limit is shown by its end behind a marker line). Each tick also tells
// when the link state changed (the first tick always counts), so that the window's title, font and
// commands follow it.
//
// The pipeline has no widgets. The window, the terminal follower and the shut-down's final write all use
// it; nothing else takes text from the channel.
#pragma once

#include "link/WorkerChannel.h"
#include "pipeline/LogOnDisk.h"
#include "pipeline/ViewChunk.h"
#include "state/LogOnDiskChoice.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

namespace pipeline {

// The refresh period for a station in ms: 100 for the local station, 1000 for a remote one.
int RefreshPeriodMs(const QString& host);

class ReceivedTextPipeline : public QObject {
    Q_OBJECT
public:
    // Which text a delivery takes.
    enum class Gate {
        WhileShown, // only while connected and not paused: the window's ticks
        Always,     // whatever the link state: a follower's ticks, and the end of the program
    };

    ReceivedTextPipeline(WorkerChannel& channel, const LogOnDiskChoice& logOnDisk, QObject* parent = nullptr);

    // Ticks do nothing while `*word` is non-zero (start-up); nullptr: never held.
    void HoldWhile(const KestraWord* word) { m_hold = word; }
    // Ticks every `periodMs`; false when no timer could be made (no text is then ever taken).
    bool Start(int periodMs);
    int Period() const { return m_timer.isActive() ? m_timer.interval() : 0; }

    // One tick: nothing while held; while connected, Deliver(Gate::WhileShown); then linkStateChanged
    // when the connected flag differs from the previous tick's.
    void Tick();
    // Takes the pending text (for WhileShown only while connected and not paused) and hands it on; the
    // failure when this delivery began a run of failed log-file writes (also told by logWriteFailed).
    std::optional<LogWriteFailure> Deliver(Gate gate);

    LogOnDiskWriter& Writer() { return m_writer; }
    // The marker line of a chunk the view shows only in part, for the count of characters left out
    // (unset: an English one). The notice for lines the log file lost is the writer's.
    using LeftOutMarker = std::function<QString(int characters)>;
    void SetLeftOutMarker(LeftOutMarker marker) { m_leftOutMarker = std::move(marker); }

Q_SIGNALS:
    // Every non-empty chunk, whole, after the log file got it.
    void received(const ReceivedText& chunk);
    // What the view keeps of a chunk, at every window delivery (empty too: nothing arrived), and the
    // view's limit. Computed only while something listens.
    void shown(const ViewChunk& chunk, int maxLength);
    void linkStateChanged(bool connected);
    void logWriteFailed(const LogWriteFailure& failure);

private:
    WorkerChannel& m_channel;
    const LogOnDiskChoice& m_logOnDisk;
    const KestraWord* m_hold = nullptr;
    LogOnDiskWriter m_writer;
    LeftOutMarker m_leftOutMarker;
    QTimer m_timer;
    int32_t m_lastConnected = -1; // the connected flag at the previous tick; -1 before the first
    bool m_pendingCr = false;     // the last chunk shown ended in CR
};

} // namespace pipeline
