// Drawing times of the mesh preview with the meshes a user gets by default: a
// generated body of 128 000 vertices (a domed disc, front and back) and one
// hook from the library, then their merge.
//
//   hooks view:  the body and the hook as the hooks page shows them
//     compile   making the display lists (once per context)
//     draw      one frame drawn into the preview's framebuffer, finished
//     frame     a turn of the view to the frame on the screen (queued
//               repaint, draw, composition), as while a slider moves
//   export page: from entering the page to its first frame on the screen,
//     first when the page is built, then when it is shown again (a new
//     context: the list of the merged mesh is compiled again); the merge
//     that leaving the hooks step runs before is timed on its own.
//
// A small timing program, not a Google Benchmark: frames need the event loop
// and a display. Run it under xvfb-run with the xcb platform:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/wizard/MeshPreviewBench
// Optional argument: the side of the preview in pixels (default 640).

#include "DomeHeights.h"
#include "MeshGenerator.h"
#include "MeshIO.h"
#include "MeshLookup.h"
#include "MeshMerger.h"
#include "MeshObject.h"
#include "MeshRenderWidget.h"
#include "ObjectRoot.h"
#include "Scene.h"
#include "StateImplementationMeshSteps.h"
#include "StateMachine.h"
#include "WizardPageMeshExport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QTest>
#include <QVBoxLayout>

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace
{
// The preview with its frame drawing reachable.
class ProbedPreview : public MeshRenderWidget
{
public:
    using MeshRenderWidget::MeshRenderWidget;
    using MeshRenderWidget::paintGL;
};

double milliseconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

struct Figures
{
    double dMedian = 0;
    double dMax = 0;
};

Figures summarise(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.back()};
}

// A disc of radius 0.45 side domed 40 high in front and 10 behind: about
// 138 000 vertices before decimation at this side.
bool generateBody(unsigned nSide)
{
    std::vector<float> front = domeHeights(nSide, 0.45, 40.0f, 1.0f);
    std::vector<float> back = domeHeights(nSide, 0.45, 10.0f, 1.0f);
    MeshGenerator::Image imageFront;
    imageFront.pData = front.data();
    imageFront.nWidth = imageFront.nHeight = nSide;
    MeshGenerator::Image imageBack = imageFront;
    imageBack.pData = back.data();
    auto* pBody = new MeshObject(QStringLiteral("MESH_GENERATED"));
    MeshGenerator::Parameters parameters;
    parameters.NumberOfVertices = 128000;
    parameters.NumberOfSmoothingSteps = 8;
    if (!MeshGenerator::generate(imageFront, imageBack, parameters, pBody))
    {
        delete pBody;
        return false;
    }
    return ObjectRoot::getInstance()->addChild(pBody, false);
}

// The first hook from the library, placed as the hooks step places it.
bool loadHook()
{
    return StateImplementationMeshHooks().loadHook(QStringLiteral(":/hooks/TorusFull.obj"));
}

// Runs pChange and waits for the next frame of the widget on the screen.
double timeToFrame(QOpenGLWidget* pWidget, const std::function<void()>& change)
{
    bool bSwapped = false;
    const QMetaObject::Connection connection =
        QObject::connect(pWidget, &QOpenGLWidget::frameSwapped, [&bSwapped] { bSwapped = true; });
    QElapsedTimer timer;
    timer.start();
    change();
    const bool bShown = QTest::qWaitFor([&bSwapped] { return bSwapped; }, 10000);
    const double dTime = milliseconds(timer);
    QObject::disconnect(connection);
    return bShown ? dTime : -1.0;
}

