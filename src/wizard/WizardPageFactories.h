#pragma once

// Every page factory of the program, one line each: the factory, the class of
// the steps it serves, and the page it builds.

#include "MainWidgetOptionSelection.h"
#include "SimpleException.h"
#include "StateImplementationImagingBevelSteps.h"
#include "StateImplementationImagingComposition.h"
#include "StateImplementationImagingSteps.h"
#include "StateImplementationMeshSteps.h"
#include "StateImplementationOptionSelection.h"
#include "WizardPageDepthCompositionBase.h"
#include "WizardPageFactoryBase.h"
#include "WizardPageImageHeightHistogramBase.h"
#include "WizardPageImageLoadBase.h"
#include "WizardPageImagePaintBase.h"
#include "WizardPageImagePresetBevelBase.h"
#include "WizardPageImageThresholdBase.h"
#include "WizardPageImageTransformBase.h"
#include "WizardPageMeshExport.h"
#include "WizardPageMeshGeneration.h"
#include "WizardPageMeshHooks.h"
#include "WizardPageVoxelRenderBase.h"

MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryOptionSelectionBase, StateImplementationOptionSelection,
                            WizardPageOptionSelectionBase);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryDepthCompositionBase, StateImplementationImagingComposition,
                            WizardPageDepthCompositionBase);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryImageHeightHistogramBase, StateImplementationImagingHeightHistogram,
                            WizardPageImageHeightHistogramBase);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryImageLoadBase, StateImplementationImagingLoadImage,
                            WizardPageImageLoadBase);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryImagePaintBase, StateImplementationImagingPaint, WizardPageImagePaintBase);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryPresetBevelBase, StateImplementationImagingPresetBevel,
                            WizardPageImagePresetBevelBase);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryImageThresholdBase, StateImplementationImagingThreshold,
                            WizardPageImageThresholdBase);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryImageTransformBase, StateImplementationImagingTransformImage,
                            WizardPageImageTransformBase);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryVoxelRenderBase, StateImplementationImagingBevel,
                            WizardPageVoxelRenderBase);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryMeshGeneration, StateImplementationMeshGeneration,
                            WizardPageMeshGeneration);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryMeshHooks, StateImplementationMeshHooks, WizardPageMeshHooks);
MOLDENA_WIZARD_PAGE_FACTORY(WizardPageFactoryMeshExport, StateImplementationMeshExport, WizardPageMeshExport);
