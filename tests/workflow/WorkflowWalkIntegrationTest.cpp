// The whole workflow walked as a user would, without a user interface: only
// "NEXT", "PREVIOUS", "UP", option choices and parameter values set the way a
// page sets them, from pictures the test draws to an exported STL.

#include "GlobalParameterStore.h"
#include "Identifiers.h"
#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImageObject.h"
#include "ImageObjectSynchronizer.h"
#include "MeshData.h"
#include "MeshLookup.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "Raster2d.h"
#include "StateImplementationDecorationSteps.h"
#include "StateImplementationImagingComposition.h"
#include "StateImplementationMeshSteps.h"
#include "StlCheck.h"
#include "WorkflowIdentifiers.h"
#include "support/ComponentWalk.h"
#include "support/WorkflowTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace
{
const Raster2d<float>* heights(const QString& sName)
{
    const ImageObject* pImage = ObjectRoot::getInstance()->findObject<ImageObject>(sName);
    return pImage ? dynamic_cast<const Raster2d<float>*>(pImage->getRasterReadOnly()) : nullptr;
}

QString stepImage(const State* pComponent, const QString& sStep, const QString& sKind)
{
    return createObjectName(pComponent->findChildState(sStep)->getFullName(), sKind, HIGH_RES_HQ);
}

// From the artifact's selection into the mesh chapter, one hook, out to a file.
void makeMeshAndExport(ComponentWalk& walk, const QString& sPath)
{
    GlobalParameterStore::setValue(GlobalParameterStore::NUMBER_OF_VERTICES, 400);
    GlobalParameterStore::setValue(GlobalParameterStore::NUMBER_OF_SMOOTHING_STEPS, 2);
    ASSERT_TRUE(walk.choose(CONSTRUCT_MESH));
    auto* pGeneration = dynamic_cast<StateImplementationMeshGeneration*>(walk.current()->getImplementation());
    ASSERT_NE(pGeneration, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pGeneration->isProcessingFinished(); }, 60000));
    processQueuedEvents();
    ASSERT_EQ(walk.current()->getName(), MESH_HOOKS);
    auto* pHooks = dynamic_cast<StateImplementationMeshHooks*>(walk.current()->getImplementation());
    ASSERT_TRUE(pHooks->loadHook(":/hooks/CurvedHook01.obj"));
    ASSERT_TRUE(walk.go(NEXT));
    ASSERT_EQ(walk.current()->getName(), MESH_EXPORT);
    ASSERT_TRUE(StateImplementationMeshExport::exportMesh(sPath));

    const StlReport report = checkStl(sPath);
    ASSERT_TRUE(report.isClosed()) << report.sText.toStdString();
    EXPECT_EQ(report.nParts, 2) << report.sText.toStdString();
    EXPECT_TRUE(hasBinaryStlSize(sPath, report.nFacets));
    // The body alone measures 50 along its largest side.
    double dX = 0, dY = 0, dZ = 0;
    findMeshObject(MESH_GENERATED)->getMeshData()->getExtents(dX, dY, dZ);
    const double dLargest = std::max({dX, dY, dZ});
    const MeshData* pMerged = findMeshObject(MESH_MERGED)->getMeshData();
    pMerged->getExtents(dX, dY, dZ);
    EXPECT_GE(std::max({dX, dY, dZ}), 50.0 - 1e-3);
    EXPECT_GT(dLargest, 0.0);
}
} // namespace

