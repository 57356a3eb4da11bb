#include "ImageModifierBase.h"
#include "ImageObject.h"
#include "ImagePipeline.h"
#include "ImagePipelineFactoryBase.h"
#include "ImagePipelineManager.h"
#include "ImageProcessorBase.h"
#include "ObjectRoot.h"
#include "ParameterObject.h"
#include "Raster2d.h"
#include "TestSupport.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <chrono>
#include <vector>

namespace
{
const QString VALUE = QStringLiteral("VALUE");
const QString THROW = QStringLiteral("THROW");
const QString MODIFIER_FILL = QStringLiteral("MODIFIER_FILL");

// What the test processor saw, shared with the test body across threads.
struct RunLog
{
    std::mutex mutex;
    std::condition_variable condition;
    bool bGateOpen = true;
    std::atomic<int> nStarted{0};
    std::atomic<int> nActive{0};
    std::atomic<int> nMaxActive{0};
    std::vector<int> vValues;
    std::atomic<bool> bProcessorDeleted{false};

    void closeGate()
    {
        std::lock_guard<std::mutex> lock(mutex);
        bGateOpen = false;
    }
    void openGate()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            bGateOpen = true;
        }
        condition.notify_all();
    }
    void waitAtGate()
    {
        std::unique_lock<std::mutex> lock(mutex);
        condition.wait(lock, [this] { return bGateOpen; });
    }
    std::vector<int> values()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return vValues;
    }
};

// Reads "VALUE" from its parameter clone, waits at the gate, then fills every
// output with input + value (or just the value when there is no input).
// "THROW" = true makes it throw after the gate.
class GatedProcessor : public ImageProcessorBase
{
public:
    explicit GatedProcessor(RunLog& log)
        : ImageProcessorBase(QStringLiteral("PIPELINE_TEST"))
        , m_log(log)
    {
    }
    ~GatedProcessor() override { m_log.bProcessorDeleted = true; }

    void process(ImageObjectMap mapInputs, ImageObjectMap mapOutputs, ParameterObjectMap mapParameters) override
    {
        const int nActive = ++m_log.nActive;
        int nMax = m_log.nMaxActive;
        while (nActive > nMax && !m_log.nMaxActive.compare_exchange_weak(nMax, nActive))
        {
        }
        ++m_log.nStarted;
        struct Leave
        {
            RunLog& log;
            ~Leave() { --log.nActive; }
        } leave{m_log};

        int nValue = -1;
        bool bThrow = false;
        if (!mapParameters.empty())
        {
            const ParameterObject::ParameterMap parameters = mapParameters.begin()->second->getParameters();
            if (parameters.count(VALUE))
            {
                nValue = parameters.at(VALUE).toInt();
            }
            bThrow = parameters.count(THROW) && parameters.at(THROW).toBool();
        }
        {
            std::lock_guard<std::mutex> lock(m_log.mutex);
            m_log.vValues.push_back(nValue);
        }
        m_log.waitAtGate();
        if (bThrow)
        {
            throw std::runtime_error("test failure inside the run");
        }
        int nBase = 0;
        if (!mapInputs.empty())
        {
            auto* pIn = dynamic_cast<const Raster2d<unsigned char>*>(mapInputs.begin()->second->getRasterReadOnly());
            nBase = pIn ? pIn->getData()[0] : 0;
        }
        for (auto& entry : mapOutputs)
        {
            auto* pOut = dynamic_cast<Raster2d<unsigned char>*>(entry.second->getRaster());
            if (!pOut)
            {
                pOut = new Raster2d<unsigned char>(2, 2);
                entry.second->setRaster(pOut, true);
            }
            pOut->fill(static_cast<unsigned char>(nBase + nValue));
        }
    }

private:
    RunLog& m_log;
};

class FillModifier : public ImageModifierBase
{
public:
    FillModifier()
        : ImageModifierBase(MODIFIER_FILL)
    {
    }
    ParameterMap getDefaultParameters() const override { return {{VALUE, 7}}; }
};

