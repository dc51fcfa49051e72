#pragma once

#include <cstdio>
#include <cstdlib>
#include <vector>

// Owning array of pointers to T. The array deletes what it holds when it is emptied with
// RemoveAll or destroyed; RemoveAt hands one element back to the caller without deleting it.
// An index outside 0 ... Count() - 1 is a programming error, never a result: the process
// prints what went wrong and aborts, so a bad index cannot silently hand out a wrong element.
template<class T> class CUbSafeTypedPtrArray
{
public:
    CUbSafeTypedPtrArray() = default;
    ~CUbSafeTypedPtrArray() { RemoveAll(); }

    CUbSafeTypedPtrArray(const CUbSafeTypedPtrArray &) = delete;
    CUbSafeTypedPtrArray &operator=(const CUbSafeTypedPtrArray &) = delete;

    CUbSafeTypedPtrArray(CUbSafeTypedPtrArray &&other) noexcept
        : m_items(std::move(other.m_items))
    {
        other.m_items.clear();
    }
    CUbSafeTypedPtrArray &operator=(CUbSafeTypedPtrArray &&other) noexcept
    {
        if (this != &other) {
            RemoveAll();
            m_items = std::move(other.m_items);
            other.m_items.clear();
        }
        return *this;
    }

    int Count() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }

    T *At(int index) const
    {
        CheckIndex(index, Count(), "At");
        return m_items[static_cast<size_t>(index)];
    }
    T *operator[](int index) const { return At(index); }

    // Takes ownership; the element gets index Count() - 1 afterwards. Returns that index.
    int Append(T *item)
    {
        m_items.push_back(item);
        return Count() - 1;
    }

    // Takes ownership; index may be Count() to append.
    void InsertAt(int index, T *item)
    {
        CheckIndex(index, Count() + 1, "InsertAt");
        m_items.insert(m_items.begin() + index, item);
    }

    // Takes the element out without deleting it; the caller owns it afterwards.
    T *RemoveAt(int index)
    {
        CheckIndex(index, Count(), "RemoveAt");
        T *item = m_items[static_cast<size_t>(index)];
        m_items.erase(m_items.begin() + index);
        return item;
    }

    // Index of the element, or -1 when the array does not hold it.
    int IndexOf(const T *item) const
    {
        for (size_t i = 0; i < m_items.size(); ++i) {
            if (m_items[i] == item)
                return static_cast<int>(i);
        }
        return -1;
    }

    // True when the order names every element exactly once (what Reorder accepts).
    bool IsPermutation(const std::vector<int> &order) const
    {
        if (static_cast<int>(order.size()) != Count())
            return false;
        std::vector<bool> seen(m_items.size(), false);
        for (int oldIndex : order) {
            if (oldIndex < 0 || oldIndex >= Count() || seen[static_cast<size_t>(oldIndex)])
                return false;
            seen[static_cast<size_t>(oldIndex)] = true;
        }
        return true;
    }

    // Rearranges the elements: order[n] is the old index of the element that goes to position n.
    // The order must be a permutation of 0 ... Count() - 1; anything else is the same fatal
    // error as a bad index, checked before anything moves.
    void Reorder(const std::vector<int> &order)
    {
        const int count = Count();
        if (static_cast<int>(order.size()) != count)
            Fail("Reorder", "order size does not match the count", static_cast<int>(order.size()),
                 count);
        std::vector<bool> seen(m_items.size(), false);
        for (int oldIndex : order) {
            CheckIndex(oldIndex, count, "Reorder");
            if (seen[static_cast<size_t>(oldIndex)])
                Fail("Reorder", "index given twice", oldIndex, count);
            seen[static_cast<size_t>(oldIndex)] = true;
        }
        std::vector<T *> rearranged;
        rearranged.reserve(m_items.size());
        for (int oldIndex : order)
            rearranged.push_back(m_items[static_cast<size_t>(oldIndex)]);
        m_items.swap(rearranged);
    }

    // Deletes every element and empties the array.
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
    static void CheckIndex(int index, int limit, const char *operation)
    {
        if (index < 0 || index >= limit)
            Fail(operation, "index out of range", index, limit);
    }

    [[noreturn]] static void Fail(const char *operation, const char *reason, int index, int limit)
    {
        std::fprintf(stderr,
                     "CUbSafeTypedPtrArray::%s: invalid argument: %s (index %d, limit %d)\n",
                     operation, reason, index, limit);
        std::fflush(stderr);
        std::abort();
    }

    std::vector<T *> m_items;
};
