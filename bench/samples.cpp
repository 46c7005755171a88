#include "samples.h"

#include <algorithm>

double Samples::median() const
{
    if (values.empty())
        return 0;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const size_t middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

double Samples::min() const
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double Samples::max() const
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}
