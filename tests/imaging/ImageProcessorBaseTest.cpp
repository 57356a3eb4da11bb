#include "ImageModifierBase.h"
#include "ImageObject.h"
#include "ImageProcessorBase.h"
#include "ParameterObject.h"
#include "Raster2d.h"
#include "TestSupport.h"

#include <QThread>

#include <memory>
#include <vector>

namespace
{
const QString ADD = QStringLiteral("ADD");
const QString WIDTH = QStringLiteral("WIDTH");
const QString FAIL = QStringLiteral("FAIL");

// out = in + ADD on 8-bit rasters; "WIDTH" sets the output width (the height
// stays); "FAIL" makes it refuse. Counts its deletions.
class AddModifier : public ImageModifierBase
{
public:
    AddModifier(const QString& sName, int* pDeleted = nullptr)
        : ImageModifierBase(sName)
        , m_pDeleted(pDeleted)
    {
    }
    ~AddModifier() override
    {
        if (m_pDeleted)
        {
            ++*m_pDeleted;
        }
    }

    bool getOutputSize(const Raster2dBase* pInput, const Raster2dBase*, unsigned int& nWidth,
                       unsigned int& nHeight) override
    {
        unsigned int nWanted = 0;
        nWidth = getValue(WIDTH, nWanted) ? nWanted : pInput->getWidth();
        nHeight = pInput->getHeight();
        return nWidth > 0;
    }

    bool process(Raster2dBase* pInput, Raster2dBase* pOutput) override
    {
        bool bFail = false;
        getValue(FAIL, bFail);
        auto* pIn = as<unsigned char>(pInput);
        auto* pOut = as<unsigned char>(pOutput);
        if (bFail || !pIn || !pOut)
        {
            return false;
        }
        int nAdd = 0;
        getValue(ADD, nAdd);
        for (unsigned int y = 0; y < pOut->getHeight(); ++y)
        {
            for (unsigned int x = 0; x < pOut->getWidth(); ++x)
            {
                pOut->set(x, y, static_cast<unsigned char>(pIn->at(x % pIn->getWidth(), y) + nAdd));
            }
        }
        return true;
    }

private:
    int* m_pDeleted;
};

// A step in the usual pattern, through the base's chain: input into slot 0,
// "MODIFIER_A" then "MODIFIER_B" chained over the two slots, the result into
// the output.
class ChainProcessor : public ImageProcessorBase
{
public:
    ChainProcessor()
        : ImageProcessorBase(QStringLiteral("PIPELINE_CHAIN"))
    {
        setModifier(new AddModifier("MODIFIER_A"));
        setModifier(new AddModifier("MODIFIER_B"));
        setupBufferRastersInput(1);
        setupBufferRastersOutput(1);
    }

    void process(ImageObjectMap mapImageNameToInputImageObject, ImageObjectMap mapImageNameToOutputImageObject,
                 ParameterObjectMap mapParameterNameToParameterObject) override
    {
        MOLDENA_ASSERT(mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 &&
                       mapParameterNameToParameterObject.size() == 2);
        ImageObject* pInput = mapImageNameToInputImageObject.begin()->second;
        ImageObject* pOutput = mapImageNameToOutputImageObject.begin()->second;
        MOLDENA_ASSERT(pInput);
        MOLDENA_ASSERT(pOutput);
        processChain<unsigned char>(pInput, pOutput, {QStringLiteral("MODIFIER_A"), QStringLiteral("MODIFIER_B")},
                                    mapParameterNameToParameterObject);
    }
};

Raster2d<unsigned char>* bytes(unsigned int nWidth, unsigned int nHeight, std::vector<unsigned char> values)
{
    auto* pRaster = new Raster2d<unsigned char>(nWidth, nHeight);
    EXPECT_EQ(values.size(), std::size_t(pRaster->getSize()));
    std::copy(values.begin(), values.end(), pRaster->getData());
    return pRaster;
}

std::vector<unsigned char> elementsOf(const Raster2dBase* pRaster)
{
    auto* p = dynamic_cast<const Raster2d<unsigned char>*>(pRaster);
    if (!p)
    {
        return {};
    }
    return std::vector<unsigned char>(p->getData(), p->getData() + p->getSize());
}

// Owns parameter objects and offers them as a run's parameter map.
struct Parameters
{
    std::vector<std::unique_ptr<ParameterObject>> vObjects;
    ImageProcessorBase::ParameterObjectMap map;

