// What the host checks at the end of every frame in the sanitizer build: the links that only a
// programming error can break.
#pragma once

// Whether every live scene object's links agree (CPGameObject::LinksAreSound), the task kernel's list
// is sound, and the game physics world's pools and body lists agree. True where a service is not set.
bool EngineLinksAreSound();
