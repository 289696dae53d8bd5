#include "ViewMetrics.h"

#include "DpiScale.h"

#include <algorithm>

ViewMetrics ViewMetrics::Measure(const LineMeasurer& measurer, int dpi)
{
    const DpiScale scale(dpi);
    ViewMetrics metrics;
    metrics.marginX = scale.Pixels(metrics.marginX);
    metrics.lineHeight = measurer.LineHeight();
    metrics.averageCharWidth = measurer.AverageCharWidth();
    DWORD caretWidth = 1;
    ::SystemParametersInfoW(SPI_GETCARETWIDTH, 0, &caretWidth, 0);
    metrics.caretWidth = std::max(1, scale.Pixels(static_cast<int>(caretWidth)));
    return metrics;
}
