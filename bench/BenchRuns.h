#pragma once

// What the browser benchmarks share: the environment a measured program runs in, and the
// median and spread of a series of runs.
#include <QProcessEnvironment>
#include <QString>
#include <algorithm>
#include <utility>
#include <cstdio>
#include <vector>

namespace bench {

// A program run over its own data folder (and single-instance socket folder), on the
// display this benchmark runs on, or offscreen when asked.
inline QProcessEnvironment program_environment(const QString& data_home, const QString& runtime_dir, bool offscreen)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data_home);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_dir);
    environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), offscreen ? QStringLiteral("offscreen") : QStringLiteral("xcb"));
    return environment;
}

struct Summary {
    double median = -1;
    double low = -1;   // smallest
    double high = -1;  // largest
    int count = 0;
};

// Every value counts, negative ones too (differences between paired runs).
inline Summary summarize_all(std::vector<double> values)
{
    Summary summary;
    summary.count = static_cast<int>(values.size());
    if (values.empty())
        return summary;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    summary.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    summary.low = values.front();
    summary.high = values.back();
    return summary;
}

// Failed runs (negative values) are left out and show in the count.
inline Summary summarize(std::vector<double> values)
{
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return v < 0; }), values.end());
    return summarize_all(std::move(values));
}

// "name: median M unit (low L - high H, N runs)"
inline void print_summary(const char* name, const Summary& s, const char* unit, int decimals = 1)
{
    std::printf("  %-24s median %8.*f %s (%.*f - %.*f, %d runs)\n", name, decimals, s.median, unit, decimals, s.low,
                decimals, s.high, s.count);
}

// The ratios of paired runs (a[i] / b[i], measured side by side), summarised: on a shared
// machine the pairs see the same load, so their ratio is steadier than the two medians.
inline Summary paired_ratios(const std::vector<double>& a, const std::vector<double>& b)
{
    std::vector<double> ratios;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] > 0 && b[i] > 0)
            ratios.push_back(a[i] / b[i]);
    return summarize(ratios);
}

} // namespace bench
