// The engine's global service objects. The host creates and sets them; the engine only reads them.
// Engine code reaches a service through its g-global directly (docs/architecture.md lists them).
#pragma once

class CNSoundManager;
class CPObjectFactory;
class CPGameData;
class CPFontManager;
class CPLevel;
class CPPhysicWorld;
class CPCommandDispatcher;
class PRender;
class CPTaskKernel;

extern CNSoundManager* gSoundManager;
extern CPObjectFactory* gObjectFactory;
extern CPGameData* gGameData;
extern CPFontManager* gFontManager;
extern CPLevel* gLevel;
extern CPPhysicWorld* gPhysicsWorld;
extern CPCommandDispatcher* gCommandDispatcher;
extern PRender* gRenderer;
extern CPTaskKernel* gTaskKernel;

// The named getters, kept for callers that name them: each returns the global as it is, no reference
// taken, null while the host has not set it.
CNSoundManager* GetSoundManager();
CPObjectFactory* GetObjectFactory();
CPGameData* GetGameData();
CPFontManager* GetFontManager();
CPLevel* GetLevel();
CPPhysicWorld* GetPhysicsWorld();
CPCommandDispatcher* GetCommandDispatcher();
PRender* GetRenderer();
