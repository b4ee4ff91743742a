// Writes the text of the cloud files of "Data\Clouds\" (shape, group and record files) from the
// plain records their parsers produce, one labelled line per value, for tests of the clouds and the sky.
#pragma once

#include <string>
#include <vector>

#include "DynamicSky/CloudGroup.h"
#include "DynamicSky/CloudRecordTable.h"
#include "DynamicSky/CloudShape.h"

// A number as the files write it: "C" locale, as many digits as it takes to read back the same float.
std::string CloudNumber(float value);

std::string CloudShapeFileText(const CloudShapeFile& file);
std::string CloudGroupFileText(const CloudGroupFile& file);
std::string CloudRecordFileText(const std::vector<CloudRecord>& records);

// A group block naming a shape file, with its offset, scale, rotation (radians) and entry value.
CloudGroupFile::Block CloudBlock(const std::string& shapeFile, D3DXVECTOR3 offset = {}, float scale = 1.0f,
                                 float rotation = 0.0f, float entryValue = 0.0f);
// A record naming a group, with the fields the sky reads; the reserved ones stay 0.
CloudRecord MakeCloudRecord(const std::string& groupName, float fadeTime = 2.0f, float baseDuration = 10.0f,
                            float durationSpread = 0.5f, int32_t greyFlag = 0, float probability = 1.0f);
