// Cost floors measured without Kestra, on the display Kestra would use:
//  - idle: what a Qt GUI thread spends on a 100 ms timer that does nothing, and what a thread spends on
//    one small request/answer round trip over TCP loopback every 100 ms, sleeping between them. Kestra's
//    view timer and its worker's log.read cycle run at exactly these periods, so its idle cost cannot go
//    below these figures;
//  - streaming: what painting alone costs when a 1600x1000 window shows new 76-character lines as they
//    arrive, ten batches a second, the older lines moving up: each way Qt can paint them, in the font of
//    Kestra's view, and nothing else. At 1000 lines/s and more every visible line is new at every tick.
//
//   bench_floor [SECONDS [RATE [WAY...]]]   (30 s for the idle floor and for each way, 1000 lines/s)
//
// WAY is idle or a letter of the ways below (all by default). Each way prints the process's CPU seconds
// (all threads) per 100k lines arriving and, in brackets, the X server's over the same interval.
#include <QApplication>
#include <QEventLoop>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QRawFont>
#include <QStaticText>
#include <QTextLayout>
#include <QTimer>
#include <QWidget>

#ifdef BENCH_FLOOR_XCB
#include <QGuiApplication>
#include <xcb/xcb.h>
#endif

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

namespace {
double CpuSeconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// A loopback echo of one short line per 100 ms; returns the client thread's CPU seconds.
double RoundTrips(int seconds, std::atomic<bool>& stop) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 1);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::thread server([listener] {
        const int peer = ::accept(listener, nullptr, nullptr);
        char buffer[512];
        ssize_t n;
        while ((n = ::recv(peer, buffer, sizeof buffer, 0)) > 0)
            ::send(peer, buffer, static_cast<size_t>(n), 0);
        ::close(peer);
    });
    const int client = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const char request[] =
        "{\"jsonrpc\":\"2.0\",\"id\":7,\"method\":\"log.read\",\"params\":{\"max\":16000}}\n";
    char answer[512];
    const double before = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    auto next = std::chrono::steady_clock::now();
    for (int i = 0; i < seconds * 10 && !stop; ++i) {
        ::send(client, request, sizeof request - 1, 0);
        ::recv(client, answer, sizeof answer, 0);
        next += std::chrono::milliseconds(100);
        std::this_thread::sleep_until(next);
    }
    const double used = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - before;
    ::close(client);
    server.join();
    ::close(listener);
    return used;
}

// Runs the events for `ms` (QApplication::quit() would close the windows).
void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void IdleFloor(int seconds) {
    QWidget window;
    window.resize(400, 300);
    window.show();
    std::atomic<bool> stop{false};
    double workerCpu = 0;
    std::thread worker([&] { workerCpu = RoundTrips(seconds, stop); });
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(100);
    double uiBefore = 0;
    QTimer::singleShot(0, [&] { uiBefore = CpuSeconds(CLOCK_THREAD_CPUTIME_ID); });
    RunFor(seconds * 1000);
    const double uiCpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - uiBefore;
    stop = true;
    worker.join();
    std::printf("idle floor over %d s: GUI thread with a 100 ms timer %.4f CPU s per 30 s (%d ticks); "
                "a 100 ms loopback round trip %.4f CPU s per 30 s; together %.4f\n",
                seconds, uiCpu * 30 / seconds, ticks, workerCpu * 30 / seconds,
                (uiCpu + workerCpu) * 30 / seconds);
}

// ---------------------------------------------------------------------------------------------------
// Streaming

// The X server's process, from the other end of this program's connection to it; 0 when unknown.
pid_t XServerPid() {
#ifdef BENCH_FLOOR_XCB
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        const int fd = xcb_get_file_descriptor(x11->connection());
        ucred peer{};
        socklen_t size = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0)
            return peer.pid;
    }
#endif
    return 0;
}

