#pragma once

#include <cstddef>
#include <vector>

// Median, 95th percentile and maximum of a set of samples. Percentiles are
// nearest-rank: always one of the samples, never an interpolation between
// two.
class Summary {
public:
    static Summary Of(std::vector<double> samples);

    std::size_t count() const { return m_count; }
    double median() const { return m_median; }
    double p95() const { return m_p95; }
    double max() const { return m_max; }

private:
    std::size_t m_count = 0;
    double m_median = 0;
    double m_p95 = 0;
    double m_max = 0;
};
