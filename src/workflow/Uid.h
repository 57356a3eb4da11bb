#pragma once

// The identity of a state and the references that point at it.
//
// Every state owns exactly one owner record; whatever else has to point at a
// state (its implementation, a transition, an option, a cloner) holds a
// reference record with the same number. Keeping the two apart is what lets a
// deep copy of a component give the copied states fresh numbers and redirect
// exactly the references that pointed into the copy.

class Uid
{
public:
    enum Kind : unsigned int
    {
        KIND_OWNER = 0,
        KIND_REFERENCE = 1
    };

    // A fresh number from generateUniqueId(), kind owner. Used by State only.
    Uid();
    Uid(unsigned long ulId, unsigned int nKind);

    unsigned long get() const { return m_ulId; }
    // Replaces the number; only the copy bookkeeping does this.
    void set(unsigned long ulId) { m_ulId = ulId; }
    unsigned int getKind() const { return m_nKind; }

    // A new record with the same number and kind, registered at once with the
    // copy bookkeeping. Every copy of the workflow copies uids through this.
    Uid* clone() const;

private:
    unsigned long m_ulId;
    unsigned int m_nKind;
};

// The next number of the process-wide counter: 1 first, never 0, never
// reused. Any thread.
unsigned long generateUniqueId();

// A registered copy of pUid, or null for null.
Uid* cloneUid(const Uid* pUid);

// The number a record holds; 0 (no state) for null.
inline unsigned long idOf(const Uid* pUid)
{
    return pUid ? pUid->get() : 0;
}
