// bench_feed: writes a steady stream of numbered lines in 100 ms batches.
//
//   bench_feed [--style numbered|stamped|plain] [--troubled N] [--then RATE2 SECONDS2]... RATE SECONDS OUT...
//
// RATE lines per second for SECONDS, then each --then phase in turn, the numbers running on; each OUT is
// a file or FIFO, appended to. The style is the look of the lines (StreamLine.h), numbered by default.
// Every batch goes to every output in one write, so several viewers see the same stream. Prints the
// number of lines written. SIGTERM or SIGINT ends the stream early, after the batch in progress, and the
// count printed is still exact (bench/faults feeds until its faults are done).
#include "StreamLine.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void OnStop(int) { g_stop = 1; }
} // namespace

int main(int argc, char** argv) {
    struct Phase {
        int rate;
        int seconds;
    };
    std::vector<Phase> later;
    stream::Style style = stream::Style::Numbered;
    int troubled = 0;
    int arg = 1;
    bool usable = true;
    for (;;) {
        const std::string option = arg < argc ? argv[arg] : "";
        if (option == "--then" && arg + 2 < argc) {
            later.push_back({std::atoi(argv[arg + 1]), std::atoi(argv[arg + 2])});
            arg += 3;
        } else if (option == "--style" && arg + 1 < argc) {
            usable = usable && stream::StyleFromName(argv[arg + 1], &style);
            arg += 2;
        } else if (option == "--troubled" && arg + 1 < argc) { // every Nth stamped or plain line tells of trouble
            troubled = std::atoi(argv[arg + 1]);
            arg += 2;
        } else {
            break;
        }
    }
    if (!usable || argc - arg < 3) {
        std::fprintf(stderr,
                     "usage: bench_feed [--style numbered|stamped|plain] [--troubled N] [--then RATE2 SECONDS2]... RATE SECONDS OUT...\n");
        return 2;
    }
    std::vector<Phase> phases{{std::atoi(argv[arg]), std::atoi(argv[arg + 1])}};
    phases.insert(phases.end(), later.begin(), later.end());
    std::vector<int> outs;
    for (int i = arg + 2; i < argc; ++i) {
        const int fd = ::open(argv[i], O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::perror(argv[i]);
            return 1;
        }
        outs.push_back(fd);
    }
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // a write in progress completes: no batch is cut in half
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    using Clock = std::chrono::steady_clock;
    int64_t number = 0;
    auto next = Clock::now();
    for (const Phase& phase : phases) {
      const int64_t first = number;
      for (int b = 0; b < phase.seconds * 10 && !g_stop; ++b) {
        // Spread the remainder so that the rate holds for any RATE.
        const int64_t target = first + int64_t(phase.rate) * (b + 1) / 10;
        std::string batch;
        const int64_t now = stream::NowNs();
        while (number < target)
            batch += stream::MakeLine(number++, now, style, troubled);
        for (int fd : outs) {
            size_t done = 0;
            while (done < batch.size()) {
                const ssize_t n = ::write(fd, batch.data() + done, batch.size() - done);
                if (n <= 0)
                    return 1;
                done += static_cast<size_t>(n);
            }
        }
        next += std::chrono::milliseconds(100);
        std::this_thread::sleep_until(next);
      }
    }
    for (int fd : outs)
        ::close(fd);
    std::printf("%lld\n", static_cast<long long>(number));
    return 0;
}
