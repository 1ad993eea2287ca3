#include "service/Injector.h"

#include "service/ClientState.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace logd {

namespace {
constexpr qsizetype kMaxLine = 64 * 1024; // longer lines are dropped
} // namespace

std::optional<InjectedLine> parseInjectedLine(const QByteArray& raw) {
    QByteArray line = raw;
    if (line.endsWith('\r'))
        line.chop(1);
    InjectedLine out;
    const qsizetype tab = line.indexOf('\t');
    const QByteArray category = tab < 0 ? QByteArray() : line.left(tab).trimmed();
    const QByteArray text = tab < 0 ? line : line.mid(tab + 1);
    if (!category.isEmpty()) {
        bool ok = false;
        out.category = category.toInt(&ok);
        if (!ok || out.category < 0 || out.category >= kSwitchCount)
            return std::nullopt;
    }
    out.text = QString::fromUtf8(text);
    out.text.remove(QLatin1Char('\r'));
    return out;
}

Injector::Injector(Service& service, QObject* parent) : QObject(parent), m_service(service) {}

Injector::~Injector() {
    for (auto& s : m_sources) {
        s->notifier.reset();
        if (s->owned && s->fd >= 0)
            ::close(s->fd);
    }
}

void Injector::addDescriptor(int fd, const QString& name) {
    auto source = std::make_unique<Source>();
    source->fd = fd;
    source->name = name;
    source->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    Source* raw = source.get();
    connect(source->notifier.get(), &QSocketNotifier::activated, this, [this, raw] { onReadable(raw); });
    m_sources.push_back(std::move(source));
}

bool Injector::openFifo(const QString& path, QString* error) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        if (::mkfifo(native.constData(), 0600) != 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
    } else if (!S_ISFIFO(st.st_mode)) {
        *error = QStringLiteral("not a FIFO");
        return false;
    }
    // Opened for reading and writing, so that the FIFO never reports the end when a writer goes away.
    const int fd = ::open(native.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    addDescriptor(fd, path);
    m_sources.back()->owned = true;
    return true;
}

void Injector::onReadable(Source* source) {
    char chunk[65536];
    const ssize_t n = ::read(source->fd, chunk, sizeof chunk); // one read: never blocks when readable
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        if (n < 0)
            Service::log(QStringLiteral("injection from %1 failed: %2")
                             .arg(source->name, QString::fromLocal8Bit(std::strerror(errno))));
        source->notifier->setEnabled(false); // end of the stream: nothing more will come
        if (!source->buffer.isEmpty() && !source->skipping) {
            source->buffer.append('\n');
            takeLines(source);
        }
        return;
    }
    source->buffer.append(chunk, static_cast<qsizetype>(n));
    takeLines(source);
}

void Injector::takeLines(Source* source) {
    qsizetype start = 0;
    for (;;) {
        const qsizetype lf = source->buffer.indexOf('\n', start);
        if (lf < 0)
            break;
        if (source->skipping) {
            source->skipping = false;
        } else if (lf - start > kMaxLine) {
            Service::log(QStringLiteral("injected line from %1 longer than 64 KiB, dropped").arg(source->name));
        } else {
            const auto line = parseInjectedLine(source->buffer.mid(start, lf - start));
            if (!line)
                Service::log(QStringLiteral("injected line from %1 has no valid category (0-13 or empty), dropped")
                                 .arg(source->name));
            else if (!line->text.isEmpty())
                m_service.broadcast(line->category, line->text);
        }
        start = lf + 1;
    }
    source->buffer.remove(0, start);
    if (source->buffer.size() > kMaxLine) {
        if (!source->skipping)
            Service::log(QStringLiteral("injected line from %1 longer than 64 KiB, dropped").arg(source->name));
        source->buffer.clear();
        source->skipping = true;
    }
}

} // namespace logd