ImageObject* addImage(const QString& sName, unsigned char value, bool bWithRaster = true)
{
    auto* pImage = new ImageObject(sName);
    if (bWithRaster)
    {
        auto* pRaster = new Raster2d<unsigned char>(2, 2);
        pRaster->fill(value);
        pImage->setRaster(pRaster, true);
    }
    EXPECT_TRUE(ObjectRoot::getInstance()->addChild(pImage));
    return pImage;
}

ParameterObject* addParameters(const QString& sName, int nValue)
{
    auto* pParameters = new ParameterObject(sName);
    pParameters->setParameters({{VALUE, nValue}});
    EXPECT_TRUE(ObjectRoot::getInstance()->addChild(pParameters));
    return pParameters;
}

unsigned char firstElement(const QString& sName)
{
    auto* pImage = ObjectRoot::getInstance()->findChild<ImageObject*>(sName);
    if (!pImage)
    {
        ADD_FAILURE() << "no image " << sName.toStdString();
        return 0;
    }
    auto* pRaster = dynamic_cast<const Raster2d<unsigned char>*>(pImage->getRasterReadOnly());
    if (!pRaster)
    {
        ADD_FAILURE() << "no 8-bit raster in " << sName.toStdString();
        return 0;
    }
    return pRaster->getData()[0];
}

class PipelineRuntimeTest : public ::testing::Test
{
protected:
    void SetUp() override { ObjectRoot::getInstance()->clear(); }
    void TearDown() override
    {
        m_log.openGate();
        m_pPipeline.reset();
        ObjectRoot::getInstance()->clear();
    }

    // A pipeline IN -> OUT with the parameter object P.
    ImagePipeline* makePipeline(const QStringList& slInputs = {"IN"}, const QStringList& slOutputs = {"OUT"},
                                const QStringList& slParameters = {"P"})
    {
        m_pPipeline.reset(new ImagePipeline("PIPE", slInputs, slOutputs, slParameters, new GatedProcessor(m_log)));
        return m_pPipeline.get();
    }

    bool waitIdle()
    {
        const bool bIdle = QTest::qWaitFor(
            [&] { return !m_pPipeline->isCurrentlyBusy() && !m_pPipeline->isTryAgainLater(); }, 5000);
        QCoreApplication::processEvents();
        return bIdle;
    }

    bool waitStarted(int nRuns)
    {
        return QTest::qWaitFor([&] { return m_log.nStarted >= nRuns; }, 5000);
    }

    RunLog m_log;
    std::unique_ptr<ImagePipeline> m_pPipeline;
};
} // namespace

TEST_F(PipelineRuntimeTest, TenChangesDuringARunGiveExactlyOneMoreRunWithTheNewestValues)
{
    addImage("IN", 100);
    addImage("OUT", 0);
    ParameterObject* pParameters = addParameters("P", 1);
    ImagePipeline* pPipeline = makePipeline();

    // Which run had started when the output came back into the tree.
    std::vector<int> vStartedAtReturn;
    QObject::connect(ObjectRoot::getInstance(), &ObjectRoot::signalChildAdded, pPipeline,
                     [&](const QString& sName) {
                         if (sName == "OUT")
                         {
                             vStartedAtReturn.push_back(m_log.nStarted);
                         }
                     });

    m_log.closeGate();
    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitStarted(1));
    EXPECT_TRUE(pPipeline->isCurrentlyBusy());
    EXPECT_EQ(ObjectRoot::getInstance()->findChild<ImageObject*>("OUT"), nullptr) << "output must be out of the tree";

    for (int i = 2; i <= 11; ++i)
    {
        pParameters->setParameters({{VALUE, i}});
    }
    EXPECT_TRUE(pPipeline->isTryAgainLater());
    m_log.openGate();
    ASSERT_TRUE(waitIdle());

    EXPECT_EQ(m_log.nStarted, 2);
    EXPECT_EQ(m_log.nMaxActive, 1);
    EXPECT_EQ(m_log.values(), (std::vector<int>{1, 11}));
    EXPECT_EQ(vStartedAtReturn, (std::vector<int>{1, 2}));
    EXPECT_EQ(firstElement("OUT"), 111);
}

