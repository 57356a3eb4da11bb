#include "MeshRenderWidget.h"

#include "Logger.h"
#include "MeshData.h"
#include "MeshObject.h"
#include "MoldenaResources.h"
#include "Scene.h"
#include "SimpleException.h"

#include <QImage>
#include <QOpenGLContext>

#include <GL/gl.h>

#include <algorithm>

namespace
{
// What the box spans when no shown mesh sets the size: room for the overlays.
constexpr double EMPTY_VIEW_EXTENT = 60.0;

constexpr const char* TEXTURE_BATTERY = "battery";
constexpr const char* TEXTURE_SCALE = "scale";

// A textured quad of the given half sides, centred at the origin at z 0.
void drawQuad(double dHalfWidth, double dHalfHeight)
{
    glBegin(GL_QUADS);
    glTexCoord2d(0.0, 0.0);
    glVertex3d(-dHalfWidth, -dHalfHeight, 0.0);
    glTexCoord2d(1.0, 0.0);
    glVertex3d(dHalfWidth, -dHalfHeight, 0.0);
    glTexCoord2d(1.0, 1.0);
    glVertex3d(dHalfWidth, dHalfHeight, 0.0);
    glTexCoord2d(0.0, 1.0);
    glVertex3d(-dHalfWidth, dHalfHeight, 0.0);
    glEnd();
}

// A texture of the picture (rows bottom-up, as OpenGL counts them); 0 when
// the picture cannot be read.
GLuint createTexture(const QString& sPicture)
{
    const QImage picture(sPicture, "PNG");
    if (picture.isNull())
    {
        LOG_ERROR(QStringLiteral("The picture %1 could not be read").arg(sPicture));
        return 0;
    }
    const QImage image = picture.convertToFormat(QImage::Format_RGBA8888).mirrored();
    GLuint nTexture = 0;
    glGenTextures(1, &nTexture);
    glBindTexture(GL_TEXTURE_2D, nTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, image.width(), image.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.constBits());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return nTexture;
}
} // namespace

MeshRenderWidget::MeshRenderWidget(Scene* pScene, const QList<int>& listMeshKinds)
    : m_listMeshKinds(listMeshKinds)
    , m_pScene(pScene)
{
    // The overlay pictures live in the main bundle.
    initMoldenaResources();
    MOLDENA_ASSERT(m_pScene);
    MOLDENA_ASSERT(QObject::connect(m_pScene, SIGNAL(signalMeshObjectAdded(QString)), this, SLOT(slotMeshObjectUpdated(QString)), Qt::DirectConnection));
    MOLDENA_ASSERT(QObject::connect(m_pScene, SIGNAL(signalMeshObjectRemoved(QString)), this, SLOT(slotMeshObjectUpdated(QString)), Qt::DirectConnection));
    MOLDENA_ASSERT(QObject::connect(m_pScene, SIGNAL(signalMeshObjectChanged(QString)), this, SLOT(slotMeshObjectUpdated(QString)), Qt::DirectConnection));
}

MeshRenderWidget::~MeshRenderWidget()
{
    // The base destroys the context after this object's part is gone: no
    // call may come back here then.
    QObject::disconnect(m_contextConnection);
    releaseGlObjects();
}

void MeshRenderWidget::setRotation(double dHorizontal, double dVertical)
{
    if (dHorizontal != m_dRotationHorizontal || dVertical != m_dRotationVertical)
    {
        m_dRotationHorizontal = dHorizontal;
        m_dRotationVertical = dVertical;
        update();
    }
}

void MeshRenderWidget::setZoom(double dZoom)
{
    if (dZoom != m_dZoom)
    {
        m_dZoom = dZoom;
        update();
    }
}

void MeshRenderWidget::setShowScale(bool bShow)
{
    m_bShowScale = bShow;
    update();
}

void MeshRenderWidget::setShowComparisonObject(bool bShow)
{
    m_bShowComparisonObject = bShow;
    update();
}

QStringList MeshRenderWidget::getDisplayListNames() const
{
    QStringList slNames;
    for (const auto& entry : m_mapDisplayLists)
    {
        slNames << entry.first;
    }
    return slNames;
}

double MeshRenderWidget::getHalfSide(double dLargestExtent, double dZoom)
{
    return 0.5 * dLargestExtent * (1.0 / dZoom + 0.25);
}

QRect MeshRenderWidget::getViewport(int nWidth, int nHeight)
{
    const int nSide = std::min(nWidth, nHeight);
    return QRect((nWidth - nSide) / 2, (nHeight - nSide) / 2, nSide, nSide);
}

unsigned int MeshRenderWidget::createDisplayList(const MeshData* pData)
{
    const GLuint nList = glGenLists(1);
    if (nList == 0)
    {
        LOG_ERROR(QStringLiteral("No display list for a mesh of %1 faces").arg(pData->getNumberOfFaces()));
        return 0;
    }
    glNewList(nList, GL_COMPILE);
    const GLfloat grey[] = {0.75f, 0.75f, 0.75f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, grey);
    glShadeModel(GL_SMOOTH);
    // One primitive for all triangles: the same picture as one per face,
    // compiled and drawn much faster.
    glBegin(GL_TRIANGLES);
    const float* const* ppCorners = pData->getFaces();
    const std::size_t nCorners = std::size_t(pData->getNumberOfFaces()) * 3;
    for (std::size_t i = 0; i < nCorners; ++i)
    {
        const float* pRecord = ppCorners[i];
        glNormal3fv(pRecord + 3);
        glVertex3fv(pRecord);
    }
    glEnd();
    glEndList();
    return nList;
}

