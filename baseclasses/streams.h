// The filter framework, for code built on it.
#pragma once

#include "baseclasses/alloc_wide_string.h"
#include "baseclasses/base_object.h"
#include "baseclasses/format_wide_bounded.h"
#include "baseclasses/guid_compare.h"
#include "baseclasses/persist_stream.h"
#include "baseclasses/ref_time.h"
#include "baseclasses/section_lock.h"
#include "baseclasses/unknown.h"
