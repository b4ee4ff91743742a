#include "simulation/level/CPLevel.h"

#include "Render/PRender.h"
#include "core/ServiceGlobals.h"

void CPLevel::AddSunLight() {
    if (gRenderer) gRenderer->AddLight(mLight);
}
