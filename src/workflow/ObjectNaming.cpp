#include "ObjectNaming.h"

#include "WorkflowIdentifiers.h"

namespace
{
// The order in which tags are searched and removed: a name that contains two
// tags yields the one found first here.
const QStringList& handledTags()
{
    static const QStringList tags{HIGH_RES_HQ, LOW_RES_LQ, ORIGINAL_RES_HQ, LOW_RES_HQ};
    return tags;
}
} // namespace

QString createStateObjectName(const QString& sName, unsigned long ulUid)
{
    return QStringLiteral("%1:%2").arg(sName).arg(ulUid);
}

QString createObjectName(const QString& sStateFullName, const QString& sKind, const QString& sResolutionTag)
{
    return QStringLiteral("%1#%2/%3").arg(sStateFullName, sKind, sResolutionTag);
}

QString createObjectName(const QString& sStateFullName, const QString& sKind, int nIndex,
                         const QString& sResolutionTag)
{
    return QStringLiteral("%1#%2/%3/%4").arg(sStateFullName, sKind, QString::number(nIndex), sResolutionTag);
}

QString createHookObjectName(unsigned long ulHookNumber)
{
    return createStateObjectName(MESH_HOOK, ulHookNumber);
}

QString joinQualifiedName(const QString& sFirst, const QString& sSecond)
{
    return sFirst + QLatin1Char('#') + sSecond;
}

bool splitQualifiedName(const QString& sName, QString& sHead, QString& sTail)
{
    const QStringList parts = sName.split(QLatin1Char('#'), Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (parts.size() < 2)
    {
        return false;
    }
    sHead = parts.at(0);
    sTail = parts.at(1);
    return true;
}

QString joinPath(const QString& sFirst, const QString& sSecond)
{
    return QStringLiteral("%1/%2").arg(sFirst, sSecond);
}

QString getResolutionTag(const QString& sName)
{
    for (const QString& sTag : handledTags())
    {
        if (sName.contains(sTag, Qt::CaseSensitive))
        {
            return sTag;
        }
    }
    return QString();
}

QString removeResolutionTags(const QString& sName)
{
    QString sResult = sName;
    for (const QString& sTag : handledTags())
    {
        sResult.remove(QLatin1Char('/') + sTag, Qt::CaseSensitive);
    }
    return sResult;
}

QStringList getResolutionVariants(const QString& sName)
{
    const QString sBase = removeResolutionTags(sName);
    return {joinPath(sBase, ORIGINAL_RES_HQ), joinPath(sBase, HIGH_RES_HQ), joinPath(sBase, LOW_RES_HQ),
            joinPath(sBase, LOW_RES_LQ)};
}

QStringList getLowResolutionTags()
{
    return {LOW_RES_LQ, LOW_RES_HQ};
}

QStringList getHighResolutionTags()
{
    return {ORIGINAL_RES_HQ, HIGH_RES_HQ};
}
