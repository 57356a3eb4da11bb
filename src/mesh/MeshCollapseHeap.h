#pragma once

#include <cstddef>
#include <vector>

// The vertices waiting to be collapsed, cheapest first: a binary heap that
// knows where each vertex stands in it, so that a vertex may be weighed
// again or taken out wherever it is.
class MeshCollapseHeap
{
public:
    // A vertex waiting: the cost and the squared length of its cheapest
    // collapse. Equal costs go by length, the shortest first: on flat
    // ground, where every collapse costs nothing, that keeps the triangles
    // round, and fewer collapses are refused for their shape. Then by vertex
    // number, so that the order depends on nothing else.
    struct Entry
    {
        float fCost;
        float fLength;
        int nVertex;
    };

    // Empty, for vertices numbered below nVertices.
    void reset(std::size_t nVertices)
    {
        m_position.assign(nVertices, -1);
        m_heap.clear();
        m_heap.reserve(nVertices);
    }

    // Adds an entry without ordering the heap; order() orders it once all
    // are in.
    void add(const Entry& entry)
    {
        m_position[std::size_t(entry.nVertex)] = int(m_heap.size());
        m_heap.push_back(entry);
    }
    void order()
    {
        for (std::size_t i = m_heap.size() / 2; i-- > 0;)
        {
            siftDown(i);
        }
    }

    // Puts the vertex of the entry in or moves it to the entry's place.
    void set(const Entry& entry)
    {
        const std::size_t v = std::size_t(entry.nVertex);
        if (m_position[v] < 0)
        {
            add(entry);
        }
        const std::size_t i = std::size_t(m_position[v]);
        m_heap[i] = entry;
        siftUp(i);
        siftDown(std::size_t(m_position[v]));
    }

    // Takes the vertex out, where it is in.
    void remove(std::size_t v)
    {
        if (m_position[v] < 0)
        {
            return;
        }
        const std::size_t i = std::size_t(m_position[v]);
        m_position[v] = -1;
        const Entry last = m_heap.back();
        m_heap.pop_back();
        if (i < m_heap.size())
        {
            put(i, last);
            siftUp(i);
            siftDown(std::size_t(m_position[std::size_t(last.nVertex)]));
        }
    }

    bool contains(std::size_t v) const { return m_position[v] >= 0; }
    bool empty() const { return m_heap.empty(); }
    const Entry& top() const { return m_heap.front(); }
    // The vertices it is for.
    std::size_t range() const { return m_position.size(); }
    // The entries, in no particular order.
    const std::vector<Entry>& entries() const { return m_heap; }

private:
    static bool before(const Entry& a, const Entry& b)
    {
        if (a.fCost != b.fCost)
        {
            return a.fCost < b.fCost;
        }
        if (a.fLength != b.fLength)
        {
            return a.fLength < b.fLength;
        }
        return a.nVertex < b.nVertex;
    }

    void put(std::size_t i, const Entry& entry)
    {
        m_heap[i] = entry;
        m_position[std::size_t(entry.nVertex)] = int(i);
    }

    void siftUp(std::size_t i)
    {
        const Entry entry = m_heap[i];
        while (i > 0)
        {
            const std::size_t nParent = (i - 1) / 2;
            if (!before(entry, m_heap[nParent]))
            {
                break;
            }
            put(i, m_heap[nParent]);
            i = nParent;
        }
        put(i, entry);
    }

    void siftDown(std::size_t i)
    {
        const Entry entry = m_heap[i];
        const std::size_t n = m_heap.size();
        for (;;)
        {
            std::size_t nChild = 2 * i + 1;
            if (nChild >= n)
            {
                break;
            }
            if (nChild + 1 < n && before(m_heap[nChild + 1], m_heap[nChild]))
            {
                ++nChild;
            }
            if (!before(m_heap[nChild], entry))
            {
                break;
            }
            put(i, m_heap[nChild]);
            i = nChild;
        }
        put(i, entry);
    }

    std::vector<Entry> m_heap;
    // Per vertex: its place in m_heap, or -1.
    std::vector<int> m_position;
};
