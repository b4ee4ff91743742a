// Writes the text of the files of "Data\Clouds\" (sky, shape, group and record files) from the plain
// records their parsers produce, one labelled line per value, for tests of the clouds and the sky.
#pragma once

#include <string>
#include <vector>

#include "DynamicSky/CloudGroup.h"
#include "DynamicSky/CloudRecordTable.h"
#include "DynamicSky/CloudShape.h"
#include "DynamicSky/SkyscapeFile.h"

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

// The sky file that reads back as `file` (up to float rounding): angles written in degrees, the grey
// channel plus 1, and sun and ambient written halved where the light doubling value is non-zero.
std::string SkyscapeFileText(const SkyscapeFile& file);
// A key state with `points` colour points and `layers` layer entries: duration 10, every colour and
// value 0, scales 1, effects 0, no texture steps, grey channel 0.
SkyKeyState MakeSkyKeyState(int points, int layers);
// A valid sky of `states` key states made by MakeSkyKeyState, `points` colour points, `layers` layers
// (axis (0, 0, 1), quad size 10, distance 100, one texture "layer.tga") and a dome of `segments`
// columns: time scale 4, radius 100, height scale 1, centre 0, record file "records.txt", no groups.
SkyscapeFile MakeSkyscapeFile(int states, int points, int layers, int segments = 8);
