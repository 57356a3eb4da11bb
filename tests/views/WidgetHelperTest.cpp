// The fitted rectangle, the mapping of widget points into it, the single
// child of a frame and the lookup of the newest image variant.

#include "NewestImageObject.h"
#include "ObjectNaming.h"
#include "SimpleException.h"
#include "TestSupport.h"
#include "WidgetHelper.h"
#include "WorkflowIdentifiers.h"
#include "support/ViewsTestSupport.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace ViewsTestSupport;

using NewestImageObjectTest = ViewTest;

TEST(WidgetHelperTest, FittedRectangleKeepsTheAspectRatioCentredAndMapsPointsIntoIt)
{
    struct Case
    {
        int nImageWidth, nImageHeight;
        QRect rect;
        QRect expected;
    };
    const Case cases[] = {
        {200, 100, QRect(0, 0, 100, 100), QRect(QPoint(0, 25), QPoint(99, 74))},
        {100, 200, QRect(0, 0, 100, 100), QRect(QPoint(25, 0), QPoint(74, 99))},
        {50, 50, QRect(0, 0, 80, 80), QRect(QPoint(0, 0), QPoint(79, 79))},
        {3, 1, QRect(0, 0, 100, 100), QRect(QPoint(0, 33), QPoint(99, 65))}, // 100 / 3 and 16.5 truncated
        {1, 1000, QRect(0, 0, 100, 100), QRect(QPoint(50, 0), QPoint(49, 99))}, // narrower than a pixel
        {0, 10, QRect(0, 0, 100, 100), QRect(QPoint(0, 0), QPoint(-1, -1))},
        {10, 10, QRect(0, 0, 0, 100), QRect(QPoint(0, 0), QPoint(-1, -1))},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(WidgetHelper::getFittedRect(c.nImageWidth, c.nImageHeight, c.rect), c.expected)
            << c.nImageWidth << " x " << c.nImageHeight;
    }

    const QRect fitted(QPoint(0, 25), QPoint(99, 74));
    EXPECT_EQ(WidgetHelper::mapToImage(QPoint(50, 50), fitted), QPointF(0.5, 0.5));
    EXPECT_EQ(WidgetHelper::mapToImage(QPoint(99, 74), fitted), QPointF(0.99, 0.98));
    EXPECT_EQ(WidgetHelper::mapToImage(QPoint(-5, 10), fitted), QPointF(0.0, 0.0));
    EXPECT_EQ(WidgetHelper::mapToImage(QPoint(500, 90), fitted), QPointF(1.0, 1.0));
    // No rectangle, no division by zero.
    EXPECT_EQ(WidgetHelper::mapToImage(QPoint(3, 4), QRect(QPoint(0, 0), QPoint(-1, -1))), QPointF(0.0, 0.0));
}

TEST(WidgetHelperTest, SingleChildReplacesEveryWidgetOfTheOldLayoutAndRefusesOtherChildren)
{
    for (const int nOld : {0, 1, 2, 3})
    {
        QWidget frame;
        auto* pOldLayout = new QVBoxLayout(&frame);
        QLabel oldContent[3]; // owned here, destroyed first: the helper only releases them
        for (int i = 0; i < nOld; ++i)
        {
            pOldLayout->addWidget(&oldContent[i]);
        }
        QLabel child("new");
        EXPECT_NO_THROW(WidgetHelper::setSingleChild(&frame, &child)) << nOld;
        for (int i = 0; i < nOld; ++i)
        {
            EXPECT_TRUE(oldContent[i].parent() == nullptr && oldContent[i].isHidden()) << nOld;
        }
        EXPECT_EQ(frame.children(), QObjectList({&child, frame.layout()})) << nOld;
    }

    QWidget frame;
    auto* pChild = new QLabel("new");
    WidgetHelper::setSingleChild(&frame, pChild);
    EXPECT_EQ(pChild->parent(), &frame);
    auto* pGrid = qobject_cast<QGridLayout*>(frame.layout());
    ASSERT_NE(pGrid, nullptr);
    EXPECT_EQ(pGrid->count(), 1);
    EXPECT_EQ(pGrid->spacing(), 0);
    EXPECT_EQ(pGrid->contentsMargins(), QMargins(0, 0, 0, 0));

    // A second call swaps the content; a stray child outside the layout stops it.
    QLabel second("second");
    WidgetHelper::setSingleChild(&frame, &second);
    EXPECT_EQ(pChild->parent(), nullptr);
    delete pChild;
    new QLabel("stray", &frame);
    QLabel third("third");
    EXPECT_ASSERTION(WidgetHelper::setSingleChild(&frame, &third), "pParent->children().empty()");
    second.setParent(nullptr);
}

TEST_F(NewestImageObjectTest, TheNewestVariantOfTheTagsWinsAndNothingOlderThanAShownImageIsReturned)
{
    const auto add = [](const QString& sBase, const QString& sTag, int nSeconds)
    { return addGreyImage(joinPath(sBase, sTag), 4, 4, flat(0), at(nSeconds)); };

    // The later stamp wins; on equal stamps the earlier variant of the order.
    ImageObject* pHigh = add("/A:1#IMAGE_RAW", HIGH_RES_HQ, 20);
    add("/A:1#IMAGE_RAW", ORIGINAL_RES_HQ, 10);
    EXPECT_EQ(findNewestImageObject("/A:1#IMAGE_RAW/LOW_RES_LQ", getHighResolutionTags()), pHigh);
    add("/B:1#IMAGE_RAW", HIGH_RES_HQ, 10);
    ImageObject* pOriginal = add("/B:1#IMAGE_RAW", ORIGINAL_RES_HQ, 10);
    EXPECT_EQ(findNewestImageObject("/B:1#IMAGE_RAW", getHighResolutionTags()), pOriginal);

    // Only the given tags are looked at, whatever tag the asked name carries.
    ImageObject* pLow = add("/A:1#IMAGE_RAW", LOW_RES_HQ, 5);
    EXPECT_EQ(findNewestImageObject("/A:1#IMAGE_RAW/HIGH_RES_HQ", getLowResolutionTags()), pLow);
    EXPECT_EQ(findNewestImageObject("/C:1#IMAGE_RAW", getLowResolutionTags()), nullptr);

    // Once a LOW_RES_LQ image of t = 30 was shown, a LOW_RES_HQ one of t = 25
    // is not shown for the low pair; it still is for its own tag alone, and
    // other names are not affected.
    ImageObject* pShown = add("/D:1#IMAGE_RAW", LOW_RES_LQ, 30);
    ASSERT_EQ(findNewestImageObject("/D:1#IMAGE_RAW", {LOW_RES_LQ}), pShown);
    delete pShown; // the image goes; its stamp is remembered
    ImageObject* pOlder = add("/D:1#IMAGE_RAW", LOW_RES_HQ, 25);
    EXPECT_EQ(findNewestImageObject("/D:1#IMAGE_RAW", getLowResolutionTags()), nullptr);
    EXPECT_EQ(findNewestImageObject("/D:1#IMAGE_RAW", {LOW_RES_HQ}), pOlder);
    EXPECT_EQ(findNewestImageObject("/A:1#IMAGE_RAW", getLowResolutionTags()), pLow);

    // A newer run of the pipeline is shown again.
    ObjectRoot::getInstance()->removeChild(pOlder, false);
    pOlder->setTimeStamp(at(31));
    ASSERT_TRUE(ObjectRoot::getInstance()->addChild(pOlder, false));
    EXPECT_EQ(findNewestImageObject("/D:1#IMAGE_RAW", getLowResolutionTags()), pOlder);
}
