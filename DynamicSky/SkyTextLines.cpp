#include "DynamicSky/SkyTextLines.h"

#include "core/config/CPDator.h"
#include "core/files/CPFileReader.h"
#include "core/files/CPTokenizer.h"

std::string SkyFilePath(const std::string& name) { return std::string("Data") + "\\Clouds\\" + name; }

bool ReadSkyFile(const std::string& name, std::vector<uint8_t>& bytes) {
    CPFileReader reader(SkyFilePath(name), false);
    if (reader.Load() != 0) return false;
    bytes.assign(reader.GetData(), reader.GetData() + reader.GetSize());
    return true;
}

SkyTextLines::SkyTextLines(const void* text, uint32_t size) : mReader(text, size) {}

bool SkyTextLines::Next() {
    mValues.clear();
    if (!mReader.ReadLine()) return false;
    CPTokenizer tokenizer(mReader.GetLine(), " ", true);
    std::string token;
    bool label = true;
    while (tokenizer.NextToken(token)) {
        if (!label) mValues.push_back(token);
        label = false;
    }
    return true;
}

const std::string& SkyTextLines::Text(size_t i) const {
    static const std::string kEmpty;
    return i < mValues.size() ? mValues[i] : kEmpty;
}

float SkyTextLines::Float(size_t i) const { return StringToFloat(Text(i)); }

int32_t SkyTextLines::Int(size_t i) const { return StringToInt(Text(i)); }

D3DXVECTOR3 SkyTextLines::Vector(size_t first) const { return {Float(first), Float(first + 1), Float(first + 2)}; }
