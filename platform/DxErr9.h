// The DirectX error library: the name and a one-line description of every result code the platform
// stand-ins produce. Codes it does not know get "Unknown" and "n/a".
#pragma once

#include "platform/WinTypes.h"

const char* DXGetErrorString9A(HRESULT result);
const char* DXGetErrorDescription9A(HRESULT result);
