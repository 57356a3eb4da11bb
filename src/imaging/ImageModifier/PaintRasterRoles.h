#pragma once

#include "Identifiers.h"
#include "Raster2d.h"

#include <QString>

#include <map>

// Roles of the 8-bit rasters handed to the paint modifiers, found from their
// map keys: a key containing "OVERLAY" is the overlay, else one containing
// "MASK" is the mask, else the raster is the canvas. Entries whose raster is
// not 8-bit (or null) count as missing. When several entries share a role the
// last one in key order wins.
struct PaintRasterRoles
{
    Raster2d<unsigned char>* pCanvas = nullptr;
    Raster2d<unsigned char>* pOverlay = nullptr;
    Raster2d<unsigned char>* pMask = nullptr;

    explicit PaintRasterRoles(const std::map<QString, Raster2dBase*>& mapRasters)
    {
        for (const auto& entry : mapRasters)
        {
            auto* pRaster = dynamic_cast<Raster2d<unsigned char>*>(entry.second);
            if (!pRaster)
            {
                continue;
            }
            if (entry.first.contains(OVERLAY))
            {
                pOverlay = pRaster;
            }
            else if (entry.first.contains(MASK))
            {
                pMask = pRaster;
            }
            else
            {
                pCanvas = pRaster;
            }
        }
    }
};

// The overlay and mask values that a colour word paints: "WHITE" 255/255,
// "CLEAR" 0/0 (erases paint), every other word 0/255 (black). Case-sensitive.
inline void paintValuesOfColor(const QString& sColor, const QString& sWhite, const QString& sClear,
                               unsigned char& nOverlayValue, unsigned char& nMaskValue)
{
    if (sColor == sWhite)
    {
        nOverlayValue = 255;
        nMaskValue = 255;
    }
    else if (sColor == sClear)
    {
        nOverlayValue = 0;
        nMaskValue = 0;
    }
    else
    {
        nOverlayValue = 0;
        nMaskValue = 255;
    }
}

// True when all rasters have the width and height of the first.
inline bool allSameSize(std::initializer_list<const Raster2dBase*> rasters)
{
    const Raster2dBase* pFirst = *rasters.begin();
    for (const Raster2dBase* pRaster : rasters)
    {
        if (pRaster->getWidth() != pFirst->getWidth() || pRaster->getHeight() != pFirst->getHeight())
        {
            return false;
        }
    }
    return true;
}
