// What a scene object asks of its render part without knowing the part's class: which kind it is and a
// copy of it for a copied object. The render classes live above the scene object and implement it.
#pragma once

#include <cstdint>

class CPGameObject;
class CPRefObject;

// The class of a game object's render part.
enum RenderKind : int32_t {
    kRenderObject = 0,    // CPRenderObject
    kRenderAnimated = 1,  // CPAnimatedObject
    kRenderLight = 2,     // CPLight
    kRenderSprite = 3,    // CPSprite
    kRenderParticles = 4, // CPParticleSystem (a task)
    kRenderNone = 5,      // an empty node
};

// A second base of the engine classes that serve as render parts; never an engine object by itself,
// so it comes after the CPRefObject base and the object's address stays that of its root.
class CPRenderPart {
public:
    // The kind this class is held under; a part held under another kind is not copied.
    virtual RenderKind GetPartKind() const = 0;
    // A new part like this one that follows `owner`, for the owner to adopt; null when none is made.
    virtual CPRefObject* CopyFor(CPGameObject* owner) = 0;

protected:
    // Parts are deleted through their engine root, never through this interface.
    ~CPRenderPart() = default;
};
