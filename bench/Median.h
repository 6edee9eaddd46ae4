#pragma once
// The median of a benchmark's repeated timings: the figure that the load of a shared machine
// moves least.

#include <algorithm>
#include <vector>

inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}
