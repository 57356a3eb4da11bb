#include "ImageModifier/ImageModifierDepthComposite.h"
#include "ImageModifier/ImageModifierGeometricTransformation.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ImagePipeline/ImagePipelineDepthComposite.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "SimpleException.h"
#include "TestSupport.h"

#include <QTest>

#include <cstring>
#include <memory>
#include <vector>

namespace
{
using ImageObjectMap = ImageProcessorBase::ImageObjectMap;
using ParameterObjectMap = ImageProcessorBase::ParameterObjectMap;
using ParameterMap = ParameterObject::ParameterMap;
using Composite = ImageModifierDepthComposite;
using Transformation = ImageModifierGeometricTransformation;

const QString SURFACE = QStringLiteral("FRONT/IMAGE_BEVEL");
const QString DECORATION_A = QStringLiteral("FRONT/DECORATION_A");
const QString DECORATION_B = QStringLiteral("FRONT/DECORATION_B");
const QString OUTPUT = QStringLiteral("FRONT/IMAGE_DEPTH_COMPOSITE");

// Float raster: every element fValue, except the listed (x, y, value) ones.
struct Spot
{
    unsigned int nX;
    unsigned int nY;
    float fValue;
};
Raster2d<float>* makeRaster(unsigned int nSide, float fValue, std::initializer_list<Spot> spots = {})
{
    auto* pRaster = new Raster2d<float>(nSide, nSide);
    pRaster->fill(fValue);
    for (const Spot& spot : spots)
    {
        pRaster->set(spot.nX, spot.nY, spot.fValue);
    }
    return pRaster;
}

std::unique_ptr<ImageObject> image(const QString& sName, Raster2dBase* pRaster)
{
    auto pImage = std::make_unique<ImageObject>(sName);
    pImage->setRaster(pRaster, true);
    return pImage;
}

const Raster2d<float>& floatRaster(const ImageObject& image)
{
    const auto* pRaster = dynamic_cast<const Raster2d<float>*>(image.getRasterReadOnly());
    EXPECT_NE(pRaster, nullptr);
    static Raster2d<float> s_empty(1, 1);
    return pRaster ? *pRaster : s_empty;
}

bool sameElements(const Raster2dBase* pA, const Raster2dBase* pB)
{
    return pA && pB && pA->getWidth() == pB->getWidth() && pA->getHeight() == pB->getHeight() &&
           std::memcmp(dynamic_cast<const Raster2d<float>*>(pA)->getData(),
                       dynamic_cast<const Raster2d<float>*>(pB)->getData(), pA->getByteSize()) == 0;
}

// Every layer raises, positive, unscaled and uncut.
ParameterMap compositeParameters(const QString& sSurface, const std::vector<QString>& vOrder)
{
    registerParameterMetaTypes();
    const std::size_t n = vOrder.size();
    return {{Composite::SURFACE_IDENTIFIER, sSurface},
            {Composite::ORDER, QVariant::fromValue(vOrder)},
            {Composite::ENABLED, QVariant::fromValue(std::vector<bool>(n, true))},
            {Composite::DEPTH, QVariant::fromValue(std::vector<F32>(n, 1.0f))},
            {Composite::EMBOSSING, QVariant::fromValue(std::vector<QString>(n, Composite::POSITIVE))},
            {Composite::DEPTH_SCALE, QVariant::fromValue(std::vector<F32>(n, 1.0f))},
            {Composite::CUTOFF_LOW, QVariant::fromValue(std::vector<F32>(n, 0.0f))},
            {Composite::CUTOFF_HIGH, QVariant::fromValue(std::vector<F32>(n, 0.0f))}};
}

// Placed in the surface's frame, shifted by a fraction of its side.
ParameterMap placement(double dTranslateX)
{
    ParameterMap map = Transformation(MODIFIER_GEOMETRIC_TRANSFORMATION).getDefaultParameters();
    map[Transformation::KEEP_SIZE] = true;
    map[Transformation::USE_OUTPUT_SIZE] = true;
    map[Transformation::USE_BLACK_BORDER] = true;
    map[Transformation::TRANSLATE_X] = dTranslateX;
    return map;
}

// Exposes the sizes of the processor's own buffer vectors.
class ProbedProcessor : public ImageProcessorDepthComposite
{
public:
    std::size_t decorationSlots() const { return m_vBufferRasterDecoration.size(); }
    bool allSlotsReleased() const
    {
        for (const auto* pRaster : m_vBufferRasterDecoration)
        {
            if (pRaster)
            {
                return false;
            }
        }
        return m_vBufferRasterComposite.size() == 1 && m_vBufferRasterComposite[0] == nullptr;
    }
};

// An 8 x 8 surface of height 2 and two decorations with one raised
// element each; A is shifted one pixel to the right on its way.
class DepthCompositeStepTest : public ::testing::Test
{
protected:
    DepthCompositeStepTest()
        : m_pSurface(image(SURFACE, makeRaster(8, 2.0f)))
        , m_pDecorationA(image(DECORATION_A, makeRaster(8, 0.0f, {{3, 3, 4.0f}})))
        , m_pDecorationB(image(DECORATION_B, makeRaster(8, 0.0f, {{5, 5, 4.0f}})))
        , m_output(OUTPUT)
        , m_placementA(ParameterObject::createName(DECORATION_A, MODIFIER_GEOMETRIC_TRANSFORMATION, 0))
        , m_placementB(ParameterObject::createName(DECORATION_B, MODIFIER_GEOMETRIC_TRANSFORMATION, 0))
        , m_composite(ParameterObject::createName(OUTPUT, MODIFIER_DEPTH_COMPOSITE, 0))
    {
        m_placementA.setParameters(placement(0.125));
        m_placementB.setParameters(placement(0.0));
        m_composite.setParameters(compositeParameters("IMAGE_BEVEL", {"DECORATION_A", "DECORATION_B"}));
    }

