#include "CrossingGuard/MeshThinParts.h"

#include "MeshBuilder.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <vector>

namespace
{
// Chamfer distances in thirds of a pixel: 3 along a row or column, 4 across
// a diagonal, within 8 % of the true distance.
constexpr int STRAIGHT = 3;
constexpr int DIAGONAL = 4;
constexpr int FAR = std::numeric_limits<int>::max() / 2;

// A raster with a border of nPad cells round the picture.
struct Padded
{
    int nWidth;
    int nHeight;
    std::vector<unsigned char> cells;

    Padded(unsigned nPictureWidth, unsigned nPictureHeight, int nPad, unsigned char outside)
        : nWidth(int(nPictureWidth) + 2 * nPad)
        , nHeight(int(nPictureHeight) + 2 * nPad)
        , cells(std::size_t(nWidth) * std::size_t(nHeight), outside)
    {
    }
    // One of the same size whose cells are set where keep(i) holds.
    template <typename Keep>
    Padded(const Padded& like, Keep keep)
        : nWidth(like.nWidth)
        , nHeight(like.nHeight)
        , cells(like.cells.size(), 0)
    {
        for (std::size_t i = 0; i < cells.size(); ++i)
        {
            cells[i] = keep(i) ? 1 : 0;
        }
    }
    unsigned char& at(int x, int y) { return cells[std::size_t(y) * std::size_t(nWidth) + std::size_t(x)]; }
};

// The chamfer distance of every cell to the nearest set cell.
std::vector<int> distanceToSet(const Padded& set)
{
    const int w = set.nWidth;
    const int h = set.nHeight;
    std::vector<int> distance(set.cells.size());
    for (std::size_t i = 0; i < distance.size(); ++i)
    {
        distance[i] = set.cells[i] ? 0 : FAR;
    }
    const auto at = [&](int x, int y) -> int& { return distance[std::size_t(y) * std::size_t(w) + std::size_t(x)]; };
    const auto relax = [&](int& d, int x, int y, int nStep) {
        if (x >= 0 && x < w && y >= 0 && y < h)
        {
            d = std::min(d, at(x, y) + nStep);
        }
    };
    for (int y = 0; y < h; ++y)
    {
        for (int x = 0; x < w; ++x)
        {
            int& d = at(x, y);
            relax(d, x - 1, y, STRAIGHT);
            relax(d, x, y - 1, STRAIGHT);
            relax(d, x - 1, y - 1, DIAGONAL);
            relax(d, x + 1, y - 1, DIAGONAL);
        }
    }
    for (int y = h - 1; y >= 0; --y)
    {
        for (int x = w - 1; x >= 0; --x)
        {
            int& d = at(x, y);
            relax(d, x + 1, y, STRAIGHT);
            relax(d, x, y + 1, STRAIGHT);
            relax(d, x + 1, y + 1, DIAGONAL);
            relax(d, x - 1, y + 1, DIAGONAL);
        }
    }
    return distance;
}

// The cells of the set that a disc of the radius (in thirds of a pixel)
// rolled inside it does not reach: the set less its opening.
Padded narrowPartsOf(const Padded& set, int nRadius)
{
    const std::vector<int> toOutside = distanceToSet(Padded(set, [&](std::size_t i) { return !set.cells[i]; }));
    // Where a disc's centre may go, then all the disc covers from there.
    const std::vector<int> toCentres
        = distanceToSet(Padded(set, [&](std::size_t i) { return set.cells[i] && toOutside[i] > nRadius; }));
    return Padded(set, [&](std::size_t i) { return set.cells[i] && toCentres[i] > nRadius; });
}
} // namespace

std::shared_ptr<MeshCrossings::Area> MeshThinParts::find(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, unsigned nRadius, unsigned nMargin, double dLeastShare)
{
    const unsigned nWidth = imageFront.nWidth;
    const unsigned nHeight = imageFront.nHeight;
    const int nPad = int(nRadius) + 2;
    Padded shape(nWidth, nHeight, nPad, 0);
    std::size_t nShape = 0;
    for (unsigned y = 0; y < nHeight; ++y)
    {
        for (unsigned x = 0; x < nWidth; ++x)
        {
            const std::size_t i = std::size_t(y) * nWidth + x;
            const bool bMaterial = MeshBuilder::isMaterial(imageFront.pData[i]) || MeshBuilder::isMaterial(imageBack.pData[i]);
            shape.at(int(x) + nPad, int(y) + nPad) = bMaterial ? 1 : 0;
            nShape += bMaterial ? 1 : 0;
        }
    }
    const Padded space(shape, [&](std::size_t i) { return !shape.cells[i]; });
    const Padded thinShape = narrowPartsOf(shape, STRAIGHT * int(nRadius));
    const Padded thinSpace = narrowPartsOf(space, STRAIGHT * int(nRadius));
    std::vector<unsigned char> thin(std::size_t(nWidth) * nHeight, 0);
    bool bAny = false;
    for (unsigned y = 0; y < nHeight; ++y)
    {
        for (unsigned x = 0; x < nWidth; ++x)
        {
            const std::size_t i = std::size_t(y + unsigned(nPad)) * std::size_t(shape.nWidth) + x + unsigned(nPad);
            const bool bThin = thinShape.cells[i] || thinSpace.cells[i];
            thin[std::size_t(y) * nWidth + x] = bThin ? 1 : 0;
            bAny = bAny || bThin;
        }
    }
    if (!bAny)
    {
        return nullptr;
    }
    auto pArea = std::make_shared<MeshCrossings::Area>(nWidth, nHeight);
    pArea->mark(thin, int(nMargin));
    if (double(pArea->size()) < dLeastShare * double(nShape))
    {
        return nullptr;
    }
    return pArea;
}
