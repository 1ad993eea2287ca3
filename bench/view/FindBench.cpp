// How long a search of a full view takes: the text at the maximum length, searched for every match
// (what the highlights need) and for the next match from the top, plain and as an expression.
#include "bench/view/BenchUtil.h"

#include "logview/logic/TextSearch.h"

#include <QElapsedTimer>

void RunFindBench() {
    const QString text = LogLines(16000).left(16000);
    struct Case {
        const char* name;
        viewlogic::TextSearch search;
    };
    const Case cases[] = {
        {"plain, any case, frequent", viewlogic::TextSearch(QStringLiteral("tank3"), false, false)},
        {"plain, match case, absent", viewlogic::TextSearch(QStringLiteral("Pump7"), true, false)},
        {"expression, frequent",
         viewlogic::TextSearch(QStringLiteral("Tank\\d\\.Level = 1\\d"), false, true)},
        {"expression, absent", viewlogic::TextSearch(QStringLiteral("Valve[0-9]+ open"), false, true)},
    };
    std::printf("search of a full view (%lld characters):\n", static_cast<long long>(text.size()));
    for (const Case& c : cases) {
        std::vector<double> all, next;
        int found = 0;
        for (int i = 0; i < 200; ++i) {
            QElapsedTimer timer;
            timer.start();
            found = static_cast<int>(c.search.FindAll(text).size());
            all.push_back(timer.nsecsElapsed() / 1e6);
            timer.restart();
            c.search.Find(text, static_cast<int>(text.size()) / 2, false);
            next.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::printf(
            "  %-28s %5d matches: all p50 %.3f ms p99 %.3f ms; previous from the middle p50 %.3f ms\n",
            c.name, found, Percentile(all, 50), Percentile(all, 99), Percentile(next, 50));
    }
}
