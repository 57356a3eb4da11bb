#include "ImageModifier/ImageModifierBucket.h"
#include "ImageModifier/ImageModifierOverlayComposite.h"
#include "ImageModifier/ImageModifierOverlayDelete.h"
#include "ImageModifier/ImageModifierPen.h"
#include "SimpleException.h"
#include "TestSupport.h"

#include <QDateTime>

#include <memory>

namespace
{
using Raster8 = Raster2d<unsigned char>;
using RasterMap = ImageModifierBase::RasterMap;

std::unique_ptr<Raster8> filled(unsigned int nWidth, unsigned int nHeight, unsigned char nValue)
{
    auto pRaster = std::make_unique<Raster8>(nWidth, nHeight);
    pRaster->fill(nValue);
    return pRaster;
}

qint64 later(qint64 nMs = 1000)
{
    return QDateTime::currentMSecsSinceEpoch() + nMs;
}

// Overlay and mask in and out, as the pen and the deletion take them.
struct Layers
{
    Layers(unsigned int nWidth, unsigned int nHeight)
        : pInOverlay(filled(nWidth, nHeight, 255))
        , pInMask(filled(nWidth, nHeight, 0))
        , pOutOverlay(filled(nWidth, nHeight, 77))
        , pOutMask(filled(nWidth, nHeight, 77))
    {
    }
    RasterMap inputs() { return {{"in_OVERLAY", pInOverlay.get()}, {"in_MASK", pInMask.get()}}; }
    RasterMap outputs() { return {{"out_OVERLAY", pOutOverlay.get()}, {"out_MASK", pOutMask.get()}}; }

    std::unique_ptr<Raster8> pInOverlay;
    std::unique_ptr<Raster8> pInMask;
    std::unique_ptr<Raster8> pOutOverlay;
    std::unique_ptr<Raster8> pOutMask;
};

ImageModifierBase::ParameterMap stroke(const QList<QPointF>& points, double dSize, const QString& sColor,
                                       qint64 nTimeStamp)
{
    return {{ImageModifierPen::POINTS, QVariant::fromValue(points)},
            {ImageModifierPen::SIZE, dSize},
            {ImageModifierPen::COLOR, sColor},
            {ImageModifierPen::TIMESTAMP, nTimeStamp}};
}

bool allEqual(const Raster8& raster, unsigned char nValue)
{
    for (unsigned int i = 0; i < raster.getSize(); ++i)
    {
        if (raster.getData()[i] != nValue)
        {
            return false;
        }
    }
    return true;
}
} // namespace

TEST(PaintModifiersTest, PenCalculatesLineWidthFromFactor)
{
    EXPECT_DOUBLE_EQ(ImageModifierPen::convertPenFactor(50), 0.05);
    EXPECT_DOUBLE_EQ(ImageModifierPen::convertPenFactor(1000), 1.0);
    EXPECT_EQ(ImageModifierPen::calculatePenSize(300, 300, 1.0), 255);
    EXPECT_EQ(ImageModifierPen::calculatePenSize(300, 300, 0.05), 15);
    EXPECT_EQ(ImageModifierPen::calculatePenSize(200, 50, 0.1), 10);
    EXPECT_EQ(ImageModifierPen::calculatePenSize(10, 10, 0.09), 0);
    EXPECT_EQ(ImageModifierPen::calculatePenSize(300, 300, 1e12), 255);
}

