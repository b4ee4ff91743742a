#include "interface/CPWindow.h"

#include <cmath>
#include <vector>

#include "core/CPCommandDispatcher.h"
#include "core/ServiceGlobals.h"
#include "core/StringUtils.h"
#include "core/config/CPDator.h"
#include "core/files/CPTextReader.h"
#include "core/files/CPTokenizer.h"
#include "interface/CPWindowOwner.h"
#include "interface/DesignUnits.h"
#include "platform/FiniteChecks.h"

namespace {

// Texels as a fraction of the texture size. A screen file without its texture size (0) would give
// infinite or NaN coordinates: those quads show the texture's corner instead.
float TexelsToUnits(float texels, float textureSize) {
    return FiniteOrZero(texels / textureSize);
}

}  // namespace

void SendToInterfaces(const std::string& command, const std::string& paramText) {
    if (CPCommandDispatcher* dispatcher = gCommandDispatcher)
        dispatcher->SendByCategory("interface", command, paramText);
}

CPWindow::CPWindow(CPWindowOwner* owner) : mOwner(owner) {}

void CPWindow::SetEnabled(bool enabled) { mEnabled = enabled ? 1 : 0; }

bool CPWindow::HitTest(float px, float py) const {
    return mX + mVertices[0].position.x <= px && px <= mX + mVertices[1].position.x &&
           mY + mVertices[0].position.y <= py && py <= mY + mVertices[2].position.y;
}

bool CPWindow::Create(const std::string& name, float textureWidth, float textureHeight, float x, float y,
                      float width, float height, float u, float v, float du, float dv) {
    mName = name;
    mX = DesignToPixelsX(x) - 0.5f;
    mY = DesignToPixelsY(y) - 0.5f;
    BuildQuad(DesignToPixelsX(width), DesignToPixelsY(height), TexelsToUnits(u, textureWidth),
              TexelsToUnits(v, textureHeight), TexelsToUnits(du, textureWidth), TexelsToUnits(dv, textureHeight));
    mVisible = 1;
    return true;
}

std::vector<std::string> SplitElementLine(const std::string& line, std::string& name) {
    CPTokenizer parts(line, " ", true);
    std::string list;
    parts.NextToken(name);
    parts.NextToken(list);
    return Tokenize(list, ",", true);
}

WindowLine ParseWindowLine(const std::string& text) {
    WindowLine line;
    const std::vector<std::string> fields = SplitElementLine(text, line.name);
    auto number = [&fields](size_t field) { return field <= fields.size() ? StringToFloat(fields[field - 1]) : 0.0f; };
    line.x = number(1);
    line.y = number(2);
    line.width = number(3);
    line.height = number(4);
    line.u = number(5);
    line.v = number(6);
    line.du = number(7);
    line.dv = number(8);
    line.hasVisibility = fields.size() >= 9;
    line.visible = !line.hasVisibility || fields[8] != "false";
    if (fields.size() >= 10) line.anchor = fields[9];
    return line;
}

bool CPWindow::Load(CPTextReader& reader, float textureWidth, float textureHeight) {
    std::string text;
    reader.NextLine(text);
    Apply(ParseWindowLine(text), textureWidth, textureHeight);
    return true;
}

void CPWindow::Apply(const WindowLine& line, float textureWidth, float textureHeight) {
    mName = line.name;
    mX = DesignToPixelsX(line.x) - 0.5f;
    mY = DesignToPixelsY(line.y) - 0.5f;
    float width = DesignToPixelsX(line.width);
    float height = DesignToPixelsY(line.height);
    if (line.hasVisibility) SetVisible(line.visible);
    if (line.anchor == "stretch") {
        // The converted size is scaled once more: the file's sizes grow with the square of the ratio.
        width = width * (static_cast<float>(gSettings::screenWidth) * kDesignUnitX);
        height = height * (static_cast<float>(gSettings::screenHeight) * kDesignUnitY);
    }
    // The other anchor words ("center", "lu", "ld", "ru", "rd", "cd", "cu") leave the position as it is.
    BuildQuad(width, height, TexelsToUnits(line.u, textureWidth), TexelsToUnits(line.v, textureHeight),
              TexelsToUnits(line.du, textureWidth), TexelsToUnits(line.dv, textureHeight));
}

const CPVertex* CPWindow::GetVertices() const { return mVertices.data(); }

const uint16_t* CPWindow::GetIndices() const { return mIndices.data(); }

void CPWindow::SetVisible(bool visible) { mVisible = visible ? 1 : 0; }

bool CPWindow::OnMouseOver(float, float) {
    SendToInterfaces("mouse_window_over", mName);
    return false;
}

bool CPWindow::OnMouseOut(float, float) {
    SendToInterfaces("mouse_window_out", mName);
    return false;
}

bool CPWindow::OnMouseDown(int32_t, float, float) { return false; }

bool CPWindow::OnClick(int32_t, float px, float py) {
    if (HitTest(px, py) && mOwner)
        PostCommand(mOwner->GetCommandTarget(), "window", mName + "," + FormatTwoDecimals(px) + "," + FormatTwoDecimals(py));
    return false;
}

void CPWindow::SetSize(float width, float height) {
    mVertices[1].position.x = width;
    mVertices[2].position.x = width;
    mVertices[2].position.y = height;
    mVertices[3].position.y = height;
    mVertices[0].position.x = mVertices[0].position.y = mVertices[1].position.y = mVertices[3].position.x = 0.0f;
}

void CPWindow::BuildQuad(float width, float height, float u, float v, float du, float dv) {
    const float corners[4][4] = {
        {0.0f, 0.0f, u, v}, {width, 0.0f, u + du, v}, {width, height, u + du, v + dv}, {0.0f, height, u, v + dv}};
    for (size_t i = 0; i < 4; ++i) {
        mVertices[i] = CPVertex();
        mVertices[i].position = D3DXVECTOR3(corners[i][0], corners[i][1], 0.0f);
        mVertices[i].u0 = corners[i][2];
        mVertices[i].v0 = corners[i][3];
    }
}
