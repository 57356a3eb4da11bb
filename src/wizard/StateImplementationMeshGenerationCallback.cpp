#include "StateImplementationMeshGenerationCallback.h"

#include "MeshQualityDialog.h"

void StateImplementationMeshGenerationCallback::execute()
{
    MeshQualityDialog::askAndStore();
}
