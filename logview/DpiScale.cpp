#include "DpiScale.h"

namespace {

int RoundedQuotient(long long numerator, long long denominator)
{
    const long long half = denominator / 2;
    return static_cast<int>(numerator >= 0 ? (numerator + half) / denominator : (numerator - half) / denominator);
}

} // namespace

DpiScale::DpiScale(int dpi)
    : m_dpi(dpi > 0 ? dpi : kBaseDpi)
{
}

int DpiScale::Pixels(int pixelsAt96) const
{
    return RoundedQuotient(static_cast<long long>(pixelsAt96) * m_dpi, kBaseDpi);
}

RECT DpiScale::Rect(const RECT& at96) const
{
    const LONG left = Pixels(at96.left);
    const LONG top = Pixels(at96.top);
    return {left, top, left + Pixels(at96.right - at96.left), top + Pixels(at96.bottom - at96.top)};
}
