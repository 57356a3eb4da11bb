// The mask path as the workflow chains it for a shape: import, equalise and
// margins, crop, resolution providers, rotate and scale, smoothing and
// morphology, threshold, preview copies; on pictures the test draws.

#include "../malformed/MalformedPictures.h"
#include "ImageModifier/ImageModifierRoi.h"
#include "ImageModifier/ImageModifierThreshold.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "RawImageImporter.h"
#include "TestSupport.h"
#include "support/MaskPathChainSupport.h"

#include <QColor>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <cmath>
#include <vector>

namespace
{
using MaskPathChainSupport::image;

// A light, unevenly lit background (brighter to the right) with a dark
// ellipse in the middle whose semi-axes are a fifth of the width and a
// quarter of the height.
QImage drawPicture(int nWidth, int nHeight)
{
    QImage picture(nWidth, nHeight, QImage::Format_RGB32);
    const double dCx = nWidth / 2.0, dCy = nHeight / 2.0;
    const double dAx = nWidth / 5.0, dAy = nHeight / 4.0;
    for (int y = 0; y < nHeight; ++y)
    {
        QRgb* pLine = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < nWidth; ++x)
        {
            const double dx = (x - dCx) / dAx, dy = (y - dCy) / dAy;
            const int nGray = dx * dx + dy * dy <= 1.0 ? 40 + (x % 7) : 170 + (60 * x) / nWidth;
            pLine[x] = qRgb(nGray, nGray, nGray);
        }
    }
    return picture;
}

const Raster2d<unsigned char>* rasterOf(const QString& sName)
{
    ImageObject* pImage = ObjectRoot::getInstance()->findChild<ImageObject*>(sName);
    return pImage ? dynamic_cast<const Raster2d<unsigned char>*>(pImage->getRasterReadOnly()) : nullptr;
}

QSize sizeOf(const QString& sName)
{
    const Raster2d<unsigned char>* pRaster = rasterOf(sName);
    return pRaster ? QSize(int(pRaster->getWidth()), int(pRaster->getHeight())) : QSize();
}

std::vector<unsigned char> pixelsOf(const QString& sName)
{
    const Raster2d<unsigned char>* pRaster = rasterOf(sName);
    return pRaster ? std::vector<unsigned char>(pRaster->getData(), pRaster->getData() + pRaster->getSize())
                   : std::vector<unsigned char>();
}

class MaskPathIntegrationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerParameterMetaTypes();
        ObjectRoot::getInstance()->clear();
        ASSERT_TRUE(m_dir.isValid());
    }

    void TearDown() override
    {
        waitIdle();
        MaskPathChainSupport::removePipelines(m_slPipelineNames);
    }

    // The three imaging steps of a shape, pipelines in the workflow's order,
    // each step's pipelines enabled and requested once as entering it does.
    void buildChain(const QString& sPath)
    {
        MaskPathChainSupport::addPipelines(m_slPipelineNames);

        setParameter(image(IMAGE_RAW, ORIGINAL_RES_HQ) + "/" + RAW_IMAGE_IMPORT + "/0",
                     ImageProcessorRawImageImport::PATH, sPath);
        MaskPathChainSupport::enableAndProcess(m_slPipelineNames);
        waitIdle();
    }

    static void setParameter(const QString& sObjectName, const QString& sKey, const QVariant& value)
    {
        ASSERT_TRUE(MaskPathChainSupport::setParameter(sObjectName, sKey, value)) << sObjectName.toStdString();
    }

    bool idle() const
    {
        return MaskPathChainSupport::idle(m_slPipelineNames);
    }

    void waitIdle()
    {
        EXPECT_TRUE(QTest::qWaitFor([this] { return idle(); }, 60000));
        QCoreApplication::processEvents();
    }

    QString writePicture(const QString& sFileName, int nWidth, int nHeight)
    {
        const QString sPath = m_dir.filePath(sFileName);
        EXPECT_TRUE(drawPicture(nWidth, nHeight).save(sPath, "PNG"));
        return sPath;
    }

    QTemporaryDir m_dir;
    QStringList m_slPipelineNames;
};

