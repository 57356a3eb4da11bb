#include "ImageObject.h"
#include "ImageObjectSynchronizer.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "Raster2d.h"
#include "TestSupport.h"

#include <QPointF>
#include <QSignalSpy>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace
{
Raster2d<unsigned char>* byteRaster(unsigned int nWidth, unsigned int nHeight, unsigned char start)
{
    auto* pRaster = new Raster2d<unsigned char>(nWidth, nHeight);
    for (unsigned int i = 0; i < pRaster->getSize(); ++i)
    {
        pRaster->getData()[i] = static_cast<unsigned char>(start + i);
    }
    return pRaster;
}

const Raster2d<unsigned char>* bytesOf(const ImageObject* pImage)
{
    return dynamic_cast<const Raster2d<unsigned char>*>(pImage->getRasterReadOnly());
}
} // namespace

TEST(ImageObjectTest, RasterIsWritableOnlyOutOfTheTree)
{
    ObjectRoot* root = ObjectRoot::getInstance();
    ImageObject* pImage = new ImageObject("IMG");
    auto* pRaster = byteRaster(2, 2, 0);
    pImage->setRaster(pRaster, true);
    EXPECT_EQ(pImage->getRaster(), pRaster);
    ASSERT_TRUE(root->addChild(pImage));
    EXPECT_ASSERTION(pImage->getRaster(), "parent() == NULL");
    EXPECT_ASSERTION(pImage->setRaster(nullptr, false), "parent() == NULL");
    EXPECT_EQ(pImage->getRasterReadOnly(), pRaster);
    root->clear();
}

TEST(ImageObjectTest, SettingRastersRespectsOwnership)
{
    ImageObject image("IMG");
    Raster2d<unsigned char> external(2, 2);
    image.setRaster(&external, false);
    // Same raster again with another flag: the flag stays "not owned".
    image.setRaster(&external, true);
    image.setRaster(byteRaster(1, 1, 0), true);
    // external must still be alive: not owned, so not deleted.
    external.set(1, 1, 7);
    EXPECT_EQ(external.at(1, 1), 7);

    // An owned raster is deleted when replaced: its pool block becomes free.
    const std::size_t nFree = MemoryManager::getInstance()->getFreeBlockCount();
    image.setRaster(&external, false);
    EXPECT_EQ(MemoryManager::getInstance()->getFreeBlockCount(), nFree + 1);
    image.setRaster(nullptr, false);
}

TEST(ImageObjectTest, CloneOwnsADeepCopyWithTimeStamp)
{
    ImageObject image("IMG");
    image.setRaster(byteRaster(3, 2, 10), true);
    image.getRaster()->setRoi(QRectF(0.1, 0.2, 0.3, 0.4));
    image.updateTimeStamp();
    image.setCommitted(true);

    std::unique_ptr<ImageObject> pClone(dynamic_cast<ImageObject*>(image.clone()));
    ASSERT_NE(pClone, nullptr);
    EXPECT_EQ(pClone->objectName(), "IMG:CLONE");
    EXPECT_TRUE(pClone->isCommitted());
    EXPECT_EQ(pClone->getTimeStamp(), image.getTimeStamp());
    const auto* pCopy = bytesOf(pClone.get());
    ASSERT_NE(pCopy, nullptr);
    EXPECT_NE(pCopy, image.getRasterReadOnly());
    EXPECT_EQ(pCopy->getRoi(), QRectF(0.1, 0.2, 0.3, 0.4));
    EXPECT_EQ(pCopy->at(2, 1), 15);

    // The clone owns its copy: deleting the original leaves it intact.
    ImageObject empty("EMPTY");
    std::unique_ptr<ObjectBase> pEmptyClone(empty.clone());
    EXPECT_EQ(dynamic_cast<ImageObject*>(pEmptyClone.get())->getRasterReadOnly(), nullptr);
    ObjectBase notAnImage("X");
    EXPECT_ASSERTION(image.copyTo(&notAnImage), "pCloneImageObject");
}

