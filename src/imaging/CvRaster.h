#pragma once

#include "Raster2d.h"

#include <opencv2/core.hpp>

// cv::Mat headers over a raster's own memory (rows = height, cols = width);
// nothing is copied. The raster must outlive the header.
inline cv::Mat cvHeader(Raster2d<unsigned char>& raster)
{
    return cv::Mat(int(raster.getHeight()), int(raster.getWidth()), CV_8UC1, raster.getData());
}
inline cv::Mat cvHeader(Raster2d<float>& raster)
{
    return cv::Mat(int(raster.getHeight()), int(raster.getWidth()), CV_32FC1, raster.getData());
}
inline const cv::Mat cvHeader(const Raster2d<unsigned char>& raster)
{
    return cv::Mat(int(raster.getHeight()), int(raster.getWidth()), CV_8UC1,
                   const_cast<unsigned char*>(raster.getData()));
}
inline const cv::Mat cvHeader(const Raster2d<float>& raster)
{
    return cv::Mat(int(raster.getHeight()), int(raster.getWidth()), CV_32FC1, const_cast<float*>(raster.getData()));
}
