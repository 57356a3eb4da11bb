#pragma once

#include <QList>
#include <QOpenGLWidget>
#include <QRect>
#include <QString>
#include <QStringList>

#include <map>

class MeshData;
class Scene;

// A lit orthographic view of the scene's meshes of the chosen kinds (the
// mesh type codes: 1 generated, 2 hooks, 3 merged), turned by two angles and
// scaled by a zoom, optionally with two reference pictures at true size: a
// battery (14.5 x 51) and a scale bar (20 x 3). Lengths are the meshes' own
// millimetres; at zoom 1 the view spans 1.25 times the largest side of the
// generated or merged mesh (hooks never set the size). Every mesh is drawn
// in one grey.
//
// One display list per shown mesh, rebuilt whenever the scene reports the
// mesh added, removed or changed (direct connections; GUI thread only).
// The lists and textures belong to the widget's context, which Qt replaces
// when the widget moves to another window, as a page taken off the screen
// and shown again does: they are freed when the old context goes and made
// again from the scene when the new one is initialized.
class MeshRenderWidget : public QOpenGLWidget
{
    Q_OBJECT

public:
    // Throws "m_pScene" for a null scene.
    MeshRenderWidget(Scene* pScene, const QList<int>& listMeshKinds);
    ~MeshRenderWidget() override;

    // Degrees: the object turns about y by the horizontal angle, then about
    // x by the vertical one. Repaints only on a change.
    void setRotation(double dHorizontal, double dVertical);
    // Repaints only on a change.
    void setZoom(double dZoom);
    void setShowScale(bool bShow);
    void setShowComparisonObject(bool bShow);

    double getRotationHorizontal() const { return m_dRotationHorizontal; }
    double getRotationVertical() const { return m_dRotationVertical; }
    double getZoom() const { return m_dZoom; }
    bool isShowScale() const { return m_bShowScale; }
    bool isShowComparisonObject() const { return m_bShowComparisonObject; }
    // The meshes that have a display list in the current context.
    QStringList getDisplayListNames() const;
    bool hasTextures() const { return !m_mapTextures.empty(); }

    // Half the side of the orthographic box for a largest extent:
    // 0.5 * extent * (1 / zoom + 0.25).
    static double getHalfSide(double dLargestExtent, double dZoom);
    // The centred square that the frame is drawn into, of a surface of that
    // many device pixels.
    static QRect getViewport(int nWidth, int nHeight);

    // Compiles the mesh into a display list of the current context (grey,
    // smoothly shaded triangles); its id.
    static unsigned int createDisplayList(const MeshData* pData);

public slots:
    // Drops the mesh's list and, when it is a shown mesh that has render
    // buffers, compiles a new one; repaints.
    void slotMeshObjectUpdated(QString sName);

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    void drawDisplayLists();
    void drawOverlays();
    void createTextures();
    // The render buffers of the named mesh when it is of a shown kind.
    const MeshData* findShownMeshData(const QString& sName) const;
    // The largest side of the shown generated or merged mesh; 0 when none.
    double getLargestExtent() const;
    // Frees the lists and textures while their context is still alive.
    void releaseGlObjects();

    QList<int> m_listMeshKinds;
    std::map<QString, unsigned int> m_mapDisplayLists;
    std::map<QString, unsigned int> m_mapTextures;
    Scene* m_pScene;
    double m_dRotationHorizontal = 0.0;
    double m_dRotationVertical = 0.0;
    double m_dZoom = 1.0;
    bool m_bShowScale = false;
    bool m_bShowComparisonObject = false;
    // A context is initialized and alive: GL objects may be made.
    bool m_bGlReady = false;
    QMetaObject::Connection m_contextConnection;
};
