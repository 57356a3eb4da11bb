#pragma once

// The embedded resource bundles of the static library moldena_resources:
//
// - icon bundle: ":/icons/<Name>_default.png" (normal) and
//   ":/icons/<Name>_checked.png" (checked or pressed) for every button icon;
// - main bundle: ":/style.css", ":/title.png", ":/scale.png", ":/battery.png",
//   the shape library ":/shape/", the decoration library ":/decoration/", the
//   bevel profiles ":/profile/bevel_profile_01.png" to "_10.png" and the four
//   fonts of fontResources();
// - placeholder bundle: ":/NoImage.png".
//
// Resources compiled into a static library are registered only when asked
// for: call initMoldenaResources() before the first use (the program once at
// start-up; tests too). The hook bundle lives in the mesh library.

#include <QStringList>

// Registers the placeholder, main and icon bundles, in this order. Repeated
// calls are harmless. Any thread, but before the resources are read.
void initMoldenaResources();

// Registers the placeholder bundle alone (the engraving-style step shows it
// until a profile is chosen). Repeated calls are harmless.
void initPlaceholderResources();

// The four embedded font files of the family the style sheet names, TeX Gyre
// Adventor: regular, bold, bold italic and italic, in this order.
QStringList fontResources();