// Number of black elements of a thresholded image, and whether every element
// is pure black or white.
int countBlack(const std::vector<unsigned char>& vPixels, bool& bBinary)
{
    int nBlack = 0;
    bBinary = true;
    for (unsigned char c : vPixels)
    {
        nBlack += c == 0 ? 1 : 0;
        bBinary = bBinary && (c == 0 || c == 255);
    }
    return nBlack;
}
} // namespace

TEST_F(MaskPathIntegrationTest, PictureBecomesABinaryShapeAtEveryResolution)
{
    buildChain(writePicture("picture.png", 2000, 1000));

    // The providers keep the aspect ratio inside 512² and 1024² pixels.
    EXPECT_EQ(sizeOf(image(IMAGE_RAW, ORIGINAL_RES_HQ)), QSize(2000, 1000));
    EXPECT_EQ(sizeOf(image(IMAGE_CROPPED, ORIGINAL_RES_HQ)), QSize(2000, 1000));
    EXPECT_EQ(sizeOf(image(IMAGE_EQUALIZED, LOW_RES_HQ)), QSize(724, 362));
    EXPECT_EQ(sizeOf(image(IMAGE_RESIZED, LOW_RES_HQ)), QSize(724, 362));
    EXPECT_EQ(sizeOf(image(IMAGE_RESIZED, HIGH_RES_HQ)), QSize(1448, 724));
    // Rotate and scale makes a square of the longer side by default.
    EXPECT_EQ(sizeOf(image(IMAGE_TRANSFORMED, INTERMEDIATE_RES_HQ)), QSize(1448, 1448));
    EXPECT_EQ(sizeOf(image(IMAGE_TRANSFORMED, HIGH_RES_HQ)), QSize(1024, 1024));
    EXPECT_EQ(sizeOf(image(IMAGE_SMOOTHED, LOW_RES_LQ)), QSize(512, 512));
    EXPECT_EQ(sizeOf(image(IMAGE_SMOOTHED, LOW_RES_HQ)), QSize(512, 512));
    EXPECT_EQ(sizeOf(image(IMAGE_THRESHOLDED, LOW_RES_HQ)), QSize(512, 512));

    const std::vector<unsigned char> vShape = pixelsOf(image(IMAGE_THRESHOLDED, HIGH_RES_HQ));
    ASSERT_EQ(vShape.size(), 1024u * 1024u);
    bool bBinary = false;
    const int nBlack = countBlack(vShape, bBinary);
    EXPECT_TRUE(bBinary);
    // The ellipse keeps its area through the scale 0.512: π · 204.8 · 128.
    const double dExpected = M_PI * 204.8 * 128.0;
    EXPECT_NEAR(nBlack, dExpected, 0.03 * dExpected);
    EXPECT_EQ(vShape[512 * 1024 + 512], 0);  // the ellipse's centre
    EXPECT_EQ(vShape[0], 255);               // white border of the square
    EXPECT_EQ(vShape[512 * 1024 + 20], 255); // the background left of it

    // The preview copy is as new as the image it was made from.
    ImageObject* pHigh = ObjectRoot::getInstance()->findChild<ImageObject*>(image(IMAGE_THRESHOLDED, HIGH_RES_HQ));
    ImageObject* pLow = ObjectRoot::getInstance()->findChild<ImageObject*>(image(IMAGE_THRESHOLDED, LOW_RES_HQ));
    ASSERT_TRUE(pHigh && pLow);
    EXPECT_TRUE(pHigh->getTimeStamp().isValid());
    EXPECT_EQ(pLow->getTimeStamp(), pHigh->getTimeStamp());
    bool bLowBinary = false;
    countBlack(pixelsOf(image(IMAGE_THRESHOLDED, LOW_RES_HQ)), bLowBinary);
    EXPECT_FALSE(bLowBinary) << "the preview is resampled, so its edges are grey";
}

