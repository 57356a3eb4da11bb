#pragma once

// Heights of a dome over a disc centred in a square raster: the stand-in for
// a side's depth composite where a test or benchmark needs a body to mesh.

#include <cmath>
#include <vector>

// Row by row, nSide x nSide: fBase + fHeight * sqrt(1 - r^2 / R^2) inside the
// disc of radius R = dRadiusFraction * nSide (r from the raster's centre), 0
// outside it.
inline std::vector<float> domeHeights(unsigned nSide, double dRadiusFraction, float fHeight, float fBase = 0.0f)
{
    std::vector<float> heights(std::size_t(nSide) * nSide, 0.0f);
    const double dRadius = dRadiusFraction * nSide;
    for (unsigned y = 0; y < nSide; ++y)
    {
        for (unsigned x = 0; x < nSide; ++x)
        {
            const double dx = x + 0.5 - nSide / 2.0;
            const double dy = y + 0.5 - nSide / 2.0;
            const double d = 1.0 - (dx * dx + dy * dy) / (dRadius * dRadius);
            if (d > 0)
            {
                heights[std::size_t(y) * nSide + x] = float(fBase + fHeight * std::sqrt(d));
            }
        }
    }
    return heights;
}
