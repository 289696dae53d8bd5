#include "ViewMetrics.h"

#include <algorithm>

ViewMetrics ViewMetrics::Measure(const LineMeasurer& measurer)
{
    ViewMetrics metrics;
    metrics.lineHeight = measurer.LineHeight();
    metrics.averageCharWidth = measurer.AverageCharWidth();
    DWORD caretWidth = 1;
    ::SystemParametersInfoW(SPI_GETCARETWIDTH, 0, &caretWidth, 0);
    metrics.caretWidth = std::max<int>(1, static_cast<int>(caretWidth));
    return metrics;
}