TEST_F(MaskPathIntegrationTest, ChangingTheMarginsRecropsAndRethresholds)
{
    buildChain(writePicture("picture.png", 2000, 1000));
    ImageObject* pEqualized =
        ObjectRoot::getInstance()->findChild<ImageObject*>(image(IMAGE_EQUALIZED, ORIGINAL_RES_HQ));
    ASSERT_NE(pEqualized, nullptr);
    const QDateTime equalizedBefore = pEqualized->getTimeStamp();

    // The margins object belongs to the equalised image and is shared by the
    // equalise and the crop step: one change requests both.
    const QString sMargins = image(IMAGE_EQUALIZED, ORIGINAL_RES_HQ) + "/" + MODIFIER_ROI + "/0";
    ParameterObject* pMargins = ObjectRoot::getInstance()->findChild<ParameterObject*>(sMargins);
    ASSERT_NE(pMargins, nullptr);
    ParameterObject::ParameterMap map = pMargins->getParameters();
    map[ImageModifierRoi::LEFT] = 0.25;
    map[ImageModifierRoi::RIGHT] = 0.75;
    pMargins->setParameters(map);
    waitIdle();

    pEqualized = ObjectRoot::getInstance()->findChild<ImageObject*>(image(IMAGE_EQUALIZED, ORIGINAL_RES_HQ));
    ASSERT_NE(pEqualized, nullptr);
    EXPECT_GT(pEqualized->getTimeStamp(), equalizedBefore) << "equalise ran again";
    EXPECT_EQ(rasterOf(image(IMAGE_EQUALIZED, ORIGINAL_RES_HQ))->getRoi(), QRectF(0.25, 0, 0.5, 1));
    EXPECT_EQ(sizeOf(image(IMAGE_CROPPED, ORIGINAL_RES_HQ)), QSize(1000, 1000));
    EXPECT_EQ(sizeOf(image(IMAGE_RESIZED, LOW_RES_HQ)), QSize(512, 512));
    EXPECT_EQ(sizeOf(image(IMAGE_RESIZED, HIGH_RES_HQ)), QSize(1024, 1024));

    // The ellipse now fills a larger part of the square: scale 1.024.
    bool bBinary = false;
    const int nBlack = countBlack(pixelsOf(image(IMAGE_THRESHOLDED, HIGH_RES_HQ)), bBinary);
    EXPECT_TRUE(bBinary);
    const double dExpected = M_PI * 409.6 * 256.0;
    EXPECT_NEAR(nBlack, dExpected, 0.03 * dExpected);

    // A threshold above the background's grey turns everything black: the
    // cropped picture is square, so no border was added around it.
    const QString sThreshold = image(IMAGE_SMOOTHED, HIGH_RES_HQ) + "/" + MODIFIER_THRESHOLD + "/0";
    setParameter(sThreshold, ImageModifierThreshold::THRESHOLD, 250);
    waitIdle();
    const std::vector<unsigned char> vAllBlack = pixelsOf(image(IMAGE_THRESHOLDED, HIGH_RES_HQ));
    EXPECT_EQ(countBlack(vAllBlack, bBinary), 1024 * 1024);
}

