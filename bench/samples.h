#pragma once

#include <vector>

// The repeated measurements of one figure, and the figures the table shows of them.
class Samples
{
public:
    void add(double value) { values.push_back(value); }
    bool isEmpty() const { return values.empty(); }
    int count() const { return static_cast<int>(values.size()); }
    // All three are 0 when there is no measurement.
    double median() const;
    double min() const;
    double max() const;

private:
    std::vector<double> values;
};