TEST(ParameterObjectTest, SignalsOnlyRealChanges)
{
    ParameterObject parameters("P");
    EXPECT_TRUE(parameters.isCommitted());
    QSignalSpy changed(&parameters, &ParameterObject::signalParametersChanged);

    parameters.setParameters({{"THRESHOLD", 5}, {"ENABLED", true}});
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), "P");

    // Equal maps: int 5 against double 5.0 counts as the same value.
    parameters.setParameters({{"THRESHOLD", 5.0}, {"ENABLED", true}});
    EXPECT_EQ(changed.count(), 1);

    parameters.setParameters({{"THRESHOLD", 6}, {"ENABLED", true}});
    EXPECT_EQ(changed.count(), 2);
    parameters.setParameters({{"THRESHOLD", 6}});
    EXPECT_EQ(changed.count(), 3);
    parameters.setParameters({{"OTHER", 6}});
    EXPECT_EQ(changed.count(), 4);
    EXPECT_EQ(parameters.getParameters().at("OTHER").toInt(), 6);
}

TEST(ParameterObjectTest, ReadersGetWholeCopiesWhileAnotherThreadWrites)
{
    // Two maps of different sizes: a reader that saw the map while it was
    // being replaced would find a mix of both, or memory already freed.
    ParameterObject parameters("P");
    ParameterObject::ParameterMap small{{"A", 1}};
    ParameterObject::ParameterMap large;
    for (int i = 0; i < 50; ++i)
    {
        large[QString("K%1").arg(i)] = QString(100, QChar('a' + i % 26));
    }
    std::atomic<bool> bDone{false};
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i)
        {
            parameters.setParameters(i % 2 ? small : large);
        }
        bDone = true;
    });
    int nMixed = 0;
    int nReads = 0;
    while (!bDone || nReads == 0)
    {
        const ParameterObject::ParameterMap copy = parameters.getParameters();
        nMixed += (copy.empty() || copy == small || copy == large) ? 0 : 1;
        ++nReads;
    }
    writer.join();
    EXPECT_EQ(nMixed, 0);
    EXPECT_EQ(parameters.getParameters(), small);
}

TEST(ParameterObjectTest, ListAndVectorValuesCompareByContent)
{
    registerParameterMetaTypes();
    ParameterObject parameters("P");
    QSignalSpy changed(&parameters, &ParameterObject::signalParametersChanged);

    const QList<QPointF> points{{1, 2}, {3, 4}};
    const std::vector<float> floats{0.5f, 1.5f};
    const std::vector<QString> strings{"a", "b"};
    const std::vector<bool> flags{true, false};
    const QList<double> doubles{1.0, 2.0};
    auto mapOf = [&](const QList<QPointF>& p, const std::vector<float>& f) {
        return ParameterObject::ParameterMap{{"POINTS", QVariant::fromValue(p)},
                                             {"F", QVariant::fromValue(f)},
                                             {"S", QVariant::fromValue(strings)},
                                             {"B", QVariant::fromValue(flags)},
                                             {"D", QVariant::fromValue(doubles)}};
    };
    parameters.setParameters(mapOf(points, floats));
    EXPECT_EQ(changed.count(), 1);
    // Equal contents in new containers: no change.
    parameters.setParameters(mapOf(QList<QPointF>(points), std::vector<float>(floats)));
    EXPECT_EQ(changed.count(), 1);
    parameters.setParameters(mapOf({{1, 2}, {3, 5}}, floats));
    EXPECT_EQ(changed.count(), 2);
    parameters.setParameters(mapOf({{1, 2}, {3, 5}}, {0.5f, 1.25f}));
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(parameters.getParameters().at("F").value<std::vector<float>>(), (std::vector<float>{0.5f, 1.25f}));
    EXPECT_EQ(QMetaType::fromName("std::vector<F32>"), QMetaType::fromType<std::vector<float>>());
}