    void SetUp() override { ObjectRoot::getInstance()->clear(); }
    void TearDown() override { ObjectRoot::getInstance()->clear(); }

    ImageObjectMap inputs(bool bWithDecorations = true) const
    {
        ImageObjectMap map{{SURFACE, m_pSurface.get()}};
        if (bWithDecorations)
        {
            map[DECORATION_A] = m_pDecorationA.get();
            map[DECORATION_B] = m_pDecorationB.get();
        }
        return map;
    }
    ImageObjectMap outputs() { return {{OUTPUT, &m_output}}; }
    ParameterObjectMap parameters(bool bWithPlacements = true)
    {
        ParameterObjectMap map{{m_composite.objectName(), &m_composite}};
        if (bWithPlacements)
        {
            map[m_placementA.objectName()] = &m_placementA;
            map[m_placementB.objectName()] = &m_placementB;
        }
        return map;
    }

    std::unique_ptr<ImageObject> m_pSurface;
    std::unique_ptr<ImageObject> m_pDecorationA;
    std::unique_ptr<ImageObject> m_pDecorationB;
    ImageObject m_output;
    ParameterObject m_placementA;
    ParameterObject m_placementB;
    ParameterObject m_composite;
    ProbedProcessor m_processor;
};
} // namespace

TEST_F(DepthCompositeStepTest, WithoutDecorationsTheOutputIsTheSurfaceByteForByte)
{
    // A surface with a non-zero frame: no composition, so no frame of zeros.
    Raster2d<float>* pSurface = makeRaster(8, 2.0f, {{0, 0, 1.5f}, {7, 3, 9.25f}, {4, 4, 0.0f}});
    m_pSurface->setRaster(pSurface, true);
    EXPECT_EQ(m_processor.getName(), "PIPELINE_DEPTH_COMPOSITE");
    m_processor.process(inputs(false), outputs(), parameters(false));
    EXPECT_TRUE(sameElements(m_output.getRasterReadOnly(), pSurface));
    EXPECT_NE(m_output.getRasterReadOnly(), pSurface);

    // An empty identifier makes every input the surface; the last in name
    // order, FRONT/IMAGE_BEVEL, wins and nothing is composed (the frame
    // stays).
    m_composite.setParameters(compositeParameters("", {}));
    m_output.setRaster(nullptr, false);
    m_processor.process(inputs(), outputs(), parameters());
    EXPECT_TRUE(sameElements(m_output.getRasterReadOnly(), pSurface));
}

TEST_F(DepthCompositeStepTest, DecorationsArePlacedWithTheirOwnParametersThenComposed)
{
    m_processor.process(inputs(), outputs(), parameters());
    // ORDER[1] = B first: offset (8 + 2) * 1 puts its peak at 12. Then A,
    // moved from (3, 3) to (4, 3), over a maximum of 12: (8 + 12) + 2 = 22.
    const Raster2d<float>& result = floatRaster(m_output);
    for (unsigned int y = 0; y < 8; ++y)
    {
        for (unsigned int x = 0; x < 8; ++x)
        {
            float fExpected = (x == 0 || y == 0 || x == 7 || y == 7) ? 0.0f : 2.0f;
            if (x == 4 && y == 3)
            {
                fExpected = 22.0f;
            }
            if (x == 5 && y == 5)
            {
                fExpected = 12.0f;
            }
            EXPECT_NEAR(result.at(x, y), fExpected, 1e-4f) << x << "," << y;
        }
    }
    EXPECT_EQ(m_processor.decorationSlots(), 2u);
    EXPECT_TRUE(m_processor.allSlotsReleased());

    // The next run has one decoration: the vectors follow.
    m_composite.setParameters(compositeParameters("IMAGE_BEVEL", {"DECORATION_A"}));
    ImageObjectMap oneDecoration = inputs();
    oneDecoration.erase(DECORATION_B);
    m_processor.process(oneDecoration, outputs(), parameters());
    EXPECT_EQ(m_processor.decorationSlots(), 1u);
    EXPECT_NEAR(floatRaster(m_output).at(4, 3), 12.0f, 1e-4f);
}

