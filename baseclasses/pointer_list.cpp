#include "baseclasses/pointer_list.h"

#include <new>

CPointerListNode* CPointerList::Append(void* object) {
    auto* node = new (std::nothrow) CPointerListNode{m_pLast, nullptr, object};
    if (node == nullptr)
        return nullptr;
    if (m_pLast != nullptr)
        m_pLast->m_pNext = node;
    else
        m_pFirst = node;
    m_pLast = node;
    ++m_nCount;
    return node;
}

CPointerListNode* CPointerList::Contains(const void* object) const {
    for (CPointerListNode* node = m_pFirst; node != nullptr; node = node->m_pNext) {
        if (node->m_pObject == object)
            return node;
    }
    return nullptr;
}

bool CPointerList::AppendAll(const CPointerList& other) {
    // Counted, so that appending a list to itself ends.
    CPointerListNode* node = other.m_pFirst;
    for (int n = other.m_nCount; n > 0; --n, node = node->m_pNext) {
        if (Append(node->m_pObject) == nullptr)
            return false;
    }
    return true;
}

void CPointerList::Clear() {
    CPointerListNode* node = m_pFirst;
    while (node != nullptr) {
        CPointerListNode* next = node->m_pNext;
        delete node;
        node = next;
    }
    m_pFirst = m_pLast = nullptr;
    m_nCount = 0;
}
