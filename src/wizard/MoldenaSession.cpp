#include "MoldenaSession.h"

#include "Application.h"
#include "HelpWidget.h"
#include "Identifiers.h"
#include "ImagePipelineManager.h"
#include "Logger.h"
#include "MeshIO.h"
#include "MoldenaResources.h"
#include "ObjectNaming.h"
#include "State.h"
#include "StateGenerationFactory.h"
#include "StateImplementationDecorationSteps.h"
#include "StateImplementationMeshGenerationCallback.h"
#include "StateImplementationMeshSteps.h"
#include "StateMachine.h"
#include "TitleDialog.h"
#include "Wizard.h"
#include "WizardPageFactories.h"
#include "WorkflowIdentifiers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QStandardPaths>
#include <QThreadPool>
#include <QTimer>

namespace
{
// The help document of each context: a state name, or a chapter and a step.
void registerHelpDocuments()
{
    const std::pair<QString, const char*> documents[] = {
        {UP, "GoBack.html"},
        {FRONT, "CreateTheFrontSide.html"},
        {BACK, "CreateTheBackSide.html"},
        {CONSTRUCT_MESH, "GenerateTheComposite.html"},
        {SHAPE, "DesignTheShape.html"},
        {PROFILE, "DesignTheSurfaceProfile.html"},
        {BEVEL, "GenerateTheSurface.html"},
        {DECORATIONS, "AddDecorationElements.html"},
        {COMPOSITION, "ComposeSurfaceAndDecorations.html"},
        {joinQualifiedName(SHAPE, LOAD), "LoadAnImage_Shape.html"},
        {joinQualifiedName(SHAPE, TRANSFORM), "RotateAndScale_Shape.html"},
        {joinQualifiedName(SHAPE, THRESHOLD), "FilterAndThreshold_Shape.html"},
        {joinQualifiedName(SHAPE, PAINT), "PaintAndErase_Shape.html"},
        {joinQualifiedName(PROFILE, LOAD), "LoadAnImage_Profile.html"},
        {joinQualifiedName(PROFILE, TRANSFORM), "RotateAndScale_Profile.html"},
        {joinQualifiedName(PROFILE, THRESHOLD), "FilterAndThreshold_Profile.html"},
        {joinQualifiedName(PROFILE, PAINT), "PaintAndErase_Profile.html"},
        {joinQualifiedName(PROFILE, HEIGHT_HISTOGRAM), "TheHeightProfile_Profile.html"},
        {joinQualifiedName(DECORATION, LOAD), "LoadAnImage_Decoration.html"},
        {joinQualifiedName(DECORATION, TRANSFORM), "RotateAndScale_Decoration.html"},
        {joinQualifiedName(DECORATION, THRESHOLD), "FilterAndThreshold_Decoration.html"},
        {joinQualifiedName(DECORATION, PAINT), "PaintAndErase_Decoration.html"},
        {joinQualifiedName(DECORATION, PRESET_BEVEL), "TheEngravingStyle_Decoration.html"},
        {DECORATION_ADD, "AddANewDecorationElement.html"},
        {DECORATION_EDIT, "ModifyExistingDecorationElements.html"},
        {DECORATION_DELETE, "DeleteDecorationElements.html"},
        {DECORATION_ELEMENT_DELETE, "DeleteDecorationElement.html"},
        {COMPONENT_PARTIAL_CLONE, "CreateOrEditBackSide.html"},
        {COMPONENT_FULL_CLONE, "CopyFrontToBackAndEdit.html"},
        {MESH_GENERATION, "ComputeThe3dObjectSurface.html"},
        {MESH_HOOKS, "AddHooksToThe3dObject.html"},
        {MESH_EXPORT, "SaveThe3dObject.html"},
    };
    for (const auto& [sContext, szDocument] : documents)
    {
        HelpWidget::registerDocument(sContext, QLatin1String(szDocument));
    }
}

// The page factories, each under the run-time type names of the steps it
// serves; the three selection steps share one factory.
void registerPageFactories(Wizard* pWizard, StateImplementationMeshGeneration::Callback* pCallback)
{
    auto* pOptionSelection = new WizardPageFactoryOptionSelectionBase();
    auto* pDepthComposition = new WizardPageFactoryDepthCompositionBase();
    auto* pHeightHistogram = new WizardPageFactoryImageHeightHistogramBase();
    auto* pImageLoad = new WizardPageFactoryImageLoadBase();
    auto* pImagePaint = new WizardPageFactoryImagePaintBase();
    auto* pPresetBevel = new WizardPageFactoryPresetBevelBase();
    auto* pImageThreshold = new WizardPageFactoryImageThresholdBase();
    auto* pImageTransform = new WizardPageFactoryImageTransformBase();
    auto* pVoxelRender = new WizardPageFactoryVoxelRenderBase();
    auto* pMeshGeneration = new WizardPageFactoryMeshGeneration();
    auto* pMeshHooks = new WizardPageFactoryMeshHooks();
    auto* pMeshExport = new WizardPageFactoryMeshExport();

    pWizard->registerFactory(Wizard::getTypeName<StateImplementationDecorationDelete>(), pOptionSelection);
    pWizard->registerFactory(Wizard::getTypeName<StateImplementationDecorationEdit>(), pOptionSelection);
    pWizard->registerFactory(Wizard::getTypeName<StateImplementationOptionSelection>(), pOptionSelection);
    pWizard->registerFactory(Wizard::getTypeName<StateImplementationImagingComposition>(), pDepthComposition);
    pWizard->registerFactory(Wizard::getTypeName<StateImplementationImagingHeightHistogram>(), pHeightHistogram);
    pWizard->registerFactory(Wizard::getTypeName<StateImplementationImagingLoadImage>(), pImageLoad);
    pWizard->registerFactory(Wizard::getTypeName<StateImplementationImagingPaint>(), pImagePaint);
    pWizard->registerFactory(Wizard::getTypeName<StateImplementationImagingPresetBevel>(), pPresetBevel);
    pWizard->registerFactory(Wizard::getTypeName<StateImplementationImagingThreshold>(), pImageThreshold);
    pWizard->registerFactory(Wizard::getTypeName<StateImplementationImagingTransformImage>(), pImageTransform);
    pWizard->registerFactory(Wizard::getTypeName<StateImplementationImagingBevel>(), pVoxelRender);
    pWizard->registerFactory(Wizard::getTypeName<StateImplementationMeshGeneration>(), pMeshGeneration);
    StateImplementationMeshGeneration::setCallback(pCallback);
    pWizard->registerFactory(Wizard::getTypeName<StateImplementationMeshHooks>(), pMeshHooks);
    pWizard->registerFactory(Wizard::getTypeName<StateImplementationMeshExport>(), pMeshExport);
}

void installFontsAndStyleSheet()
{
    for (const QString& sFont : fontResources())
    {
        QFile file(sFont);
        if (file.open(QIODevice::ReadOnly))
        {
            QFontDatabase::addApplicationFontFromData(file.readAll());
        }
    }
    QFile styleSheet(QStringLiteral(":/style.css"));
    if (styleSheet.open(QIODevice::ReadOnly))
    {
        // Up to the first zero byte: nothing after it is style.
        const QByteArray bytes = styleSheet.readAll();
        qApp->setStyleSheet(QString::fromUtf8(bytes.constData()));
    }
}
} // namespace

