// bench_tail: follows a log file that a viewer writes and checks the benchmark stream in it.
//
//   bench_tail FILE EXPECTED TIMEOUT_S
//
// Reads the file as it grows (from its start; it may not exist yet) until EXPECTED stream lines were
// seen or TIMEOUT_S seconds passed without growth, then prints one line:
//   lines=N lost=N doubled=N out_of_order=N p50_ms=X p99_ms=X
// and a second one with the p50 latency of the lines sent in each second of the stream:
//   p50_by_second_ms=X,X,...
// The latency of a line is the time from its sending (in the line) to the moment the follower saw it;
// the follower looks every 2 ms, which bounds its own share of the figure.
#include "StreamLine.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_tail FILE EXPECTED TIMEOUT_S\n");
        return 2;
    }
    const std::string path = argv[1];
    const int64_t expected = std::atoll(argv[2]);
    const int timeoutS = std::atoi(argv[3]);
    std::vector<char> seen(static_cast<size_t>(expected), 0);
    std::vector<double> latencies;
    int64_t lines = 0, doubled = 0, outOfOrder = 0, last = -1, distinct = 0, firstSent = -1;
    std::vector<std::vector<double>> bySecond; // latencies by the second of the stream they were sent in
    std::string partial;
    std::ifstream in;
    std::streamoff offset = 0;
    using Clock = std::chrono::steady_clock;
    auto lastGrowth = Clock::now();
    char buffer[65536];
    while (distinct < expected && Clock::now() - lastGrowth < std::chrono::seconds(timeoutS)) {
        if (!in.is_open()) {
            in.open(path, std::ios::binary);
            if (!in.is_open()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
        }
        in.clear();
        in.seekg(offset);
        in.read(buffer, sizeof buffer);
        const std::streamsize got = in.gcount();
        if (got <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        offset += got;
        lastGrowth = Clock::now();
        const int64_t now = stream::NowNs();
        partial.append(buffer, static_cast<size_t>(got));
        size_t start = 0;
        for (size_t nl; (nl = partial.find('\n', start)) != std::string::npos; start = nl + 1) {
            int64_t number = 0, sent = 0;
            if (!stream::ParseLine(partial.substr(start, nl - start), &number, &sent) || number < 0 ||
                number >= expected)
                continue;
            ++lines;
            if (seen[static_cast<size_t>(number)]) {
                ++doubled;
                continue;
            }
            seen[static_cast<size_t>(number)] = 1;
            ++distinct;
            if (number < last)
                ++outOfOrder;
            last = number;
            latencies.push_back(double(now - sent) / 1e6);
            if (firstSent < 0)
                firstSent = sent;
            const size_t second = sent > firstSent ? size_t((sent - firstSent) / 1000000000) : 0;
            if (bySecond.size() <= second)
                bySecond.resize(second + 1);
            bySecond[second].push_back(latencies.back());
        }
        partial.erase(0, start);
    }
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) {
        return latencies.empty() ? 0.0
                                 : latencies[std::min(latencies.size() - 1, size_t(q * latencies.size()))];
    };
    std::printf("lines=%lld lost=%lld doubled=%lld out_of_order=%lld p50_ms=%.0f p99_ms=%.0f\n",
                static_cast<long long>(distinct), static_cast<long long>(expected - distinct),
                static_cast<long long>(doubled), static_cast<long long>(outOfOrder), at(0.50), at(0.99));
    std::printf("p50_by_second_ms=");
    for (size_t i = 0; i < bySecond.size(); ++i) {
        std::vector<double>& l = bySecond[i];
        std::sort(l.begin(), l.end());
        std::printf("%s%.0f", i ? "," : "", l.empty() ? -1.0 : l[l.size() / 2]);
    }
    std::printf("\n");
    return 0;
}
