#include "ImageModifierEqualize.h"

#include "CvRaster.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <vector>

namespace
{
// The corrected value of an element p over its local mean b: 128 where the
// mean is 0, else p / b * 128 truncated and limited to 255. Both operands are
// 8-bit, so all 65536 results fit one table indexed by (p << 8) | b.
const std::vector<unsigned char>& correctionTable()
{
    static const std::vector<unsigned char> s_table = [] {
        std::vector<unsigned char> table(256 * 256);
        for (int p = 0; p < 256; ++p)
        {
            table[p << 8] = 128;
            for (int b = 1; b < 256; ++b)
            {
                const double v = double(p) / double(b) * 128.0;
                table[(p << 8) | b] = v > 255.0 ? 255 : static_cast<unsigned char>(v);
            }
        }
        return table;
    }();
    return s_table;
}
} // namespace

ImageModifierEqualize::ImageModifierEqualize(const QString& sName)
    : ImageModifierBase(sName)
{
}

ImageModifierBase::ParameterMap ImageModifierEqualize::getDefaultParameters() const
{
    return {{MODIFIER_EQUALIZE_ENABLED, QVariant(false)}};
}

bool ImageModifierEqualize::process(Raster2dBase* pInput, Raster2dBase* pOutput)
{
    Raster2d<unsigned char>* pIn = nullptr;
    Raster2d<unsigned char>* pOut = nullptr;
    if (!castRasters(LOG_LOCATION, pInput, pOutput, pIn, pOut) || !checkSameSize(LOG_LOCATION, pIn, pOut))
    {
        return false;
    }
    bool bEnabled = false;
    if (!getValue(MODIFIER_EQUALIZE_ENABLED, bEnabled) || !bEnabled)
    {
        return false;
    }
    const unsigned int nHalf = std::min(pIn->getWidth(), pIn->getHeight()) / 2;
    if (nHalf == 0)
    {
        // A raster one element thin has no window to take a mean over.
        return false;
    }
    const int nWindow = int(nHalf % 2 == 1 ? nHalf : nHalf + 1);

    const cv::Mat input = cvHeader(*pIn);
    cv::Mat output = cvHeader(*pOut);
    cv::blur(input, output, cv::Size(nWindow, nWindow), cv::Point(-1, -1), cv::BORDER_DEFAULT);

    // Shading correction: the output holds the local means and receives the
    // corrected values, row bands in parallel.
    const unsigned char* pTable = correctionTable().data();
    const int nColumns = output.cols;
    cv::parallel_for_(cv::Range(0, output.rows), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y)
        {
            const unsigned char* pP = input.ptr<unsigned char>(y);
            unsigned char* pB = output.ptr<unsigned char>(y);
            for (int x = 0; x < nColumns; ++x)
            {
                pB[x] = pTable[(unsigned(pP[x]) << 8) | pB[x]];
            }
        }
    });

    double dMin = 0.0;
    double dMax = 0.0;
    cv::minMaxLoc(output, &dMin, &dMax);
    if (!(dMax > dMin))
    {
        return false;
    }
    // Contrast stretch, truncating: (e - min) / (max - min) * 255.
    cv::Mat table(1, 256, CV_8UC1, cv::Scalar(0));
    const int nMin = int(dMin);
    const int nMax = int(dMax);
    for (int e = nMin; e <= nMax; ++e)
    {
        table.at<unsigned char>(e) = static_cast<unsigned char>(double(e - nMin) / double(nMax - nMin) * 255.0);
    }
    cv::LUT(output, table, output);
    return true;
}
