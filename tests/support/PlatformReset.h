// Puts the recording stand-ins of the platform layer back to their defaults on entry and on exit:
// no recorded calls, default screen and adapter, OLE and COM counters at 0, no injected failures.
#pragma once

#include "platform/Com.h"
#include "platform/Dialogs.h"
#include "platform/DirectDraw.h"
#include "platform/Direct3D9.h"
#include "platform/Ole.h"
#include "platform/PlatformFaults.h"
#include "platform/WebBrowser.h"
#include "platform/Window.h"

class PlatformReset {
public:
    PlatformReset() { ResetAll(); }
    ~PlatformReset() { ResetAll(); }
    PlatformReset(const PlatformReset&) = delete;
    PlatformReset& operator=(const PlatformReset&) = delete;

private:
    static void ResetAll() {
        PlatformWindows::Reset();
        PlatformCom::Reset();
        PlatformOle::Reset();
        PlatformWebBrowser::Reset();
        PlatformDirect3D::Reset();
        DirectDrawStandIn::Reset();
        PlatformFaults::Clear();
    }
};
