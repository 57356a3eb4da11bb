// Generates the hook library: five closed triangle meshes written as OBJ files
// and a square PNG thumbnail of each, rendered here with QPainter.
//
//   moldena_hook_generator <output folder>
//
// Every hook is a tube of circular cross-section swept along a path in the
// x-y plane (open paths are capped with a fan at both ends), so each shell is
// closed and its faces wind counter-clockwise seen from outside. The program
// checks both properties before writing and fails the build otherwise.
// Coordinates are arbitrary units: the importer brings every hook to unit size.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

namespace
{

constexpr double PI = 3.14159265358979323846;

struct Vec3
{
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(double s, const Vec3& a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 normalized(const Vec3& a)
{
    const double dLength = std::sqrt(dot(a, a));
    return dLength > 0.0 ? (1.0 / dLength) * a : a;
}

struct Mesh
{
    std::vector<Vec3> vertices;
    std::vector<std::array<int, 3>> faces;
};

// Sweeps a circle of radius dRadius with nSides segments along a path in the
// x-y plane. A closed path joins its last ring to its first; an open one gets
// a cap at each end. The frame is (tangent, z x tangent, z), which is exact
// for planar paths and has no twist.
void addTube(Mesh& mesh, const std::vector<Vec3>& path, bool bClosed, double dRadius, int nSides)
{
    const int nPath = static_cast<int>(path.size());
    const int nBase = static_cast<int>(mesh.vertices.size());
    const Vec3 up{0.0, 0.0, 1.0};
    std::vector<Vec3> tangents(nPath);
    for (int i = 0; i < nPath; ++i)
    {
        const Vec3& prev = (i > 0) ? path[i - 1] : (bClosed ? path[nPath - 1] : path[i]);
        const Vec3& next = (i + 1 < nPath) ? path[i + 1] : (bClosed ? path[0] : path[i]);
        tangents[i] = normalized(next - prev);
        const Vec3 side = normalized(cross(up, tangents[i]));
        for (int j = 0; j < nSides; ++j)
        {
            const double dAngle = 2.0 * PI * j / nSides;
            mesh.vertices.push_back(path[i] + dRadius * (std::cos(dAngle) * side + std::sin(dAngle) * up));
        }
    }
    auto ring = [&](int i, int j) { return nBase + (i % nPath) * nSides + (j % nSides); };
    const int nSegments = bClosed ? nPath : nPath - 1;
    for (int i = 0; i < nSegments; ++i)
    {
        for (int j = 0; j < nSides; ++j)
        {
            // Along the path then around the tube would face inwards; this
            // order faces outwards.
            mesh.faces.push_back({ring(i, j), ring(i, j + 1), ring(i + 1, j + 1)});
            mesh.faces.push_back({ring(i, j), ring(i + 1, j + 1), ring(i + 1, j)});
        }
    }
    if (!bClosed)
    {
        const int nStart = static_cast<int>(mesh.vertices.size());
        mesh.vertices.push_back(path.front());
        const int nEnd = nStart + 1;
        mesh.vertices.push_back(path.back());
        for (int j = 0; j < nSides; ++j)
        {
            mesh.faces.push_back({nStart, ring(0, j + 1), ring(0, j)});
            mesh.faces.push_back({nEnd, ring(nPath - 1, j), ring(nPath - 1, j + 1)});
        }
    }
}

// Points on a circular arc in the x-y plane from angle dFrom to dTo (radians,
// either direction), both ends included.
std::vector<Vec3> arc(double dCenterX, double dCenterY, double dRadius, double dFrom, double dTo, int nSteps)
{
    std::vector<Vec3> points;
    for (int i = 0; i <= nSteps; ++i)
    {
        const double dAngle = dFrom + (dTo - dFrom) * i / nSteps;
        points.push_back({dCenterX + dRadius * std::cos(dAngle), dCenterY + dRadius * std::sin(dAngle), 0.0});
    }
    return points;
}

// Points on a straight line, the start included, the end only when asked.
std::vector<Vec3> line(const Vec3& from, const Vec3& to, int nSteps, bool bIncludeEnd)
{
    std::vector<Vec3> points;
    for (int i = 0; i < nSteps + (bIncludeEnd ? 1 : 0); ++i)
    {
        points.push_back(from + (static_cast<double>(i) / nSteps) * (to - from));
    }
    return points;
}

std::vector<Vec3> concat(std::vector<Vec3> a, const std::vector<Vec3>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A closed circle without its repeated end point.
std::vector<Vec3> circle(double dCenterX, double dCenterY, double dRadius, int nSteps)
{
    std::vector<Vec3> points = arc(dCenterX, dCenterY, dRadius, 0.0, 2.0 * PI, nSteps);
    points.pop_back();
    return points;
}

constexpr int SIDES = 16;

Mesh makeCurvedHook01()
{
    // A J: a straight stem rising from the body, bent over the top and down.
    Mesh mesh;
    std::vector<Vec3> path = line({0.0, -1.0, 0.0}, {0.0, 0.3, 0.0}, 8, false);
    path = concat(path, arc(0.35, 0.3, 0.35, PI, 0.0, 24));
    path = concat(path, line({0.7, 0.2, 0.0}, {0.7, 0.0, 0.0}, 2, true));
    addTube(mesh, path, false, 0.09, SIDES);
    return mesh;
}

Mesh makeCurvedHook02()
{
    // A curl: a short stem that winds three quarters of a turn over the top.
    Mesh mesh;
    std::vector<Vec3> path = line({0.0, -0.8, 0.0}, {0.0, 0.0, 0.0}, 6, false);
    path = concat(path, arc(0.45, 0.0, 0.45, PI, -0.5 * PI, 36));
    addTube(mesh, path, false, 0.08, SIDES);
    return mesh;
}

Mesh makeTorusAndCylinder()
{
    // A ring on a stem: two shells that overlap where the stem meets the ring.
    Mesh mesh;
    addTube(mesh, circle(0.0, 0.75, 0.6, 48), true, 0.15, SIDES);
    addTube(mesh, line({0.0, -1.0, 0.0}, {0.0, 0.2, 0.0}, 8, true), false, 0.15, SIDES);
    return mesh;
}

Mesh makeTorusFull()
{
    Mesh mesh;
    addTube(mesh, circle(0.0, 0.0, 1.0, 48), true, 0.3, SIDES);
    return mesh;
}

Mesh makeTorusHalf()
{
    // An arch: the upper half of a ring, both ends capped.
    Mesh mesh;
    addTube(mesh, arc(0.0, 0.0, 1.0, 0.0, PI, 24), false, 0.25, SIDES);
    return mesh;
}

// True when every edge is used exactly once in each direction (closed and
// consistently oriented) and the enclosed volume is positive (outward faces).
bool isClosedAndOutward(const Mesh& mesh, double& dVolume)
{
    std::map<std::pair<int, int>, int> mapEdges;
    dVolume = 0.0;
    for (const auto& face : mesh.faces)
    {
        for (int k = 0; k < 3; ++k)
        {
            ++mapEdges[{face[k], face[(k + 1) % 3]}];
        }
        dVolume += dot(mesh.vertices[face[0]], cross(mesh.vertices[face[1]], mesh.vertices[face[2]])) / 6.0;
    }
    for (const auto& entry : mapEdges)
    {
        const auto itTwin = mapEdges.find({entry.first.second, entry.first.first});
        if (entry.second != 1 || itTwin == mapEdges.end() || itTwin->second != 1)
        {
            return false;
        }
    }
    return dVolume > 0.0;
}

bool writeObj(const Mesh& mesh, const QString& sPath, const QString& sName)
{
    QFile file(sPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
    {
        return false;
    }
    QTextStream out(&file);
    out << "# Hook " << sName << ": " << mesh.vertices.size() << " vertices, " << mesh.faces.size()
        << " triangles\n";
    out << "o " << sName << "\n";
    for (const Vec3& v : mesh.vertices)
    {
        out << "v " << QString::number(v.x, 'f', 6) << ' ' << QString::number(v.y, 'f', 6) << ' '
            << QString::number(v.z, 'f', 6) << "\n";
    }
    for (const auto& face : mesh.faces)
    {
        out << "f " << face[0] + 1 << ' ' << face[1] + 1 << ' ' << face[2] + 1 << "\n";
    }
    out.flush();
    return out.status() == QTextStream::Ok && file.error() == QFile::NoError;
}

// A shaded orthographic view from slightly above and to the side, drawn back
// to front so nearer faces cover farther ones.
QImage renderThumbnail(const Mesh& mesh, int nSize)
{
    const double dTiltX = 25.0 * PI / 180.0;
    const double dTiltY = -30.0 * PI / 180.0;
    auto view = [&](const Vec3& p) {
        const Vec3 r{p.x * std::cos(dTiltY) + p.z * std::sin(dTiltY), p.y,
                     -p.x * std::sin(dTiltY) + p.z * std::cos(dTiltY)};
        return Vec3{r.x, r.y * std::cos(dTiltX) - r.z * std::sin(dTiltX),
                    r.y * std::sin(dTiltX) + r.z * std::cos(dTiltX)};
    };
    std::vector<Vec3> viewed;
    double dMinX = 1e300, dMaxX = -1e300, dMinY = 1e300, dMaxY = -1e300;
    for (const Vec3& v : mesh.vertices)
    {
        viewed.push_back(view(v));
        dMinX = std::min(dMinX, viewed.back().x);
        dMaxX = std::max(dMaxX, viewed.back().x);
        dMinY = std::min(dMinY, viewed.back().y);
        dMaxY = std::max(dMaxY, viewed.back().y);
    }
    const double dMargin = 0.08 * nSize;
    const double dScale = (nSize - 2.0 * dMargin) / std::max(dMaxX - dMinX, dMaxY - dMinY);
    const double dOffsetX = 0.5 * nSize - 0.5 * (dMinX + dMaxX) * dScale;
    const double dOffsetY = 0.5 * nSize + 0.5 * (dMinY + dMaxY) * dScale;

    std::vector<std::pair<double, size_t>> order;
    for (size_t i = 0; i < mesh.faces.size(); ++i)
    {
        const auto& f = mesh.faces[i];
        order.push_back({viewed[f[0]].z + viewed[f[1]].z + viewed[f[2]].z, i});
    }
    std::sort(order.begin(), order.end());

    QImage image(nSize, nSize, QImage::Format_ARGB32);
    image.fill(QColor(255, 255, 255, 0));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const Vec3 light = normalized({-0.4, 0.6, 1.0});
    for (const auto& entry : order)
    {
        const auto& f = mesh.faces[entry.second];
        const Vec3 normal = normalized(cross(viewed[f[1]] - viewed[f[0]], viewed[f[2]] - viewed[f[0]]));
        if (normal.z <= 0.0)
        {
            continue; // facing away from the viewer
        }
        const double dShade = 0.25 + 0.75 * std::max(0.0, dot(normal, light));
        const QColor color(static_cast<int>(80 + 150 * dShade), static_cast<int>(110 + 130 * dShade),
                           static_cast<int>(150 + 100 * dShade));
        QPolygonF polygon;
        for (int k = 0; k < 3; ++k)
        {
            const Vec3& p = viewed[f[k]];
            polygon << QPointF(dOffsetX + p.x * dScale, dOffsetY - p.y * dScale);
        }
        painter.setPen(QPen(color, 0.6));
        painter.setBrush(color);
        painter.drawPolygon(polygon);
    }
    painter.end();
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString sFolder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(sFolder))
    {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const std::vector<std::pair<QString, Mesh>> hooks = {
        {"CurvedHook01", makeCurvedHook01()}, {"CurvedHook02", makeCurvedHook02()},
        {"TorusAndCylinder", makeTorusAndCylinder()}, {"TorusFull", makeTorusFull()},
        {"TorusHalf", makeTorusHalf()}};
    for (const auto& hook : hooks)
    {
        double dVolume = 0.0;
        if (!isClosedAndOutward(hook.second, dVolume))
        {
            std::fprintf(stderr, "hook %s is not closed or faces inwards (volume %g)\n",
                         qPrintable(hook.first), dVolume);
            return 1;
        }
        const QString sBase = QDir(sFolder).filePath(hook.first);
        if (!writeObj(hook.second, sBase + ".obj", hook.first))
        {
            std::fprintf(stderr, "cannot write %s.obj\n", qPrintable(sBase));
            return 1;
        }
        if (!renderThumbnail(hook.second, 128).save(sBase + "_thumbnail.png", "PNG"))
        {
            std::fprintf(stderr, "cannot write %s_thumbnail.png\n", qPrintable(sBase));
            return 1;
        }
    }
    return 0;
}
