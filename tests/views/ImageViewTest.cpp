// The image view driven as a user would: zooming, drawing pen strokes and
// bucket seeds with the mouse, crop margins, and images that leave the tree
// while they are shown.

#include "ImageCanvasBase.h"
#include "ImageCanvasCropped.h"
#include "ImageCanvasPenAndBucket.h"
#include "ImageModifier/ImageModifierPen.h"
#include "ImageScrollArea.h"
#include "ImageView.h"
#include "WidgetHelper.h"
#include "support/ViewsTestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace ViewsTestSupport;

using ImageViewTest = ViewTest;

namespace
{
// Blocks of 5 x 5 pixels, each of a grey level of its own (20 to 207).
unsigned char blockValue(unsigned int x, unsigned int y)
{
    return static_cast<unsigned char>(20 + 25 * (x / 5) + 4 * (y / 5));
}

void showView(ImageView& view)
{
    view.resize(320, 320);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
}

// The widget point at the centre of image pixel (x, y) of a fitted image.
QPoint widgetPoint(const QRect& fitted, const QSize& imageSize, double x, double y)
{
    return QPoint(fitted.left() + int((x + 0.5) * fitted.width() / imageSize.width()),
                  fitted.top() + int((y + 0.5) * fitted.height() / imageSize.height()));
}

QToolButton* button(const ImageView& view, const char* szName)
{
    return view.findChild<QToolButton*>(szName);
}
} // namespace

TEST_F(ImageViewTest, ZoomedOutFitsTheLowResolutionImageAndZoomedInShowsTheHighResolutionOnePixelForPixel)
{
    const QString sName = imageName("IMAGE_THRESHOLDED");
    addGreyImage(sName + "/LOW_RES_HQ", 40, 20, blockValue, at(1));
    const auto pattern = [](unsigned int x, unsigned int y) { return static_cast<unsigned char>((x * 3 + y * 7) % 256); };
    addGreyImage(sName + "/HIGH_RES_HQ", 400, 200, pattern, at(1));

    auto* pCanvas = new ImageCanvasBase;
    ImageView view(pCanvas, false);
    showView(view);
    EXPECT_EQ(pCanvas->objectName(), "ImageCanvas");
    EXPECT_EQ(view.getImageScrollArea()->objectName(), "ImageScrollArea");
    view.setImageName(sName + "/HIGH_RES_HQ"); // the tag of the name does not choose the variant
    QToolButton* pZoomIn = button(view, "m_pToolButtonZoomIn");
    QToolButton* pZoomOut = button(view, "m_pToolButtonZoomOut");
    EXPECT_TRUE(pZoomOut->isChecked());
    EXPECT_FALSE(pZoomIn->isChecked());

    ASSERT_NE(pCanvas->getImage(), nullptr);
    EXPECT_EQ(pCanvas->getImage()->size(), QSize(40, 20));
    const QRect fitted = pCanvas->getFittedRect();
    EXPECT_EQ(fitted.width(), pCanvas->width());
    EXPECT_NEAR(fitted.height() * 2, fitted.width(), 2);
    EXPECT_NEAR(fitted.center().y(), pCanvas->height() / 2, 1);
    screenshot(&view, "image_view_zoomed_out");
    const QImage zoomedOut = pCanvas->grab().toImage();
    for (unsigned int y = 2; y < 20; y += 5)
    {
        for (unsigned int x = 2; x < 40; x += 5)
        {
            EXPECT_NEAR(grey(zoomedOut, widgetPoint(fitted, QSize(40, 20), x, y)), blockValue(x, y), 2);
        }
    }

    QTest::mouseClick(pZoomIn, Qt::LeftButton);
    EXPECT_TRUE(pZoomIn->isChecked());
    EXPECT_FALSE(pZoomOut->isChecked());
    EXPECT_EQ(view.getImageScrollArea()->getZoomMode(), ImageScrollArea::ZOOMED_IN);
    EXPECT_EQ(pCanvas->size(), QSize(400, 200));
    screenshot(&view, "image_view_zoomed_in");
    const QImage zoomedIn = pCanvas->grab().toImage();
    for (int y = 0; y < 200; y += 13)
    {
        for (int x = 0; x < 400; x += 17)
        {
            ASSERT_EQ(grey(zoomedIn, QPoint(x, y)), pattern(x, y)) << x << ", " << y;
        }
    }
    // Centred in the scroll area.
    const QScrollBar* pScrollBar = view.getImageScrollArea()->horizontalScrollBar();
    EXPECT_GT(pScrollBar->maximum(), 0);
    EXPECT_NEAR(pScrollBar->value(), pScrollBar->maximum() / 2, 1);

    // Unchecking the checked button checks the other one.
    QTest::mouseClick(pZoomIn, Qt::LeftButton);
    EXPECT_TRUE(pZoomOut->isChecked());
    EXPECT_EQ(pCanvas->getImage()->size(), QSize(40, 20));
    EXPECT_EQ(pCanvas->size(), view.getImageScrollArea()->viewport()->size());

    // A view fixed to zoom in hides the buttons.
    ImageView fixed(new ImageCanvasBase, true);
    EXPECT_EQ(fixed.getImageScrollArea()->getZoomMode(), ImageScrollArea::ZOOMED_IN);
    EXPECT_TRUE(button(fixed, "m_pToolButtonZoomIn")->isHidden());
    EXPECT_TRUE(button(fixed, "m_pToolButtonZoomOut")->isHidden());
}

