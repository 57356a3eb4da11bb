#include "ImageModifierBase.h"

#include "ParameterObject.h"
#include "SimpleException.h"

#include <utility>

ImageModifierBase::ImageModifierBase(const QString& sName)
    : m_sName(sName)
{
}

ImageModifierBase::~ImageModifierBase() = default;

bool ImageModifierBase::process(const RasterMap&, RasterMap&)
{
    LOG_ERROR(MESSAGE_NO_IMPLEMENTATION);
    MOLDENA_ASSERT(false);
    return false;
}

bool ImageModifierBase::process(Raster2dBase*, Raster2dBase*)
{
    LOG_ERROR(MESSAGE_NO_IMPLEMENTATION);
    MOLDENA_ASSERT(false);
    return false;
}

void ImageModifierBase::setParameters(const ParameterMap& mapParameters)
{
    if (&mapParameters != &m_mapParameters)
    {
        m_mapParameters = mapParameters;
    }
}

bool ImageModifierBase::getOutputSize(const Raster2dBase* pInput, const Raster2dBase*, unsigned int& nWidth,
                                      unsigned int& nHeight)
{
    MOLDENA_ASSERT(pInput != NULL);
    nWidth = pInput->getWidth();
    nHeight = pInput->getHeight();
    return true;
}

ImageModifierBase::ParameterMap ImageModifierBase::getDefaultParameters() const
{
    return ParameterMap();
}

bool ImageModifierBase::fail(const QString& sLocation, const QString& sMessage)
{
    Logger::getInstance()->log(sLocation, sMessage, Logger::LEVEL_ERROR);
    return false;
}

Raster2dBase* ImageModifierBase::findByRole(const RasterMap& mapRasters, const QString& sRole)
{
    for (const auto& entry : mapRasters)
    {
        if (entry.first.contains(sRole))
        {
            return entry.second;
        }
    }
    return nullptr;
}

template <typename T>
bool ImageModifierBase::readValue(const QString& sKey, T& value) const
{
    const auto it = m_mapParameters.find(sKey);
    if (it == m_mapParameters.end())
    {
        return false;
    }
    const QVariant variant = it->second;
    if (!variant.isValid() || variant.isNull() || !variant.canConvert<T>())
    {
        return false;
    }
    T converted = variant.value<T>();
    std::swap(value, converted);
    return true;
}

// The list and vector types are registered under their fixed names before
// the first read; registering again is harmless.
namespace
{
struct MetaTypeRegistration
{
    MetaTypeRegistration() { registerParameterMetaTypes(); }
};
void ensureMetaTypes()
{
    static MetaTypeRegistration s_registration;
}
} // namespace

bool ImageModifierBase::getValue(const QString& sKey, bool& value) const { return readValue(sKey, value); }
bool ImageModifierBase::getValue(const QString& sKey, int& value) const { return readValue(sKey, value); }
bool ImageModifierBase::getValue(const QString& sKey, unsigned int& value) const { return readValue(sKey, value); }
bool ImageModifierBase::getValue(const QString& sKey, quint64& value) const { return readValue(sKey, value); }
bool ImageModifierBase::getValue(const QString& sKey, double& value) const { return readValue(sKey, value); }
bool ImageModifierBase::getValue(const QString& sKey, QPointF& value) const { return readValue(sKey, value); }
bool ImageModifierBase::getValue(const QString& sKey, QString& value) const { return readValue(sKey, value); }

bool ImageModifierBase::getValue(const QString& sKey, QList<QPointF>& value) const
{
    ensureMetaTypes();
    return readValue(sKey, value);
}

bool ImageModifierBase::getValue(const QString& sKey, QList<double>& value) const
{
    ensureMetaTypes();
    return readValue(sKey, value);
}

bool ImageModifierBase::getValue(const QString& sKey, std::vector<F32>& value) const
{
    ensureMetaTypes();
    return readValue(sKey, value);
}

bool ImageModifierBase::getValue(const QString& sKey, std::vector<QString>& value) const
{
    ensureMetaTypes();
    return readValue(sKey, value);
}

bool ImageModifierBase::getValue(const QString& sKey, std::vector<bool>& value) const
{
    ensureMetaTypes();
    return readValue(sKey, value);
}
