#pragma once

// Images in the object tree and looks at widgets for the view tests.

#include "ImageObject.h"
#include "ObjectRoot.h"
#include "Raster2d.h"

#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

namespace ViewsTestSupport
{
// Empties the object tree after each test. The table of shown time stamps
// lives on, so each test names its images after itself (imageName).
class ViewTest : public ::testing::Test
{
protected:
    void TearDown() override { ObjectRoot::getInstance()->clear(); }
};

// "<state full name of this test>#<kind>", without a resolution tag.
inline QString imageName(const QString& sKind)
{
    return QString("/ARTIFACT:1/%1:2#%3").arg(::testing::UnitTest::GetInstance()->current_test_info()->name(), sKind);
}

// A fixed moment plus nSeconds: time stamps that tests can order.
inline QDateTime at(int nSeconds)
{
    return QDateTime::fromMSecsSinceEpoch(1'600'000'000'000LL + nSeconds * 1000LL);
}

// A raster whose element (x, y) is value(x, y).
template <typename T>
Raster2d<T>* makeRaster(unsigned int nWidth, unsigned int nHeight, const std::function<T(unsigned, unsigned)>& value)
{
    auto* pRaster = new Raster2d<T>(nWidth, nHeight);
    for (unsigned int y = 0; y < nHeight; ++y)
    {
        for (unsigned int x = 0; x < nWidth; ++x)
        {
            pRaster->at(x, y) = value(x, y);
        }
    }
    return pRaster;
}

// Puts an image object owning pRaster into the tree (non-silently, as a
// pipeline that finished does).
inline ImageObject* addImage(const QString& sName, Raster2dBase* pRaster, const QDateTime& timeStamp)
{
    auto* pImageObject = new ImageObject(sName);
    pImageObject->setRaster(pRaster, true);
    pImageObject->setTimeStamp(timeStamp);
    EXPECT_TRUE(ObjectRoot::getInstance()->addChild(pImageObject, false)) << sName.toStdString();
    return pImageObject;
}

// An 8-bit image of one grey value, or of value(x, y).
inline ImageObject* addGreyImage(const QString& sName, unsigned int nWidth, unsigned int nHeight,
                                 const std::function<unsigned char(unsigned, unsigned)>& value,
                                 const QDateTime& timeStamp)
{
    return addImage(sName, makeRaster<unsigned char>(nWidth, nHeight, value), timeStamp);
}

// Every element the same value.
inline std::function<unsigned char(unsigned, unsigned)> flat(unsigned char value)
{
    return [value](unsigned, unsigned) { return value; };
}

inline int grey(const QImage& image, const QPoint& point)
{
    return qGray(image.pixel(point));
}

// What a user sees of the widget; also left as <name>.png in the build's
// screenshot folder to be looked at.
inline QImage screenshot(QWidget* pWidget, const QString& sName)
{
    const QImage image = pWidget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QDir().mkpath(MOLDENA_SCREENSHOT_DIR);
    image.save(QString(MOLDENA_SCREENSHOT_DIR) + "/" + sName + ".png");
    return image;
}
} // namespace ViewsTestSupport
