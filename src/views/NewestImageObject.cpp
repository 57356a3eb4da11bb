#include "NewestImageObject.h"

#include "ImageObject.h"
#include "ObjectNaming.h"
#include "ObjectRoot.h"

#include <QDateTime>

#include <map>
#include <utility>

namespace
{
// The time stamp of the newest image returned so far, by base name and
// resolution tag. Shared by every view and never cleared while the program
// runs.
using ShownTimeStamps = std::map<std::pair<QString, QString>, QDateTime>;

ShownTimeStamps& getShownTimeStamps()
{
    static ShownTimeStamps s_shownTimeStamps;
    return s_shownTimeStamps;
}

bool containsAnyOf(const QString& sName, const QStringList& slParts)
{
    for (const QString& sPart : slParts)
    {
        if (sName.contains(sPart))
        {
            return true;
        }
    }
    return false;
}
} // namespace

ImageObject* findNewestImageObject(const QString& sImageName, const QStringList& slResolutionTags)
{
    const QString sBaseName = removeResolutionTags(sImageName);
    ImageObject* pNewest = nullptr;
    for (const QString& sCandidate : getResolutionVariants(sBaseName))
    {
        if (!containsAnyOf(sCandidate, slResolutionTags))
        {
            continue;
        }
        ImageObject* pImageObject = ObjectRoot::getInstance()->findObject<ImageObject>(sCandidate);
        if (pImageObject && (!pNewest || pImageObject->getTimeStamp() > pNewest->getTimeStamp()))
        {
            pNewest = pImageObject;
        }
    }
    if (!pNewest)
    {
        return nullptr;
    }

    const QDateTime timeStamp = pNewest->getTimeStamp();
    ShownTimeStamps& shown = getShownTimeStamps();
    for (auto it = shown.lower_bound({sBaseName, QString()}); it != shown.end() && it->first.first == sBaseName; ++it)
    {
        if (slResolutionTags.contains(it->first.second) && it->second > timeStamp)
        {
            return nullptr;
        }
    }
    shown[{sBaseName, getResolutionTag(pNewest->objectName())}] = timeStamp;
    return pNewest;
}