TEST(PaintModifiersTest, PenDrawsStrokeIntoOverlayAndMaskOnce)
{
    LogCapture log;
    ImageModifierPen pen(MODIFIER_PEN);
    Layers layers(20, 10);
    // Width sqrt(200) * 0.08 = 1.13 -> one pixel; (0.1, 0.5) -> (2, 5), (0.9, 0.5) -> (18, 5).
    const qint64 nStamp = later();
    pen.setParameters(stroke({{0.1, 0.5}, {0.9, 0.5}}, 0.08, ImageModifierPen::BLACK, nStamp));
    RasterMap outputs = layers.outputs();
    ASSERT_TRUE(pen.process(layers.inputs(), outputs));
    for (unsigned int y = 0; y < 10; ++y)
    {
        for (unsigned int x = 0; x < 20; ++x)
        {
            const bool bOnStroke = y == 5 && x >= 2 && x <= 18;
            EXPECT_EQ(layers.pOutOverlay->at(x, y), bOnStroke ? 0 : 255) << x << "," << y;
            EXPECT_EQ(layers.pOutMask->at(x, y), bOnStroke ? 255 : 0) << x << "," << y;
        }
    }
    EXPECT_TRUE(allEqual(*layers.pInOverlay, 255));
    EXPECT_TRUE(allEqual(*layers.pInMask, 0));

    // The same stroke again, or an older one, is not drawn a second time.
    layers.pOutOverlay->fill(77);
    layers.pOutMask->fill(77);
    EXPECT_FALSE(pen.process(layers.inputs(), outputs));
    pen.setParameters(stroke({{0.1, 0.5}, {0.9, 0.5}}, 0.08, ImageModifierPen::BLACK, nStamp - 1));
    EXPECT_FALSE(pen.process(layers.inputs(), outputs));
    EXPECT_TRUE(allEqual(*layers.pOutOverlay, 77));
    EXPECT_TRUE(allEqual(*layers.pOutMask, 77));
    EXPECT_EQ(log.lines().size(), 0);
}

TEST(PaintModifiersTest, PenGateRefusesSilently)
{
    LogCapture log;
    ImageModifierPen pen(MODIFIER_PEN);
    Layers layers(8, 8);
    RasterMap outputs = layers.outputs();
    const QList<QPointF> points{{0.1, 0.1}, {0.9, 0.9}};
    for (const auto& parameters :
         {stroke({}, 0.5, "BLACK", later()), stroke(points, 0.0, "BLACK", later()),
          stroke(points, 1.5, "BLACK", later()), stroke(points, 0.5, "BLACK", QDateTime::currentMSecsSinceEpoch() - 5000),
          pen.getDefaultParameters()})
    {
        pen.setParameters(parameters);
        EXPECT_FALSE(pen.process(layers.inputs(), outputs));
    }
    EXPECT_TRUE(allEqual(*layers.pOutOverlay, 77));
    EXPECT_TRUE(allEqual(*layers.pOutMask, 77));
    EXPECT_EQ(log.lines().size(), 0);
}

TEST(PaintModifiersTest, PenColorWords)
{
    struct Case
    {
        QString sColor;
        unsigned char nOverlay;
        unsigned char nMask;
    };
    for (const Case& c : {Case{"WHITE", 255, 255}, Case{"White", 0, 255}, Case{"CLEAR", 0, 0}, Case{"BLACK", 0, 255}})
    {
        ImageModifierPen pen(MODIFIER_PEN);
        Layers layers(10, 10);
        // Start from painted layers so that every colour changes something.
        layers.pInOverlay->fill(128);
        layers.pInMask->fill(128);
        pen.setParameters(stroke({{0.0, 0.3}, {0.95, 0.3}}, 0.1, c.sColor, later()));
        RasterMap outputs = layers.outputs();
        ASSERT_TRUE(pen.process(layers.inputs(), outputs)) << c.sColor.toStdString();
        EXPECT_EQ(layers.pOutOverlay->at(4, 3), c.nOverlay) << c.sColor.toStdString();
        EXPECT_EQ(layers.pOutMask->at(4, 3), c.nMask) << c.sColor.toStdString();
        EXPECT_EQ(layers.pOutOverlay->at(4, 5), 128);
        EXPECT_EQ(layers.pOutMask->at(4, 5), 128);
    }
}

TEST(PaintModifiersTest, PenClipsEndPointOnePastLastPixel)
{
    ImageModifierPen pen(MODIFIER_PEN);
    Layers layers(100, 100);
    pen.setParameters(stroke({{0.5, 0.5}, {1.0, 1.0}}, 0.01, "BLACK", later()));
    RasterMap outputs = layers.outputs();
    ASSERT_TRUE(pen.process(layers.inputs(), outputs));
    for (unsigned int i = 50; i < 100; ++i)
    {
        EXPECT_EQ(layers.pOutMask->at(i, i), 255) << i;
    }
    EXPECT_EQ(layers.pOutMask->at(49, 49), 0);
    EXPECT_EQ(layers.pOutMask->at(99, 0), 0);
}