    ParameterObject* add(const QString& sName, ParameterObject::ParameterMap values)
    {
        vObjects.emplace_back(new ParameterObject(sName));
        vObjects.back()->setParameters(values);
        map[sName] = vObjects.back().get();
        return vObjects.back().get();
    }
};

class TestProcessor : public ImageProcessorBase
{
public:
    TestProcessor()
        : ImageProcessorBase(QStringLiteral("PIPELINE_TEST"))
    {
    }
    void process(ImageObjectMap, ImageObjectMap, ParameterObjectMap) override {}
};
} // namespace

TEST(ImageProcessorBaseTest, SetModifierReplacesAnotherOfTheSameNameOnly)
{
    int nDeleted = 0;
    {
        TestProcessor processor;
        EXPECT_ASSERTION(processor.setModifier(nullptr), "p");
        auto* pFirst = new AddModifier("MODIFIER_A", &nDeleted);
        processor.setModifier(pFirst);
        processor.setModifier(pFirst);
        EXPECT_EQ(nDeleted, 0);
        EXPECT_EQ(processor.getModifier("MODIFIER_A"), pFirst);

        auto* pSecond = new AddModifier("MODIFIER_A", &nDeleted);
        processor.setModifier(pSecond);
        EXPECT_EQ(nDeleted, 1);
        EXPECT_EQ(processor.getModifier("MODIFIER_A"), pSecond);
        EXPECT_EQ(processor.getModifier("MODIFIER_B"), nullptr);
    }
    EXPECT_EQ(nDeleted, 2) << "the processor deletes the modifiers it holds";
}

TEST(ImageProcessorBaseTest, BufferSlotsAreSetUpOnce)
{
    TestProcessor processor;
    processor.setupBufferRastersInput(2);
    processor.setupBufferRastersOutput(1);
    EXPECT_EQ(processor.getBufferRastersInput(), (std::vector<Raster2dBase*>{nullptr, nullptr}));
    EXPECT_ASSERTION(processor.setupBufferRastersInput(1), "m_vBufferRasterInput.empty()");
    EXPECT_ASSERTION(processor.setupBufferRastersOutput(1), "m_vBufferRasterOutput.empty()");

    processor.getBufferRastersInput()[1] = new Raster2d<float>(2, 2);
    processor.releaseBufferRasters();
    EXPECT_EQ(processor.getBufferRastersInput(), (std::vector<Raster2dBase*>{nullptr, nullptr}));
}

TEST(ImageProcessorBaseTest, ParameterObjectIsChosenByModifierThenImageName)
{
    TestProcessor processor;
    processor.setModifier(new AddModifier("MODIFIER_A"));
    std::unique_ptr<Raster2dBase> pInput(bytes(1, 1, {10}));

    auto result = [&](const QString& sImage, Parameters& parameters) {
        Raster2dBase* pSlot = nullptr;
        processor.applyModifier<unsigned char>(sImage, "MODIFIER_A", parameters.map, pInput.get(), pSlot);
        std::unique_ptr<Raster2dBase> pOwned(pSlot);
        return int(elementsOf(pSlot).at(0));
    };

    // One matching entry is taken whatever its image part.
    Parameters single;
    single.add("OTHER/MODIFIER_A/0", {{ADD, 1}});
    single.add("IMG/MODIFIER_C/0", {{ADD, 50}});
    EXPECT_EQ(result("IMG", single), 11);

    // Several: the first in key order whose name contains the image name.
    Parameters several;
    several.add("A_IMG/MODIFIER_A/0", {{ADD, 2}});
    several.add("B_IMG/MODIFIER_A/0", {{ADD, 3}});
    several.add("C/MODIFIER_A/0", {{ADD, 4}});
    EXPECT_EQ(result("B_IMG", several), 13);
    EXPECT_EQ(result("IMG", several), 12);
    EXPECT_EQ(result("C", several), 14);
    Raster2dBase* pSlot = nullptr;
    EXPECT_ASSERTION(processor.applyModifier<unsigned char>("Z", "MODIFIER_A", several.map, pInput.get(), pSlot),
                     "pParameterObject");

    Parameters none;
    none.add("IMG/MODIFIER_C/0", {{ADD, 1}});
    EXPECT_ASSERTION(processor.applyModifier<unsigned char>("IMG", "MODIFIER_A", none.map, pInput.get(), pSlot),
                     "pParameterObject");
    // A parameter object for a modifier the processor does not hold.
    EXPECT_ASSERTION(processor.applyModifier<unsigned char>("IMG", "MODIFIER_C", none.map, pInput.get(), pSlot),
                     "pModifier");
    EXPECT_EQ(pSlot, nullptr);
}

