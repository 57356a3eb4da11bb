#pragma once

// Pictures the tests draw and save: a disc figure and a bevel profile.

#include <QDir>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cmath>

namespace TestPictures
{
// A dark disc of the given radius (a fraction of the sides) in the middle of
// a light ground, or of a transparent one (which hides a black colour, as
// clip art often does). Saved as PNG under a fresh name in sFolder; its path.
inline QString writeDisc(const QString& sFolder, double dRadius, int nWidth, int nHeight,
                         bool bTransparentGround = false)
{
    QImage image(nWidth, nHeight, QImage::Format_ARGB32);
    for (int y = 0; y < nHeight; ++y)
    {
        for (int x = 0; x < nWidth; ++x)
        {
            const double dx = (x + 0.5) / nWidth - 0.5;
            const double dy = (y + 0.5) / nHeight - 0.5;
            const bool bInside = dx * dx + dy * dy < dRadius * dRadius;
            image.setPixel(x, y, bInside               ? qRgba(10, 10, 10, 255)
                                 : bTransparentGround ? qRgba(0, 0, 0, 0)
                                                      : qRgba(240, 240, 240, 255));
        }
    }
    static int s_nPicture = 0;
    const QString sPath = QDir(sFolder).filePath(QStringLiteral("disc%1.png").arg(++s_nPicture));
    image.save(sPath);
    return sPath;
}

// A 64 x 32 bevel profile: black under a quarter circle rising from the left
// edge, white above. Saved as "profile.png" in sFolder; its path.
inline QString writeProfile(const QString& sFolder)
{
    const int nWidth = 64;
    const int nHeight = 32;
    QImage image(nWidth, nHeight, QImage::Format_Grayscale8);
    for (int y = 0; y < nHeight; ++y)
    {
        for (int x = 0; x < nWidth; ++x)
        {
            const double dCurve = nHeight * std::sqrt(std::min(1.0, (x + 0.5) / (nWidth / 3.0)));
            image.scanLine(y)[x] = (nHeight - y) <= dCurve ? 0 : 255;
        }
    }
    const QString sPath = QDir(sFolder).filePath(QStringLiteral("profile.png"));
    image.save(sPath);
    return sPath;
}
} // namespace TestPictures
