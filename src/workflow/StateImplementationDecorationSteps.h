#pragma once

// The two steps that come back to finished decoration elements: edit offers
// each element and enters the chosen one's chain; delete offers each element
// through an inserted state deleter. Both delete, on entry, the elements that
// were never finished; one finished once stays until the user deletes it.

#include "StateImplementationImageSelection.h"

class Uid;

class StateImplementationDecorationEdit : public StateImplementationImageSelection
{
    Q_OBJECT
public:
    StateImplementationDecorationEdit();
    // ulRootUid: the state whose children are the elements.
    StateImplementationDecorationEdit(unsigned long ulRootUid, const QString& sThumbnailImageKindLeft,
                                      const QString& sThumbnailImageKindRight);
    ~StateImplementationDecorationEdit() override;

    StateImplementationBase* clone() const override;
    void copyTo(StateImplementationBase* pDerivedClone) const override;
    // One option per finished element, then "UP".
    void process() override;
    void removeObjects() override {}

private:
    Uid* m_pRootUid = nullptr;
};

class StateImplementationDecorationDelete : public StateImplementationImageSelection
{
    Q_OBJECT
public:
    StateImplementationDecorationDelete();
    // ulExitUid: where a deleter returns to after deleting.
    StateImplementationDecorationDelete(unsigned long ulRootUid, unsigned long ulExitUid,
                                        const QString& sThumbnailImageKindLeft, const QString& sThumbnailImageKindRight);
    ~StateImplementationDecorationDelete() override;

    StateImplementationBase* clone() const override;
    void copyTo(StateImplementationBase* pDerivedClone) const override;
    // One deleter sub-state and option per finished element, then "UP".
    void process() override;
    void removeObjects() override {}

private:
    Uid* m_pRootUid = nullptr;
    Uid* m_pExitUid = nullptr;
};