QString MoldenaSession::getDefaultDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Moldena");
}

QString MoldenaSession::getLogFileName(const QString& sDataFolder)
{
    return sDataFolder + QStringLiteral("/MoldenaLog.txt");
}

MoldenaSession::MoldenaSession(const QString& sDataFolder, bool bShowMaximized)
    : m_pCallback(std::make_unique<StateImplementationMeshGenerationCallback>())
{
    const QString sFolder = sDataFolder.isEmpty() ? getDefaultDataFolder() : sDataFolder;
    if (!QFileInfo::exists(sFolder))
    {
        QDir().mkpath(sFolder);
    }
    const QString sLogFile = getLogFileName(sFolder);
    if (QFileInfo::exists(sLogFile))
    {
        QFile::remove(sLogFile);
    }
    Logger::getInstance()->setLogFile(sLogFile);

    m_pWizard = new Wizard();
    registerPageFactories(m_pWizard, m_pCallback.get());
    registerHelpDocuments();

    StateMachine* pMachine = StateMachine::getInstance();
    pMachine->createRootState();
    StateGenerationFactoryArtifact().generate(pMachine->getRootState()->getUid(), 0, 0);

    m_pMainWindow = std::make_unique<QMainWindow>();
    m_pMainWindow->setWindowTitle(QStringLiteral("%1 %2").arg(Application::PRODUCT_NAME, Application::VERSION));
    m_pMainWindow->setCentralWidget(m_pWizard);
    if (bShowMaximized)
    {
        // Without a window manager "maximized" means nothing: fill the screen.
        if (const QScreen* pScreen = QGuiApplication::primaryScreen())
        {
            m_pMainWindow->setGeometry(pScreen->availableGeometry());
        }
        m_pMainWindow->showMaximized();
    }
    else
    {
        m_pMainWindow->resize(1280, 900);
        m_pMainWindow->show();
    }
    QTimer::singleShot(0, pMachine, &StateMachine::start);

    MeshIO::registerHookResources();
    initMoldenaResources();
    installFontsAndStyleSheet();
    TitleDialog::setYear(Application::YEAR);
    TitleDialog::setVersion(Application::VERSION);
}

MoldenaSession::~MoldenaSession()
{
    waitForWorkers();
    m_pMainWindow.reset();
    StateImplementationMeshGeneration::setCallback(nullptr);
}

void MoldenaSession::waitForWorkers()
{
    QThreadPool::globalInstance()->waitForDone();
    if (const State* pRoot = StateMachine::getInstance()->getRootState())
    {
        for (const State* pState : pRoot->findChildren<State*>())
        {
            if (auto* pGeneration = dynamic_cast<StateImplementationMeshGeneration*>(pState->getImplementation()))
            {
                pGeneration->waitForGeneration();
            }
        }
    }
}
