#include "platform/ModuleResources.h"

HRSRC FindResourceA(HMODULE, LPCSTR, LPCSTR) { return nullptr; }

HGLOBAL LoadResource(HMODULE, HRSRC) { return nullptr; }

DWORD SizeofResource(HMODULE, HRSRC) { return 0; }

LPVOID LockResource(HGLOBAL) { return nullptr; }