TEST_F(DepthCompositeStepTest, ARefusedCompositionOutputsTheSurface)
{
    LogCapture log;
    // Without KEEP_SIZE a 10 x 10 decoration stays 10 x 10, which the
    // composite refuses.
    m_pDecorationA->setRaster(makeRaster(10, 1.0f), true);
    m_placementA.setParameters(Transformation(MODIFIER_GEOMETRIC_TRANSFORMATION).getDefaultParameters());
    m_processor.process(inputs(), outputs(), parameters());
    EXPECT_TRUE(sameElements(m_output.getRasterReadOnly(), m_pSurface->getRasterReadOnly()));
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("ERROR: ImageModifier\\ImageModifierDepthComposite::"));
}

TEST_F(DepthCompositeStepTest, CheckedFailuresLogAndLeaveTheOutput)
{
    LogCapture log;
    Raster2d<float>* pPrevious = makeRaster(8, 5.0f);
    m_output.setRaster(pPrevious, true);
    ParameterMap withoutIdentifier = compositeParameters("IMAGE_BEVEL", {});
    withoutIdentifier.erase(Composite::SURFACE_IDENTIFIER);
    m_composite.setParameters(withoutIdentifier);
    m_processor.process(inputs(), outputs(), parameters());

    m_composite.setParameters(compositeParameters("IMAGE_BEVEL", {}));
    m_pDecorationB->setRaster(new Raster2d<unsigned char>(8, 8), true);
    m_processor.process(inputs(), outputs(), parameters());

    EXPECT_EQ(m_output.getRasterReadOnly(), pPrevious);
    EXPECT_EQ(pPrevious->at(3, 3), 5.0f);
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("ERROR: ImagePipeline\\ImagePipelineDepthComposite::"));
    EXPECT_TRUE(lines[0].endsWith(": Parameters were not set correctly"));
    EXPECT_TRUE(lines[1].startsWith("ERROR: ImagePipeline\\ImagePipelineDepthComposite::"));
    EXPECT_TRUE(lines[1].endsWith(": Input raster could not be processed"));
}

TEST_F(DepthCompositeStepTest, BrokenPreconditionsThrow)
{
    m_composite.setParameters(compositeParameters("BACK", {}));
    EXPECT_ASSERTION(m_processor.process(inputs(), outputs(), parameters()),
                     "pairRaster2dInputSurface.second != NULL");
    m_composite.setParameters(compositeParameters("IMAGE_BEVEL", {}));
    EXPECT_ASSERTION(m_processor.process(inputs(), outputs(), {{"OTHER", &m_placementA}}),
                     "pParameterObjectDepthComposite");
    // A decoration without a placement of its own: several candidates, none
    // named after it.
    ParameterObjectMap onlyB = parameters();
    onlyB.erase(m_placementA.objectName());
    ParameterObject otherPlacement("FRONT/DECORATION_C/MODIFIER_GEOMETRIC_TRANSFORMATION/0");
    onlyB[otherPlacement.objectName()] = &otherPlacement;
    EXPECT_ASSERTION(m_processor.process(inputs(), outputs(), onlyB), "pParameterObject");
}

