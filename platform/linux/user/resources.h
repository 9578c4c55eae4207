// A module's resources: its dialog templates and string table, looked up by (module, id) the way
// FindResource finds them in a Windows module.
//
// A module describes its resources in one table (module/resources.table); the Linux build turns
// that table into constant data compiled into the module, which registers it under its own
// instance handle when it is loaded and withdraws it when it is unloaded.
#pragma once

#include "platform/linux/user/window_types.h"

// A control of a dialog template. The class is a name, or (className null) one of the
// predefined ordinals: 0x0080 Button, 0x0081 Edit, 0x0082 Static, 0x0083 ListBox,
// 0x0084 ScrollBar, 0x0085 ComboBox. Coordinates are dialog units.
struct DqDialogItem {
    LPCWSTR className;
    WORD classOrdinal;
    DWORD id;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    LPCWSTR text;
};

// A dialog template, with the fields of an extended template (DLGTEMPLATEEX). Coordinates are
// dialog units; the size is the client area's. typeface is null without DS_SETFONT.
struct DqDialogTemplate {
    WORD id;
    WORD language;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    LPCWSTR caption;
    WORD pointSize;
    WORD weight;
    BYTE italic;
    BYTE charset;
    LPCWSTR typeface;
    const DqDialogItem* items;
    UINT itemCount;
};

struct DqStringResource {
    UINT id;
    WORD language;
    LPCWSTR text;
};

struct DqResourceTable {
    const DqDialogTemplate* dialogs;
    UINT dialogCount;
    const DqStringResource* strings;
    UINT stringCount;
};

// The table stays the caller's and must outlive the registration. Registering a module again
// replaces its table.
void DqRegisterModuleResources(HINSTANCE hInstance, const DqResourceTable* table);
void DqUnregisterModuleResources(HINSTANCE hInstance);

// When a resource exists in several languages, the user interface language is preferred
// (English, United States: 0x0409), then its primary language, then neutral, then the first.
#define DQ_USER_UI_LANGUAGE 0x0409

// The template named by an id (MAKEINTRESOURCEW), or null with the last error set to
// ERROR_RESOURCE_DATA_NOT_FOUND (no resources for the module) or ERROR_RESOURCE_NAME_NOT_FOUND.
const DqDialogTemplate* DqFindDialogTemplate(HINSTANCE hInstance, LPCWSTR lpTemplateName);

// Copies string uID into the buffer (at most cchBufferMax - 1 characters, then a terminator)
// and returns the characters copied. With cchBufferMax 0 the buffer receives a read-only pointer
// to the string itself and the string's length is returned. A missing string returns 0.
int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);
