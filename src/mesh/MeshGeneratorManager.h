#pragma once

#include "MeshGenerator.h"

#include <QMutex>
#include <QString>
#include <QThread>

#include <memory>

class MeshObject;

// Runs one mesh generation at a time on a thread of its own and publishes the
// result in the object tree on the thread that owns the manager (the GUI
// thread).
//
// setup copies the height records: the worker reads only its own copies, so a
// pipeline may rewrite or delete the rasters they came from while it runs.
// startProcessing deletes the meshes named by setup (generated and merged)
// from the tree, builds a new MeshObject outside the tree on the manager's
// thread, and slotThreadFinished (queued to the owning thread) adds it to the
// tree under the generated name on success or deletes it on failure; either
// way signalProcessingFinished follows once. The mutex guards the hand-over
// only, never a whole generation, so the GUI thread never waits for a run.
// Destroying the manager waits for a running generation and deletes a mesh
// object it still holds.
class MeshGeneratorManager : public QThread
{
    Q_OBJECT
public:
    MeshGeneratorManager();
    ~MeshGeneratorManager() override;

    // Null records make the next run fail.
    void setup(const MeshGenerator::Image* pImageFront, const MeshGenerator::Image* pImageBack,
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
    // What the next run reads; a run takes them over when it starts.
    std::shared_ptr<const MeshGenerator::Image> m_pImageFront;
    std::shared_ptr<const MeshGenerator::Image> m_pImageBack;
    MeshGenerator::Parameters m_Parameters;
};
