// One line of the benchmark stream: "S<number> t=<ns since the epoch> " padded with dots to 75 characters
// and a line feed (76 bytes), so that a follower can tell which line it sees and when it was sent.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

namespace stream {

constexpr int kLineBytes = 76;

inline int64_t NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

inline std::string MakeLine(int64_t number, int64_t sentNs) {
    char head[64];
    const int n = std::snprintf(head, sizeof head, "S%08lld t=%019lld ", static_cast<long long>(number),
                                static_cast<long long>(sentNs));
    std::string line(head, static_cast<size_t>(n));
    line.resize(kLineBytes - 1, '.');
    line.push_back('\n');
    return line;
}

// Parses a line made by MakeLine (a trailing CR is allowed); false for anything else.
inline bool ParseLine(const std::string& line, int64_t* number, int64_t* sentNs) {
    long long a = 0;
    long long b = 0;
    if (std::sscanf(line.c_str(), "S%lld t=%lld", &a, &b) != 2)
        return false;
    *number = a;
    *sentNs = b;
    return true;
}

} // namespace stream
