#pragma once

// Whether a surface passes through itself, counted exactly (robust
// orientation predicates), as a repair tool or a slicer would find it.

#include <QString>

#include <array>
#include <cstddef>
#include <vector>

struct SelfCrossings
{
    // Pairs of facets of one shell (facets joined across edges) that meet
    // anywhere but in the corner or edge they share: they cross, touch, or
    // lie folded onto each other.
    std::size_t nPairs = 0;
    // Of those, the pairs whose facets share no corner.
    std::size_t nApart = 0;
    // Pairs of facets of different shells that meet (two shells passing
    // through each other, as a hook and the body may).
    std::size_t nBetweenShells = 0;
    // The counter could not take the surface as a mesh (an edge of more than
    // two facets, a facet on one point); nothing above was counted.
    bool bNotAMesh = false;
};

// Triangles by index into the points.
SelfCrossings countSelfCrossings(const std::vector<std::array<float, 3>>& points,
    const std::vector<std::array<int, 3>>& triangles);

// A binary STL, its corners joined where their coordinates are equal to the
// bit. bNotAMesh also when the file cannot be read.
SelfCrossings countSelfCrossingsInStl(const QString& sPath);
