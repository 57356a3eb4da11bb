#pragma once

// Every page factory of the program, one line each: the factory, the class of
// the steps it serves, and the page it builds.

#include "MainWidgetOptionSelection.h"
#include "SimpleException.h"
#include "StateImplementationMeshSteps.h"
#include "StateImplementationOptionSelection.h"
#include "WizardPageFactoryBase.h"
#include "WizardPageMeshExport.h"
#include "WizardPageMeshGeneration.h"
#include "WizardPageMeshHooks.h"

MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryOptionSelectionBase, StateImplementationOptionSelection,
                            WizardPageOptionSelectionBase);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryMeshGeneration, StateImplementationMeshGeneration,
                            WizardPageMeshGeneration);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryMeshHooks, StateImplementationMeshHooks, WizardPageMeshHooks);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryMeshExport, StateImplementationMeshExport, WizardPageMeshExport);
