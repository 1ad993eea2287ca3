#include "app/TerminationSignals.h"

#include "base/SignalPipe.h"

#include <QPointer>
#include <QWidget>

#include <csignal>

void CloseOnTerminationSignals(QWidget* window) {
    // Once each: a second signal of the same kind ends the process as it would have without this.
    if (!base::InstallSignalPipe({SIGTERM, SIGINT}, true))
        return;
    auto* notifier = new base::SignalNotifier(window);
    QObject::connect(notifier, &base::SignalNotifier::signalled, window, [target = QPointer<QWidget>(window)] {
        if (target)
            target->close();
    });
}
