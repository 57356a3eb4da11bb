#pragma once

// Words of the workflow: transitions, resolution tags, states, image kinds,
// component sides and mesh object names. Object names are built from them
// with "#", "/" and ":" separators.

#include <QString>

// Transitions
inline const QString UP = QStringLiteral("UP");
inline const QString NEXT = QStringLiteral("NEXT");
inline const QString PREVIOUS = QStringLiteral("PREVIOUS");

// Resolution tags: the last part of an image object's name
inline const QString ORIGINAL_RES_HQ = QStringLiteral("ORIGINAL_RES_HQ");
inline const QString INTERMEDIATE_RES_LQ = QStringLiteral("INTERMEDIATE_RES_LQ");
inline const QString INTERMEDIATE_RES_HQ = QStringLiteral("INTERMEDIATE_RES_HQ");
inline const QString HIGH_RES_HQ = QStringLiteral("HIGH_RES_HQ");
inline const QString LOW_RES_HQ = QStringLiteral("LOW_RES_HQ");
inline const QString LOW_RES_LQ = QStringLiteral("LOW_RES_LQ");

// Artifact, component and decoration states
inline const QString ARTIFACT = QStringLiteral("ARTIFACT");
inline const QString ARTIFACT_OPTION_SELECTION = QStringLiteral("ARTIFACT_OPTION_SELECTION");
inline const QString COMPONENT = QStringLiteral("COMPONENT");
inline const QString COMPONENT_OPTION_SELECTION = QStringLiteral("COMPONENT_OPTION_SELECTION");
inline const QString COMPONENT_CLONE_MODE_OPTION_SELECTION = QStringLiteral("COMPONENT_CLONE_MODE_OPTION_SELECTION");
inline const QString DECORATIONS = QStringLiteral("DECORATIONS");
inline const QString DECORATION_ELEMENTS = QStringLiteral("DECORATION_ELEMENTS");
inline const QString DECORATIONS_OPTION_SELECTION = QStringLiteral("DECORATIONS_OPTION_SELECTION");
inline const QString DECORATION_ADD = QStringLiteral("DECORATION_ADD");
inline const QString DECORATION_EDIT = QStringLiteral("DECORATION_EDIT");
inline const QString DECORATION_DELETE = QStringLiteral("DECORATION_DELETE");
inline const QString DECORATION_ELEMENT_DELETE = QStringLiteral("DECORATION_ELEMENT_DELETE");

// Image kinds: the middle part of an image object's name
inline const QString IMAGE_RAW = QStringLiteral("IMAGE_RAW");
inline const QString IMAGE_EQUALIZED = QStringLiteral("IMAGE_EQUALIZED");
inline const QString IMAGE_CROPPED = QStringLiteral("IMAGE_CROPPED");
inline const QString IMAGE_RESIZED = QStringLiteral("IMAGE_RESIZED");
inline const QString IMAGE_TRANSFORMED = QStringLiteral("IMAGE_TRANSFORMED");
inline const QString IMAGE_SMOOTHED = QStringLiteral("IMAGE_SMOOTHED");
inline const QString IMAGE_THRESHOLDED = QStringLiteral("IMAGE_THRESHOLDED");
inline const QString IMAGE_PEN_AND_BUCKET = QStringLiteral("IMAGE_PEN_AND_BUCKET");
inline const QString IMAGE_HEIGHT_HISTOGRAM = QStringLiteral("IMAGE_HEIGHT_HISTOGRAM");
inline const QString IMAGE_HEIGHT_PROFILE_RENDER = QStringLiteral("IMAGE_HEIGHT_PROFILE_RENDER");
inline const QString IMAGE_BEVEL = QStringLiteral("IMAGE_BEVEL");
inline const QString IMAGE_SLICE_RENDER_HORIZONTAL = QStringLiteral("IMAGE_SLICE_RENDER_HORIZONTAL");
inline const QString IMAGE_SLICE_RENDER_VERTICAL = QStringLiteral("IMAGE_SLICE_RENDER_VERTICAL");
inline const QString IMAGE_DEPTH_RENDER = QStringLiteral("IMAGE_DEPTH_RENDER");
inline const QString IMAGE_DEPTH_COMPOSITE = QStringLiteral("IMAGE_DEPTH_COMPOSITE");

// Component sides
inline const QString FRONT = QStringLiteral("FRONT");
inline const QString BACK = QStringLiteral("BACK");

// Clone modes
inline const QString COMPONENT_PARTIAL_CLONE = QStringLiteral("COMPONENT_PARTIAL_CLONE");
inline const QString COMPONENT_FULL_CLONE = QStringLiteral("COMPONENT_FULL_CLONE");

// Construction and imaging states
inline const QString CONSTRUCT_MESH = QStringLiteral("CONSTRUCT_MESH");
inline const QString LOAD = QStringLiteral("LOAD");
inline const QString TRANSFORM = QStringLiteral("TRANSFORM");
inline const QString THRESHOLD = QStringLiteral("THRESHOLD");
inline const QString PAINT = QStringLiteral("PAINT");
inline const QString PRESET_BEVEL = QStringLiteral("PRESET_BEVEL");
inline const QString BEVEL = QStringLiteral("BEVEL");
inline const QString HEIGHT_HISTOGRAM = QStringLiteral("HEIGHT_HISTOGRAM");
inline const QString COMPOSITION = QStringLiteral("COMPOSITION");
inline const QString SHAPE = QStringLiteral("SHAPE");
inline const QString PROFILE = QStringLiteral("PROFILE");

// Mesh object names
inline const QString MESH_GENERATED = QStringLiteral("MESH_GENERATED");
inline const QString MESH_HOOK = QStringLiteral("MESH_HOOK");
inline const QString MESH_MERGED = QStringLiteral("MESH_MERGED");

// Mesh states
inline const QString MESH_GENERATION = QStringLiteral("MESH_GENERATION");
inline const QString MESH_HOOKS = QStringLiteral("MESH_HOOKS");
inline const QString MESH_EXPORT = QStringLiteral("MESH_EXPORT");
