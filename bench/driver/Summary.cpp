#include "Summary.h"

#include <algorithm>
#include <cmath>

namespace {

double NearestRank(const std::vector<double>& sorted, double percent)
{
    const double rank = std::ceil(percent / 100.0 * static_cast<double>(sorted.size()));
    const std::size_t index = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
    return sorted[std::min(index, sorted.size() - 1)];
}

} // namespace

Summary Summary::Of(std::vector<double> samples)
{
    Summary summary;
    if (samples.empty())
        return summary;
    std::sort(samples.begin(), samples.end());
    summary.m_count = samples.size();
    summary.m_median = NearestRank(samples, 50);
    summary.m_p95 = NearestRank(samples, 95);
    summary.m_max = samples.back();
    return summary;
}
