#include "MeshMerger.h"

#include "MeshLookup.h"
#include "MeshObject.h"
#include "ObjectRoot.h"
#include "SimpleException.h"
#include "TriangleMesh.h"

#include <cmath>
#include <map>
#include <memory>

bool MeshMerger::calculateHookPlacement(double dSize, unsigned int nIndex, double& dScale, double& dX, double& dY,
                                        double& dZ)
{
    dScale = dSize / 6.0;
    // Ten places around a full turn.
    const double dAngle = nIndex * 0.6283185307;
    dX = std::sin(dAngle) * dSize * 0.5;
    dY = std::cos(dAngle) * dSize * 0.5;
    dZ = 0.0;
    return true;
}

void MeshMerger::appendMesh(MeshObject* pTarget, MeshObject* pSource)
{
    MOLDENA_ASSERT(pTarget);
    MOLDENA_ASSERT(pSource);
    MOLDENA_ASSERT(pSource != pTarget);
    TriangleMesh* pMeshSource = pSource->getMesh();
    TriangleMesh* pMeshTarget = pTarget->getMesh();
    MOLDENA_ASSERT(pMeshSource);
    MOLDENA_ASSERT(pMeshTarget);

    const bool bSourceNormals = pMeshSource->has_vertex_normals();
    const bool bTargetVertexNormals = pMeshTarget->has_vertex_normals();
    const bool bTargetFaceNormals = pMeshTarget->has_face_normals();
    std::map<TriangleMesh::VertexHandle, TriangleMesh::VertexHandle> mapSourceToTarget;
    auto targetVertex = [&](TriangleMesh::VertexHandle vhSource) {
        auto it = mapSourceToTarget.find(vhSource);
        if (it != mapSourceToTarget.end())
        {
            return it->second;
        }
        const TriangleMesh::VertexHandle vhTarget = pMeshTarget->add_vertex(pMeshSource->point(vhSource));
        if (bSourceNormals && bTargetVertexNormals)
        {
            pMeshTarget->set_normal(vhTarget, pMeshSource->normal(vhSource));
        }
        mapSourceToTarget[vhSource] = vhTarget;
        return vhTarget;
    };

    for (const auto fhSource : pMeshSource->faces())
    {
        const auto heFirst = pMeshSource->halfedge_handle(fhSource);
        const auto heSecond = pMeshSource->next_halfedge_handle(heFirst);
        const auto heThird = pMeshSource->next_halfedge_handle(heSecond);
        const auto vhA = targetVertex(pMeshSource->to_vertex_handle(heFirst));
        const auto vhB = targetVertex(pMeshSource->to_vertex_handle(heSecond));
        const auto vhC = targetVertex(pMeshSource->to_vertex_handle(heThird));
        const auto fhTarget = pMeshTarget->add_face(vhA, vhB, vhC);
        if (fhTarget.is_valid() && bTargetFaceNormals)
        {
            pMeshTarget->set_normal(fhTarget, pMeshTarget->calc_face_normal(fhTarget));
        }
    }
}

void MeshMerger::merge(const QString& sNameMerged, const QString& sNameArtifact, const QStringList& slNameHooks,
                       const double& dScale)
{
    MeshObject* pMeshObjectArtifact = findMeshObject(sNameArtifact);
    MOLDENA_ASSERT(pMeshObjectArtifact);

    auto* pMesh = new TriangleMesh();
    pMesh->request_face_normals();
    pMesh->request_vertex_normals();
    std::unique_ptr<MeshObject> pMeshObjectMerged(new MeshObject(sNameMerged));
    pMeshObjectMerged->setMesh(pMesh);
    pMeshObjectMerged->setType(MeshObject::TYPE_MERGED);

    MeshMerger::appendMesh(pMeshObjectMerged.get(), pMeshObjectArtifact);
    for (const QString& sNameHook : slNameHooks)
    {
        MeshObject* pMeshObjectHook = findMeshObject(sNameHook);
        MOLDENA_ASSERT(pMeshObjectHook);
        MeshMerger::appendMesh(pMeshObjectMerged.get(), pMeshObjectHook);
    }

    ObjectRoot* pRoot = ObjectRoot::getInstance();
    if (ObjectBase* pOld = pRoot->removeChildByName(sNameMerged, false))
    {
        delete pOld;
    }
    pMeshObjectMerged->scale(dScale, true);
    pMeshObjectMerged->update();
    const bool bAddOk = pRoot->addChild(pMeshObjectMerged.get(), false);
    MOLDENA_ASSERT(bAddOk);
    pMeshObjectMerged.release(); // the tree owns it now
}
