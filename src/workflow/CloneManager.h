#pragma once

#include <QMutex>
#include <QString>

#include <map>
#include <vector>

class ObjectBase;
class QVariant;
class State;
class Uid;

// Bookkeeping of one deep copy of a component. Everything the ordinary clone
// and copyTo operations copy registers itself here (uids, states, object-tree
// objects, stored object names, parameter values); finish() then gives every
// copied state a fresh uid, redirects the references into the copy, and renames
// the copied objects, with every stored name and value that mentioned them,
// after the states of the copy. Nothing registered is owned.
class CloneManager
{
public:
    static CloneManager* getInstance();
    virtual ~CloneManager();

    // Forgets every registration.
    void begin();
    // An owner is kept by its id (throws when that id is registered already),
    // a reference is grouped under the id it points at. Throws "pUid" for null.
    void registerUid(Uid* pUid);
    void registerState(State* pState);
    // pObject must be in the object tree; kept by its current name.
    void registerObject(ObjectBase* pObject);
    // A string that holds an object name, rewritten when that object is renamed.
    void registerObjectName(QString* pObjectName);
    // A parameter value that may hold object names (a QString, or a
    // std::vector<QString>); every value is kept, also several of one text.
    void registerVariant(QVariant* pVariant);
    // Fresh ids, redirected references, renamed states and objects.
    void finish();

    CloneManager(const CloneManager&) = delete;
    CloneManager& operator=(const CloneManager&) = delete;

private:
    CloneManager() = default;
    // The new name of an object registered under sRegisteredName.
    QString findNewObjectName(const QString& sRegisteredName) const;
    void renameValues(const QString& sOldName, const QString& sNewName);

    std::map<unsigned long, Uid*> m_mapOwnerUids;
    std::map<unsigned long, std::vector<Uid*>> m_mapReferenceUids;
    std::map<QString, ObjectBase*> m_mapNameToObject;
    std::map<QString, std::vector<QString*>> m_mapNameToStrings;
    std::map<QString, std::vector<QVariant*>> m_mapValueToVariants;
    std::vector<State*> m_vStates;
    mutable QMutex m_mutex;
};
