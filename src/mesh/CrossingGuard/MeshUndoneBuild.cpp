#include "CrossingGuard/MeshUndoneBuild.h"

#include "MeshGenerator.h"
#include "MeshTiles.h"

#include <algorithm>
#include <cstddef>

namespace
{
using Point = TriangleMesh::Point;
using VertexHandle = TriangleMesh::VertexHandle;

// Windows of the rasters are gathered over blocks of this many pixels.
constexpr unsigned BLOCK = 16;

// The pixel of an id.
unsigned pixelX(int nId, unsigned nWidth)
{
    return unsigned(nId / 2) % nWidth;
}
unsigned pixelY(int nId, unsigned nWidth)
{
    return unsigned(nId / 2) / nWidth;
}
} // namespace

std::vector<MeshUndoneBuild::Window> MeshUndoneBuild::windowsRound(
    const std::vector<int>& ids, unsigned nMargin, unsigned nWidth, unsigned nHeight)
{
    // Pixels in blocks, blocks within the margin of each other in one group.
    const unsigned nBlocksX = (nWidth + BLOCK - 1) / BLOCK;
    const unsigned nBlocksY = (nHeight + BLOCK - 1) / BLOCK;
    std::vector<Window> inBlock(std::size_t(nBlocksX) * nBlocksY, Window{nWidth, nHeight, 0, 0});
    for (const int nId : ids)
    {
        const unsigned x = pixelX(nId, nWidth);
        const unsigned y = pixelY(nId, nWidth);
        Window& box = inBlock[std::size_t(y / BLOCK) * nBlocksX + x / BLOCK];
        box.nX0 = std::min(box.nX0, x);
        box.nY0 = std::min(box.nY0, y);
        box.nX1 = std::max(box.nX1, x + 1);
        box.nY1 = std::max(box.nY1, y + 1);
    }
    std::vector<Window> windows;
    for (const Window& box : inBlock)
    {
        if (box.nX0 < box.nX1)
        {
            windows.push_back(Window{box.nX0 > nMargin ? box.nX0 - nMargin : 0,
                box.nY0 > nMargin ? box.nY0 - nMargin : 0, std::min(nWidth, box.nX1 + nMargin),
                std::min(nHeight, box.nY1 + nMargin)});
        }
    }
    // Windows that overlap become the one window over both, until none do.
    for (bool bMerged = true; bMerged;)
    {
        bMerged = false;
        for (std::size_t i = 0; i < windows.size() && !bMerged; ++i)
        {
            for (std::size_t j = i + 1; j < windows.size(); ++j)
            {
                if (windows[i].overlaps(windows[j]))
                {
                    windows[i] = Window{std::min(windows[i].nX0, windows[j].nX0),
                        std::min(windows[i].nY0, windows[j].nY0), std::max(windows[i].nX1, windows[j].nX1),
                        std::max(windows[i].nY1, windows[j].nY1)};
                    windows.erase(windows.begin() + std::ptrdiff_t(j));
                    bMerged = true;
                    break;
                }
            }
        }
    }
    return windows;
}

bool MeshUndoneBuild::buildUndone(const std::vector<Window>& windows, const std::vector<int>& representatives,
    const std::vector<unsigned char>& undone, const std::vector<int>& meshIndex, const MeshRework::Source& source,
    Undone& result)
{
    result = Undone();
    for (const Window& window : windows)
    {
        Undone::Built built;
        std::vector<unsigned> faceCells;
        built.pMesh = MeshTiles::buildWindow(
            source.front, source.back, window.nX0, window.nY0, window.nX1, window.nY1, built.hIds, faceCells);
        TriangleMesh& mesh = *built.pMesh;
        MeshGenerator::removeIsolatedVertices(mesh);
        for (const auto fh : mesh.faces())
        {
            std::array<int, 3> corners = idsOf(mesh, built.hIds, fh);
            if (std::none_of(corners.begin(), corners.end(),
                    [&](int nId) { return isUndone(nId, representatives, undone); }))
            {
                continue;
            }
            for (int& nId : corners)
            {
                if (!isUndone(nId, representatives, undone))
                {
                    nId = representatives[std::size_t(nId)];
                    if (nId < 0 || meshIndex[std::size_t(nId)] < 0)
                    {
                        return false;
                    }
                }
            }
            if (MeshCrossings::hasThreeCorners(corners))
            {
                result.faces.push_back(corners);
            }
        }
        result.windows.push_back(std::move(built));
    }
    return true;
}

std::vector<int> MeshUndoneBuild::pinchedVertices(const Kept& kept, const Undone& built)
{
    TriangleMesh probe;
    std::unordered_map<int, VertexHandle> vertices;
    const auto vertexOf = [&](int nId) {
        const auto [it, bAdded] = vertices.emplace(nId, VertexHandle());
        if (bAdded)
        {
            it->second = probe.add_vertex(Point(0.0f, 0.0f, 0.0f));
        }
        return it->second;
    };
    std::vector<int> pinched;
    const auto add = [&](const std::array<int, 3>& corners) {
        const VertexHandle corner[3] = {vertexOf(corners[0]), vertexOf(corners[1]), vertexOf(corners[2])};
        if (!probe.add_face(corner, 3).is_valid())
        {
            for (const int nId : corners)
            {
                if (kept.meshIndex[std::size_t(nId)] >= 0 && !kept.undone[std::size_t(nId)])
                {
                    pinched.push_back(nId);
                }
            }
        }
    };
    // OpenMesh reports every face it refuses; here that is the answer.
    struct Quiet
    {
        Quiet() { omerr().disable(); }
        ~Quiet() { omerr().enable(); }
    } quiet;
    for (const std::array<int, 3>& corners : built.faces)
    {
        add(corners);
    }
    // Round every kept vertex of the undone build, the faces kept.
    std::vector<unsigned char> seen(kept.mesh.n_faces(), 0);
    for (const std::array<int, 3>& corners : built.faces)
    {
        for (const int nId : corners)
        {
            if (kept.undone[std::size_t(nId)] || kept.meshIndex[std::size_t(nId)] < 0)
            {
                continue;
            }
            for (auto it = kept.mesh.cvf_iter(VertexHandle(kept.meshIndex[std::size_t(nId)])); it.is_valid(); ++it)
            {
                if (!seen[std::size_t(it->idx())] && !kept.hasUndoneCorner(*it))
                {
                    seen[std::size_t(it->idx())] = 1;
                    add(kept.cornersOf(*it));
                }
            }
        }
    }
    std::sort(pinched.begin(), pinched.end());
    pinched.erase(std::unique(pinched.begin(), pinched.end()), pinched.end());
    return pinched;
}

void MeshUndoneBuild::smoothUndone(const std::vector<int>& representatives, const std::vector<unsigned char>& undone,
    const std::shared_ptr<const MeshCrossings::Area>& pArea, const MeshRework::Source& source, Undone& built)
{
    for (Undone::Built& window : built.windows)
    {
        TriangleMesh& mesh = *window.pMesh;
        MeshGenerator::computeNormals(mesh);
        MeshGenerator::smooth(
            mesh, source.parameters.NumberOfSmoothingSteps, MeshCrossings::Guard{source.dGap, pArea});
        for (const auto vh : mesh.vertices())
        {
            const int nId = mesh.property(window.hIds, vh);
            if (isUndone(nId, representatives, undone))
            {
                built.points.emplace(nId, mesh.point(vh));
            }
        }
        window.pMesh.reset();
    }
}