TEST_F(PipelineRuntimeTest, OutputsLeaveAndReturnInNameOrderWithSignals)
{
    addImage("IN", 1);
    addImage("OUT_B", 0);
    addImage("OUT_A", 0);
    addParameters("P", 2);
    ImagePipeline* pPipeline = makePipeline({"IN"}, {"OUT_B", "OUT_A"});

    QStringList slEvents;
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    QObject::connect(pRoot, &ObjectRoot::signalChildRemoved, pPipeline,
                     [&](const QString& s) { slEvents << "-" + s; });
    QObject::connect(pRoot, &ObjectRoot::signalChildAdded, pPipeline, [&](const QString& s) { slEvents << "+" + s; });

    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(slEvents, (QStringList{"-OUT_A", "-OUT_B", "+OUT_A", "+OUT_B"}));
    EXPECT_EQ(firstElement("OUT_A"), 3);
    EXPECT_EQ(firstElement("OUT_B"), 3);
}

TEST_F(PipelineRuntimeTest, RequestsWhileDisabledAreOwedToTheNextEnabling)
{
    addImage("IN", 10);
    addImage("OUT", 0);
    ParameterObject* pParameters = addParameters("P", 1);
    ImagePipeline* pPipeline = makePipeline();
    QSignalSpy canceled(pPipeline, &ImagePipeline::signalProcessingCanceled);

    // The first enabling runs even without a request.
    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(m_log.nStarted, 1);

    pPipeline->setEnabled(false);
    pParameters->setParameters({{VALUE, 5}});
    pParameters->setParameters({{VALUE, 6}});
    EXPECT_EQ(canceled.count(), 2);
    EXPECT_TRUE(pPipeline->isTryAgainLater());
    QCoreApplication::processEvents();
    EXPECT_EQ(m_log.nStarted, 1) << "a disabled pipeline must not run";

    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(m_log.nStarted, 2);
    EXPECT_EQ(m_log.values().back(), 6);
    EXPECT_EQ(firstElement("OUT"), 16);

    // Enabling again with nothing owed does not run.
    pPipeline->setEnabled(false);
    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(m_log.nStarted, 2);
}

TEST_F(PipelineRuntimeTest, EnablingANewPipelineAndRequestingAtOnceRunsTwice)
{
    addImage("IN", 0);
    addImage("OUT", 0);
    addParameters("P", 1);
    ImagePipeline* pPipeline = makePipeline();
    pPipeline->setEnabled(true);
    pPipeline->process();
    EXPECT_TRUE(pPipeline->isTryAgainLater());
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(m_log.nStarted, 2);
    EXPECT_EQ(m_log.nMaxActive, 1);
}

TEST_F(PipelineRuntimeTest, DisablingWhileBusyOrOwingFails)
{
    addImage("IN", 0);
    addImage("OUT", 0);
    addParameters("P", 1);
    ImagePipeline* pPipeline = makePipeline();
    m_log.closeGate();
    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitStarted(1));
    EXPECT_ASSERTION(pPipeline->setEnabled(false), "!m_bCurrentlyBusy && !m_bTryAgainLater");
    m_log.openGate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pPipeline->isCurrentlyBusy(); }, 5000));
    EXPECT_FALSE(pPipeline->isEnabled());
    // Idle and owing nothing: disabling is fine.
    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitIdle());
    pPipeline->setEnabled(false);
    EXPECT_FALSE(pPipeline->isEnabled());
}

