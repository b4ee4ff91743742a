// For tests of interface elements: a screen of a chosen size, a font manager behind gFontManager with a
// test font, a command dispatcher behind gCommandDispatcher with a running receiver in the category
// "interface", and text objects that die with the rig. The globals come back when it goes out of scope.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Render/PMaterial.h"
#include "Render/PRenderObject.h"
#include "core/CPCommandDispatcher.h"
#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "interface/CPFontManager.h"
#include "interface/CPWindowOwner.h"
#include "interface/InterfaceText.h"
#include "support/ScopedGlobal.h"

class InterfaceRig {
public:
    static constexpr const char* kFont = "main";

    InterfaceRig(int32_t width = 1024, int32_t height = 768) {
        gSettings::RestoreInitialValues();
        gSettings::screenWidth = width;
        gSettings::screenHeight = height;
        mFonts.AddFont(kFont, MakeFont(mMaterial.get()));
        mInterfaceListener.Start();
        mDispatcher.Register(&mInterfaceListener, "listener", "interface");
    }
    ~InterfaceRig() {
        mTextObjects.clear();
        gSettings::RestoreInitialValues();
    }
    InterfaceRig(const InterfaceRig&) = delete;
    InterfaceRig& operator=(const InterfaceRig&) = delete;

    // The test font: widths 10 + c % 7, height 20, spacing 1, extra spacing 2 (design units); the
    // glyph of c has s0 = c / 256, t0 = 0.5, s1 = (c + 1) / 256, t1 = 0.75.
    static CPFont* MakeFont(CPMaterial* material) {
        auto* font = new CPFont();
        font->SetMaterial(material);
        for (int c = 0; c < CPFont::kGlyphCount; ++c) {
            font->Widths()[c] = 10.0f + static_cast<float>(c % 7);
            font->Glyphs()[c] = {static_cast<float>(c) / 256.0f, 0.5f, static_cast<float>(c + 1) / 256.0f, 0.75f};
        }
        font->SetHeight(20.0f);
        font->SetSpacing(1.0f);
        font->SetExtraSpacing(2.0f);
        return font;
    }

    // What the element's object shows: the byte of each quad, read back from its first texture coordinate
    // (the test font puts the glyph of c at s0 = c / 256). "-" when nothing is laid out.
    static std::string Shown(const InterfaceText& element) {
        const auto& vertices = element.object->GetRenderObject()->GetLocalVertices();
        if (vertices.empty()) return "-";
        std::string shown;
        // Through unsigned char: a byte above 127 is out of a signed char's range.
        for (size_t i = 0; i < vertices.size(); i += 4)
            shown.push_back(static_cast<char>(static_cast<unsigned char>(vertices[i].u0 * 256.0f + 0.5f)));
        return shown;
    }

    // A text element in the test font at (x, y) whose object lives as long as the rig.
    InterfaceText Text(float x, float y) {
        mTextObjects.emplace_back(CreateTextObject());
        InterfaceText element;
        element.object = mTextObjects.back().get();
        element.font = kFont;
        element.x = x;
        element.y = y;
        return element;
    }

    CPFontManager& Fonts() { return mFonts; }
    CPMaterial* Material() const { return mMaterial.get(); }
    CPCommandDispatcher& Dispatcher() { return mDispatcher; }
    // The running receiver in the category "interface".
    CPCommandTask& InterfaceListener() { return mInterfaceListener; }

private:
    std::unique_ptr<CPMaterial> mMaterial = std::make_unique<CPMaterial>(0, nullptr, nullptr);
    CPFontManager mFonts;
    ScopedGlobal<CPFontManager*> mInstallFonts{gFontManager, &mFonts};
    CPCommandTask mInterfaceListener;
    CPCommandDispatcher mDispatcher;
    ScopedGlobal<CPCommandDispatcher*> mInstallDispatcher{gCommandDispatcher, &mDispatcher};
    std::vector<std::unique_ptr<CPGameObject>> mTextObjects;
};

// The screen side of windows for their tests: a controller that can be set and a count of rebuilds.
class RecordingWindowOwner : public CPWindowOwner {
public:
    CPSmartPtr<CPCommandTask> GetCommandTarget() const override { return target; }
    void UpdateBuffers() override { ++rebuilds; }

    CPCommandTask* target = nullptr;  // not owned
    int rebuilds = 0;
};
