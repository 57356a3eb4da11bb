#pragma once

#include <algorithm>
#include <cmath>

// A slider that sets a factor around a neutral middle: position 0 is factor
// 1, each half linear, the maximum giving 1 + upper span and the minimum
// 1 - lower span. Placing the slider from a stored factor rounds to the
// nearest position, so a factor the slider wrote reads back as the same
// position.
struct FactorSliderMapping
{
    double dUpperSpan;
    double dLowerSpan;

    double toFactor(int nPosition, int nMinimum, int nMaximum) const
    {
        if (nPosition >= 0)
        {
            return 1.0 + dUpperSpan * nPosition / nMaximum;
        }
        return 1.0 + dLowerSpan * nPosition / std::abs(nMinimum);
    }

    int toPosition(double dFactor, int nMinimum, int nMaximum) const
    {
        const double dPosition = dFactor >= 1.0 ? (dFactor - 1.0) / dUpperSpan * nMaximum
                                                : (dFactor - 1.0) / dLowerSpan * std::abs(nMinimum);
        const long lPosition = std::lround(dPosition);
        return int(std::max<long>(nMinimum, std::min<long>(nMaximum, lPosition)));
    }
};

// A slider position from a stored value in the slider's own units, rounded
// to the nearest position and kept in the range.
inline int sliderPosition(double dValue, int nMinimum, int nMaximum)
{
    const long lPosition = std::lround(dValue);
    return int(lPosition < nMinimum ? nMinimum : lPosition > nMaximum ? nMaximum : lPosition);
}