TEST_F(PipelineRuntimeTest, AnExceptionInARunIsLoggedAndTheRunEndsNormally)
{
    LogCapture log;
    addImage("IN", 0);
    ImageObject* pOut = addImage("OUT", 42);
    ParameterObject* pParameters = new ParameterObject("P");
    pParameters->setParameters({{VALUE, 1}, {THROW, true}});
    ASSERT_TRUE(ObjectRoot::getInstance()->addChild(pParameters));
    ImagePipeline* pPipeline = makePipeline();

    m_log.closeGate();
    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitStarted(1));
    // A request during the failing run is still served afterwards.
    pParameters->setParameters({{VALUE, 9}});
    m_log.openGate();
    ASSERT_TRUE(waitIdle());

    EXPECT_EQ(m_log.nStarted, 2);
    EXPECT_EQ(log.count("ERROR"), 1);
    EXPECT_TRUE(log.lines().join("\n").contains("test failure inside the run")) << log.lines().join("\n").toStdString();
    // The output is back in the tree with the raster it had.
    EXPECT_EQ(ObjectRoot::getInstance()->findChild<ImageObject*>("OUT"), pOut);
    EXPECT_EQ(firstElement("OUT"), 9);
    EXPECT_FALSE(pPipeline->isCurrentlyBusy());
}

TEST_F(PipelineRuntimeTest, MissingObjectsBlockQuietlyAndOwnOutputsNeverTrigger)
{
    addImage("IN", 0);
    ParameterObject* pParameters = addParameters("P", 1);
    ImagePipeline* pPipeline = makePipeline();
    pPipeline->setEnabled(true);
    EXPECT_FALSE(pPipeline->isCurrentlyBusy());
    EXPECT_FALSE(pPipeline->isTryAgainLater()) << "a request without outputs is dropped, not owed";

    // The output appearing does not start the pipeline ...
    addImage("OUT", 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_log.nStarted, 0);
    // ... the next parameter change does.
    pParameters->setParameters({{VALUE, 2}});
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(m_log.nStarted, 1);

    // An input without a raster blocks the run too.
    delete ObjectRoot::getInstance()->findChild<ImageObject*>("IN");
    addImage("IN", 0, false);
    EXPECT_FALSE(pPipeline->isCurrentlyBusy());
    pParameters->setParameters({{VALUE, 3}});
    EXPECT_FALSE(pPipeline->isCurrentlyBusy());
    QCoreApplication::processEvents();
    EXPECT_EQ(m_log.nStarted, 1);
}

TEST_F(PipelineRuntimeTest, APipelineWithoutInputsRunsOnAnyRequest)
{
    addImage("OUT", 0);
    addParameters("P", 4);
    ImagePipeline* pPipeline = makePipeline({}, {"OUT"});
    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(m_log.nStarted, 1);
    EXPECT_EQ(firstElement("OUT"), 4);
}

TEST_F(PipelineRuntimeTest, ReplacedParameterObjectIsRebound)
{
    addImage("IN", 0);
    addImage("OUT", 0);
    ParameterObject* pOld = addParameters("P", 1);
    ImagePipeline* pPipeline = makePipeline();
    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitIdle());

    delete pOld; // leaves the tree with a signalled removal
    addParameters("P", 20);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(m_log.nStarted, 2);
    EXPECT_EQ(m_log.values().back(), 20);
}

TEST_F(PipelineRuntimeTest, DeletedObjectsTakenOutSilentlyAreNeverReached)
{
    addImage("IN", 0);
    addImage("OUT", 0);
    ParameterObject* pParameters = addParameters("P", 1);
    ImagePipeline* pPipeline = makePipeline();
    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitIdle());

    // A silent removal does not unbind; deleting the object afterwards must
    // not leave a dangling binding behind.
    ObjectRoot::getInstance()->removeChild(pParameters, true);
    delete pParameters;
    pPipeline->process();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(m_log.nStarted, 2);
    EXPECT_EQ(m_log.values().back(), -1) << "the run must see no parameter object";
}

