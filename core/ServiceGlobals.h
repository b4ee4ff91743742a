// The engine's global service objects. The host creates and sets them; the engine only reads them.
// Each getter returns the pointer as it is: no reference taken, null while the host has not set it.
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

CNSoundManager* GetSoundManager();
CPObjectFactory* GetObjectFactory();
CPGameData* GetGameData();
CPFontManager* GetFontManager();
CPLevel* GetLevel();
CPPhysicWorld* GetPhysicsWorld();
CPCommandDispatcher* GetCommandDispatcher();
PRender* GetRenderer();
