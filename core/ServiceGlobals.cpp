#include "core/ServiceGlobals.h"

CNSoundManager* gSoundManager = nullptr;
CPObjectFactory* gObjectFactory = nullptr;
CPGameData* gGameData = nullptr;
CPFontManager* gFontManager = nullptr;
CPLevel* gLevel = nullptr;
CPPhysicWorld* gPhysicsWorld = nullptr;
CPCommandDispatcher* gCommandDispatcher = nullptr;
PRender* gRenderer = nullptr;
CPTaskKernel* gTaskKernel = nullptr;

CNSoundManager* GetSoundManager() { return gSoundManager; }
CPObjectFactory* GetObjectFactory() { return gObjectFactory; }
CPGameData* GetGameData() { return gGameData; }
CPFontManager* GetFontManager() { return gFontManager; }
CPLevel* GetLevel() { return gLevel; }
CPPhysicWorld* GetPhysicsWorld() { return gPhysicsWorld; }
CPCommandDispatcher* GetCommandDispatcher() { return gCommandDispatcher; }
PRender* GetRenderer() { return gRenderer; }
