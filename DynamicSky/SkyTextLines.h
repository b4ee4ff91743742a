// Reader of the sky's text files in "Data\Clouds\" (sky, cloud shape, cloud group and cloud record
// files): lines in a fixed order, each a label followed by values separated by single blanks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/files/CPTextReader.h"
#include "platform/D3DX9Math.h"

// "Data\Clouds\" + name: where every sky file lives.
std::string SkyFilePath(const std::string& name);

// Reads "Data\Clouds\" + name whole, not unscrambled; false when it cannot be read.
bool ReadSkyFile(const std::string& name, std::vector<uint8_t>& bytes);

class SkyTextLines {
public:
    // The text is not owned and must outlive the reader.
    SkyTextLines(const void* text, uint32_t size);

    // Moves to the next meaningful line (empty and comment lines are skipped) and splits it at " "
    // with double quotes honoured; the first token is the line's label and is dropped. False at the
    // end of the text: every line of these files is required, so the caller treats the file as short.
    bool Next();

    // Values of the current line after its label. Two blanks in a row make an empty value, as the
    // files have always been read.
    size_t ValueCount() const { return mValues.size(); }
    // Value i as written; empty when the line has fewer values.
    const std::string& Text(size_t i) const;
    // Value i as a number in the "C" locale; 0 when it is missing or holds no number.
    float Float(size_t i) const;
    int32_t Int(size_t i) const;
    // Values first, first + 1 and first + 2 as the numbers x, y, z.
    D3DXVECTOR3 Vector(size_t first) const;

private:
    CPTextReader mReader;
    std::vector<std::string> mValues;  // of the current line, label dropped
};