void benchHooksView(int nSide)
{
    QWidget window;
    auto* pLayout = new QVBoxLayout(&window);
    pLayout->setContentsMargins(0, 0, 0, 0);
    auto* pPreview = new ProbedPreview(Scene::getInstance(), {MeshObject::TYPE_GENERATED, MeshObject::TYPE_HOOK});
    pLayout->addWidget(pPreview);
    window.resize(nSide, nSide);
    const double dFirst = timeToFrame(pPreview, [&window] { window.show(); });
    pPreview->makeCurrent();
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    pPreview->doneCurrent();
    std::printf("hooks view, %d x %d: first frame %.1f ms\n", nSide, nSide, dFirst);

    std::vector<double> compile;
    std::vector<double> draw;
    for (int i = 0; i < 10; ++i)
    {
        pPreview->makeCurrent();
        QElapsedTimer timer;
        timer.start();
        const unsigned int nList = MeshRenderWidget::createDisplayList(Scene::getInstance()->getMeshDataGenerated());
        glFinish();
        compile.push_back(milliseconds(timer));
        glDeleteLists(nList, 1);
        pPreview->doneCurrent();
    }
    for (int i = 0; i < 30; ++i)
    {
        pPreview->makeCurrent();
        QElapsedTimer timer;
        timer.start();
        pPreview->paintGL();
        glFinish();
        draw.push_back(milliseconds(timer));
        pPreview->doneCurrent();
    }
    std::vector<double> frames;
    for (int i = 1; i <= 30; ++i)
    {
        frames.push_back(timeToFrame(pPreview, [pPreview, i] { pPreview->setRotation(3.0 * i, 2.0 * i); }));
    }
    const Figures c = summarise(compile);
    const Figures d = summarise(draw);
    const Figures f = summarise(frames);
    std::printf("  compile body list: median %.1f ms, max %.1f ms\n", c.dMedian, c.dMax);
    std::printf("  draw:              median %.1f ms, max %.1f ms\n", d.dMedian, d.dMax);
    std::printf("  turn to frame:     median %.1f ms, max %.1f ms\n", f.dMedian, f.dMax);
}

void benchExportPage(int nSide)
{
    QElapsedTimer timer;
    timer.start();
    const Scene* pScene = Scene::getInstance();
    MeshMerger::merge(QStringLiteral("MESH_MERGED"), pScene->getNameMeshGenerated(), pScene->getNamesHooks(), 50.0);
    std::printf("export page: merge %.1f ms\n", milliseconds(timer));

    // The page looks its step up in the state tree.
    StateMachine::getInstance()->createRootState();
    StateImplementationMeshExport step;
    QWidget window;
    auto* pLayout = new QVBoxLayout(&window);
    pLayout->setContentsMargins(0, 0, 0, 0);
    window.resize(nSide + 400, nSide);
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);

    WizardPageMeshExport* pPage = nullptr;
    const auto preview = [&pPage] { return pPage->findChild<QOpenGLWidget*>(); };
    QElapsedTimer built;
    built.start();
    pPage = new WizardPageMeshExport(&step);
    bool bSwapped = false;
    QObject::connect(preview(), &QOpenGLWidget::frameSwapped, [&bSwapped] { bSwapped = true; });
    pPage->enter();
    pLayout->addWidget(pPage);
    (void)QTest::qWaitFor([&bSwapped] { return bSwapped; }, 10000);
    std::printf("  built and entered to first frame: %.1f ms\n", milliseconds(built));

    std::vector<double> again;
    for (int i = 0; i < 5; ++i)
    {
        pPage->hide();
        pPage->setParent(nullptr);
        again.push_back(timeToFrame(preview(), [&] {
            pPage->enter();
            pLayout->addWidget(pPage);
            pPage->show();
        }));
    }
    const Figures a = summarise(again);
    std::printf("  entered again to first frame: median %.1f ms, max %.1f ms\n", a.dMedian, a.dMax);
    delete pPage;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    const int nSide = argc > 1 ? std::max(64, std::atoi(argv[1])) : 640;

    QElapsedTimer timer;
    timer.start();
    if (!generateBody(330) || !loadHook())
    {
        std::fprintf(stderr, "the meshes could not be made\n");
        return 1;
    }
    const Scene* pScene = Scene::getInstance();
    std::printf("body: %u vertices, %u faces (made in %.1f s); hook: %u vertices\n",
                pScene->getMeshDataGenerated()->getNumberOfVertices(),
                pScene->getMeshDataGenerated()->getNumberOfFaces(), milliseconds(timer) / 1000.0,
                pScene->getMeshDataHook(0)->getNumberOfVertices());
    benchHooksView(nSide);
    benchExportPage(nSide);
    return 0;
}
