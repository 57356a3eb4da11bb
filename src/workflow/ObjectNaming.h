#pragma once

// How the workflow names things. Objects of the object tree find each other
// only by name, so every name is built from one scheme:
//
//   state object name    "<state name>:<uid>"                 LOAD:13
//   state full name      parent full name + "/" + object name /ARTIFACT:2/FRONT:5/.../LOAD:13
//   object name          "<full name>#<kind>/<resolution tag>"
//   indexed object name  "<full name>#<kind>/<index>/<resolution tag>"
//   hook object name     "MESH_HOOK:<number>"
//   qualified state name "<chapter>#<step>"                   SHAPE#LOAD
//
// ":" separates a name from a number (and, in the object tree, a name from the
// clone suffix), "/" separates path parts and the resolution tag, "#" the state
// part of an object name from its object part.

#include <QString>
#include <QStringList>

QString createStateObjectName(const QString& sName, unsigned long ulUid);
QString createObjectName(const QString& sStateFullName, const QString& sKind, const QString& sResolutionTag);
QString createObjectName(const QString& sStateFullName, const QString& sKind, int nIndex,
                         const QString& sResolutionTag);
QString createHookObjectName(unsigned long ulHookNumber);

QString joinQualifiedName(const QString& sFirst, const QString& sSecond);
// Head and tail are the first two "#"-separated parts (empty parts kept);
// false, with both left untouched, when the name has no "#".
bool splitQualifiedName(const QString& sName, QString& sHead, QString& sTail);
QString joinPath(const QString& sFirst, const QString& sSecond);

// The first of HIGH_RES_HQ, LOW_RES_LQ, ORIGINAL_RES_HQ, LOW_RES_HQ that the
// name contains anywhere; a null string when none does.
QString getResolutionTag(const QString& sName);
// The name without any "/<tag>" of those four tags (the intermediate tags stay).
QString removeResolutionTags(const QString& sName);
// The name without tags, joined with ORIGINAL_RES_HQ, HIGH_RES_HQ, LOW_RES_HQ
// and LOW_RES_LQ, in this order.
QStringList getResolutionVariants(const QString& sName);
QStringList getLowResolutionTags();  // LOW_RES_LQ, LOW_RES_HQ
QStringList getHighResolutionTags(); // ORIGINAL_RES_HQ, HIGH_RES_HQ
