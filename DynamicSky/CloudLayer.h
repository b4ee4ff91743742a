// One textured quad of the dynamic sky that circles the sky's centre about its own axis, always faces
// the centre, is turned and scaled by the sky's current key state, and can step through a list of
// textures and switch between two effects. Layer 0 of a sky carries the sun.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DynamicSky/VertexObject.h"
#include "platform/D3DX9Math.h"

class CloudLayer : public VertexObject {
public:
    // The quads' colour until SetAlpha: alpha 255, red 0, green 0, blue 20.
    static constexpr uint32_t kQuadColour = 0xff000014;

    CloudLayer() = default;
    ~CloudLayer() override = default;

    // The two effect files the layer can use; SelectEffect picks one.
    void SetEffectNames(const std::string& first, const std::string& second);
    void AddTexture(const std::string& name);
    // The circle: the axis is normalised and the base orientation becomes the rotation that turns +z
    // onto it (a downward axis is a half turn about x).
    void SetAxis(const D3DXVECTOR3& axis);
    void SetDistance(float distance) { mDistance = distance; }
    void SetBaseAngle(float radians) { mBaseAngle = radians; }
    // The current key state's angle (radians) and size factor, set by the sky every frame.
    void SetKeyAngle(float radians) { mKeyAngle = radians; }
    void SetKeyScale(float scale) { mKeyScale = scale; }

    // Builds the quad of half edge `halfSize` in the plane y = 0, uploads it, and loads the first
    // texture and the second effect. Called once, after the names are set.
    void BuildQuads(float halfSize);
    // Steps to the next texture name (after the last comes the first) and loads it. Nothing without
    // texture names.
    void NextTexture();
    // Effect index = k, then loads effect name k. k other than 0 or 1 is ignored.
    void SelectEffect(int k);
    // Diffuse colour of the world vertices = alpha in the top byte, blue 20; alpha is clamped to 0..255.
    void SetAlpha(int alpha);
    // Places the quad on its circle facing the centre, uploads it and draws it (without a quad only the
    // orbit point is worked out).
    virtual void Render(float frameTime);

    const D3DXVECTOR3& GetAxis() const { return mAxis; }
    const D3DXVECTOR3& GetOrbitPoint() const { return mOrbitPoint; }
    float GetDistance() const { return mDistance; }
    const std::string& GetEffectName(int k) const { return mEffectNames[k == 1 ? 1 : 0]; }
    int32_t GetEffectIndex() const { return mEffectIndex; }
    float GetBaseAngle() const { return mBaseAngle; }
    float GetKeyAngle() const { return mKeyAngle; }
    float GetKeyScale() const { return mKeyScale; }
    const std::vector<std::string>& GetTextureNames() const { return mTextureNames; }
    int32_t GetTextureIndex() const { return mTextureIndex; }
    const D3DXMATRIX& GetBaseOrientation() const { return mBaseOrientation; }

private:
    // The matrix that Render applies to the quad for the current angles, scale and circle; stores the
    // orbit point.
    D3DXMATRIX Place();

    D3DXVECTOR3 mAxis;        // unit axis of the circle
    D3DXVECTOR3 mOrbitPoint;  // the layer's centre as last placed
    float mDistance = 0.0f;   // radius of the circle
    std::string mEffectNames[2];
    int32_t mEffectIndex = 0;  // 0 or 1: the effect selected last
    float mBaseAngle = 0.0f;   // radians
    float mKeyAngle = 0.0f;    // radians
    float mKeyScale = 0.0f;
    std::vector<std::string> mTextureNames;  // in file order
    int32_t mTextureIndex = 0;               // the texture loaded last
    D3DXMATRIX mBaseOrientation = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);  // +z onto the axis
};
