// Log lines injected from standard input or a FIFO, one a line: "category<TAB>text", where category is
// a switch index 0-13 (the line goes to clients with log output and that switch on) or empty (to every
// client with log output on). A line without a TAB counts as text with an empty category.
#pragma once

#include "service/Service.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>

#include <memory>
#include <optional>
#include <vector>

namespace logd {

struct InjectedLine {
    int category = -1;
    QString text;
};

// Parses one line (without its line break); nullopt when the category is not empty and not 0-13.
std::optional<InjectedLine> parseInjectedLine(const QByteArray& line);

class Injector : public QObject {
    Q_OBJECT
public:
    explicit Injector(Service& service, QObject* parent = nullptr);
    ~Injector() override;

    // Reads lines from an open descriptor (standard input); it stops at the end of the stream.
    void addDescriptor(int fd, const QString& name);
    // Opens (creating when missing) a FIFO; writers may come and go.
    bool openFifo(const QString& path, QString* error);

private:
    struct Source {
        int fd = -1;
        bool owned = false;
        QString name;
        QByteArray buffer;
        bool skipping = false; // inside an over-long line
        std::unique_ptr<QSocketNotifier> notifier;
    };
    void onReadable(Source* source);
    void takeLines(Source* source);

    Service& m_service;
    std::vector<std::unique_ptr<Source>> m_sources;
};

} // namespace logd