TEST_F(ImageViewTest, PenStrokeDrawnWithTheMouseArrivesInNormalisedCoordinatesOfThePaintedPixels)
{
    const QString sName = imageName("IMAGE_THRESHOLDED");
    addGreyImage(sName + "/LOW_RES_LQ", 40, 20, blockValue, at(1));
    auto* pCanvas = new ImageCanvasPenAndBucket;
    ImageView view(pCanvas, false);
    showView(view);
    view.setImageName(sName);
    pCanvas->setPenSize(40);
    const QImage painted = pCanvas->grab().toImage();
    const QRect fitted = pCanvas->getFittedRect();

    const QPoint path[] = {widgetPoint(fitted, QSize(40, 20), 2, 2), widgetPoint(fitted, QSize(40, 20), 17, 7),
                           widgetPoint(fitted, QSize(40, 20), 31, 12), widgetPoint(fitted, QSize(40, 20), 37, 17)};
    QSignalSpy spy(pCanvas, &ImageCanvasPenAndBucket::signalPenStroke);
    QTest::mousePress(pCanvas, Qt::LeftButton, Qt::NoModifier, path[0]);
    QTest::mouseMove(pCanvas, path[1]);
    QTest::mouseMove(pCanvas, path[2]);
    // The stroke in progress shows in translucent red.
    const QImage during = screenshot(&view, "pen_canvas_during_stroke");
    const QRgb strokePixel = during.pixel(pCanvas->mapTo(&view, path[1]));
    EXPECT_GT(qRed(strokePixel), qGreen(strokePixel) + 20);
    QTest::mouseRelease(pCanvas, Qt::LeftButton, Qt::NoModifier, path[3]);

    ASSERT_EQ(spy.count(), 1);
    const auto points = spy.at(0).at(0).value<QList<QPointF>>();
    ASSERT_EQ(points.size(), 4);
    for (int i = 0; i < 4; ++i)
    {
        const unsigned int x = std::min(39u, unsigned(points[i].x() * 40));
        const unsigned int y = std::min(19u, unsigned(points[i].y() * 20));
        EXPECT_NEAR(grey(painted, path[i]), blockValue(x, y), 2) << "point " << i;
    }
    // Released: the stroke is gone from the screen.
    const QRgb afterPixel = pCanvas->grab().toImage().pixel(path[1]);
    EXPECT_EQ(qRed(afterPixel), qGreen(afterPixel));
}

