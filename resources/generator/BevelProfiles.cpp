#include "BevelProfiles.h"

#include "GeneratorSupport.h"

#include <algorithm>
#include <cmath>

namespace
{


// Rises from 0 to 1 along a quarter circle (steep first, level at t = 1).
double quarterRound(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return std::sqrt(1.0 - (1.0 - t) * (1.0 - t));
}

// Rises from 0 to 1 along a concave quarter circle (level first, steep at t = 1).
double quarterCove(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return 1.0 - std::sqrt(1.0 - t * t);
}

// Rises from 0 to 1 along an S: concave, then convex.
double sCurve(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return 0.5 - 0.5 * std::cos(PI * t);
}

// 01: a pillow; the whole figure is one quarter-round dome.
double dome(double u)
{
    return quarterRound(u);
}

// 02: a low wall, a 45-degree chamfer, then flat.
double chamfer(double u)
{
    return std::min(1.0, 0.25 + 0.75 * u / 0.3);
}

// 03: the engraving style: a steep wall with a rounded top edge, then flat.
double roundedEdge(double u)
{
    return 0.45 + 0.55 * quarterRound(u / 0.22);
}

// 04: a cove: a low wall, a concave rise, then flat.
double cove(double u)
{
    return 0.2 + 0.8 * quarterCove(u / 0.45);
}

// 05: an ogee: a low wall, an S-shaped rise, then flat.
double ogee(double u)
{
    return 0.15 + 0.85 * sCurve(u / 0.5);
}

// 06: three sharp terraces.
double steps(double u)
{
    return u < 0.18 ? 1.0 / 3.0 : (u < 0.36 ? 2.0 / 3.0 : 1.0);
}

// 07: a plateau: a straight wall and a flat top.
double plateau(double)
{
    return 1.0;
}

// 08: a ridge: straight slopes meeting along the middle of the figure.
double ridge(double u)
{
    return 0.04 + 0.96 * u;
}

// 09: a raised rounded rim around a lower flat field.
double beadRim(double u)
{
    const double dBead = 0.3;
    if (u >= dBead)
    {
        return 0.55;
    }
    const double t = 2.0 * u / dBead - 1.0;
    return 0.55 + 0.45 * std::sqrt(1.0 - t * t);
}

// 10: two rounded terraces.
double roundedTerraces(double u)
{
    return 0.3 + 0.3 * quarterRound(u / 0.15) + 0.4 * quarterRound((u - 0.35) / 0.2);
}

} // namespace

const std::vector<BevelProfile>& bevelProfiles()
{
    static const std::vector<BevelProfile> profiles = {
        {"bevel_profile_01", dome},{"bevel_profile_02", chamfer},
        {"bevel_profile_03", roundedEdge}, {"bevel_profile_04", cove},
        {"bevel_profile_05", ogee},    {"bevel_profile_06", steps},
        {"bevel_profile_07", plateau}, {"bevel_profile_08", ridge},
        {"bevel_profile_09", beadRim}, {"bevel_profile_10", roundedTerraces}};
    return profiles;
}

QImage renderProfile(const BevelProfile& profile, int nWidth, int nHeight)
{
    // Drawn column by column instead of with antialiased paths, so that the
    // picture holds only the two values the height histogram expects.
    const int nTop = nHeight / 8;
    QImage image(nWidth, nHeight, QImage::Format_Grayscale8);
    image.fill(255);
    for (int x = 0; x < nWidth; ++x)
    {
        const double u = (x + 0.5) / nWidth;
        const double dHeight = std::clamp(profile.height(u), 0.0, 1.0) * (nHeight - nTop);
        const int nBlack = std::max(1, static_cast<int>(std::lround(dHeight)));
        for (int y = nHeight - nBlack; y < nHeight; ++y)
        {
            image.scanLine(y)[x] = 0;
        }
    }
    return image;
}
