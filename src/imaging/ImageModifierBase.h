#pragma once

#include "Logger.h"
#include "Raster2d.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <QVariant>

#include <map>
#include <vector>

using F32 = float;

// One raster operation. A modifier reads its settings from a parameter map,
// reads one raster (or a map of rasters keyed by role) and writes one raster
// (or the rasters of an output map, which the caller sized). It never throws
// on bad input or parameters: it logs one ERROR line and returns false.
// A modifier serves one run at a time and holds no lock.
class ImageModifierBase
{
public:
    using ParameterMap = std::map<QString, QVariant>;
    using RasterMap = std::map<QString, Raster2dBase*>;

    // The shared failure messages.
    static inline const QString MESSAGE_INPUT_RASTER = QStringLiteral("Input raster could not be processed");
    static inline const QString MESSAGE_OUTPUT_RASTER = QStringLiteral("Output raster could not be processed");
    static inline const QString MESSAGE_SIZE_NOT_IDENTICAL =
        QStringLiteral("Size of input and output are not identical");
    static inline const QString MESSAGE_OUTPUT_SIZE = QStringLiteral("Size of output image is invalid");
    static inline const QString MESSAGE_CALCULATE_OUTPUT_SIZE = QStringLiteral("Could not calculate output image size");
    static inline const QString MESSAGE_PARAMETERS_NOT_SET = QStringLiteral("Parameters were not set correctly");
    static inline const QString MESSAGE_PARAMETERS_INVALID = QStringLiteral("Parameters are invalid");
    static inline const QString MESSAGE_RASTER_TYPE = QStringLiteral("Raster type is invalid");
    static inline const QString MESSAGE_NO_IMPLEMENTATION = QStringLiteral("No implementation");

    explicit ImageModifierBase(const QString& sName);
    virtual ~ImageModifierBase();

    const QString& getName() const { return m_sName; }

    // Map form: rasters found by role (a key containing "OVERLAY", "MASK", ...).
    virtual bool process(const RasterMap& mapInputRasters, RasterMap& mapOutputRasters);
    // One-pair form: pOutput already has the size getOutputSize() gave.
    virtual bool process(Raster2dBase* pInput, Raster2dBase* pOutput);
    virtual void setParameters(const ParameterMap& mapParameters);
    // The output size for this input; the base keeps the input's size.
    virtual bool getOutputSize(const Raster2dBase* pInput, const Raster2dBase* pOutput, unsigned int& nWidth,
                               unsigned int& nHeight);
    virtual ParameterMap getDefaultParameters() const;

    // Typed parameter readers: false, and the variable untouched, when the key
    // is absent, the value null or invalid, or not convertible to the type.
    bool getValue(const QString& sKey, bool& value) const;
    bool getValue(const QString& sKey, int& value) const;
    bool getValue(const QString& sKey, unsigned int& value) const;
    bool getValue(const QString& sKey, quint64& value) const;
    bool getValue(const QString& sKey, double& value) const;
    bool getValue(const QString& sKey, QPointF& value) const;
    bool getValue(const QString& sKey, QString& value) const;
    bool getValue(const QString& sKey, QList<QPointF>& value) const;
    bool getValue(const QString& sKey, QList<double>& value) const;
    bool getValue(const QString& sKey, std::vector<F32>& value) const;
    bool getValue(const QString& sKey, std::vector<QString>& value) const;
    bool getValue(const QString& sKey, std::vector<bool>& value) const;

protected:
    // Logs one ERROR line at the caller's location and returns false, so a
    // refusal reads: return fail(LOG_LOCATION, MESSAGE_INPUT_RASTER);
    static bool fail(const QString& sLocation, const QString& sMessage);

    // The raster as the element type T, or null.
    template <typename T>
    static Raster2d<T>* as(Raster2dBase* pRaster)
    {
        return dynamic_cast<Raster2d<T>*>(pRaster);
    }
    template <typename T>
    static const Raster2d<T>* as(const Raster2dBase* pRaster)
    {
        return dynamic_cast<const Raster2d<T>*>(pRaster);
    }

    static bool sameSize(const Raster2dBase* pA, const Raster2dBase* pB)
    {
        return pA && pB && pA->getWidth() == pB->getWidth() && pA->getHeight() == pB->getHeight();
    }

    // The input and output as element types TIn and TOut. When the input is
    // not, logs MESSAGE_INPUT_RASTER, else when the output is not,
    // MESSAGE_OUTPUT_RASTER, at sLocation (the caller's LOG_LOCATION) and
    // returns false.
    template <typename TIn, typename TOut>
    static bool castRasters(const QString& sLocation, Raster2dBase* pInput, Raster2dBase* pOutput,
                            Raster2d<TIn>*& pIn, Raster2d<TOut>*& pOut)
    {
        pIn = as<TIn>(pInput);
        if (pIn == nullptr)
        {
            return fail(sLocation, MESSAGE_INPUT_RASTER);
        }
        pOut = as<TOut>(pOutput);
        if (pOut == nullptr)
        {
            return fail(sLocation, MESSAGE_OUTPUT_RASTER);
        }
        return true;
    }

    // Logs MESSAGE_SIZE_NOT_IDENTICAL at sLocation (the caller's LOG_LOCATION)
    // and returns false unless both rasters have the same width and height.
    static bool checkSameSize(const QString& sLocation, const Raster2dBase* pA, const Raster2dBase* pB)
    {
        return sameSize(pA, pB) || fail(sLocation, MESSAGE_SIZE_NOT_IDENTICAL);
    }

    // The first raster whose key contains sRole (case-sensitive), or null.
    static Raster2dBase* findByRole(const RasterMap& mapRasters, const QString& sRole);

    ParameterMap m_mapParameters;

private:
    template <typename T>
    bool readValue(const QString& sKey, T& value) const;

    QString m_sName;
};
