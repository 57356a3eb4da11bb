#include "CrossingGuard/MeshThinParts.h"

#include "MeshBuilder.h"
#include "Parallel.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace
{
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

// The distance in pixels of every cell to the nearest set cell (exact, in
// the plane), far where none is set.
cv::Mat distanceToSet(const Padded& set)
{
    cv::Mat notSet(set.nHeight, set.nWidth, CV_8U);
    std::transform(set.cells.begin(), set.cells.end(), notSet.data, [](unsigned char c) { return c ? 0 : 1; });
    cv::Mat distance;
    cv::distanceTransform(notSet, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    return distance;
}

// The cells of the set that a disc of the radius (in pixels) rolled inside
// it does not reach: the set less its opening.
Padded narrowPartsOf(const Padded& set, float fRadius)
{
    const cv::Mat toOutside = distanceToSet(Padded(set, [&](std::size_t i) { return !set.cells[i]; }));
    const float* pToOutside = toOutside.ptr<float>();
    // Where a disc's centre may go, then all the disc covers from there.
    const cv::Mat toCentres
        = distanceToSet(Padded(set, [&](std::size_t i) { return set.cells[i] && pToOutside[i] > fRadius; }));
    const float* pToCentres = toCentres.ptr<float>();
    return Padded(set, [&](std::size_t i) { return set.cells[i] && pToCentres[i] > fRadius; });
}
// Marks in thin (nonzero, one per pixel of the rasters) the pixels where,
// for some radius k up to nRadius, the heights stand more than fSteepness
// times k above their opening by a disc of radius k, or below their closing:
// what the disc, pushed up under the heights or down on them, does not
// reach, where the walls that keep it out are steep. Beyond the rasters the
// heights are 0.
void markThinInHeight(const MeshGenerator::Image& image, int nRadius, float fSteepness, cv::Mat& thin)
{
    const int nWidth = int(image.nWidth);
    const int nHeight = int(image.nHeight);
    const int nPad = nRadius + 1;
    cv::Mat heights(nHeight + 2 * nPad, nWidth + 2 * nPad, CV_32F, cv::Scalar(0.0f));
    for (int y = 0; y < nHeight; ++y)
    {
        const float* pRow = image.pData + std::size_t(y) * std::size_t(nWidth);
        float* pTo = heights.ptr<float>(y + nPad) + nPad;
        for (int x = 0; x < nWidth; ++x)
        {
            pTo[x] = MeshBuilder::isMaterial(pRow[x]) ? pRow[x] : 0.0f;
        }
    }
    cv::Mat opened;
    cv::Mat closed;
    for (int k = 1; k <= nRadius; ++k)
    {
        const cv::Mat disc = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * k + 1, 2 * k + 1));
        cv::morphologyEx(heights, opened, cv::MORPH_OPEN, disc);
        cv::morphologyEx(heights, closed, cv::MORPH_CLOSE, disc);
        const float fDepth = fSteepness * float(k);
        for (int y = 0; y < nHeight; ++y)
        {
            const float* pHeight = heights.ptr<float>(y + nPad) + nPad;
            const float* pOpened = opened.ptr<float>(y + nPad) + nPad;
            const float* pClosed = closed.ptr<float>(y + nPad) + nPad;
            unsigned char* pThin = thin.ptr<unsigned char>(y);
            for (int x = 0; x < nWidth; ++x)
            {
                if (pHeight[x] - pOpened[x] > fDepth || pClosed[x] - pHeight[x] > fDepth)
                {
                    pThin[x] = 1;
                }
            }
        }
    }
}

// How many of the marked pixels (nonzero) hang together (across corners
// too) over nLeastRun pixels across or along at least.
std::size_t inLongRuns(const cv::Mat& marked, int nLeastRun)
{
    cv::Mat labels;
    cv::Mat stats;
    cv::Mat centres;
    const int nLabels = cv::connectedComponentsWithStats(marked, labels, stats, centres, 8, CV_32S);
    std::size_t nInRuns = 0;
    for (int n = 1; n < nLabels; ++n)
    {
        if (std::max(stats.at<int>(n, cv::CC_STAT_WIDTH), stats.at<int>(n, cv::CC_STAT_HEIGHT)) >= nLeastRun)
        {
            nInRuns += std::size_t(stats.at<int>(n, cv::CC_STAT_AREA));
        }
    }
    return nInRuns;
}
} // namespace

std::shared_ptr<MeshCrossings::Area> MeshThinParts::find(const MeshGenerator::Image& imageFront,
    const MeshGenerator::Image& imageBack, unsigned nRadius, unsigned nMargin, double dLeastShare, float fSteepness,
    unsigned nLeastRun)
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
    // Thin parts of the shape, of the space, and in the heights of each side:
    // four pieces of work on their own, each on a core.
    Padded thinShape(0, 0, 0, 0);
    Padded thinSpace(0, 0, 0, 0);
    std::array<cv::Mat, 2> thinInSide;
    Parallel::forRange(
        4,
        [&](std::size_t nBegin, std::size_t nEnd) {
            for (std::size_t k = nBegin; k < nEnd; ++k)
            {
                if (k < 2)
                {
                    (k == 0 ? thinShape : thinSpace) = narrowPartsOf(k == 0 ? shape : space, float(nRadius));
                    continue;
                }
                thinInSide[k - 2] = cv::Mat(int(nHeight), int(nWidth), CV_8U, cv::Scalar(0));
                markThinInHeight(k == 2 ? imageFront : imageBack, int(nRadius), fSteepness, thinInSide[k - 2]);
            }
        },
        1);
    std::vector<unsigned char> thin(std::size_t(nWidth) * nHeight, 0);
    for (unsigned y = 0; y < nHeight; ++y)
    {
        for (unsigned x = 0; x < nWidth; ++x)
        {
            const std::size_t i = std::size_t(y + unsigned(nPad)) * std::size_t(shape.nWidth) + x + unsigned(nPad);
            thin[std::size_t(y) * nWidth + x] = thinShape.cells[i] || thinSpace.cells[i] ? 1 : 0;
        }
    }
    // Thin parts of the shape and the space count in full, those in height
    // where they run on.
    std::size_t nCounted = std::size_t(std::count(thin.begin(), thin.end(), 1));
    cv::Mat onlyInHeight = thinInSide[0] | thinInSide[1];
    for (unsigned y = 0; y < nHeight; ++y)
    {
        unsigned char* pOnly = onlyInHeight.ptr<unsigned char>(int(y));
        unsigned char* pThin = thin.data() + std::size_t(y) * nWidth;
        for (unsigned x = 0; x < nWidth; ++x)
        {
            pOnly[x] = pOnly[x] && !pThin[x] ? 1 : 0;
            pThin[x] = pThin[x] || pOnly[x] ? 1 : 0;
        }
    }
    nCounted += inLongRuns(onlyInHeight, int(nLeastRun));
    if (std::find(thin.begin(), thin.end(), 1) == thin.end() || double(nCounted) < dLeastShare * double(nShape))
    {
        return nullptr;
    }
    auto pArea = std::make_shared<MeshCrossings::Area>(nWidth, nHeight);
    pArea->mark(thin, int(nMargin));
    return pArea;
}
