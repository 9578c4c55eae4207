// A doubly linked list of object pointers it does not own.
#pragma once

struct CPointerListNode {
    CPointerListNode* m_pPrev;
    CPointerListNode* m_pNext;
    void* m_pObject;
};

class CPointerList {
public:
    CPointerList() = default;
    ~CPointerList() { Clear(); }
    CPointerList(const CPointerList&) = delete;
    CPointerList& operator=(const CPointerList&) = delete;

    // The new node, or null when none could be allocated (the list is then unchanged).
    CPointerListNode* Append(void* object);
    // The first node holding exactly this pointer, or null.
    CPointerListNode* Contains(const void* object) const;
    // Appends every object of other in its order; false as soon as one append fails.
    bool AppendAll(const CPointerList& other);
    void Clear();

    int GetCount() const { return m_nCount; }
    CPointerListNode* First() const { return m_pFirst; }

private:
    CPointerListNode* m_pFirst = nullptr;
    CPointerListNode* m_pLast = nullptr;
    int m_nCount = 0;
};
