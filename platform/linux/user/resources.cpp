#include "platform/linux/user/resources.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/linux/kernel/kernel.h"
#include "platform/linux/kernel/wide_string.h"
#include "platform/linux/win_error.h"

namespace {

std::mutex g_mutex;
std::unordered_map<HINSTANCE, const DqResourceTable*> g_tables;

const DqResourceTable* TableOf(HINSTANCE hInstance) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_tables.find(hInstance);
    return it == g_tables.end() ? nullptr : it->second;
}

// Among the entries with the wanted id, the one in the best language.
template <typename T, typename GetId>
const T* Pick(const T* entries, UINT count, UINT id, GetId getId) {
    const T* best = nullptr;
    int bestRank = 4;
    for (UINT i = 0; i < count; ++i) {
        if (getId(entries[i]) != id)
            continue;
        WORD lang = entries[i].language;
        int rank = lang == DQ_USER_UI_LANGUAGE                                 ? 0
                   : PRIMARYLANGID(lang) == PRIMARYLANGID(DQ_USER_UI_LANGUAGE) ? 1
                   : PRIMARYLANGID(lang) == LANG_NEUTRAL                       ? 2
                                                                               : 3;
        if (rank < bestRank) {
            best = &entries[i];
            bestRank = rank;
        }
    }
    return best;
}

} // namespace

void DqRegisterModuleResources(HINSTANCE hInstance, const DqResourceTable* table) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_tables[hInstance] = table;
}

void DqUnregisterModuleResources(HINSTANCE hInstance) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_tables.erase(hInstance);
}

const DqDialogTemplate* DqFindDialogTemplate(HINSTANCE hInstance, LPCWSTR lpTemplateName) {
    const DqResourceTable* table = TableOf(hInstance);
    if (table == nullptr) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    // Templates are named by id only.
    const DqDialogTemplate* found = nullptr;
    if (lpTemplateName != nullptr && IS_INTRESOURCE(lpTemplateName))
        found = Pick(table->dialogs, table->dialogCount,
                     static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpTemplateName)),
                     [](const DqDialogTemplate& d) { return UINT(d.id); });
    if (found == nullptr)
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return found;
}

int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
    if (lpBuffer == nullptr || cchBufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const DqResourceTable* table = TableOf(hInstance);
    if (table == nullptr) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    // Windows keeps string ids in 16 bits.
    const DqStringResource* s = Pick(table->strings, table->stringCount, uID & 0xFFFF,
                                     [](const DqStringResource& r) { return r.id; });
    if (s == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        if (cchBufferMax > 0)
            lpBuffer[0] = 0;
        return 0;
    }
    int length = lstrlenW(s->text);
    if (cchBufferMax == 0) {
        *reinterpret_cast<LPCWSTR*>(lpBuffer) = s->text;
        return length;
    }
    int n = length < cchBufferMax - 1 ? length : cchBufferMax - 1;
    std::memcpy(lpBuffer, s->text, static_cast<size_t>(n) * sizeof(WCHAR));
    lpBuffer[n] = 0;
    return n;
}