TEST(ImageProcessorBaseTest, ApplyModifierIntoAnImageObjectReusesARightSizedRaster)
{
    TestProcessor processor;
    processor.setModifier(new AddModifier("MODIFIER_A"));
    Parameters parameters;
    ParameterObject* pParameters = parameters.add("IMG/MODIFIER_A/0", {{ADD, 5}});

    ImageObject input("IMG");
    input.setRaster(bytes(2, 1, {1, 2}), true);
    ImageObject output("OUT");

    // No raster yet: a new one of the computed size.
    EXPECT_TRUE(processor.applyModifier("IMG", "MODIFIER_A", parameters.map, &input, &output));
    const Raster2dBase* pFirst = output.getRasterReadOnly();
    EXPECT_EQ(elementsOf(pFirst), (std::vector<unsigned char>{6, 7}));

    // Same size: written in place.
    pParameters->setParameters({{ADD, 10}});
    EXPECT_TRUE(processor.applyModifier("IMG", "MODIFIER_A", parameters.map, &input, &output));
    EXPECT_EQ(output.getRasterReadOnly(), pFirst);
    EXPECT_EQ(elementsOf(pFirst), (std::vector<unsigned char>{11, 12}));

    // Another size: replaced.
    pParameters->setParameters({{ADD, 0}, {WIDTH, 4}});
    EXPECT_TRUE(processor.applyModifier("IMG", "MODIFIER_A", parameters.map, &input, &output));
    EXPECT_EQ(output.getRasterReadOnly()->getWidth(), 4u);
    EXPECT_EQ(elementsOf(output.getRasterReadOnly()), (std::vector<unsigned char>{1, 2, 1, 2}));

    // A refusal is the caller's to judge: false, the output raster in place.
    pParameters->setParameters({{FAIL, true}});
    EXPECT_FALSE(processor.applyModifier("IMG", "MODIFIER_A", parameters.map, &input, &output));

    // An output size the modifier cannot compute.
    pParameters->setParameters({{WIDTH, 0}});
    EXPECT_ASSERTION(processor.applyModifier("IMG", "MODIFIER_A", parameters.map, &input, &output), "bSizeOk");
}

