// Small helpers shared by the view benchmarks.
#pragma once

#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

inline double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(p / 100.0 * (values.size() - 1) + 0.5));
    return values[index];
}

// `count` characters of log lines of about 80 characters each, ending in CR LF.
inline QString LogLines(int count, int seed = 0) {
    QString text;
    text.reserve(count + 100);
    int n = seed;
    while (text.size() < count) {
        text += QStringLiteral("12:34:56.789 Trace: worksheet Math%1 line %2: Tank%3.Level = %4 ok\r\n")
                    .arg(n % 7)
                    .arg(n % 113)
                    .arg(n % 5)
                    .arg(n * 0.37, 0, 'f', 2);
        ++n;
    }
    text.truncate(count);
    return text;
}

void RunTickBench();
void RunFindBench();
void RunLinkBench();