void MeshRenderWidget::slotMeshObjectUpdated(QString sName)
{
    // Before the first show, and while off the screen without a context,
    // there is nothing to rebuild: initializeGL makes every list anew.
    if (m_bGlReady)
    {
        makeCurrent();
        const auto it = m_mapDisplayLists.find(sName);
        if (it != m_mapDisplayLists.end())
        {
            glDeleteLists(it->second, 1);
            m_mapDisplayLists.erase(it);
        }
        if (const MeshData* pData = findShownMeshData(sName))
        {
            m_mapDisplayLists[sName] = createDisplayList(pData);
        }
        doneCurrent();
    }
    update();
}

void MeshRenderWidget::initializeGL()
{
    // Lists and textures of an older context were freed with it; their ids
    // mean nothing here.
    m_mapDisplayLists.clear();
    m_mapTextures.clear();
    QObject::disconnect(m_contextConnection);
    m_contextConnection = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this,
                                  &MeshRenderWidget::releaseGlObjects, Qt::DirectConnection);
    m_bGlReady = true;

    QStringList slNames;
    slNames << m_pScene->getNameMeshGenerated() << m_pScene->getNamesHooks() << m_pScene->getNameMeshMerged();
    for (const QString& sName : slNames)
    {
        if (const MeshData* pData = findShownMeshData(sName))
        {
            m_mapDisplayLists[sName] = createDisplayList(pData);
        }
    }
}

void MeshRenderWidget::paintGL()
{
    // QOpenGLWidget resets the viewport before every frame: it is set here.
    const qreal dRatio = devicePixelRatioF();
    const QRect viewport = getViewport(qRound(width() * dRatio), qRound(height() * dRatio));
    glViewport(viewport.x(), viewport.y(), viewport.width(), viewport.height());
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    double dExtent = getLargestExtent();
    if (dExtent <= 0.0)
    {
        dExtent = EMPTY_VIEW_EXTENT;
    }
    // A directional light fixed relative to the viewer.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat light[] = {1.0f, 1.0f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light);

    const double dHalfSide = getHalfSide(dExtent, m_dZoom);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-dHalfSide, dHalfSide, -dHalfSide, dHalfSide, -2.0 * dHalfSide, 2.0 * dHalfSide);

    glMatrixMode(GL_MODELVIEW);
    glRotated(m_dRotationVertical, 1.0, 0.0, 0.0);
    glRotated(m_dRotationHorizontal, 0.0, 1.0, 0.0);
    drawDisplayLists();
    glLoadIdentity();
    drawOverlays();
}

void MeshRenderWidget::drawDisplayLists()
{
    for (const auto& entry : m_mapDisplayLists)
    {
        glCallList(entry.second);
    }
}

void MeshRenderWidget::createTextures()
{
    if (m_mapTextures.find(TEXTURE_BATTERY) == m_mapTextures.end())
    {
        m_mapTextures[TEXTURE_BATTERY] = createTexture(QStringLiteral(":/battery.png"));
    }
    if (m_mapTextures.find(TEXTURE_SCALE) == m_mapTextures.end())
    {
        m_mapTextures[TEXTURE_SCALE] = createTexture(QStringLiteral(":/scale.png"));
    }
}

void MeshRenderWidget::drawOverlays()
{
    if (!m_bShowScale && !m_bShowComparisonObject)
    {
        return;
    }
    createTextures();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    if (m_bShowComparisonObject && m_mapTextures[TEXTURE_BATTERY] != 0)
    {
        glBindTexture(GL_TEXTURE_2D, m_mapTextures[TEXTURE_BATTERY]);
        drawQuad(7.25, 25.5);
    }
    if (m_bShowScale && m_mapTextures[TEXTURE_SCALE] != 0)
    {
        glBindTexture(GL_TEXTURE_2D, m_mapTextures[TEXTURE_SCALE]);
        drawQuad(10.0, 1.5);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

const MeshData* MeshRenderWidget::findShownMeshData(const QString& sName) const
{
    if (sName.isEmpty())
    {
        return nullptr;
    }
    if (sName == m_pScene->getNameMeshGenerated())
    {
        return m_listMeshKinds.contains(MeshObject::TYPE_GENERATED) ? m_pScene->getMeshDataGenerated() : nullptr;
    }
    if (sName == m_pScene->getNameMeshMerged())
    {
        return m_listMeshKinds.contains(MeshObject::TYPE_MERGED) ? m_pScene->getMeshDataMerged() : nullptr;
    }
    if (m_listMeshKinds.contains(MeshObject::TYPE_HOOK))
    {
        const int nIndex = m_pScene->getNamesHooks().indexOf(sName);
        return nIndex >= 0 ? m_pScene->getMeshDataHook(nIndex) : nullptr;
    }
    return nullptr;
}

double MeshRenderWidget::getLargestExtent() const
{
    double dX = 0.0;
    double dY = 0.0;
    double dZ = 0.0;
    if (m_listMeshKinds.contains(MeshObject::TYPE_GENERATED))
    {
        if (const MeshData* pData = m_pScene->getMeshDataGenerated())
        {
            pData->getExtents(dX, dY, dZ);
        }
    }
    if (m_listMeshKinds.contains(MeshObject::TYPE_MERGED))
    {
        if (const MeshData* pData = m_pScene->getMeshDataMerged())
        {
            pData->getExtents(dX, dY, dZ);
        }
    }
    return std::max({dX, dY, dZ});
}

void MeshRenderWidget::releaseGlObjects()
{
    if (!m_bGlReady)
    {
        return;
    }
    makeCurrent();
    for (const auto& entry : m_mapDisplayLists)
    {
        glDeleteLists(entry.second, 1);
    }
    for (const auto& entry : m_mapTextures)
    {
        glDeleteTextures(1, &entry.second);
    }
    doneCurrent();
    m_mapDisplayLists.clear();
    m_mapTextures.clear();
    m_bGlReady = false;
}
