#pragma once

#include <QObject>
#include <QString>

// A named object that can be cloned: the base of everything in the object tree.
class ObjectBase : public QObject
{
    Q_OBJECT

public:
    ObjectBase();
    explicit ObjectBase(const QString& sName);
    ~ObjectBase() override;

    bool isCommitted() const { return m_bCommitted; }
    void setCommitted(bool bCommitted) { m_bCommitted = bCommitted; }

    // A new object of the same class, without parent, owned by the caller.
    virtual ObjectBase* clone() const;
    // Copies this object's state into pTarget: the clone name, the commit mark
    // and a clone of each direct child (each clone brings its own subtree).
    virtual void copyTo(ObjectBase* pTarget) const;

    // "<name>:CLONE"
    static QString getCloneName(const QString& sName);
    // The name with every ":CLONE" removed.
    static QString removeCloneSuffix(const QString& sName);
    // The name with ":", "/" and "#" replaced by "_".
    static QString toFileName(const QString& sName);

signals:
    // Emitted by the destructor while the name and the parent are still valid.
    void signalDestroyed(ObjectBase* pObject);

private:
    bool m_bCommitted = false;
};
