#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class MeshData;

// The process-wide view of the meshes in the object tree: the generated mesh
// (type 1), the hooks (type 2, in the order they were added) and the merged
// mesh (type 3). It follows the tree's announced additions and removals,
// relays every change of a tracked mesh as signalMeshObjectChanged, and offers
// the hook operations by index. It owns no mesh. Created on first use and
// never deleted; GUI thread only. Failed checks throw SimpleException.
class Scene : public QObject
{
    Q_OBJECT

public:
    static Scene* getInstance();

    // Empty when there is none.
    QString getNameMeshGenerated() const;
    QString getNameMeshMerged() const;

    // The render buffers of the named object, or null when none is named or
    // the object is not in the tree.
    MeshData* getMeshDataGenerated() const;
    MeshData* getMeshDataMerged() const;

    int getNumberOfHooks() const;
    QStringList getNamesHooks() const;
    // Null when the index is outside the list or the object is missing.
    MeshData* getMeshDataHook(int index) const;
    // The first listed hook that is selected, -1 when none.
    int getIndexOfSelectedHook() const;

    // Selects hook index and unselects all others; a negative index unselects
    // all. An index at or beyond the number of hooks throws.
    void selectHook(int index);
    // Turn (degrees about axis 0 = x, 1 = y, 2 = z), scale and move one hook
    // about its own centre; the object announces the change.
    void rotateHook(int index, double dAngle, int nAxis);
    void scaleHook(int index, double dFactor);
    void translateHook(int index, double dX, double dY, double dZ);
    void scaleMeshMerged(double dFactor);
    // Deletes the hook's object; the tree's removal then drops it from the
    // list and signalMeshObjectRemoved is emitted before this returns.
    void deleteHook(int index);

signals:
    void signalMeshObjectChanged(const QString& sName);
    void signalMeshObjectAdded(const QString& sName);
    void signalMeshObjectRemoved(const QString& sName);

public slots:
    void slotChildAdded(const QString& sName);
    void slotChildRemoved(const QString& sName);

private:
    Scene();
    void initialize();
    void adopt(const QString& sName);
    void checkHookIndex(int index) const;

    QString m_sNameMeshGenerated;
    QStringList m_slNameHooks;
    QString m_sNameMeshMerged;
    bool m_bInitialized = false;
};