TEST(ImageProcessorBaseTest, ApplyModifierIntoASlotReusesOrReplacesItsRaster)
{
    TestProcessor processor;
    processor.setModifier(new AddModifier("MODIFIER_A"));
    Parameters parameters;
    ParameterObject* pParameters = parameters.add("IMG/MODIFIER_A/0", {{ADD, 1}});
    std::unique_ptr<Raster2dBase> pInput(bytes(2, 1, {1, 2}));

    Raster2dBase* pSlot = new Raster2d<unsigned char>(2, 1);
    Raster2dBase* pKept = pSlot;
    EXPECT_TRUE(processor.applyModifier<unsigned char>("IMG", "MODIFIER_A", parameters.map, pInput.get(), pSlot));
    EXPECT_EQ(pSlot, pKept);
    EXPECT_EQ(elementsOf(pSlot), (std::vector<unsigned char>{2, 3}));

    pParameters->setParameters({{ADD, 1}, {WIDTH, 3}});
    EXPECT_TRUE(processor.applyModifier<unsigned char>("IMG", "MODIFIER_A", parameters.map, pInput.get(), pSlot));
    EXPECT_EQ(pSlot->getWidth(), 3u);
    EXPECT_EQ(elementsOf(pSlot), (std::vector<unsigned char>{2, 3, 2}));

    // A slot of the right size but another element type is replaced too.
    delete pSlot;
    pSlot = new Raster2d<float>(2, 1);
    pParameters->setParameters({{ADD, 1}});
    EXPECT_TRUE(processor.applyModifier<unsigned char>("IMG", "MODIFIER_A", parameters.map, pInput.get(), pSlot));
    EXPECT_EQ(elementsOf(pSlot), (std::vector<unsigned char>{2, 3}));

    // In place: the slot is its own input and stays.
    pKept = pSlot;
    EXPECT_TRUE(processor.applyModifier<unsigned char>("IMG", "MODIFIER_A", parameters.map, pSlot, pSlot));
    EXPECT_EQ(pSlot, pKept);
    EXPECT_EQ(elementsOf(pSlot), (std::vector<unsigned char>{3, 4}));
    delete pSlot;
}

TEST(ImageProcessorBaseTest, CopyToBufferRasterCopiesElementsAndRegionOfInterest)
{
    std::unique_ptr<Raster2d<unsigned char>> pTemplate(bytes(2, 2, {1, 2, 3, 4}));
    pTemplate->setRoi(QRectF(0.25, 0.25, 0.5, 0.5));

    Raster2dBase* pSlot = nullptr;
    EXPECT_TRUE(ImageProcessorBase::copyToBufferRaster(pTemplate.get(), pSlot));
    ASSERT_NE(pSlot, nullptr);
    EXPECT_NE(pSlot, pTemplate.get());
    EXPECT_EQ(elementsOf(pSlot), (std::vector<unsigned char>{1, 2, 3, 4}));
    EXPECT_EQ(pSlot->getRoi(), QRectF(0.25, 0.25, 0.5, 0.5));

    // A second run reuses the slot: new elements and the new region.
    Raster2dBase* pKept = pSlot;
    pTemplate->fill(9);
    pTemplate->setRoi(QRectF(0.0, 0.0, 1.0, 1.0));
    EXPECT_TRUE(ImageProcessorBase::copyToBufferRaster(pTemplate.get(), pSlot));
    EXPECT_EQ(pSlot, pKept);
    EXPECT_EQ(elementsOf(pSlot), (std::vector<unsigned char>{9, 9, 9, 9}));
    EXPECT_EQ(pSlot->getRoi(), QRectF(0.0, 0.0, 1.0, 1.0));

    // A slot of another size or element type is replaced by a clone.
    std::unique_ptr<Raster2d<float>> pFloat(new Raster2d<float>(1, 4));
    pFloat->fill(0.5f);
    EXPECT_TRUE(ImageProcessorBase::copyToBufferRaster(pFloat.get(), pSlot));
    ASSERT_NE(dynamic_cast<Raster2d<float>*>(pSlot), nullptr);
    EXPECT_EQ(dynamic_cast<Raster2d<float>*>(pSlot)->at(0, 3), 0.5f);

    EXPECT_ASSERTION(ImageProcessorBase::copyToBufferRaster<unsigned char>(nullptr, pSlot), "pTemplateRaster");
    Raster2dBase* pSelf = pFloat.get();
    EXPECT_ASSERTION(ImageProcessorBase::copyToBufferRaster(pFloat.get(), pSelf), "pTemplateRaster != pBufferRaster");
    delete pSlot;
}