// CPU seconds of another process so far (user and system, from /proc); 0 when unknown.
double ProcessCpuSeconds(pid_t pid) {
    if (pid == 0)
        return 0;
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t end = stat.rfind(')');
    if (end == std::string::npos)
        return 0;
    unsigned long long utime = 0, stime = 0;
    // After the name: state and 10 fields before utime and stime.
    std::sscanf(stat.c_str() + end + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime,
                &stime);
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

QString LineText(long long number) { // 76 characters
    return QStringLiteral("S%1 t=%2 ............................................")
        .arg(number, 8, 10, QChar(u'0'))
        .arg(number * 7919, 19, 10, QChar(u'0'));
}

constexpr int kLeft = 4; // the text's margin

// What the ways know of the font: itself, as a QRawFont, and the rows' geometry.
struct Font {
    QFont font;
    QRawFont raw;
    int step = 0; // the line spacing
    int ascent = 0;
};

// One tick's new lines as far as they stay on screen, in the form a way prepared when they arrived.
struct Batch {
    QStringList texts;
    std::vector<QStaticText> statics;
    std::vector<QGlyphRun> runs; // one a line, or one for the whole batch
    std::unique_ptr<QTextLayout> layout;
};

// Each way: what it prepares when a batch arrives, and how it paints the batch's lines `first` to `last`
// with the batch's top row at `y`.
using PrepareFn = void (*)(Batch&, const Font&);
using PaintFn = void (*)(QPainter&, const Batch&, const Font&, int y, int first, int last);

void PrepareNothing(Batch&, const Font&) {}

// a) QPainter::drawText of each line, laid out at every paint.
void PaintText(QPainter& painter, const Batch& batch, const Font& font, int y, int first, int last) {
    for (int i = first; i <= last; ++i)
        painter.drawText(kLeft, y + i * font.step + font.ascent, batch.texts[i]);
}

// b) A QStaticText per line, laid out once.
void PrepareStatic(Batch& batch, const Font& font) {
    for (const QString& text : batch.texts) {
        batch.statics.emplace_back(text);
        batch.statics.back().setTextFormat(Qt::PlainText);
        batch.statics.back().prepare(QTransform(), font.font);
    }
}
void PaintStatic(QPainter& painter, const Batch& batch, const Font& font, int y, int first, int last) {
    for (int i = first; i <= last; ++i)
        painter.drawStaticText(kLeft, y + i * font.step, batch.statics[size_t(i)]);
}

// The glyphs of `texts` from the font's character map, one line under the other from the baseline of the
// first, in one run.
QGlyphRun GlyphRun(const QStringList& texts, const Font& font) {
    QList<quint32> glyphs;
    QList<QPointF> positions;
    for (int row = 0; row < texts.size(); ++row) {
        const QList<quint32> indexes = font.raw.glyphIndexesForString(texts[row]);
        const QList<QPointF> advances = font.raw.advancesForGlyphIndexes(indexes, QRawFont::SeparateAdvances);
        QPointF at(0, row * font.step);
        for (int i = 0; i < indexes.size(); ++i) {
            positions.append(at);
            at.rx() += advances[i].x();
        }
        glyphs += indexes;
    }
    QGlyphRun run;
    run.setRawFont(font.raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    return run;
}

// c, d) A QGlyphRun per line.
void PrepareRuns(Batch& batch, const Font& font) {
    for (const QString& text : batch.texts)
        batch.runs.push_back(GlyphRun({text}, font));
}
void PaintRuns(QPainter& painter, const Batch& batch, const Font& font, int y, int first, int last) {
    for (int i = first; i <= last; ++i)
        painter.drawGlyphRun(QPointF(kLeft, y + i * font.step + font.ascent), batch.runs[size_t(i)]);
}

// e) One QTextLayout for the batch, its lines apart at line separators.
void PrepareLayout(Batch& batch, const Font& font) {
    batch.layout = std::make_unique<QTextLayout>(batch.texts.join(QChar::LineSeparator), font.font);
    batch.layout->setCacheEnabled(true);
    batch.layout->beginLayout();
    for (int row = 0;; ++row) {
        QTextLine line = batch.layout->createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(1e6);
        line.setPosition(QPointF(0, row * font.step));
    }
    batch.layout->endLayout();
}
void PaintLayout(QPainter& painter, const Batch& batch, const Font&, int y, int, int) {
    batch.layout->draw(&painter, QPointF(kLeft, y)); // the painter clips what is outside the paint
}

// f, g) One QGlyphRun for the whole batch.
void PrepareBatchRun(Batch& batch, const Font& font) {
    batch.runs.push_back(GlyphRun(batch.texts, font));
}
void PaintBatchRun(QPainter& painter, const Batch& batch, const Font& font, int y, int, int) {
    painter.drawGlyphRun(QPointF(kLeft, y + font.ascent), batch.runs.front());
}

struct Way {
    char letter;
    const char* name;
    PrepareFn prepare;
    PaintFn paint;
    bool scrolls;     // the pixels on screen move up and only the new lines are painted
    bool textColumns; // only the columns that hold text are painted (the rest stays blank)
};

const Way kWays[] = {
    {'a', "drawText per line", PrepareNothing, PaintText, false, false},
    {'b', "QStaticText per line, prepared on arrival", PrepareStatic, PaintStatic, false, false},
    {'c', "QGlyphRun per line from a QRawFont, prepared on arrival", PrepareRuns, PaintRuns, false, false},
    {'d', "only what changed: scroll() and the new lines' QGlyphRuns", PrepareRuns, PaintRuns, true, false},
    {'e', "one QTextLayout per tick's batch", PrepareLayout, PaintLayout, false, false},
    {'f', "one QGlyphRun per tick's batch", PrepareBatchRun, PaintBatchRun, false, false},
    {'g', "f, scrolled, and only in the columns that hold text", PrepareBatchRun, PaintBatchRun, true, true},
};

// A 1600x1000 window that shows RATE new lines a second, in ten batches, the older lines moving up.
class Screen : public QWidget {
public:
    Screen(const Way& way, int rate, const QFont& font) : m_way(way), m_rate(rate) {
        setFont(font);
        setAttribute(Qt::WA_OpaquePaintEvent); // the paint fills what it paints: no erase before it
        resize(1600, 1000);
        m_font = {font, QRawFont::fromFont(font), fontMetrics().lineSpacing(), fontMetrics().ascent()};
        m_rows = height() / m_font.step;
        m_textWidth = way.textColumns ? kLeft + fontMetrics().horizontalAdvance(LineText(0)) + 1 : width();
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
    }
    void Start() { m_timer.start(100); }
    long long Lines() const { return m_number; }
    int Rows() const { return m_rows; }

protected:
    void paintEvent(QPaintEvent* event) override {
        const QRect area = event->rect();
        QPainter painter(this);
        painter.fillRect(area, palette().base());
        painter.setPen(palette().text().color());
        // The batches from the newest up, each's top row counted from the top of the screen.
        int top = m_rows;
        for (auto batch = m_batches.rbegin(); batch != m_batches.rend(); ++batch) {
            const int count = int(batch->texts.size());
            top -= count;
            const int y = top * m_font.step;
            if (y + count * m_font.step <= area.top())
                break;
            if (y <= area.bottom())
                m_way.paint(painter, *batch, m_font, y, std::max(0, (area.top() - y) / m_font.step),
                            std::min(count - 1, (area.bottom() - y) / m_font.step));
        }
    }

private:
    void Tick() {
        ++m_ticks;
        const long long target = (long long)m_rate * m_ticks / 10; // the remainder spread over the ticks
        const long long count = target - m_number;
        const long long shown = std::min<long long>(count, m_rows); // the others would leave at once
        m_number += count - shown;
        Batch batch;
        for (long long i = 0; i < shown; ++i)
            batch.texts.append(LineText(m_number++));
        m_way.prepare(batch, m_font);
        m_batches.push_back(std::move(batch));
        int lines = 0;
        for (const Batch& b : m_batches)
            lines += int(b.texts.size());
        while (lines - int(m_batches.front().texts.size()) >= m_rows) {
            lines -= int(m_batches.front().texts.size());
            m_batches.pop_front();
        }
        if (m_way.scrolls && shown < m_rows)
            scroll(0, -int(shown) * m_font.step, QRect(0, 0, m_textWidth, m_rows * m_font.step));
        else
            update(0, 0, m_textWidth, height());
    }

    const Way& m_way;
    const int m_rate;
    Font m_font;
    int m_rows = 0;
    int m_textWidth = 0;
    long long m_ticks = 0;
    long long m_number = 0;
    std::deque<Batch> m_batches;
    QTimer m_timer;
};

void StreamingFloor(const Way& way, int seconds, int rate, const QFont& font) {
    Screen screen(way, rate, font);
    screen.show();
    RunFor(300); // shown and painted once
    const pid_t server = XServerPid();
    screen.Start();
    RunFor(1000); // the screen filled
    const double cpu0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double server0 = ProcessCpuSeconds(server);
    const long long lines0 = screen.Lines();
    RunFor(seconds * 1000);
    const double cpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    const double serverCpu = ProcessCpuSeconds(server) - server0;
    const double per100k = 100000.0 / double(std::max(1LL, screen.Lines() - lines0));
    std::printf("%c) %-58s %5.2f (%.2f) CPU s per 100k lines at %d lines/s, %d lines on screen\n", way.letter,
                way.name, cpu * per100k, serverCpu * per100k, rate, screen.Rows());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const int rate = argc > 2 ? std::atoi(argv[2]) : 1000;
    const auto wanted = [&](const char* way) {
        if (argc <= 3)
            return true;
        for (int i = 3; i < argc; ++i)
            if (std::strcmp(argv[i], way) == 0)
                return true;
        return false;
    };
    if (wanted("idle"))
        IdleFloor(seconds);

    // The font of Kestra's view: the default font in the face the station names (the demo station's),
    // laid out without shaping and kerning.
    QFont font = QApplication::font();
    font.setFamily(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setKerning(false);
    bool first = true;
    for (const Way& way : kWays) {
        if (!wanted(std::string(1, way.letter).c_str()))
            continue;
        if (first)
            std::printf(
                "streaming floor, %d s a way, 1600x1000, %s %g pt (%s), X server's CPU in brackets:\n",
                seconds, qPrintable(QFontInfo(font).family()), QFontInfo(font).pointSizeF(),
                XServerPid() ? "its process found" : "unknown: 0");
        first = false;
        StreamingFloor(way, seconds, rate, font);
    }
    return 0;
}
