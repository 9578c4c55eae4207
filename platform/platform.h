// The one header the product's code includes for the operating system's API.
//
// On Windows it is the real SDK. On Linux it is our own platform layer, which declares and
// implements, with the Windows names, signatures and meaning, exactly the pieces of Win32, COM
// and DirectShow the product and its hosts use.
#pragma once

#ifdef _WIN32

#include <cstdint>

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <ocidl.h>
#include <vfwmsgs.h>
// dshow.h pulls in strsafe.h, which would otherwise rename the C runtime's string functions.
#define STRSAFE_NO_DEPRECATE
#include <dshow.h>
#include <cstdio>
#include <cwchar>

// Wide string literal in the platform's WCHAR type.
#define WSTR(s) L##s
// The SDK already compares GUIDs with == and !=.
#define DQ_SDK_HAS_GUID_OPERATORS 1

#else

#include "platform/linux/win_types.h"
#include "platform/linux/win_error.h"
#include "platform/linux/guid.h"
#include "platform/linux/com/com_interfaces.h"
#include "platform/linux/com/com_runtime.h"
#include "platform/linux/com/com_activation.h"
#include "platform/linux/kernel/kernel.h"
#include "platform/linux/kernel/kernel_events.h"
#include "platform/linux/kernel/wide_string.h"
#include "platform/linux/registry/registry.h"
#include "platform/linux/user/window.h"
#include "platform/linux/user/resources.h"
#include "platform/linux/com/ole_property_page.h"
#include "platform/linux/dshow/dshow_types.h"
#include "platform/linux/dshow/dshow_interfaces.h"
#include "platform/linux/dshow/dshow_ids.h"
#include "platform/linux/com/ole_automation.h"
#include "platform/linux/com/guid_text.h"
#include "platform/linux/com/moniker_interfaces.h"
#include "platform/linux/dshow/filter_mapper_interfaces.h"

#define WSTR(s) u##s
#define DQ_SDK_HAS_GUID_OPERATORS 0

#endif

#include "platform/guid_define.h"
