#pragma once

// Every page factory of the program, one line each: the factory, the class of
// the steps it serves, and the page it builds.

#include "MainWidgetOptionSelection.h"
#include "SimpleException.h"
#include "StateImplementationOptionSelection.h"
#include "WizardPageFactoryBase.h"

MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryOptionSelectionBase, StateImplementationOptionSelection,
                            WizardPageOptionSelectionBase);
