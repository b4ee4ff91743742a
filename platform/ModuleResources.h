// Binary resources of the program's own module (FindResourceA and its companions). The program
// carries no binary resources, so every look-up fails and the later steps refuse null handles.
#pragma once

#include "platform/WinTypes.h"

using HRSRC = struct HRSRC__*;
using HGLOBAL = void*;

// Null: no resource of that name and type.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
// Null for a null resource.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
// 0 for a null resource.
DWORD SizeofResource(HMODULE module, HRSRC resource);
// Null for a null handle.
LPVOID LockResource(HGLOBAL data);
