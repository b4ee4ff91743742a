#include "simulation/level/CPLevel.h"

#include "Render/CPCamera.h"
#include "Render/PRender.h"
#include "core/ServiceGlobals.h"

CPLevel::CPLevel() = default;

CPLevel::~CPLevel() {
    delete mCamera;
    mCamera = nullptr;
    if (gLevel == this) gLevel = nullptr;
}

void CPLevel::AddRendererRecord() {
    if (gRenderer) gRenderer->AddLight(mSunLight);
}
