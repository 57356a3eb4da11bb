#pragma once

// Every page factory of the program, one line each: the factory, the class of
// the steps it serves, and the page it builds.

#include "MainWidgetOptionSelection.h"
#include "SimpleException.h"
#include "StateImplementationOptionSelection.h"
#include "WizardPageFactoryBase.h"

MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryOptionSelectionBase, StateImplementationOptionSelection,
                            WizardPageOptionSelectionBase);

#include "StateImplementationImagingBevelSteps.h"
#include "StateImplementationImagingComposition.h"
#include "StateImplementationImagingSteps.h"
#include "WizardPageDepthCompositionBase.h"
#include "WizardPageImageHeightHistogramBase.h"
#include "WizardPageVoxelRenderBase.h"

MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryImageHeightHistogramBase, StateImplementationImagingHeightHistogram,
                            WizardPageImageHeightHistogramBase);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryVoxelRenderBase, StateImplementationImagingBevel,
                            WizardPageVoxelRenderBase);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryDepthCompositionBase, StateImplementationImagingComposition,
                            WizardPageDepthCompositionBase);
