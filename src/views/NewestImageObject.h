#pragma once

#include <QString>
#include <QStringList>

class ImageObject;

// The newest image object among the resolution variants of sImageName whose
// names contain one of the tags (case-sensitive), found anywhere in the object
// tree; of equal time stamps the first of ORIGINAL_RES_HQ, HIGH_RES_HQ,
// LOW_RES_HQ, LOW_RES_LQ wins. Null when none exists, and null when an image
// of the same base name and one of these tags was returned before with a
// later time stamp: a view never steps back to an older picture.
//
// The returned object is valid only until it next leaves the tree (a running
// pipeline takes its outputs out and may replace their rasters): callers read
// it at once and keep no pointer to it or to its raster. GUI thread only.
ImageObject* findNewestImageObject(const QString& sImageName, const QStringList& slResolutionTags);
