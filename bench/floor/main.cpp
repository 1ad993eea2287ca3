// Cost floors measured without Kestra, on the display Kestra would use:
//  - idle: what a Qt GUI thread spends on a 100 ms timer that does nothing, and what a thread spends on
//    one small request/answer round trip over TCP loopback every 100 ms, sleeping between them. Kestra's
//    view timer and its worker's log.read cycle run at exactly these periods, so its idle cost cannot go
//    below these figures;
//  - streaming: what painting alone costs when a 1600x1000 window shows a screenful of new 76-character
//    lines ten times a second, as any viewer must at 1000 lines/s and more (every visible line is new
//    at each tick): a plain QPainter::drawText of each visible line, nothing else.
//   bench_floor [SECONDS]   (default 30)
#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QTimer>
#include <QWidget>

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
#include <thread>

namespace {

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
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
    const char request[] = "{\"jsonrpc\":\"2.0\",\"id\":7,\"method\":\"log.read\",\"params\":{\"max\":16000}}\n";
    char answer[512];
    const double before = ThreadCpuSeconds();
    auto next = std::chrono::steady_clock::now();
    for (int i = 0; i < seconds * 10 && !stop; ++i) {
        ::send(client, request, sizeof request - 1, 0);
        ::recv(client, answer, sizeof answer, 0);
        next += std::chrono::milliseconds(100);
        std::this_thread::sleep_until(next);
    }
    const double used = ThreadCpuSeconds() - before;
    ::close(client);
    server.join();
    ::close(listener);
    return used;
}

// Draws `lines` new lines at every repaint, as many as fit.
class Painter : public QWidget {
public:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().base());
        const int step = fontMetrics().lineSpacing();
        for (int y = step; y < height(); y += step) {
            ++m_line;
            painter.drawText(4, y, QStringLiteral("S%1 t=%2 ............................................")
                                       .arg(m_line, 8, 10, QChar(u'0'))
                                       .arg(m_line * 7919, 19, 10, QChar(u'0')));
        }
        m_visible = height() / step;
    }
    int Visible() const { return m_visible; }

private:
    long long m_line = 0;
    int m_visible = 0;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
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
    QTimer::singleShot(0, [&] { uiBefore = ThreadCpuSeconds(); });
    QTimer::singleShot(seconds * 1000, [&] { app.quit(); });
    app.exec();
    const double uiCpu = ThreadCpuSeconds() - uiBefore;
    stop = true;
    worker.join();
    std::printf("idle floor over %d s: GUI thread with a 100 ms timer %.4f CPU s per 30 s (%d ticks); "
                "a 100 ms loopback round trip %.4f CPU s per 30 s; together %.4f\n",
                seconds, uiCpu * 30 / seconds, ticks, workerCpu * 30 / seconds, (uiCpu + workerCpu) * 30 / seconds);

    // Streaming: a screenful of new lines painted every 100 ms.
    Painter painter;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setFamily(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleStrategy(QFont::PreferNoShaping); // the cheapest way Qt draws Latin text
    font.setKerning(false);
    painter.setFont(font);
    painter.resize(1600, 1000);
    painter.show();
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, &painter, [&painter] { painter.update(); });
    repaint.start(100);
    double paintBefore = 0;
    QTimer::singleShot(500, [&] { paintBefore = ThreadCpuSeconds(); });
    QTimer::singleShot(500 + seconds * 1000, [&] { app.quit(); });
    app.exec();
    const double paintCpu = ThreadCpuSeconds() - paintBefore;
    std::printf("paint floor over %d s: %d new lines 10 times a second in 1600x1000: %.4f CPU s per second, "
                "%.2f CPU s per 100k lines at 1000 lines/s, %.2f at 2000 lines/s\n",
                seconds, painter.Visible(), paintCpu / seconds, paintCpu / seconds * 100,
                paintCpu / seconds * 50);
    return 0;
}
