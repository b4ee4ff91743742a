#include "DynamicSky/CloudGroup.h"

#include "DynamicSky/SkyTextLines.h"

bool ParseCloudGroupFile(const void* text, uint32_t size, CloudGroupFile& file) {
    SkyTextLines lines(text, size);
    file = CloudGroupFile();

    if (!lines.Next()) return false;
    file.centre = lines.Vector(0);
    if (!lines.Next()) return false;
    file.headerFloat1 = lines.Float(0);
    if (!lines.Next()) return false;
    file.headerInt = lines.Int(0);
    if (!lines.Next()) return false;
    file.headerVector = lines.Vector(0);
    if (!lines.Next()) return false;
    file.headerFloat2 = lines.Float(0);
    if (!lines.Next()) return false;
    // The end of the text bounds the loop, however large the count is.
    const int32_t blockCount = lines.Int(0);
    for (int32_t i = 0; i < blockCount; ++i) {
        CloudGroupFile::Block block;
        if (!lines.Next()) return false;
        block.shapeFile = lines.Text(0);
        if (!lines.Next()) return false;
        block.offset = lines.Vector(0);
        if (!lines.Next()) return false;
        block.scale = lines.Float(0);
        if (!lines.Next()) return false;
        block.rotation = lines.Float(0);
        if (!lines.Next()) return false;
        block.entryValue = lines.Float(0);
        file.blocks.push_back(block);
    }
    return true;
}

void CloudGroup::Load(const std::string& name) {
    std::vector<uint8_t> bytes;
    if (!ReadSkyFile(name, bytes)) return;
    CloudGroupFile file;
    if (!ParseCloudGroupFile(bytes.data(), static_cast<uint32_t>(bytes.size()), file)) return;
    Apply(file);
}

void CloudGroup::Apply(const CloudGroupFile& file) {
    mCentre = file.centre;
    mHeaderFloat1 = file.headerFloat1;
    mHeaderInt = file.headerInt;
    mHeaderVector = file.headerVector;
    mHeaderFloat2 = file.headerFloat2;
    for (const CloudGroupFile::Block& block : file.blocks) {
        auto shape = std::make_unique<CloudShape>();
        shape->Load(block.shapeFile, block.scale, block.rotation);
        shape->SetPosition(mCentre + block.offset);
        shape->SetOffset(block.offset);
        mShapes.push_back(shape.get());
        mEntries.emplace_back(std::move(shape), block.entryValue);
    }
}

void CloudGroup::SetActive(bool on, bool resetAlpha) {
    mOn = on ? 1 : 0;
    mOff = on ? 0 : 1;
    for (auto& entry : mEntries) entry.first->Switch(on, resetAlpha);
}

void CloudGroup::PlaceShapes() {
    for (CloudShape* shape : mShapes) shape->SetPosition(mCentre + shape->GetOffset());
}
