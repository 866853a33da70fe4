#include "Stopwatch.h"

#include <algorithm>
#include <vector>
#include <windows.h>

namespace {

double CounterSeconds()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

double TimeOnce(const std::function<void()>& prepare, const std::function<void()>& run)
{
    prepare();
    double start = CounterSeconds();
    run();
    return CounterSeconds() - start;
}

double MedianSeconds(int repetitions, const std::function<void()>& prepare, const std::function<void()>& run)
{
    TimeOnce(prepare, run);
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i)
        times.push_back(TimeOnce(prepare, run));
    return Median(times);
}

std::pair<double, double> MedianSecondsInTurn(int repetitions, const TimedJob& a, const TimedJob& b)
{
    TimeOnce(a.prepare, a.run);
    TimeOnce(b.prepare, b.run);
    std::vector<double> timesA, timesB;
    for (int i = 0; i < repetitions; ++i) {
        timesA.push_back(TimeOnce(a.prepare, a.run));
        timesB.push_back(TimeOnce(b.prepare, b.run));
    }
    return {Median(timesA), Median(timesB)};
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}