TEST(ImageProcessorBaseTest, SetupBufferRasterLikeTakesTheSizeRastersSize)
{
    Raster2d<unsigned char> templ(4, 2);
    Raster2d<unsigned char> sizeRaster(3, 5);
    Raster2dBase* pSlot = nullptr;
    EXPECT_TRUE(ImageProcessorBase::setupBufferRasterLike<float>(&templ, &sizeRaster, pSlot));
    ASSERT_NE(dynamic_cast<Raster2d<float>*>(pSlot), nullptr);
    EXPECT_EQ(pSlot->getWidth(), 3u);
    EXPECT_EQ(pSlot->getHeight(), 5u);

    Raster2dBase* pKept = pSlot;
    EXPECT_TRUE(ImageProcessorBase::setupBufferRasterLike<float>(&templ, &sizeRaster, pSlot));
    EXPECT_EQ(pSlot, pKept);
    EXPECT_TRUE(ImageProcessorBase::setupBufferRasterLike<float>(&templ, nullptr, pSlot));
    EXPECT_EQ(pSlot->getWidth(), 4u);
    EXPECT_EQ(pSlot->getHeight(), 2u);

    EXPECT_ASSERTION(ImageProcessorBase::setupBufferRasterLike<float>(nullptr, nullptr, pSlot),
                     "pTemplateRaster != NULL");
    EXPECT_ASSERTION(ImageProcessorBase::setupBufferRasterLike<float>(pSlot, nullptr, pSlot),
                     "dynamic_cast<const Raster2dBase*>(pTemplateRaster) != "
                     "dynamic_cast<const Raster2dBase*>(pBufferRaster)");
    delete pSlot;
}

TEST(ImageProcessorBaseTest, CopyBufferRasterToOutputReusesOrReplacesTheOutputRaster)
{
    std::unique_ptr<Raster2d<unsigned char>> pBuffer(bytes(2, 1, {5, 6}));
    pBuffer->setRoi(QRectF(0.5, 0.0, 0.5, 1.0));
    ImageObject output("OUT");
    EXPECT_TRUE(ImageProcessorBase::copyBufferRasterToOutput<unsigned char>(&output, pBuffer.get()));
    const Raster2dBase* pFirst = output.getRasterReadOnly();
    ASSERT_NE(pFirst, nullptr);
    EXPECT_NE(pFirst, pBuffer.get());
    EXPECT_EQ(elementsOf(pFirst), (std::vector<unsigned char>{5, 6}));
    EXPECT_EQ(pFirst->getRoi(), QRectF(0.5, 0.0, 0.5, 1.0));

    pBuffer->fill(1);
    EXPECT_TRUE(ImageProcessorBase::copyBufferRasterToOutput<unsigned char>(&output, pBuffer.get()));
    EXPECT_EQ(output.getRasterReadOnly(), pFirst);
    EXPECT_EQ(elementsOf(pFirst), (std::vector<unsigned char>{1, 1}));

    EXPECT_ASSERTION(ImageProcessorBase::copyBufferRasterToOutput<unsigned char>(nullptr, pBuffer.get()), "pOutput");
    EXPECT_ASSERTION(ImageProcessorBase::copyBufferRasterToOutput<unsigned char>(&output, nullptr), "pBufferRaster");
    Raster2dBase* pOwn = output.getRaster();
    EXPECT_ASSERTION(ImageProcessorBase::copyBufferRasterToOutput<unsigned char>(&output, pOwn),
                     "pOutputRaster != pBufferRaster");
}

