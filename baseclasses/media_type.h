// Media type records: the owning value type and the helpers that copy, compare and free them.
#pragma once

#include "platform/platform.h"

// Every byte 0, then sample size 1 and fixed-size samples.
void ResetMediaType(AM_MEDIA_TYPE* type);
// Frees the format block and releases the extra unknown; the other fields stay.
void ReleaseFormat(AM_MEDIA_TYPE* type);
// Overwrites target (without releasing it) with a copy of source that owns its own format block
// and holds its own reference on the extra unknown. E_OUTOFMEMORY leaves target without format
// block and without extra unknown.
HRESULT CopyMediaTypeDeep(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// Frees a record handed out in task memory (as media type enumerators do), contents included.
void DestroyMediaType(AM_MEDIA_TYPE* type);

// A media type record that owns its format block and extra unknown. No virtual operations and no
// fields of its own, so a CMediaType* can be used wherever an AM_MEDIA_TYPE* is expected.
class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    // A deep copy; when the format block cannot be allocated the copy has none.
    CMediaType(const CMediaType& other);
    explicit CMediaType(const AM_MEDIA_TYPE& other);
    ~CMediaType();
    CMediaType& operator=(const CMediaType& other);

    HRESULT Assign(const AM_MEDIA_TYPE& source);
    void ResetMediaType() { ::ResetMediaType(this); }
    void ReleaseFormat() { ::ReleaseFormat(this); }

    // The major type or the format type is unset.
    bool IsPartial() const;
    // Every field the template sets (major type, subtype, format type with its block) is equal.
    bool MatchesTemplate(const CMediaType* tmpl) const;

    // Types, format type and format block; flags, sample size and extra unknown are not compared.
    bool operator==(const CMediaType& other) const;
    bool operator!=(const CMediaType& other) const { return !(*this == other); }
};

static_assert(sizeof(CMediaType) == sizeof(AM_MEDIA_TYPE));
static_assert(sizeof(void*) != 4 || sizeof(AM_MEDIA_TYPE) == 72);
