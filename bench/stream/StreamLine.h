// One line of the benchmark stream, in one of three styles, each carrying "S<number> t=<ns since the
// epoch>" so that a follower can tell which line it sees and when it was sent:
//  - numbered: "S<number> t=<ns> " padded with dots to 75 characters and a line feed (76 bytes);
//  - stamped: a station's log text with the local date and time of sending, e.g.
//      "2026-12-09 16:50:15.260 Field Read: Tank1.Level = 42.17 [S00000042 t=1796831415260123456]"
//    (the category, tag and value vary from line to line, the same for the same number), 83-104 bytes
//    with the line feed, 93 on average;
//  - plain: the same text without the date and time, 59-80 bytes, 69 on average.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

namespace stream {

constexpr int kLineBytes = 76;

enum class Style { Numbered, Stamped, Plain };

// "numbered", "stamped" or "plain"; false for anything else.
inline bool StyleFromName(const std::string& name, Style* style) {
    if (name == "numbered")
        *style = Style::Numbered;
    else if (name == "stamped")
        *style = Style::Stamped;
    else if (name == "plain")
        *style = Style::Plain;
    else
        return false;
    return true;
}

inline int64_t NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// What a station logs, varied by the line's number: a category word, a tag and a value. With
// `troubledEvery` N > 0, every Nth line tells of trouble (a warning, an error, a failure or an alarm),
// as the default highlight rules colour them.
inline std::string StationText(int64_t number, int troubledEvery = 0) {
    static const char* const kTags[] = {"Tank1.Level",   "Tank1.Temperature", "Tank2.Level",
                                        "Pump1.Speed",   "Valve3.Position",   "Boiler.Pressure",
                                        "Line1.Counter", "Line1.Speed"};
    static const char* const kDisplays[] = {"Overview", "Tank Farm", "Boiler", "Packaging Line 1", "Alarms"};
    uint64_t h = uint64_t(number) * 0x9E3779B97F4A7C15ull; // a fixed mix: the same number, the same text
    h ^= h >> 29;
    const char* tag = kTags[h % 8];
    const int value = int((h >> 8) % 100000);
    char text[96];
    if (troubledEvery > 0 && number % troubledEvery == 0) {
        static const char* const kTrouble[] = {"Trace: warning: slow reply from %s", "Field Read: %s: error %d",
                                               "TCP-IP: connection to %s failed", "Display: ALARM %s high (%d)"};
        std::snprintf(text, sizeof text, kTrouble[(h >> 40) % 4], tag, value % 100);
        return text;
    }
    switch ((h >> 32) % 5) {
    case 0:
        std::snprintf(text, sizeof text, "Field Read: %s = %d.%02d", tag, value / 100, value % 100);
        break;
    case 1:
        std::snprintf(text, sizeof text, "Field Write: %s <- %d", tag, value / 10);
        break;
    case 2:
        std::snprintf(text, sizeof text, "Trace: Math%d line %d: %s = %d", int(h >> 44) % 5 + 1,
                      int(h >> 48) % 80 + 1, tag, value % 1000);
        break;
    case 3:
        std::snprintf(text, sizeof text, "TCP-IP: %s %d bytes, plc%d:502",
                      (h >> 52) % 2 ? "sent" : "received", value % 1460 + 8, int(h >> 56) % 4 + 1);
        break;
    default:
        std::snprintf(text, sizeof text, "Display: %s \"%s\"", (h >> 52) % 2 ? "opened" : "closed",
                      kDisplays[(h >> 56) % 5]);
        break;
    }
    return text;
}

inline std::string MakeLine(int64_t number, int64_t sentNs, Style style = Style::Numbered, int troubledEvery = 0) {
    char marker[64];
    if (style == Style::Numbered) {
        const int n = std::snprintf(marker, sizeof marker, "S%08lld t=%019lld ",
                                    static_cast<long long>(number), static_cast<long long>(sentNs));
        std::string line(marker, static_cast<size_t>(n));
        line.resize(kLineBytes - 1, '.');
        line.push_back('\n');
        return line;
    }
    std::string line;
    if (style == Style::Stamped) {
        const time_t seconds = time_t(sentNs / 1000000000);
        tm local{};
        localtime_r(&seconds, &local);
        char stamp[40];
        const size_t n = std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
        std::snprintf(stamp + n, sizeof stamp - n, ".%03d ", int(sentNs / 1000000 % 1000));
        line = stamp;
    }
    std::snprintf(marker, sizeof marker, " [S%08lld t=%019lld]\n", static_cast<long long>(number),
                  static_cast<long long>(sentNs));
    return line + StationText(number, troubledEvery) + marker;
}

// Finds "S<number> t=<ns>" anywhere in a line made by MakeLine (the last such marker, so that text
// before it cannot be taken for it); false for a line without one.
inline bool ParseLine(const std::string& line, int64_t* number, int64_t* sentNs) {
    for (size_t at = line.rfind('S'); at != std::string::npos;
         at = at ? line.rfind('S', at - 1) : std::string::npos) {
        long long a = 0;
        long long b = 0;
        if (at + 1 < line.size() && line[at + 1] >= '0' && line[at + 1] <= '9' &&
            std::sscanf(line.c_str() + at, "S%lld t=%lld", &a, &b) == 2) {
            *number = a;
            *sentNs = b;
            return true;
        }
    }
    return false;
}

} // namespace stream
