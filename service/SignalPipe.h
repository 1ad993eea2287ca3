// SIGINT and SIGTERM delivered to the event loop through a self-pipe.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace logd {

class SignalPipe : public QObject {
    Q_OBJECT
public:
    explicit SignalPipe(QObject* parent = nullptr);
    ~SignalPipe() override;
    bool ok() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void signalled(int signo);

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace logd