TEST(WorkflowWalkIntegrationTest, FrontWithDecorationsBackAsFullCloneToAClosedStl)
{
    QTemporaryDir out;
    ComponentWalk walk{ComponentWalk::WholeArtifact()};
    StateMachine::getInstance()->start();
    ASSERT_EQ(walk.current()->getName(), ARTIFACT_OPTION_SELECTION);
    EXPECT_FALSE(StateMachine::getInstance()->canTransition(PREVIOUS));

    ASSERT_TRUE(walk.choose(FRONT));
    ASSERT_EQ(walk.current()->getName(), COMPONENT_OPTION_SELECTION);
    ASSERT_TRUE(walk.makeShape(walk.writeDisc(0.42, 64, true)));
    ASSERT_TRUE(walk.makeProfile());

    // Two elements. The first, opened again and left from its paint step with
    // Previous, has its last steps incomplete again and stays; a third, left
    // at its first visit, goes. The second is edited and then deleted again.
    ASSERT_TRUE(walk.addDecoration(walk.writeDisc(0.18)));
    ASSERT_TRUE(walk.addDecoration(walk.writeDisc(0.25)));
    State* pElements = walk.m_pComponent->findChildState(DECORATION_ELEMENTS, true);
    const State* pFirst = pElements->getChildStates().front();
    ASSERT_TRUE(walk.choose(DECORATIONS) && walk.choose(DECORATION_EDIT) && walk.choose(DECORATION));
    while (walk.current()->getName() != PAINT)
        ASSERT_TRUE(walk.go(NEXT));
    while (walk.current()->getParentState() == pFirst)
        ASSERT_TRUE(walk.go(PREVIOUS));
    ASSERT_FALSE(pFirst->findChildState(PAINT)->isComplete() || pFirst->findChildState(PRESET_BEVEL)->isComplete());
    ASSERT_TRUE(walk.choose(DECORATION_ADD) && walk.go(PREVIOUS) && walk.choose(UP));
    ASSERT_EQ(pElements->getChildStates().size(), 3u);
    ASSERT_TRUE(walk.editDecoration("DECORATION1", walk.writeDisc(0.1)));
    ASSERT_EQ(pElements->getChildStates().size(), 2u);
    EXPECT_EQ(pElements->getChildStates().front(), pFirst);
    auto* pEdit = dynamic_cast<StateImplementationDecorationEdit*>(
        walk.m_pComponent->findChildState(DECORATION_EDIT, true)->getImplementation());
    ASSERT_NE(pEdit->getThumbnail("DECORATION"), nullptr) << "raw and engraved image of the element";
    EXPECT_EQ(pEdit->getThumbnail("DECORATION")->size(), QSize(257, 128));
    const unsigned long ulSecond = pElements->getChildStates().at(1)->getUid();
    ASSERT_TRUE(walk.deleteDecoration("DECORATION_ELEMENT_DELETE1"));
    EXPECT_EQ(StateMachine::getInstance()->findState(ulSecond), nullptr);
    ASSERT_EQ(pElements->getChildStates().size(), 1u);

    ASSERT_TRUE(walk.makeSurface());
    ASSERT_TRUE(walk.enterComposition());
    auto* pComposition = dynamic_cast<StateImplementationImagingComposition*>(walk.currentImagingStep());
    ASSERT_EQ(pComposition->getInputImageNamesDecoration().size(), 2);
    // Move the decoration a little, as the page's controls do.
    ParameterObject* pPlacement = ObjectRoot::getInstance()->findObject<ParameterObject>(ParameterObject::createName(
        pComposition->getInputImageNamesDecoration().first(), MODIFIER_GEOMETRIC_TRANSFORMATION, 0));
    ASSERT_NE(pPlacement, nullptr);
    ParameterObject::ParameterMap map = pPlacement->getParameters();
    map[ImageModifierGeometricTransformation::TRANSLATE_X] = 0.05;
    pPlacement->setParameters(map);
    ASSERT_TRUE(waitIdle(pComposition));
    ASSERT_TRUE(walk.go(NEXT));
    EXPECT_TRUE(walk.m_pComponent->isComplete());

    // The decoration changed the front's depth composite.
    const Raster2d<float>* pComposite = heights(stepImage(walk.m_pComponent, COMPOSITION, IMAGE_DEPTH_COMPOSITE));
    const Raster2d<float>* pSurface = heights(stepImage(walk.m_pComponent, BEVEL, IMAGE_BEVEL));
    ASSERT_TRUE(pComposite && pSurface);
    const unsigned nCentre = pComposite->getWidth() / 2;
    EXPECT_NE(pComposite->at(nCentre + 2, nCentre), pSurface->at(nCentre + 2, nCentre));

    // The back as a full copy of the front.
    ASSERT_TRUE(walk.choose(UP));
    ASSERT_TRUE(walk.choose(BACK));
    ASSERT_EQ(walk.current()->getName(), COMPONENT_CLONE_MODE_OPTION_SELECTION);
    ASSERT_TRUE(walk.choose(COMPONENT_FULL_CLONE));
    State* pBackComponent = walk.m_pArtifact->findChildState(BACK)->findChildState(COMPONENT);
    ASSERT_EQ(walk.current()->getParentState(), pBackComponent);
    EXPECT_NE(heights(stepImage(pBackComponent, COMPOSITION, IMAGE_DEPTH_COMPOSITE)), nullptr);
    ASSERT_TRUE(walk.choose(UP));

    makeMeshAndExport(walk, out.filePath("object.stl"));
}

TEST(WorkflowWalkIntegrationTest, BackAsPartialCloneTwiceThenItsOwnSurface)
{
    QTemporaryDir out;
    ComponentWalk walk{ComponentWalk::WholeArtifact()};
    StateMachine::getInstance()->start();
    ASSERT_TRUE(walk.choose(FRONT));
    ASSERT_TRUE(walk.makeComplete(walk.writeDisc(0.4)));
    ASSERT_TRUE(walk.choose(UP));

    for (int nRun = 0; nRun < 2; ++nRun)
    {
        ASSERT_TRUE(walk.choose(BACK)) << nRun;
        ASSERT_TRUE(walk.choose(COMPONENT_PARTIAL_CLONE)) << nRun;
        ASSERT_EQ(walk.current()->getName(), COMPONENT_OPTION_SELECTION) << nRun;
        ASSERT_TRUE(walk.choose(UP)) << nRun;
    }
    int nLinks = 0;
    for (const ImageObjectSynchronizer* p : ObjectRoot::getInstance()->findChildren<ImageObjectSynchronizer*>())
        nLinks += p->getSourceName() == createObjectName(walk.m_pComponent->findChildState(SHAPE)->getFullName(),
                                                         IMAGE_PEN_AND_BUCKET, HIGH_RES_HQ) &&
                  p->objectName() == ParameterObject::createName(IMAGE_OBJECT_SYNCHRONIZER, p->getSourceName(), 0);
    EXPECT_EQ(nLinks, 1) << "the second clone replaced the first one's link";

    // The back designs its own profile and surface on the front's outline.
    ASSERT_TRUE(walk.choose(BACK));
    ASSERT_TRUE(walk.choose(COMPONENT_PARTIAL_CLONE));
    walk.m_pComponent = walk.m_pArtifact->findChildState(BACK)->findChildState(COMPONENT);
    ASSERT_TRUE(walk.makeProfile());
    ASSERT_TRUE(walk.makeSurface());
    ASSERT_TRUE(walk.enterComposition());
    ASSERT_TRUE(walk.go(NEXT));
    ASSERT_TRUE(walk.choose(UP));

    makeMeshAndExport(walk, out.filePath("object.stl"));
}
