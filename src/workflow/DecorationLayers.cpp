#include "DecorationLayers.h"

#include "ImageModifier/ImageModifierDepthComposite.h"
#include "SimpleException.h"

#include <QVariant>

namespace
{
template <typename T>
std::vector<T> readVector(const ParameterObject::ParameterMap& map, const QString& sKey)
{
    const auto it = map.find(sKey);
    if (it == map.end() || !it->second.canConvert<std::vector<T>>())
    {
        return {};
    }
    return it->second.value<std::vector<T>>();
}
} // namespace

DecorationLayers DecorationLayers::fromParameters(const ParameterObject::ParameterMap& map)
{
    DecorationLayers layers;
    layers.vOrder = readVector<QString>(map, ImageModifierDepthComposite::ORDER);
    layers.vDepth = readVector<float>(map, ImageModifierDepthComposite::DEPTH);
    layers.vEmbossing = readVector<QString>(map, ImageModifierDepthComposite::EMBOSSING);
    layers.vEnabled = readVector<bool>(map, ImageModifierDepthComposite::ENABLED);
    layers.vDepthScale = readVector<float>(map, ImageModifierDepthComposite::DEPTH_SCALE);
    layers.vCutoffLow = readVector<float>(map, ImageModifierDepthComposite::CUTOFF_LOW);
    layers.vCutoffHigh = readVector<float>(map, ImageModifierDepthComposite::CUTOFF_HIGH);
    return layers;
}

void DecorationLayers::toParameters(ParameterObject::ParameterMap& map) const
{
    map[ImageModifierDepthComposite::ORDER] = QVariant::fromValue(vOrder);
    map[ImageModifierDepthComposite::ENABLED] = QVariant::fromValue(vEnabled);
    map[ImageModifierDepthComposite::DEPTH] = QVariant::fromValue(vDepth);
    map[ImageModifierDepthComposite::EMBOSSING] = QVariant::fromValue(vEmbossing);
    map[ImageModifierDepthComposite::DEPTH_SCALE] = QVariant::fromValue(vDepthScale);
    map[ImageModifierDepthComposite::CUTOFF_LOW] = QVariant::fromValue(vCutoffLow);
    map[ImageModifierDepthComposite::CUTOFF_HIGH] = QVariant::fromValue(vCutoffHigh);
}

void DecorationLayers::update(const QStringList& slElementNames)
{
    MOLDENA_ASSERT(vOrder.size() == vDepth.size() && vEmbossing.size() == vDepth.size() &&
                   vEnabled.size() == vDepth.size() && vDepthScale.size() == vDepth.size() &&
                   vCutoffLow.size() == vDepth.size() && vCutoffHigh.size() == vDepth.size());

    for (const QString& sName : slElementNames)
    {
        if (std::find(vOrder.begin(), vOrder.end(), sName) == vOrder.end())
        {
            vOrder.push_back(sName);
            vDepth.push_back(DEFAULT_DEPTH);
            vEmbossing.push_back(ImageModifierDepthComposite::POSITIVE);
            vEnabled.push_back(true);
            vDepthScale.push_back(DEFAULT_DEPTH_SCALE);
            vCutoffLow.push_back(0.0f);
            vCutoffHigh.push_back(0.0f);
        }
    }

    for (std::size_t i = 0; i < vOrder.size();)
    {
        if (slElementNames.contains(vOrder[i]))
        {
            ++i;
            continue;
        }
        const auto at = [i](auto& v) { v.erase(v.begin() + std::ptrdiff_t(i)); };
        at(vOrder);
        at(vDepth);
        at(vEmbossing);
        at(vEnabled);
        at(vDepthScale);
        at(vCutoffLow);
        at(vCutoffHigh);
    }
}