TEST(PaintModifiersTest, PenTooThinForRasterDrawsOnePixelWide)
{
    // sqrt(4 * 4) * 0.1 truncates to 0, which the drawing call would refuse.
    ImageModifierPen pen(MODIFIER_PEN);
    Layers layers(4, 4);
    pen.setParameters(stroke({{0.0, 0.0}, {0.0, 0.9}}, 0.1, "WHITE", later()));
    RasterMap outputs = layers.outputs();
    ASSERT_TRUE(pen.process(layers.inputs(), outputs));
    for (unsigned int y = 0; y < 4; ++y)
    {
        EXPECT_EQ(layers.pOutMask->at(0, y), 255) << y;
        EXPECT_EQ(layers.pOutMask->at(1, y), 0) << y;
    }
}

TEST(PaintModifiersTest, PenRefusesBadPointsAndArity)
{
    ImageModifierPen pen(MODIFIER_PEN);
    Layers layers(6, 6);
    layers.pInMask->fill(9);
    RasterMap outputs = layers.outputs();
    pen.setParameters(stroke({{0.5, 0.5}, {1.0000001, 0.5}}, 0.5, "BLACK", later()));
    EXPECT_ASSERTION(pen.process(layers.inputs(), outputs), "points[i].x() >= 0.0 && points[i].x() <= 1.0");
    // The copies were made before the points were checked.
    EXPECT_TRUE(allEqual(*layers.pOutOverlay, 255));
    EXPECT_TRUE(allEqual(*layers.pOutMask, 9));

    pen.setParameters(stroke({{0.5, -0.1}}, 0.5, "BLACK", later(2000)));
    EXPECT_ASSERTION(pen.process(layers.inputs(), outputs), "points[i].y() >= 0.0 && points[i].y() <= 1.0");

    RasterMap inputs = layers.inputs();
    inputs["extra"] = layers.pInMask.get();
    EXPECT_ASSERTION(pen.process(inputs, outputs), "mapInputRasters.size() == 2 && mapOutputRasters.size() == 2");
}

TEST(PaintModifiersTest, PenLogsMissingRolesParametersAndSizeMismatch)
{
    LogCapture log;
    ImageModifierPen pen(MODIFIER_PEN);
    Layers layers(6, 6);
    RasterMap outputs = layers.outputs();
    const qint64 nStamp = later();
    pen.setParameters(stroke({{0.5, 0.5}}, 0.5, "BLACK", nStamp));

    // A float raster under the mask key counts as missing.
    Raster2d<float> floatMask(6, 6);
    EXPECT_FALSE(pen.process({{"in_OVERLAY", layers.pInOverlay.get()}, {"in_MASK", &floatMask}}, outputs));
    RasterMap noMask{{"out_OVERLAY", layers.pOutOverlay.get()}, {"out_X", layers.pOutMask.get()}};
    EXPECT_FALSE(pen.process(layers.inputs(), noMask));
    pen.setParameters({{ImageModifierPen::POINTS, QVariant::fromValue(QList<QPointF>{{0.5, 0.5}})},
                       {ImageModifierPen::SIZE, 0.5},
                       {ImageModifierPen::TIMESTAMP, nStamp}});
    EXPECT_FALSE(pen.process(layers.inputs(), outputs));

    // A size mismatch uses the stroke up: the same stroke later fails silently.
    pen.setParameters(stroke({{0.5, 0.5}}, 0.5, "BLACK", nStamp));
    Raster8 smallMask(5, 6);
    RasterMap mismatched{{"out_OVERLAY", layers.pOutOverlay.get()}, {"out_MASK", &smallMask}};
    EXPECT_FALSE(pen.process(layers.inputs(), mismatched));
    EXPECT_FALSE(pen.process(layers.inputs(), outputs));

    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith("ERROR: ImageModifier\\ImageModifierPen::"));
    EXPECT_TRUE(lines[0].endsWith(": Input raster could not be processed"));
    EXPECT_TRUE(lines[1].endsWith(": Output raster could not be processed"));
    EXPECT_TRUE(lines[2].endsWith(": Parameters were not set correctly"));
    EXPECT_TRUE(lines[3].endsWith(": Size of input and output are not identical"));
    EXPECT_TRUE(allEqual(*layers.pOutOverlay, 77));
}

