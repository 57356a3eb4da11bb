#pragma once

#include "MeshGenerator.h"

#include <QMutex>
#include <QString>
#include <QThread>

class MeshObject;

// Runs one mesh generation at a time on a thread of its own and publishes the
// result in the object tree on the thread that owns the manager (the GUI
// thread).
//
// startProcessing deletes the meshes named by setup (generated and merged)
// from the tree, builds a new MeshObject outside the tree on the manager's
// thread, and slotThreadFinished (queued to the owning thread) adds it to the
// tree under the generated name on success or deletes it on failure; either
// way signalProcessingFinished follows once. One mutex serialises everything:
// run() holds it for the whole generation, so calls from the GUI thread during
// a run wait until it is over. The height records given to setup are not
// owned and must stay valid and unchanged until the run has finished.
// Destroying the manager waits for a running generation and deletes a mesh
// object it still holds.
class MeshGeneratorManager : public QThread
{
    Q_OBJECT

public:
    MeshGeneratorManager();
    ~MeshGeneratorManager() override;

    void setup(MeshGenerator::Image* pImageFront, MeshGenerator::Image* pImageBack,
               const MeshGenerator::Parameters& parameters, const QString& sNameGenerated,
               const QString& sNameMerged);

    // GUI thread. Throws SimpleException "m_pGeneratedMeshObject == NULL" or
    // "m_bProcessingSuccessful == false" while a previous run has not been
    // published yet.
    void startProcessing();

signals:
    // True: the new mesh object is in the tree.
    void signalProcessingFinished(bool bSuccess);

public slots:
    void slotThreadFinished();

protected:
    void run() override;

private:
    MeshObject* m_pGeneratedMeshObject = nullptr;
    bool m_bProcessingSuccessful = false;
    QMutex m_mutex;
    QString m_sNameGenerated;
    QString m_sNameMerged;
    MeshGenerator::Image* m_pImageFront = nullptr;
    MeshGenerator::Image* m_pImageBack = nullptr;
    MeshGenerator::Parameters m_Parameters;
};
