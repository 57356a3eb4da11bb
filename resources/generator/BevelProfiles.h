#pragma once

// The bevel-profile library: drawings of a surface's cross-section from the
// outer edge of a figure (left) to its middle (right). Black lies under the
// curve, white above it, nothing in between: the height of the black column
// is the height of the surface at that distance from the edge.

#include <QImage>
#include <QString>

#include <vector>

struct BevelProfile
{
    QString sName;               // the file name without ".png"
    double (*height)(double u);  // height in [0, 1] at the distance u in [0, 1] from the edge
};

// bevel_profile_01 to bevel_profile_10; 03 is the default engraving style.
const std::vector<BevelProfile>& bevelProfiles();

// An opaque 8-bit picture of width x height holding only 0 and 255: every
// column black from the bottom row up to its height, the top eighth kept white.
QImage renderProfile(const BevelProfile& profile, int nWidth, int nHeight);