TEST(ImageProcessorBaseTest, OutputsAreStampedByTheTimeStampMode)
{
    TestProcessor processor;
    ImageObject input("IN");
    const QDateTime inputTime(QDate(2020, 1, 2), QTime(3, 4, 5));
    input.setTimeStamp(inputTime);
    ImageObject outputA("OUT_A");
    ImageObject outputB("OUT_B");
    const QDateTime oldTime(QDate(2000, 1, 1), QTime(0, 0, 0));
    outputA.setTimeStamp(oldTime);
    outputB.setTimeStamp(oldTime);
    ImageProcessorBase::ImageObjectMap inputs{{"IN", &input}};
    ImageProcessorBase::ImageObjectMap outputs{{"OUT_A", &outputA}, {"OUT_B", &outputB}};

    // No inputs (an import step): nothing is stamped.
    processor.prepareOutputImageObjects({}, outputs);
    EXPECT_EQ(outputA.getTimeStamp(), oldTime);

    const QDateTime before = QDateTime::currentDateTime();
    processor.prepareOutputImageObjects(inputs, outputs);
    EXPECT_GE(outputA.getTimeStamp(), before);
    EXPECT_GE(outputB.getTimeStamp(), before);

    processor.setTimeStampMode(ImageProcessorBase::TIME_STAMP_FIRST_INPUT);
    processor.prepareOutputImageObjects(inputs, outputs);
    EXPECT_EQ(outputA.getTimeStamp(), inputTime);
    EXPECT_EQ(outputB.getTimeStamp(), inputTime);

    processor.setTimeStampMode(2);
    outputA.setTimeStamp(oldTime);
    processor.prepareOutputImageObjects(inputs, outputs);
    EXPECT_EQ(outputA.getTimeStamp(), oldTime);

    processor.setTimeStampMode(ImageProcessorBase::TIME_STAMP_FIRST_INPUT);
    ImageProcessorBase::ImageObjectMap withNull{{"OUT_A", nullptr}};
    EXPECT_ASSERTION(processor.prepareOutputImageObjects(inputs, withNull),
                     "it->second && mapImageNameToInputImageObject.begin()->second");
    processor.setTimeStampMode(ImageProcessorBase::TIME_STAMP_NOW);
    EXPECT_ASSERTION(processor.prepareOutputImageObjects(inputs, withNull), "it->second");
}

TEST(ImageProcessorBaseTest, AChainAppliesModifiersInOrderAndSkipsRefusals)
{
    ChainProcessor processor;
    ImageObject input("IMG");
    input.setRaster(bytes(2, 2, {1, 2, 3, 4}), true);
    input.getRaster()->setRoi(QRectF(0.0, 0.5, 1.0, 0.5));
    ImageObject output("OUT");
    Parameters parameters;
    ParameterObject* pA = parameters.add("IMG/MODIFIER_A/0", {{ADD, 10}});
    ParameterObject* pB = parameters.add("IMG/MODIFIER_B/0", {{ADD, 1}, {WIDTH, 3}});

    processor.execute({{"IMG", &input}}, {{"OUT", &output}}, parameters.map);
    EXPECT_EQ(elementsOf(output.getRasterReadOnly()), (std::vector<unsigned char>{12, 13, 12, 14, 15, 14}));
    EXPECT_EQ(processor.getBufferRastersInput()[0], nullptr) << "buffers are released after the run";

    // Every modifier refuses: the unchanged input reaches the output, its
    // region of interest included.
    pA->setParameters({{FAIL, true}});
    pB->setParameters({{FAIL, true}});
    processor.execute({{"IMG", &input}}, {{"OUT", &output}}, parameters.map);
    EXPECT_EQ(elementsOf(output.getRasterReadOnly()), (std::vector<unsigned char>{1, 2, 3, 4}));
    EXPECT_EQ(output.getRasterReadOnly()->getRoi(), QRectF(0.0, 0.5, 1.0, 0.5));

    // Wrong map sizes fail at once with the step's expression.
    EXPECT_ASSERTION(processor.execute({{"IMG", &input}}, {{"OUT", &output}}, {}),
                     "mapImageNameToInputImageObject.size() == 1 && mapImageNameToOutputImageObject.size() == 1 && "
                     "mapParameterNameToParameterObject.size() == 2");
    // An input of another element type reaches the buffer copy as null.
    ImageObject floatInput("IMG");
    floatInput.setRaster(new Raster2d<float>(2, 2), true);
    EXPECT_ASSERTION(processor.execute({{"IMG", &floatInput}}, {{"OUT", &output}}, parameters.map),
                     "pTemplateRaster");
}
