#pragma once

// The steps of the mesh chapter: generation (in the mesh thread, moving on by
// itself), hooks (merged with the body when the step is left) and export.
// None of them is ever copied.

#include "StateImplementationBase.h"

#include "MeshGenerator.h"

#include <QString>

class MeshGeneratorManager;
class Uid;
template <typename T>
class Raster2d;

class StateImplementationMeshGeneration : public StateImplementationBase
{
    Q_OBJECT
public:
    // What the application runs before each generation (it asks the user for
    // the mesh quality and stores it in the parameter store).
    class Callback
    {
    public:
        virtual ~Callback() = default;
        virtual void execute() = 0;
    };
    static void setCallback(Callback* pCallback);

    // ulExitUid: where a success leads (the hooks step); ulEntryFromUid: where
    // a failure goes back to; the two component states whose depth composites
    // are the front and back heights.
    StateImplementationMeshGeneration(unsigned long ulExitUid, unsigned long ulEntryFromUid,
                                      unsigned long ulFrontUid, unsigned long ulBackUid);
    // Waits for a running generation before freeing what it reads.
    ~StateImplementationMeshGeneration() override;

    StateImplementationBase* clone() const override;
    void copyTo(StateImplementationBase* pDerivedClone) const override;
    // Both sides complete and both working-resolution depth composites there.
    bool canEnter() const override;
    // Not while a generation runs.
    bool canLeave() const override { return m_bProcessingFinished; }
    bool isComplete() const override { return m_bComplete; }
    void process() override {}
    void removeObjects() override;
    // Generates, or moves straight on when nothing changed since a success.
    void onEntered() override;
    void onLeft() override;

    bool isProcessingFinished() const { return m_bProcessingFinished; }
    // Blocks until a running generation has ended (at shutdown).
    void waitForGeneration();
    const MeshGenerator::Parameters& getParameters() const { return m_parameters; }

    static constexpr int DEFAULT_MESH_GENERATION_RESOLUTION = 128;

signals:
    void signalInternalTriggerProcessingFinished(bool bSuccess);
    void signalProcessingStarted();
    void signalProcessingFinished();

public slots:
    void slotChildAddedOrRemoved(const QString& sName);
    void slotProcessingFinished(bool bSuccess);

private:
    // The front and back working-resolution depth composites; false when
    // either is missing or not a height raster.
    static bool findDepthComposites(const Raster2d<float>*& pFront, const Raster2d<float>*& pBack);

    bool m_bComplete = false;
    bool m_bProcessingFinished = false;
    MeshGeneratorManager* m_pMeshGeneratorManager = nullptr;
    Uid* m_pExitUid = nullptr;
    Uid* m_pEntryFromUid = nullptr;
    Uid* m_pFrontUid = nullptr;
    Uid* m_pBackUid = nullptr;
    MeshGenerator::Parameters m_parameters;
};

class StateImplementationMeshHooks : public StateImplementationBase
{
    Q_OBJECT
public:
    StateImplementationBase* clone() const override;
    // Only once a generated mesh is in the tree.
    bool canEnter() const override;
    void process() override {}
    // The merged mesh and every hook go.
    void removeObjects() override;
    // Merges the body and its hooks into "MESH_MERGED", scaled to the
    // parameter store's size.
    void onLeft() override;

    // Reads a hook file (or ":/hooks/..." resource) into the next "MESH_HOOK:n"
    // placed around the body; false when it cannot be read or placed, with
    // the reader's reason for a refused file in *psRefusal when given.
    virtual bool loadHook(const QString& sFileName, QString* psRefusal = nullptr);
};

class StateImplementationMeshExport : public StateImplementationBase
{
    Q_OBJECT
public:
    StateImplementationBase* clone() const override;
    void copyTo(StateImplementationBase* pDerivedClone) const override;
    void process() override {}
    void removeObjects() override {}

    // Writes the merged mesh (binary STL when the suffix contains "stl",
    // otherwise by the suffix); false when there is no merged mesh or the
    // file cannot be written, which leaves an existing file intact.
    static bool exportMesh(const QString& sFileName);
};