TEST_F(PipelineRuntimeTest, AnOutputReplacedUnderItsNameIsTheOneWritten)
{
    addImage("IN", 10);
    QPointer<ImageObject> pFirst = addImage("OUT", 0);
    ParameterObject* pParameters = addParameters("P", 1);
    ImagePipeline* pPipeline = makePipeline();
    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitIdle());

    // Taken out silently (the pipeline is not told) and replaced.
    ObjectRoot::getInstance()->removeChild(pFirst, true);
    ImageObject* pSecond = addImage("OUT", 0);
    pParameters->setParameters({{VALUE, 5}});
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(m_log.nStarted, 2);
    EXPECT_EQ(ObjectRoot::getInstance()->findChild<ImageObject*>("OUT"), pSecond);
    EXPECT_EQ(firstElement("OUT"), 15);
    ASSERT_FALSE(pFirst.isNull());
    auto* pFirstRaster = dynamic_cast<const Raster2d<unsigned char>*>(pFirst->getRasterReadOnly());
    ASSERT_NE(pFirstRaster, nullptr);
    EXPECT_EQ(pFirstRaster->getData()[0], 11) << "written once, by the first run only";
    delete pFirst;
}

TEST_F(PipelineRuntimeTest, AnOutputTheTreeRefusesIsLoggedAndDeleted)
{
    LogCapture log;
    addImage("IN", 0);
    QPointer<ImageObject> pOut = addImage("OUT", 0);
    addParameters("P", 1);
    ImagePipeline* pPipeline = makePipeline();
    m_log.closeGate();
    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitStarted(1));

    // While the run is in flight another object takes the name.
    ImageObject* pIntruder = addImage("OUT", 77);
    m_log.openGate();
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(pOut.isNull()) << "the refused output must be deleted, not leaked";
    EXPECT_EQ(ObjectRoot::getInstance()->findChild<ImageObject*>("OUT"), pIntruder);
    EXPECT_EQ(log.count("ERROR"), 1);

    // The next run writes the object now in the tree.
    pPipeline->process();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(firstElement("OUT"), 1);
}

TEST_F(PipelineRuntimeTest, DestructionWaitsForTheRunAndDeletesOutputsOutOfTheTree)
{
    addImage("IN", 0);
    QPointer<ImageObject> pOut = addImage("OUT", 0);
    addParameters("P", 1);
    ImagePipeline* pPipeline = makePipeline();
    m_log.closeGate();
    pPipeline->setEnabled(true);
    ASSERT_TRUE(waitStarted(1));
    ASSERT_FALSE(pOut.isNull());

    // Open the gate a little later, from another thread, while the
    // destructor waits.
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        m_log.openGate();
    });
    m_pPipeline.reset();
    opener.join();
    EXPECT_TRUE(m_log.bProcessorDeleted);
    EXPECT_EQ(m_log.nActive, 0) << "the processor must outlive its run";
    EXPECT_TRUE(pOut.isNull());
    EXPECT_EQ(ObjectRoot::getInstance()->findChild<ImageObject*>("OUT"), nullptr);
}

TEST_F(PipelineRuntimeTest, ClonesBearTheNamesOfTheirOriginals)
{
    addImage("IN", 0);
    addImage("OUT", 0);
    addParameters("P", 1);
    QStringList slSeen;
    class NameProcessor : public ImageProcessorBase
    {
    public:
        explicit NameProcessor(QStringList& sl)
            : ImageProcessorBase("PIPELINE_TEST")
            , m_sl(sl)
        {
        }
        void process(ImageObjectMap mapIn, ImageObjectMap mapOut, ParameterObjectMap mapParameters) override
        {
            m_sl << mapIn.begin()->first << mapIn.begin()->second->objectName()
                 << mapParameters.begin()->second->objectName() << QString::number(mapOut.size());
            // Clones are out of the tree.
            m_sl << QString::number(mapIn.begin()->second->parent() == nullptr);
        }
        QStringList& m_sl;
    };
    m_pPipeline.reset(new ImagePipeline("PIPE", {"IN"}, {"OUT"}, {"P"}, new NameProcessor(slSeen)));
    m_pPipeline->setEnabled(true);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(slSeen, (QStringList{"IN", "IN", "P", "1", "1"}));
}