TEST(PaintModifiersTest, KeyWithOverlayAndMaskCountsAsOverlay)
{
    ImageModifierPen pen(MODIFIER_PEN);
    Layers layers(6, 6);
    pen.setParameters(stroke({{0.0, 0.5}, {0.9, 0.5}}, 0.2, "WHITE", later()));
    RasterMap inputs{{"a_OVERLAY_MASK", layers.pInOverlay.get()}, {"b_MASK", layers.pInMask.get()}};
    RasterMap outputs{{"a_MASK_OVERLAY", layers.pOutOverlay.get()}, {"b_MASK", layers.pOutMask.get()}};
    layers.pInOverlay->fill(0);
    ASSERT_TRUE(pen.process(inputs, outputs));
    EXPECT_EQ(layers.pOutOverlay->at(0, 0), 0);   // copied from the overlay input
    EXPECT_EQ(layers.pOutOverlay->at(2, 3), 255); // painted white
    EXPECT_EQ(layers.pOutMask->at(0, 0), 0);
}

namespace
{
// Canvas, overlay and mask in and out, as the bucket takes them.
struct BucketRasters
{
    BucketRasters(std::unique_ptr<Raster8> pCanvas)
        : layers(pCanvas->getWidth(), pCanvas->getHeight())
        , pInCanvas(std::move(pCanvas))
        , pOutCanvas(filled(pInCanvas->getWidth(), pInCanvas->getHeight(), 77))
    {
    }
    RasterMap inputs()
    {
        RasterMap map = layers.inputs();
        map["in"] = pInCanvas.get();
        return map;
    }
    RasterMap outputs()
    {
        RasterMap map = layers.outputs();
        map["out"] = pOutCanvas.get();
        return map;
    }
    Layers layers;
    std::unique_ptr<Raster8> pInCanvas;
    std::unique_ptr<Raster8> pOutCanvas;
};

// 8 x 3 columns of gray: 100 120 126 100 100 200 23 23; column 2 breaks the
// default tolerance of 25 levels around 100.
std::unique_ptr<Raster8> columnCanvas()
{
    const unsigned char columns[8] = {100, 120, 126, 100, 100, 200, 23, 23};
    auto pCanvas = filled(8, 3, 0);
    for (unsigned int y = 0; y < 3; ++y)
    {
        for (unsigned int x = 0; x < 8; ++x)
        {
            pCanvas->set(x, y, columns[x]);
        }
    }
    return pCanvas;
}

ImageModifierBase::ParameterMap fill(QPointF point, const QVariant& threshold, const QString& sColor, qint64 nStamp)
{
    ImageModifierBase::ParameterMap map{{ImageModifierBucket::POINT, point},
                                        {ImageModifierBucket::COLOR, sColor},
                                        {ImageModifierBucket::TIMESTAMP, nStamp}};
    if (threshold.isValid())
    {
        map[ImageModifierBucket::THRESHOLD] = threshold;
    }
    return map;
}
} // namespace

TEST(PaintModifiersTest, BucketStopsAtTolerance)
{
    struct Case
    {
        QVariant threshold;
        int nLastFilledColumn;
    };
    // Missing threshold means tolerance 0.
    for (const Case& c : {Case{0.5, 1}, Case{0.0, 0}, Case{QVariant(), 0}, Case{0.6, 4}})
    {
        ImageModifierBucket bucket(MODIFIER_BUCKET);
        BucketRasters rasters(columnCanvas());
        bucket.setParameters(fill({0.0, 0.001}, c.threshold, "BLACK", later()));
        RasterMap outputs = rasters.outputs();
        ASSERT_TRUE(bucket.process(rasters.inputs(), outputs));
        const unsigned char expectedCanvas[8] = {100, 120, 126, 100, 100, 200, 24, 24};
        for (unsigned int y = 0; y < 3; ++y)
        {
            for (unsigned int x = 0; x < 8; ++x)
            {
                const bool bFilled = int(x) <= c.nLastFilledColumn;
                EXPECT_EQ(rasters.pOutCanvas->at(x, y), bFilled ? 0 : expectedCanvas[x]) << x;
                EXPECT_EQ(rasters.layers.pOutOverlay->at(x, y), bFilled ? 0 : 255) << x;
                EXPECT_EQ(rasters.layers.pOutMask->at(x, y), bFilled ? 255 : 0) << x;
            }
        }
        EXPECT_EQ(rasters.pInCanvas->at(6, 0), 23);
    }
}