TEST(ParameterObjectTest, GetValueAndCloneAndNames)
{
    ParameterObject parameters("IMG/MODIFIER_THRESHOLD/0");
    parameters.setParameters({{"THRESHOLD", 128}, {"EMPTY", QVariant()}, {"POINTS", QVariant::fromValue(QList<QPointF>{{1, 1}})}});
    QString sValue = "unchanged";
    EXPECT_TRUE(parameters.getValue("THRESHOLD", sValue));
    EXPECT_EQ(sValue, "128");
    sValue = "unchanged";
    EXPECT_FALSE(parameters.getValue("MISSING", sValue));
    EXPECT_FALSE(parameters.getValue("EMPTY", sValue));
    EXPECT_FALSE(parameters.getValue("POINTS", sValue));
    EXPECT_EQ(sValue, "unchanged");

    std::unique_ptr<ParameterObject> pClone(dynamic_cast<ParameterObject*>(parameters.clone()));
    ASSERT_NE(pClone, nullptr);
    EXPECT_EQ(pClone->objectName(), "IMG/MODIFIER_THRESHOLD/0:CLONE");
    EXPECT_TRUE(pClone->isCommitted());
    EXPECT_EQ(pClone->getParameters().at("THRESHOLD").toInt(), 128);

    ImageObject notParameters("X");
    EXPECT_ASSERTION(parameters.copyTo(&notParameters), "pCloneParameterObject");

    EXPECT_EQ(ParameterObject::createName("IMG", "MODIFIER_RESIZE", 0), "IMG/MODIFIER_RESIZE/0");
    EXPECT_EQ(ParameterObject::createName("IMAGE_OBJECT_SYNCHRONIZER", "A", "B"), "IMAGE_OBJECT_SYNCHRONIZER/A/B");
}

class SynchronizerTest : public ::testing::Test
{
protected:
    ObjectRoot* root = ObjectRoot::getInstance();
    ImageObject* pSource = nullptr;
    ImageObject* pTarget = nullptr;
    ImageObjectSynchronizer* pSync = nullptr;

    void SetUp() override
    {
        pSource = new ImageObject("SRC");
        pSource->setRaster(byteRaster(4, 3, 1), true);
        pSource->getRaster()->setRoi(QRectF(0.5, 0.5, 0.25, 0.25));
        pTarget = new ImageObject("DST");
        pTarget->setRaster(byteRaster(4, 3, 100), true);
        ASSERT_TRUE(root->addChild(pSource));
        ASSERT_TRUE(root->addChild(pTarget));
        pSync = new ImageObjectSynchronizer("IMAGE_OBJECT_SYNCHRONIZER/SRC/DST", "SRC", "DST", true);
        ASSERT_TRUE(root->addChild(pSync));
    }
    void TearDown() override { root->clear(); }

    // Republish the source after changing its raster.
    void republishSource(Raster2dBase* pRaster, bool bSilent)
    {
        root->removeChild(pSource, bSilent);
        pSource->setRaster(pRaster, true);
        root->addChild(pSource, bSilent);
    }
};

TEST_F(SynchronizerTest, AnnouncedSourceIsCopiedIntoTheTargetSilently)
{
    QSignalSpy added(root, &ObjectRoot::signalChildAdded);
    QSignalSpy silentlyAdded(root, &ObjectRoot::signalChildSilentlyAdded);
    republishSource(byteRaster(4, 3, 50), false);
    const auto* pCopy = bytesOf(pTarget);
    ASSERT_NE(pCopy, nullptr);
    EXPECT_EQ(pCopy->at(0, 0), 50);
    EXPECT_EQ(pCopy->at(3, 2), 61);
    EXPECT_EQ(pCopy->getRoi(), QRectF(0, 0, 1, 1)); // the new source raster's default
    EXPECT_EQ(pTarget->parent(), root);
    EXPECT_EQ(added.count(), 1); // the source only
    ASSERT_EQ(silentlyAdded.count(), 1);
    EXPECT_EQ(silentlyAdded.at(0).at(0).toString(), "DST");

    pSync->setSilent(false);
    republishSource(byteRaster(4, 3, 70), false);
    EXPECT_EQ(added.count(), 3); // source and target
    EXPECT_EQ(bytesOf(pTarget)->at(0, 0), 70);
}

