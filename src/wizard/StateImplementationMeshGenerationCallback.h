#pragma once

#include "StateImplementationMeshSteps.h"

// Asks the user for the mesh quality before each generation and keeps the
// answer in the parameter store, however the dialog is closed.
class StateImplementationMeshGenerationCallback : public StateImplementationMeshGeneration::Callback
{
public:
    void execute() override;
};