TEST(PaintModifiersTest, BucketSeedOnLastColumnAndOnceOnly)
{
    ImageModifierBucket bucket(MODIFIER_BUCKET);
    BucketRasters rasters(columnCanvas());
    const qint64 nStamp = later();
    // (1, 1) is the bottom right pixel, value 23 (searched as 24).
    bucket.setParameters(fill({1.0, 1.0}, 0.0, "WHITE", nStamp));
    RasterMap outputs = rasters.outputs();
    ASSERT_TRUE(bucket.process(rasters.inputs(), outputs));
    for (unsigned int x = 0; x < 8; ++x)
    {
        EXPECT_EQ(rasters.layers.pOutMask->at(x, 1), x >= 6 ? 255 : 0) << x;
        EXPECT_EQ(rasters.pOutCanvas->at(x, 1), x >= 6 ? 255 : rasters.pInCanvas->at(x, 1)) << x;
    }
    rasters.pOutCanvas->fill(77);
    EXPECT_FALSE(bucket.process(rasters.inputs(), outputs));
    EXPECT_TRUE(allEqual(*rasters.pOutCanvas, 77));
}

TEST(PaintModifiersTest, BucketGateAndNothingToFill)
{
    LogCapture log;
    BucketRasters rasters(filled(5, 5, 0));
    RasterMap outputs = rasters.outputs();
    {
        ImageModifierBucket bucket(MODIFIER_BUCKET);
        bucket.setParameters(fill({0.0, 0.0}, 0.5, "WHITE", later()));
        EXPECT_FALSE(bucket.process(rasters.inputs(), outputs));
        bucket.setParameters(bucket.getDefaultParameters());
        EXPECT_FALSE(bucket.process(rasters.inputs(), outputs));
        // Black on a black pixel: nothing to fill.
        bucket.setParameters(fill({0.5, 0.5}, 0.5, "BLACK", later()));
        EXPECT_FALSE(bucket.process(rasters.inputs(), outputs));
    }
    EXPECT_TRUE(allEqual(*rasters.pOutCanvas, 77));
    EXPECT_EQ(log.lines().size(), 0);

    // Clearing a black pixel still fills: the paint is erased there.
    ImageModifierBucket bucket(MODIFIER_BUCKET);
    rasters.layers.pInMask->fill(255);
    rasters.layers.pInOverlay->fill(0);
    bucket.setParameters(fill({0.5, 0.5}, 0.5, "CLEAR", later()));
    ASSERT_TRUE(bucket.process(rasters.inputs(), outputs));
    EXPECT_TRUE(allEqual(*rasters.layers.pOutMask, 0));
    EXPECT_TRUE(allEqual(*rasters.layers.pOutOverlay, 0));
    EXPECT_TRUE(allEqual(*rasters.pOutCanvas, 0));
}

TEST(PaintModifiersTest, BucketRefusesBadSeedSizeAndArity)
{
    LogCapture log;
    ImageModifierBucket bucket(MODIFIER_BUCKET);
    BucketRasters rasters(filled(5, 5, 50));
    RasterMap outputs = rasters.outputs();
    bucket.setParameters(fill({1.5, 0.5}, 0.5, "BLACK", later()));
    EXPECT_ASSERTION(bucket.process(rasters.inputs(), outputs), "point.x() >= 0.0 && point.x() <= 1.0");
    bucket.setParameters(fill({0.5, -0.5}, 0.5, "BLACK", later(2000)));
    EXPECT_ASSERTION(bucket.process(rasters.inputs(), outputs), "point.y() >= 0.0 && point.y() <= 1.0");
    EXPECT_TRUE(allEqual(*rasters.pOutCanvas, 77));
    EXPECT_TRUE(allEqual(*rasters.layers.pOutMask, 77));

    Raster8 wide(6, 5);
    RasterMap mismatched = rasters.outputs();
    mismatched["out"] = &wide;
    bucket.setParameters(fill({0.5, 0.5}, 0.5, "BLACK", later(3000)));
    EXPECT_FALSE(bucket.process(rasters.inputs(), mismatched));
    // The fill was used up by the failed call.
    EXPECT_FALSE(bucket.process(rasters.inputs(), outputs));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("ERROR: ImageModifier\\ImageModifierBucket::"));
    EXPECT_TRUE(log.lines()[0].endsWith(": Size of input and output are not identical"));

    RasterMap two = rasters.layers.inputs();
    EXPECT_ASSERTION(bucket.process(two, outputs), "mapInputRasters.size() == 3 && mapOutputRasters.size() == 3");
}