TEST_F(PipelineRuntimeTest, ASharedParameterObjectRequestsBothPipelines)
{
    addImage("IN", 0);
    addImage("OUT", 0);
    addImage("OUT2", 0);
    ParameterObject* pParameters = addParameters("P", 1);
    RunLog log2;
    ImagePipeline* pFirst = makePipeline();
    std::unique_ptr<ImagePipeline> pSecond(new ImagePipeline("PIPE2", {"IN"}, {"OUT2"}, {"P"}, new GatedProcessor(log2)));
    pFirst->setEnabled(true);
    pSecond->setEnabled(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pFirst->isCurrentlyBusy() && !pSecond->isCurrentlyBusy(); }, 5000));
    pParameters->setParameters({{VALUE, 3}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pFirst->isCurrentlyBusy() && !pSecond->isCurrentlyBusy(); }, 5000));
    EXPECT_EQ(m_log.nStarted, 2);
    EXPECT_EQ(log2.nStarted, 2);
    EXPECT_EQ(firstElement("OUT2"), 3);
}

TEST(PipelineManagerTest, RegistersRunsAndHandsBackPipelinesByName)
{
    ObjectRoot::getInstance()->clear();
    RunLog log;
    ImagePipelineManager* pManager = ImagePipelineManager::getInstance();
    EXPECT_ASSERTION(pManager->addPipeline(nullptr), "pPipeline");
    auto* pPipeline = new ImagePipeline("PIPE", {}, {"OUT"}, {}, new GatedProcessor(log));
    pManager->addPipeline(pPipeline);
    EXPECT_TRUE(pManager->hasPipeline("PIPE"));
    EXPECT_EQ(pManager->getPipeline("PIPE"), pPipeline);
    EXPECT_EQ(pManager->getPipeline("OTHER"), nullptr);

    auto* pSameName = new ImagePipeline("PIPE", {}, {"OUT"}, {}, new GatedProcessor(log));
    EXPECT_ASSERTION(pManager->addPipeline(pSameName), "it == m_mapPipelineNameToPipeline.end()");
    delete pSameName;

    const char* szUnknown = "it != m_mapPipelineNameToPipeline.end()";
    EXPECT_ASSERTION(pManager->enablePipeline("OTHER"), szUnknown);
    EXPECT_ASSERTION(pManager->disablePipeline("OTHER"), szUnknown);
    EXPECT_ASSERTION(pManager->processPipeline("OTHER"), szUnknown);
    EXPECT_ASSERTION(pManager->removePipeline("OTHER"), szUnknown);

    addImage("OUT", 0);
    pManager->enablePipeline("PIPE");
    EXPECT_TRUE(pPipeline->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pPipeline->isCurrentlyBusy(); }, 5000));
    EXPECT_EQ(log.nStarted, 1);
    pManager->processPipeline("PIPE");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pPipeline->isCurrentlyBusy(); }, 5000));
    EXPECT_EQ(log.nStarted, 2);
    pManager->disablePipeline("PIPE");
    EXPECT_FALSE(pPipeline->isEnabled());

    EXPECT_EQ(pManager->removePipeline("PIPE"), pPipeline);
    EXPECT_FALSE(pManager->hasPipeline("PIPE"));
    delete pPipeline;
    ObjectRoot::getInstance()->clear();
}

