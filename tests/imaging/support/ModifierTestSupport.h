#pragma once

// Helpers for the modifier tests: small rasters from value lists and the
// check of the one ERROR line a refusing modifier writes.

#include "Raster2d.h"
#include "TestSupport.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

// Sets the elements row by row from the values (as many as the raster holds).
template <typename T>
void setElements(Raster2d<T>& raster, std::initializer_list<T> values)
{
    ASSERT_EQ(values.size(), std::size_t(raster.getSize()));
    std::copy(values.begin(), values.end(), raster.getData());
}

template <typename T>
std::vector<T> elements(const Raster2d<T>& raster)
{
    return std::vector<T>(raster.getData(), raster.getData() + raster.getSize());
}

// Exactly one line was logged: an ERROR located in the modifier's own source
// file (below the ImageModifier folder) with this text.
inline void expectOneError(const LogCapture& log, const QString& sClass, const QString& sText)
{
    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 1) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines[0].startsWith("ERROR: ImageModifier\\" + sClass + "::")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(": " + sText)) << lines[0].toStdString();
}