TEST(PaintModifiersTest, CompositeLaysPaintOverCanvas)
{
    LogCapture log;
    ImageModifierOverlayComposite composite(MODIFIER_OVERLAY_COMPOSITE);
    composite.setParameters(composite.getDefaultParameters());
    auto pCanvas = filled(4, 2, 0x5A);
    auto pOverlay = filled(4, 2, 0xF0);
    auto pMask = filled(4, 2, 0);
    Raster8 output(4, 2);
    pMask->set(1, 0, 255);
    pMask->set(2, 1, 255);
    pMask->set(3, 1, 0x0F); // a partial mask mixes bitwise
    RasterMap inputs{{"canvas", pCanvas.get()}, {"x_OVERLAY", pOverlay.get()}, {"x_MASK", pMask.get()}};
    RasterMap outputs{{"anything_MASK", &output}};
    ASSERT_TRUE(composite.process(inputs, outputs));
    for (unsigned int y = 0; y < 2; ++y)
    {
        for (unsigned int x = 0; x < 4; ++x)
        {
            const unsigned char m = pMask->at(x, y);
            EXPECT_EQ(output.at(x, y), (0x5A & ~m) | (0xF0 & m)) << x << "," << y;
        }
    }
    EXPECT_EQ(output.at(1, 0), 0xF0);
    EXPECT_EQ(output.at(0, 0), 0x5A);
    EXPECT_EQ(output.at(3, 1), 0x50);

    // Hidden paint: nothing written, no log line.
    output.fill(1);
    composite.setParameters({{ImageModifierOverlayComposite::ENABLED, false}});
    EXPECT_FALSE(composite.process(inputs, outputs));
    EXPECT_TRUE(allEqual(output, 1));
    EXPECT_EQ(log.lines().size(), 0);

    composite.setParameters({});
    EXPECT_FALSE(composite.process(inputs, outputs));
    composite.setParameters({{ImageModifierOverlayComposite::ENABLED, true}});
    Raster8 small(3, 2);
    RasterMap smallOutputs{{"out", &small}};
    EXPECT_FALSE(composite.process(inputs, smallOutputs));
    inputs.erase("canvas");
    inputs["y_OVERLAY"] = pCanvas.get();
    EXPECT_FALSE(composite.process(inputs, outputs));
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("ERROR: ImageModifier\\ImageModifierOverlayComposite::"));
    EXPECT_TRUE(lines[0].endsWith(": Parameters were not set correctly"));
    EXPECT_TRUE(lines[1].endsWith(": Size of input and output are not identical"));
    EXPECT_TRUE(lines[2].endsWith(": Input raster could not be processed"));
    EXPECT_TRUE(allEqual(output, 1));

    outputs["second"] = &small;
    EXPECT_ASSERTION(composite.process(inputs, outputs), "mapInputRasters.size() == 3 && mapOutputRasters.size() == 1");
}

TEST(PaintModifiersTest, DeleteClearsPaintOncePerRequest)
{
    LogCapture log;
    ImageModifierOverlayDelete deletion(MODIFIER_OVERLAY_DELETE);
    Layers layers(3, 2);
    RasterMap outputs = layers.outputs();

    deletion.setParameters(deletion.getDefaultParameters());
    EXPECT_FALSE(deletion.process(layers.inputs(), outputs));
    const qint64 nStamp = later();
    deletion.setParameters({{ImageModifierOverlayDelete::ENABLED, false},
                            {ImageModifierOverlayDelete::TIMESTAMP, nStamp}});
    EXPECT_FALSE(deletion.process(layers.inputs(), outputs));
    EXPECT_TRUE(allEqual(*layers.pOutOverlay, 77));

    deletion.setParameters({{ImageModifierOverlayDelete::ENABLED, true},
                            {ImageModifierOverlayDelete::TIMESTAMP, nStamp}});
    ASSERT_TRUE(deletion.process(layers.inputs(), outputs));
    EXPECT_TRUE(allEqual(*layers.pOutOverlay, 255));
    EXPECT_TRUE(allEqual(*layers.pOutMask, 0));

    layers.pOutOverlay->fill(77);
    EXPECT_FALSE(deletion.process(layers.inputs(), outputs));
    EXPECT_TRUE(allEqual(*layers.pOutOverlay, 77));
    EXPECT_EQ(log.lines().size(), 0);

    deletion.setParameters({{ImageModifierOverlayDelete::ENABLED, true}});
    EXPECT_FALSE(deletion.process(layers.inputs(), outputs));
    EXPECT_EQ(log.count("ERROR"), 1);
    EXPECT_ASSERTION(deletion.process({}, outputs), "mapInputRasters.size() == 2 && mapOutputRasters.size() == 2");
}