TEST_F(DepthCompositeStepTest, ARebuiltPipelineKeepsTheParametersOfRemainingObjects)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    ImagePipelineFactoryDepthComposite factory;
    std::vector<ParameterObject*> vParameterObjects;
    std::vector<ImageObject*> vImageObjects;
    std::unique_ptr<ImagePipeline> pPipeline(
        factory.create("COMPOSITE", {SURFACE, DECORATION_A, DECORATION_B}, {OUTPUT}, vParameterObjects, vImageObjects));
    const QString sPlacementA = m_placementA.objectName();
    const QString sPlacementB = m_placementB.objectName();
    const QString sComposite = m_composite.objectName();
    // The surface gets no placement.
    EXPECT_EQ(pPipeline->getParameterNames(), (QStringList{sPlacementA, sPlacementB, sComposite}));
    auto* pPlacementA = pRoot->findChild<ParameterObject*>(sPlacementA);
    auto* pComposite = pRoot->findChild<ParameterObject*>(sComposite);
    auto* pOutput = pRoot->findChild<ImageObject*>(OUTPUT);
    ASSERT_TRUE(pPlacementA && pComposite && pOutput);
    EXPECT_EQ(pPlacementA->getParameters().at(Transformation::TRANSLATE_X), QVariant(0.0));
    EXPECT_TRUE(pComposite->getParameters().empty());
    pPlacementA->setParameters(placement(0.25));
    pComposite->setParameters(compositeParameters("IMAGE_BEVEL", {"DECORATION_A"}));

    factory.getObjects(pPipeline.get(), vParameterObjects, vImageObjects);
    pPipeline.reset();
    EXPECT_EQ(pRoot->findChild<ParameterObject*>(sPlacementA), nullptr);

    const QString sDecorationC = QStringLiteral("FRONT/DECORATION_C");
    pPipeline.reset(
        factory.create("COMPOSITE", {SURFACE, DECORATION_A, sDecorationC}, {OUTPUT}, vParameterObjects, vImageObjects));
    EXPECT_EQ(pRoot->findChild<ImageObject*>(OUTPUT), pOutput);
    EXPECT_EQ(pRoot->findChild<ParameterObject*>(sPlacementA), pPlacementA);
    EXPECT_EQ(pPlacementA->getParameters().at(Transformation::TRANSLATE_X), QVariant(0.25));
    EXPECT_EQ(pRoot->findChild<ParameterObject*>(sComposite), pComposite);
    EXPECT_EQ(pComposite->getParameters().at(Composite::SURFACE_IDENTIFIER), QVariant("IMAGE_BEVEL"));
    auto* pPlacementC = pRoot->findChild<ParameterObject*>(sDecorationC + "/MODIFIER_GEOMETRIC_TRANSFORMATION/0");
    ASSERT_NE(pPlacementC, nullptr);
    EXPECT_EQ(pPlacementC->getParameters(), Transformation(MODIFIER_GEOMETRIC_TRANSFORMATION).getDefaultParameters());
    // B's placement was not used again and stays with the caller.
    ASSERT_EQ(vParameterObjects.size(), 1u);
    EXPECT_EQ(vParameterObjects[0]->objectName(), sPlacementB);
    EXPECT_TRUE(vImageObjects.empty());
    for (ParameterObject* pLeft : vParameterObjects)
    {
        delete pLeft;
    }

    EXPECT_ASSERTION(factory.create("X", {}, {OUTPUT}, vParameterObjects, vImageObjects),
                     "slInputImageNames.size() >= 1 && slOutputImageNames.size() == 1");
    EXPECT_ASSERTION(factory.create("X", {SURFACE}, {OUTPUT, "B"}, vParameterObjects, vImageObjects),
                     "slInputImageNames.size() >= 1 && slOutputImageNames.size() == 1");
}

TEST_F(DepthCompositeStepTest, APipelineComposesWhatTheTreeHolds)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    ImagePipelineFactoryDepthComposite factory;
    std::vector<ParameterObject*> vParameterObjects;
    std::vector<ImageObject*> vImageObjects;
    std::unique_ptr<ImagePipeline> pPipeline(
        factory.create("COMPOSITE", {SURFACE, DECORATION_A}, {OUTPUT}, vParameterObjects, vImageObjects));
    pRoot->findChild<ParameterObject*>(m_placementA.objectName())->setParameters(placement(0.125));
    pRoot->findChild<ParameterObject*>(m_composite.objectName())
        ->setParameters(compositeParameters("IMAGE_BEVEL", {"DECORATION_A"}));
    ASSERT_TRUE(pRoot->addChild(m_pSurface.release()));
    ASSERT_TRUE(pRoot->addChild(m_pDecorationA.release()));
    pPipeline->setEnabled(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pPipeline->isCurrentlyBusy(); }, 5000));

    auto* pOutput = pRoot->findChild<ImageObject*>(OUTPUT);
    ASSERT_NE(pOutput, nullptr);
    // Offset (8 + 2) * 1 + minimum 2: the peak of A, moved to (4, 3), at 12.
    EXPECT_NEAR(floatRaster(*pOutput).at(4, 3), 12.0f, 1e-4f);
    EXPECT_EQ(floatRaster(*pOutput).at(3, 3), 2.0f);
    EXPECT_EQ(floatRaster(*pOutput).at(0, 3), 0.0f);
}
