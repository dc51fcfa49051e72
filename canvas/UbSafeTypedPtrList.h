#pragma once

#include <cstdio>
#include <cstdlib>
#include <vector>

// Owning ordered list of pointers to T, iterated from head (first added) to tail (last added).
// Clearing or destroying the list deletes what it still holds; RemoveAt unlinks one element and
// hands it to the caller. A position is the element's place counted from the head; -1 means
// none. A position outside the list is a programming error and aborts with a message.
template<class T> class CUbSafeTypedPtrList
{
public:
    using Position = int;

    CUbSafeTypedPtrList() = default;
    ~CUbSafeTypedPtrList() { RemoveAll(); }

    CUbSafeTypedPtrList(const CUbSafeTypedPtrList &) = delete;
    CUbSafeTypedPtrList &operator=(const CUbSafeTypedPtrList &) = delete;

    int Count() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }

    // Appends at the tail and takes ownership.
    void AddTail(T *item) { m_items.push_back(item); }

    // Position of the element, or -1 when the list does not hold it.
    Position Find(const T *item) const
    {
        for (size_t i = 0; i < m_items.size(); ++i) {
            if (m_items[i] == item)
                return static_cast<Position>(i);
        }
        return -1;
    }

    T *GetAt(Position position) const
    {
        Check(position, "GetAt");
        return m_items[static_cast<size_t>(position)];
    }

    // Unlinks the element without deleting it; the caller owns it afterwards.
    T *RemoveAt(Position position)
    {
        Check(position, "RemoveAt");
        T *item = m_items[static_cast<size_t>(position)];
        m_items.erase(m_items.begin() + position);
        return item;
    }

    // Deletes every element, then empties the list.
    void RemoveAll()
    {
        std::vector<T *> items;
        items.swap(m_items);
        for (T *item : items)
            delete item;
    }

    typename std::vector<T *>::const_iterator begin() const { return m_items.begin(); }
    typename std::vector<T *>::const_iterator end() const { return m_items.end(); }

private:
    void Check(Position position, const char *operation) const
    {
        if (position < 0 || position >= Count()) {
            std::fprintf(stderr,
                         "CUbSafeTypedPtrList::%s: invalid argument: position %d out of range "
                         "(count %d)\n",
                         operation, position, Count());
            std::fflush(stderr);
            std::abort();
        }
    }

    std::vector<T *> m_items;
};