TEST_F(ImageViewTest, PenAndBucketTakeInputOnlyOnAShownImageWithTheOverlayVisibleAndTheLeftButtonAlone)
{
    const QString sName = imageName("IMAGE_THRESHOLDED");
    auto* pCanvas = new ImageCanvasPenAndBucket;
    ImageView view(pCanvas, false);
    showView(view);
    QSignalSpy strokes(pCanvas, &ImageCanvasPenAndBucket::signalPenStroke);
    QSignalSpy fills(pCanvas, &ImageCanvasPenAndBucket::signalBucketFill);
    const QPoint topLeft(3, 3);
    const auto bottomRight = [pCanvas] { return QPoint(pCanvas->width() - 3, pCanvas->height() - 3); };
    const auto strokeAndClick = [&]
    {
        pCanvas->setTool(ImageCanvasPenAndBucket::TOOL_PEN);
        QTest::mousePress(pCanvas, Qt::LeftButton, Qt::NoModifier, topLeft);
        QTest::mouseMove(pCanvas, pCanvas->rect().center());
        QTest::mouseRelease(pCanvas, Qt::LeftButton, Qt::NoModifier, bottomRight());
        pCanvas->setTool(ImageCanvasPenAndBucket::TOOL_BUCKET);
        QTest::mouseClick(pCanvas, Qt::LeftButton, Qt::NoModifier, pCanvas->rect().center());
    };

    // No image, or one too narrow to cover a pixel column: there is nothing
    // to map the points into.
    strokeAndClick();
    addGreyImage(imageName("IMAGE_THIN") + "/LOW_RES_HQ", 1, 2000, flat(0), at(1));
    view.setImageName(imageName("IMAGE_THIN"));
    ASSERT_NE(pCanvas->getImage(), nullptr);
    ASSERT_TRUE(pCanvas->getFittedRect().isEmpty());
    strokeAndClick();
    // The overlay is hidden.
    addGreyImage(sName + "/LOW_RES_HQ", 20, 40, blockValue, at(1)); // taller than wide: room to its left
    view.setImageName(sName);
    pCanvas->setOverlayMode(ImageCanvasPenAndBucket::OVERLAY_HIDDEN);
    strokeAndClick();
    pCanvas->setOverlayMode(ImageCanvasPenAndBucket::OVERLAY_SHOWN);
    // Two buttons pressed together start nothing; a release alone ends nothing.
    pCanvas->setTool(ImageCanvasPenAndBucket::TOOL_PEN);
    QMouseEvent bothButtons(QEvent::MouseButtonPress, QPointF(topLeft), pCanvas->mapToGlobal(QPointF(topLeft)),
                            Qt::LeftButton, Qt::LeftButton | Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(pCanvas, &bothButtons);
    QTest::mouseRelease(pCanvas, Qt::LeftButton, Qt::NoModifier, bottomRight());
    EXPECT_EQ(strokes.count(), 0);
    EXPECT_EQ(fills.count(), 0);

    // Now both work; points outside the image are clamped onto its border.
    strokeAndClick();
    ASSERT_EQ(strokes.count(), 1);
    const auto points = strokes.at(0).at(0).value<QList<QPointF>>();
    ASSERT_EQ(points.size(), 3);
    // The picture is taller than wide: it fills the height, with room to its left and right.
    EXPECT_EQ(points.first().x(), 0.0);
    EXPECT_EQ(points.last().x(), 1.0);
    EXPECT_EQ(points.first(), WidgetHelper::mapToImage(topLeft, pCanvas->getFittedRect()));
    EXPECT_EQ(points.last(), WidgetHelper::mapToImage(bottomRight(), pCanvas->getFittedRect()));
    ASSERT_EQ(fills.count(), 1);
    const QPointF seed = fills.at(0).at(0).toPointF();
    EXPECT_NEAR(seed.x(), 0.5, 0.02);
    EXPECT_NEAR(seed.y(), 0.5, 0.02);
    EXPECT_EQ(pCanvas->cursor().shape(), Qt::CrossCursor);

    // The pen cursor has the stroke's on-screen diameter, at least 2.
    pCanvas->setTool(ImageCanvasPenAndBucket::TOOL_PEN);
    pCanvas->setPenSize(1);
    EXPECT_EQ(pCanvas->getPenCursor().size(), QSize(4, 4));
    pCanvas->setPenSize(100);
    const QRect fitted = pCanvas->getFittedRect();
    const int nDiameter = ImageModifierPen::calculatePenSize(fitted.width(), fitted.height(), 0.1);
    EXPECT_GT(nDiameter, 10);
    EXPECT_EQ(pCanvas->getPenCursor().size(), QSize(nDiameter + 2, nDiameter + 2));
    EXPECT_EQ(pCanvas->cursor().shape(), Qt::BitmapCursor);
}

TEST_F(ImageViewTest, CropMarginsCoverTheirShareOfTheFittedImageInRed)
{
    const QString sName = imageName("IMAGE_THRESHOLDED");
    addGreyImage(sName + "/LOW_RES_HQ", 40, 40, flat(100), at(1));
    auto* pCanvas = new ImageCanvasCropped;
    ImageView view(pCanvas, false);
    showView(view);
    view.setImageName(sName);
    pCanvas->setMargins(0.25, 0.25, 0.0, 0.1);
    const QImage shown = screenshot(&view, "cropped_canvas");
    const QPoint offset = pCanvas->mapTo(&view, QPoint(0, 0));
    const QRect fitted = pCanvas->getFittedRect();
    const auto isRed = [&](int x, int y)
    {
        const QRgb pixel = shown.pixel(offset + QPoint(x, y));
        return qRed(pixel) > qGreen(pixel) + 100;
    };

    int nRedInRow = 0;
    int nRedInColumn = 0;
    for (int i = 0; i < fitted.width(); ++i)
    {
        nRedInRow += isRed(fitted.left() + i, fitted.center().y()) ? 1 : 0;
        nRedInColumn += isRed(fitted.center().x(), fitted.top() + i) ? 1 : 0;
    }
    EXPECT_EQ(nRedInRow, 2 * int(0.25 * fitted.width()));
    EXPECT_EQ(nRedInColumn, int(fitted.height() * 0.1));
    EXPECT_TRUE(isRed(fitted.left(), fitted.top()));
    EXPECT_FALSE(isRed(fitted.center().x(), fitted.top()));
    EXPECT_TRUE(isRed(fitted.center().x(), fitted.bottom()));
}

TEST_F(ImageViewTest, AnImageThatLeavesTheTreeIsNeverReadAgainAndItsNewestRunIsShownWhenItReturns)
{
    const QString sName = imageName("IMAGE_THRESHOLDED");
    ImageObject* pImageObject = addGreyImage(sName + "/LOW_RES_HQ", 30, 30, flat(40), at(1));
    auto* pCanvas = new ImageCanvasBase;
    ImageView view(pCanvas, false);
    showView(view);
    view.setImageName(sName);
    const auto centreGrey = [&] { return grey(pCanvas->grab().toImage(), pCanvas->rect().center()); };
    ASSERT_EQ(centreGrey(), 40);

    // A pipeline run takes its output out of the tree and replaces the raster
    // (the old one is freed): the view goes on painting its own copy.
    ObjectRoot::getInstance()->removeChild(pImageObject, false);
    pImageObject->setRaster(makeRaster<unsigned char>(30, 30, flat(220)), true);
    view.resize(360, 330);
    QCoreApplication::processEvents();
    EXPECT_EQ(centreGrey(), 40);
    // Switching the zoom meanwhile finds nothing to show.
    QTest::mouseClick(button(view, "m_pToolButtonZoomIn"), Qt::LeftButton);
    QTest::mouseClick(button(view, "m_pToolButtonZoomIn"), Qt::LeftButton);
    EXPECT_EQ(pCanvas->getImage(), nullptr);

    // The run ends: the object returns with a newer stamp and is shown.
    pImageObject->setTimeStamp(at(2));
    ASSERT_TRUE(ObjectRoot::getInstance()->addChild(pImageObject, false));
    view.setImageName(sName);
    EXPECT_EQ(centreGrey(), 220);

    // Deleted while shown: still painted from the copy. An older image of the
    // name that turns up later is not shown.
    delete pImageObject;
    EXPECT_EQ(centreGrey(), 220);
    addGreyImage(sName + "/LOW_RES_LQ", 30, 30, flat(90), at(1));
    view.setImageName(sName);
    EXPECT_EQ(pCanvas->getImage(), nullptr);
}
