#include "SelfCrossings.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/connected_components.h>
#include <CGAL/Polygon_mesh_processing/self_intersections.h>
#include <CGAL/Surface_mesh.h>
#include <CGAL/boost/graph/iterator.h>

#include <QFile>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <utility>

namespace
{
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Surface = CGAL::Surface_mesh<Kernel::Point_3>;
using Face = Surface::Face_index;
namespace PMP = CGAL::Polygon_mesh_processing;

bool shareACorner(const Surface& surface, Face a, Face b)
{
    for (const auto va : CGAL::vertices_around_face(surface.halfedge(a), surface))
    {
        for (const auto vb : CGAL::vertices_around_face(surface.halfedge(b), surface))
        {
            if (va == vb)
            {
                return true;
            }
        }
    }
    return false;
}
} // namespace

SelfCrossings countSelfCrossings(const std::vector<std::array<float, 3>>& points,
    const std::vector<std::array<int, 3>>& triangles)
{
    SelfCrossings result;
    Surface surface;
    std::vector<Surface::Vertex_index> vertices;
    vertices.reserve(points.size());
    for (const std::array<float, 3>& p : points)
    {
        vertices.push_back(surface.add_vertex(Kernel::Point_3(p[0], p[1], p[2])));
    }
    for (const std::array<int, 3>& t : triangles)
    {
        if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2]
            || surface.add_face(vertices[std::size_t(t[0])], vertices[std::size_t(t[1])], vertices[std::size_t(t[2])])
                == Surface::null_face())
        {
            result.bNotAMesh = true;
            return result;
        }
    }
    auto shell = surface.add_property_map<Face, std::size_t>("f:shell", 0).first;
    PMP::connected_components(surface, shell);
    std::vector<std::pair<Face, Face>> pairs;
    PMP::self_intersections(CGAL::faces(surface), surface, std::back_inserter(pairs));
    for (const auto& [a, b] : pairs)
    {
        if (shell[a] != shell[b])
        {
            ++result.nBetweenShells;
            continue;
        }
        ++result.nPairs;
        if (!shareACorner(surface, a, b))
        {
            ++result.nApart;
        }
    }
    return result;
}

SelfCrossings countSelfCrossingsInStl(const QString& sPath)
{
    QFile file(sPath);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 84)
    {
        SelfCrossings result;
        result.bNotAMesh = true;
        return result;
    }
    const QByteArray data = file.readAll();
    std::uint32_t nFacets = 0;
    std::memcpy(&nFacets, data.constData() + 80, 4);
    if (qint64(data.size()) != 84 + 50 * qint64(nFacets))
    {
        SelfCrossings result;
        result.bNotAMesh = true;
        return result;
    }
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<int, 3>> triangles(nFacets);
    // Corners are the same point when their coordinates are the same bits.
    std::map<std::array<std::uint32_t, 3>, int> index;
    for (std::uint32_t f = 0; f < nFacets; ++f)
    {
        const char* pFacet = data.constData() + 84 + 50 * std::size_t(f);
        for (int c = 0; c < 3; ++c)
        {
            std::array<std::uint32_t, 3> bits;
            std::memcpy(bits.data(), pFacet + 12 + 12 * c, 12);
            const auto [it, bNew] = index.emplace(bits, int(points.size()));
            if (bNew)
            {
                std::array<float, 3> point;
                std::memcpy(point.data(), bits.data(), 12);
                points.push_back(point);
            }
            triangles[f][std::size_t(c)] = it->second;
        }
    }
    return countSelfCrossings(points, triangles);
}
