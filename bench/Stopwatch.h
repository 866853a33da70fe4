// Timing of the benchmark's figures: each is the median of several repetitions after a warm-up.
#pragma once

#include <functional>
#include <utility>
#include <vector>

// Seconds elapsed on the performance counter while run() ran; prepare() before it is not timed.
double TimeOnce(const std::function<void()>& prepare, const std::function<void()>& run);

// The median of `repetitions` timed runs after one untimed warm-up run.
double MedianSeconds(int repetitions, const std::function<void()>& prepare, const std::function<void()>& run);

struct TimedJob {
    std::function<void()> prepare; // not timed
    std::function<void()> run;
};

// The medians of two jobs timed in turn (a, b, a, b, ...) after a warm-up of each, so that a
// slow or fast spell of the machine falls on both alike.
std::pair<double, double> MedianSecondsInTurn(int repetitions, const TimedJob& a, const TimedJob& b);

// The median of a list of numbers (the mean of the two middle ones for an even count).
double Median(std::vector<double> values);