TEST_F(MaskPathIntegrationTest, BadFilesKeepTheChainAliveWithOneErrorEach)
{
    buildChain(writePicture("picture.png", 400, 200));
    const std::vector<unsigned char> vRawBefore = pixelsOf(image(IMAGE_RAW, ORIGINAL_RES_HQ));
    const std::vector<unsigned char> vShapeBefore = pixelsOf(image(IMAGE_THRESHOLDED, HIGH_RES_HQ));
    ASSERT_EQ(vRawBefore.size(), 400u * 200u);
    ASSERT_FALSE(vShapeBefore.empty());

    QFile corrupt(m_dir.filePath("corrupt.png"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write(QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(100, 'x'));
    corrupt.close();
    QFile text(m_dir.filePath("notes.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is no picture\n");
    text.close();

    const QString sImport = image(IMAGE_RAW, ORIGINAL_RES_HQ) + "/" + RAW_IMAGE_IMPORT + "/0";
    for (const QString& sFile :
         {QStringLiteral("missing.png"), QStringLiteral("corrupt.png"), QStringLiteral("notes.png")})
    {
        LogCapture log;
        setParameter(sImport, ImageProcessorRawImageImport::PATH, m_dir.filePath(sFile));
        waitIdle();
        EXPECT_EQ(log.count("ERROR"), 1) << sFile.toStdString() << "\n" << log.lines().join("\n").toStdString();
        EXPECT_EQ(pixelsOf(image(IMAGE_RAW, ORIGINAL_RES_HQ)), vRawBefore);
        EXPECT_EQ(pixelsOf(image(IMAGE_THRESHOLDED, HIGH_RES_HQ)), vShapeBefore);
    }
}

TEST_F(MaskPathIntegrationTest, AFreshChainWaitsQuietlyForAPicture)
{
    // Entering the steps before a picture is chosen runs the import on an
    // empty path: nothing is logged and no image gets a raster.
    LogCapture log;
    buildChain(QString());
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join("\n").toStdString();

    const QString sImport = image(IMAGE_RAW, ORIGINAL_RES_HQ) + "/" + RAW_IMAGE_IMPORT + "/0";
    setParameter(sImport, ImageProcessorRawImageImport::PATH, m_dir.filePath("nothing-here.png"));
    waitIdle();
    EXPECT_EQ(log.count("ERROR"), 1) << log.lines().join("\n").toStdString();
    for (const QString& sName : {image(IMAGE_RAW, ORIGINAL_RES_HQ), image(IMAGE_EQUALIZED, ORIGINAL_RES_HQ),
                                 image(IMAGE_CROPPED, ORIGINAL_RES_HQ), image(IMAGE_THRESHOLDED, HIGH_RES_HQ)})
    {
        ImageObject* pImage = ObjectRoot::getInstance()->findChild<ImageObject*>(sName);
        ASSERT_NE(pImage, nullptr) << sName.toStdString();
        EXPECT_EQ(pImage->getRasterReadOnly(), nullptr) << sName.toStdString();
    }

    // A good file afterwards runs the whole chain.
    setParameter(sImport, ImageProcessorRawImageImport::PATH, writePicture("late.png", 300, 300));
    waitIdle();
    EXPECT_EQ(sizeOf(image(IMAGE_THRESHOLDED, HIGH_RES_HQ)), QSize(1024, 1024));
    EXPECT_EQ(sizeOf(image(IMAGE_THRESHOLDED, LOW_RES_HQ)), QSize(512, 512));
}

TEST_F(MaskPathIntegrationTest, ExtremeAspectRatiosAreRefusedByRotateAndScaleAlone)
{
    buildChain(writePicture("picture.png", 400, 200));
    const std::vector<unsigned char> vShapeBefore = pixelsOf(image(IMAGE_THRESHOLDED, HIGH_RES_HQ));
    ASSERT_FALSE(vShapeBefore.empty());

    const QString sImport = image(IMAGE_RAW, ORIGINAL_RES_HQ) + "/" + RAW_IMAGE_IMPORT + "/0";
    for (const QSize& size : MalformedPictures::extremeAspectRatios())
    {
        SCOPED_TRACE(QString("%1 x %2").arg(size.width()).arg(size.height()).toStdString());
        const QString sFile = QString("strip-%1x%2.png").arg(size.width()).arg(size.height());
        LogCapture log;
        setParameter(sImport, ImageProcessorRawImageImport::PATH, writePicture(sFile, size.width(), size.height()));
        waitIdle();
        // The picture itself is fine and goes as far as the resolution
        // providers; each of the two rotate-and-scale steps says why it stops.
        EXPECT_EQ(sizeOf(image(IMAGE_RAW, ORIGINAL_RES_HQ)), size);
        const QStringList lines = log.lines();
        EXPECT_EQ(lines.size(), 2) << lines.join("\n").toStdString();
        for (const QString& sLine : lines)
        {
            EXPECT_TRUE(sLine.startsWith("ERROR: ImagePipeline\\ImagePipelineRotateAndScale::")) << sLine.toStdString();
            EXPECT_TRUE(sLine.contains("aspect ratio is too extreme")) << sLine.toStdString();
        }
        EXPECT_EQ(pixelsOf(image(IMAGE_THRESHOLDED, HIGH_RES_HQ)), vShapeBefore);
    }
}