TEST_F(SynchronizerTest, SilentSourceAdditionCopiesNothing)
{
    republishSource(byteRaster(4, 3, 50), true);
    EXPECT_EQ(bytesOf(pTarget)->at(0, 0), 100);
}

TEST_F(SynchronizerTest, SourceOfAnotherSizeReplacesTheTargetRaster)
{
    republishSource(byteRaster(2, 5, 9), false);
    const auto* pCopy = bytesOf(pTarget);
    ASSERT_NE(pCopy, nullptr);
    EXPECT_EQ(pCopy->getWidth(), 2u);
    EXPECT_EQ(pCopy->getHeight(), 5u);
    EXPECT_EQ(pCopy->at(1, 4), 18);
}

TEST_F(SynchronizerTest, SameSizeReusesTheTargetRasterAndCopiesRoi)
{
    const Raster2dBase* pBefore = pTarget->getRasterReadOnly();
    EXPECT_TRUE(pSync->synchronize());
    EXPECT_EQ(pTarget->getRasterReadOnly(), pBefore);
    EXPECT_EQ(pBefore->getRoi(), QRectF(0.5, 0.5, 0.25, 0.25));
    EXPECT_EQ(bytesOf(pTarget)->at(0, 0), 1);
}

TEST_F(SynchronizerTest, FailedCopyLeavesTheTargetInTheTree)
{
    LogCapture log;
    auto* pFloat = new Raster2d<float>(4, 3);
    pFloat->fill(1.0f);
    republishSource(pFloat, true);
    EXPECT_ASSERTION(pSync->synchronize(), "pSourceRaster");
    EXPECT_EQ(pTarget->parent(), root);
    EXPECT_EQ(bytesOf(pTarget)->at(0, 0), 100);

    // Through the signal the failure is logged, not thrown out of the slot.
    republishSource(pFloat->clone(), false);
    EXPECT_EQ(pTarget->parent(), root);
    EXPECT_EQ(log.count("ERROR"), 1);

    // A source without a raster fails the same way.
    root->removeChild(pSource);
    pSource->setRaster(nullptr, false);
    root->addChild(pSource, true);
    EXPECT_ASSERTION(pSync->synchronize(), "pSourceRaster");
    EXPECT_EQ(pTarget->parent(), root);
}

TEST_F(SynchronizerTest, MissingObjectsAndBadNamesAreRefused)
{
    ImageObjectSynchronizer toMissing("S2", "SRC", "MISSING", true);
    EXPECT_ASSERTION(toMissing.synchronize(), "pTarget");
    ImageObjectSynchronizer fromMissing("S3", "MISSING", "DST", true);
    EXPECT_ASSERTION(fromMissing.synchronize(), "pSource");
    // A target that is no image goes back into the tree untouched.
    ImageObjectSynchronizer toSync("S4", "SRC", "IMAGE_OBJECT_SYNCHRONIZER/SRC/DST", true);
    EXPECT_ASSERTION(toSync.synchronize(), "pTarget");
    EXPECT_EQ(pSync->parent(), root);

    EXPECT_ASSERTION(ImageObjectSynchronizer("S", "", "DST", true), "!sSourceName.isEmpty() && !sTargetName.isEmpty()");
    EXPECT_ASSERTION(ImageObjectSynchronizer("S", "SRC", "", true), "!sSourceName.isEmpty() && !sTargetName.isEmpty()");
    EXPECT_ASSERTION(ImageObjectSynchronizer("S", "SRC", "SRC", true), "sSourceName != sTargetName");
}