// A layer that is missing or not 8-bit is refused with one ERROR line from the
// modifier's own source, inputs before outputs; nothing is written and the
// request is not used up, so the same request works on proper rasters.
TEST(PaintModifiersTest, MissingLayersAreRefusedFromEachModifiersOwnSource)
{
    Raster2d<float> floatLayer(3, 2);
    ImageModifierPen pen(MODIFIER_PEN);
    pen.setParameters(stroke({{0.5, 0.5}}, 0.5, ImageModifierPen::BLACK, later()));
    ImageModifierOverlayDelete deletion(MODIFIER_OVERLAY_DELETE);
    deletion.setParameters(
        {{ImageModifierOverlayDelete::ENABLED, true}, {ImageModifierOverlayDelete::TIMESTAMP, later()}});
    ImageModifierBucket bucket(MODIFIER_BUCKET);
    bucket.setParameters(fill({0.5, 0.5}, 0.5, ImageModifierBucket::BLACK, later()));

    const auto expectRefusal = [](ImageModifierBase& modifier, const RasterMap& inputs, RasterMap outputs,
                                  const QString& sClass, const QString& sText) {
        LogCapture log;
        EXPECT_FALSE(modifier.process(inputs, outputs));
        const QStringList lines = log.lines();
        ASSERT_EQ(lines.size(), 1) << lines.join("\n").toStdString();
        EXPECT_TRUE(lines[0].startsWith("ERROR: ImageModifier\\" + sClass + "::")) << lines[0].toStdString();
        EXPECT_TRUE(lines[0].endsWith(": " + sText)) << lines[0].toStdString();
    };
    const QString sInput = QStringLiteral("Input raster could not be processed");
    const QString sOutput = QStringLiteral("Output raster could not be processed");

    for (const auto& entry : {std::make_pair(static_cast<ImageModifierBase*>(&pen), QStringLiteral("ImageModifierPen")),
                              std::make_pair(static_cast<ImageModifierBase*>(&deletion),
                                             QStringLiteral("ImageModifierOverlayDelete"))})
    {
        SCOPED_TRACE(entry.second.toStdString());
        Layers layers(3, 2);
        // Both maps are bad: the inputs are named.
        expectRefusal(*entry.first, {{"in_OVERLAY", layers.pInOverlay.get()}, {"in_MASK", &floatLayer}},
                      {{"out_OVERLAY", layers.pOutOverlay.get()}, {"out_MASK", nullptr}}, entry.second, sInput);
        // A mask under a key without "MASK" is no mask.
        expectRefusal(*entry.first, layers.inputs(),
                      {{"out_OVERLAY", layers.pOutOverlay.get()}, {"out_OTHER", layers.pOutMask.get()}},
                      entry.second, sOutput);
        EXPECT_TRUE(allEqual(*layers.pOutOverlay, 77));
        EXPECT_TRUE(allEqual(*layers.pOutMask, 77));
        RasterMap outputs = layers.outputs();
        EXPECT_TRUE(entry.first->process(layers.inputs(), outputs));
    }

    BucketRasters rasters(filled(3, 2, 50));
    RasterMap noCanvas = rasters.layers.inputs();
    noCanvas["in"] = &floatLayer;
    expectRefusal(bucket, noCanvas, rasters.outputs(), "ImageModifierBucket", sInput);
    RasterMap noOutputCanvas = rasters.layers.outputs();
    noOutputCanvas["out"] = nullptr;
    expectRefusal(bucket, rasters.inputs(), noOutputCanvas, "ImageModifierBucket", sOutput);
    EXPECT_TRUE(allEqual(*rasters.pOutCanvas, 77));
    RasterMap outputs = rasters.outputs();
    EXPECT_TRUE(bucket.process(rasters.inputs(), outputs));
}
