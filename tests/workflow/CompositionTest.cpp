// The surface, the engraving style and the composition on a real component.

#include "DecorationLayers.h"
#include "ImageModifier/ImageModifierDepthComposite.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ImagePipelineManager.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "Raster2d.h"
#include "StateImplementationImagingComposition.h"
#include "TestSupport.h"
#include "WorkflowIdentifiers.h"
#include "support/ComponentWalk.h"
#include "support/WorkflowTestSupport.h"

#include <QPointer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

namespace
{
ParameterObject* compositeParameters(const QString& sStep, const QString& sTag)
{
    return ObjectRoot::getInstance()->findObject<ParameterObject>(ParameterObject::createName(
        createObjectName(sStep, IMAGE_DEPTH_COMPOSITE, sTag), MODIFIER_DEPTH_COMPOSITE, 0));
}

const Raster2d<float>* floatRaster(const QString& sName)
{
    const ImageObject* pImage = ObjectRoot::getInstance()->findObject<ImageObject>(sName);
    return pImage ? dynamic_cast<const Raster2d<float>*>(pImage->getRasterReadOnly()) : nullptr;
}
} // namespace

TEST(CompositionTest, LayerBookkeepingKeepsSurvivorsAppendsNewcomersAndDropsTheVanished)
{
    DecorationLayers layers;
    layers.update({"a", "b"});
    EXPECT_EQ(layers.vOrder, (std::vector<QString>{"a", "b"}));
    EXPECT_EQ(layers.vDepth, (std::vector<float>{0.25f, 0.25f}));
    EXPECT_EQ(layers.vEmbossing, (std::vector<QString>{"POSITIVE", "POSITIVE"}));
    layers.vDepth[1] = 0.75f;
    layers.vEnabled[1] = false;

    layers.update({"c", "b"}); // a vanished, c is new: b keeps its settings and comes first
    EXPECT_EQ(layers.vOrder, (std::vector<QString>{"b", "c"}));
    EXPECT_EQ(layers.vDepth, (std::vector<float>{0.75f, 0.25f}));
    EXPECT_EQ(layers.vEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(layers.vDepthScale, (std::vector<float>{1.0f, 1.0f}));
    EXPECT_EQ(layers.vCutoffHigh.size(), 2u);

    // The vectors travel through a parameter map and back unchanged.
    ParameterObject::ParameterMap map;
    layers.toParameters(map);
    const DecorationLayers back = DecorationLayers::fromParameters(map);
    EXPECT_EQ(back.vOrder, layers.vOrder);
    EXPECT_EQ(back.vDepth, layers.vDepth);
    EXPECT_EQ(back.vEnabled, layers.vEnabled);

    layers.update({});
    EXPECT_TRUE(layers.vOrder.empty() && layers.vCutoffLow.empty());
    layers.vDepth.push_back(1.0f);
    EXPECT_ASSERTION(layers.update({"a"}),
                     "vOrder.size() == vDepth.size() && vEmbossing.size() == vDepth.size() && vEnabled.size() == "
                     "vDepth.size() && vDepthScale.size() == vDepth.size() && vCutoffLow.size() == vDepth.size() && "
                     "vCutoffHigh.size() == vDepth.size()");
}

TEST(CompositionTest, EnteringTheSurfaceStepAgainMakesNothingAndSignalsNothing)
{
    ComponentWalk walk;
    StateMachine::getInstance()->start();
    ASSERT_TRUE(walk.makeShape(walk.writeDisc(0.35)));
    State* pBevel = walk.m_pComponent->findChildState(BEVEL);
    EXPECT_FALSE(pBevel->canEnter()) << "no profile yet";
    ASSERT_TRUE(walk.makeProfile());
    ASSERT_TRUE(walk.choose(BEVEL));
    auto* pStep = walk.currentImagingStep();
    ASSERT_EQ(pStep->getPipelineNames().size(), 6);
    std::vector<QPointer<ImagePipeline>> vPipelines;
    for (const QString& sName : pStep->getPipelineNames())
        vPipelines.emplace_back(ImagePipelineManager::getInstance()->getPipeline(sName));
    ASSERT_TRUE(walk.go(NEXT));

    std::vector<std::unique_ptr<QSignalSpy>> vSpies;
    for (const QString& sName : pStep->getParameterObjectNames())
    {
        vSpies.push_back(std::make_unique<QSignalSpy>(ObjectRoot::getInstance()->findObject<ParameterObject>(sName),
                                                      &ParameterObject::signalParametersChanged));
    }
    ASSERT_TRUE(walk.choose(BEVEL));
    for (std::size_t i = 0; i < vSpies.size(); ++i)
        EXPECT_EQ(vSpies[i]->size(), 0) << pStep->getParameterObjectNames().at(int(i)).toStdString();
    for (std::size_t i = 0; i < vPipelines.size(); ++i)
        EXPECT_EQ(vPipelines[i].data(), ImagePipelineManager::getInstance()->getPipeline(pStep->getPipelineNames().at(int(i))));
    EXPECT_NE(floatRaster(createObjectName(pBevel->getFullName(), IMAGE_BEVEL, HIGH_RES_HQ)), nullptr);
}

TEST(CompositionTest, DecorationsAreEngravedAndTheirSettingsSurviveEveryRebuild)
{
    ComponentWalk walk;
    StateMachine::getInstance()->start();
    ASSERT_TRUE(walk.makeShape(walk.writeDisc(0.4)));
    ASSERT_TRUE(walk.makeProfile());
    ASSERT_TRUE(walk.makeSurface());
    ASSERT_TRUE(walk.addDecoration(walk.writeDisc(0.15)));
    ASSERT_TRUE(walk.addDecoration(walk.writeDisc(0.2)));

    // Two elements, two disjoint sets of names.
    const std::vector<State*> vElements =
        walk.m_pComponent->findChildState(DECORATION_ELEMENTS, true)->getChildStates();
    ASSERT_EQ(vElements.size(), 2u);
    const auto imagesOf = [](const State* pElement) {
        QStringList names;
        for (const State* pStep : pElement->getChildStates())
            names << dynamic_cast<const StateImplementationImaging*>(pStep->getImplementation())->getImageObjectNames();
        return names;
    };
    for (const QString& sName : imagesOf(vElements[0]))
        EXPECT_FALSE(imagesOf(vElements[1]).contains(sName)) << sName.toStdString();

    ASSERT_TRUE(walk.enterComposition());
    auto* pComposition = dynamic_cast<StateImplementationImagingComposition*>(walk.currentImagingStep());
    ASSERT_NE(pComposition, nullptr);
    const QString sStep = pComposition->getStateFullName();
    EXPECT_EQ(pComposition->getInputImageNamesDecoration().size(), 4);

    // Lower the first element, raise nothing else; leave and come back.
    ParameterObject* pHigh = compositeParameters(sStep, HIGH_RES_HQ);
    ParameterObject::ParameterMap map = pHigh->getParameters();
    DecorationLayers layers = DecorationLayers::fromParameters(map);
    ASSERT_EQ(layers.vOrder.size(), 2u);
    layers.vDepth[0] = -0.5f;
    layers.toParameters(map);
    pHigh->setParameters(map);
    ASSERT_TRUE(waitIdle(pComposition));
    std::vector<QPointer<ImagePipeline>> vOld;
    for (const QString& sName : pComposition->getPipelineNames())
        vOld.emplace_back(ImagePipelineManager::getInstance()->getPipeline(sName));
    ASSERT_TRUE(walk.go(NEXT));
    EXPECT_TRUE(pComposition->isComplete());
    ASSERT_TRUE(walk.enterComposition());

    for (const QPointer<ImagePipeline>& p : vOld)
        EXPECT_TRUE(p.isNull()) << "every pipeline is made anew";
    const DecorationLayers kept = DecorationLayers::fromParameters(compositeParameters(sStep, HIGH_RES_HQ)->getParameters());
    EXPECT_EQ(kept.vDepth, (std::vector<float>{-0.5f, 0.25f}));
    EXPECT_EQ(kept.vOrder, layers.vOrder);

    // The engraving changes the surface where the decorations lie; the frame
    // around the shape stays at zero.
    const Raster2d<float>* pComposite = floatRaster(createObjectName(sStep, IMAGE_DEPTH_COMPOSITE, HIGH_RES_HQ));
    const Raster2d<float>* pSurface = floatRaster(
        createObjectName(walk.m_pComponent->findChildState(BEVEL)->getFullName(), IMAGE_BEVEL, HIGH_RES_HQ));
    ASSERT_TRUE(pComposite && pSurface);
    ASSERT_EQ(pComposite->getWidth(), pSurface->getWidth());
    const unsigned nSide = pComposite->getWidth();
    EXPECT_NE(pComposite->at(nSide / 2, nSide / 2), pSurface->at(nSide / 2, nSide / 2));
    for (unsigned i = 0; i < nSide; ++i)
    {
        for (const auto& [x, y] : {std::pair{i, 0u}, {i, nSide - 1}, {0u, i}, {nSide - 1, i}})
            ASSERT_EQ(pComposite->at(x, y), 0.0f) << x << "," << y;
    }

    // Leaving makes it complete; an element's bevel image taken out and put
    // back silently (as a synchronizer does) makes it incomplete again.
    ASSERT_TRUE(walk.go(NEXT));
    EXPECT_TRUE(pComposition->isComplete());
    EXPECT_TRUE(walk.m_pComponent->isComplete());
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    ASSERT_TRUE(pRoot->addChild(pRoot->removeChildByName(pComposition->getInputImageNamesDecoration().first(), true), true));
    EXPECT_TRUE(pComposition->isComplete()) << "the signals arrive queued";
    processQueuedEvents();
    EXPECT_FALSE(pComposition->isComplete());
    EXPECT_FALSE(walk.m_pComponent->isComplete());
}

TEST(CompositionTest, AnEntryThatFailedHalfWayIsFollowedByAWholeRebuild)
{
    ComponentWalk walk;
    StateMachine::getInstance()->start();
    ASSERT_TRUE(walk.makeShape(walk.writeDisc(0.4)) && walk.makeProfile() && walk.makeSurface());

    // Stored settings whose vectors disagree stop the first entry once the
    // pipelines are made; set right, the next entry builds them all anew.
    const QString sStep = walk.m_pComponent->findChildState(COMPOSITION)->getFullName();
    auto* pSettings = new ParameterObject(ParameterObject::createName(
        createObjectName(sStep, IMAGE_DEPTH_COMPOSITE, HIGH_RES_HQ), MODIFIER_DEPTH_COMPOSITE, 0));
    const auto defaults = ImageModifierDepthComposite(MODIFIER_DEPTH_COMPOSITE).getDefaultParameters();
    auto broken = defaults;
    broken[ImageModifierDepthComposite::DEPTH] = QVariant::fromValue(std::vector<float>{0.5f});
    pSettings->setParameters(broken);
    ASSERT_TRUE(ObjectRoot::getInstance()->addChild(pSettings));
    EXPECT_THROW(walk.enterComposition(), SimpleException);
    pSettings->setParameters(defaults);
    ASSERT_TRUE(walk.enterComposition());
    EXPECT_EQ(walk.currentImagingStep()->getPipelineNames().size(), 9);
    EXPECT_NE(floatRaster(createObjectName(sStep, IMAGE_DEPTH_COMPOSITE, HIGH_RES_HQ)), nullptr);
}