TEST(PipelineFactoryTest, NewParameterObjectsCarryDefaultsWhenTheyEnterTheTree)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    pRoot->clear();
    RunLog log;
    GatedProcessor processor(log);
    processor.setModifier(new FillModifier());

    ParameterObject::ParameterMap mapAtAddition;
    QObject context; // ends the connection with the test
    QObject::connect(pRoot, &ObjectRoot::signalChildAdded, &context, [&](const QString& sName) {
        if (auto* p = pRoot->findChild<ParameterObject*>(sName))
        {
            mapAtAddition = p->getParameters();
        }
    });
    QStringList slNames;
    ImagePipelineFactoryBase::createParameterObject(MODIFIER_FILL, "IMG", slNames, &processor);
    EXPECT_EQ(slNames, QStringList{"IMG/MODIFIER_FILL/0"});
    EXPECT_EQ(mapAtAddition, (ParameterObject::ParameterMap{{VALUE, 7}}));

    // An existing object is reused unchanged; the name is appended again.
    auto* pExisting = pRoot->findChild<ParameterObject*>("IMG/MODIFIER_FILL/0");
    ASSERT_NE(pExisting, nullptr);
    pExisting->setParameters({{VALUE, 99}});
    ImagePipelineFactoryBase::createParameterObject(MODIFIER_FILL, "IMG", slNames, &processor);
    EXPECT_EQ(slNames, (QStringList{"IMG/MODIFIER_FILL/0", "IMG/MODIFIER_FILL/0"}));
    EXPECT_EQ(pExisting->getParameters().at(VALUE).toInt(), 99);

    EXPECT_ASSERTION(ImagePipelineFactoryBase::createParameterObject("MODIFIER_NONE", "IMG", slNames, &processor),
                     "pModifier");
    EXPECT_EQ(pRoot->findChild<ParameterObject*>("IMG/MODIFIER_NONE/0"), nullptr);
    pRoot->clear();
}

TEST(PipelineFactoryTest, GetObjectsTakesOutputsAndParametersOutOfTheTree)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    pRoot->clear();
    RunLog log;
    ImageObject* pOut = addImage("OUT", 0);
    ParameterObject* pParameters = addParameters("P", 1);
    // "MISSING" is absent; "WRONG" is held by a parameter object, not an image.
    addParameters("WRONG", 1);
    ImagePipeline pipeline("PIPE", {"IN"}, {"OUT", "MISSING", "WRONG"}, {"P"}, new GatedProcessor(log));
    QSignalSpy removed(pRoot, &ObjectRoot::signalChildRemoved);

    ImagePipelineFactoryBase factory;
    std::vector<ParameterObject*> vParameters;
    std::vector<ImageObject*> vImages;
    factory.getObjects(&pipeline, vParameters, vImages);
    EXPECT_EQ(vImages, (std::vector<ImageObject*>{pOut, nullptr, nullptr}));
    EXPECT_EQ(vParameters, std::vector<ParameterObject*>{pParameters});
    EXPECT_EQ(removed.count(), 2);
    EXPECT_EQ(pOut->parent(), nullptr);
    EXPECT_NE(pRoot->findChild<ParameterObject*>("WRONG"), nullptr);
    delete pOut;
    delete pParameters;
    pRoot->clear();
}

TEST(PipelineRuntimeFailureTest, ARunThatCannotStartLeavesTheTreeWhole)
{
    ObjectRoot* pRoot = ObjectRoot::getInstance();
    pRoot->clear();
    ImageObject* pOut = addImage("OUT", 5);
    ImagePipeline pipeline("PIPE", {}, {"OUT"}, {}, nullptr);
    QSignalSpy removed(pRoot, &ObjectRoot::signalChildRemoved);
    QSignalSpy added(pRoot, &ObjectRoot::signalChildAdded);
    // Enabling starts the first run, which fails before the task starts.
    EXPECT_ASSERTION(pipeline.setEnabled(true), "m_pImageProcessorBase");
    EXPECT_FALSE(pipeline.isCurrentlyBusy());
    EXPECT_EQ(pRoot->findChild<ImageObject*>("OUT"), pOut);
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(added.count(), 1);
    // Not stuck busy: the next request tries again.
    EXPECT_ASSERTION(pipeline.process(), "m_pImageProcessorBase");
    EXPECT_FALSE(pipeline.isCurrentlyBusy());
    EXPECT_EQ(pRoot->findChild<ImageObject*>("OUT"), pOut) << "the output must go back into the tree";
    pRoot->clear();
}
