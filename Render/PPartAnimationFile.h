// Part-animation files of "Data\Animations": keyframe matrix tracks by node name, parsed into a plain
// record and turned into CPPartAnimation tasks for the nodes of a built tree.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "Render/PPartAnimation.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"

class CPFileReader;

// One track as stored.
struct CPPartAnimationTrack {
    std::string nodeName;          // lower-cased
    std::vector<float> durations;  // seconds, one per key
    std::vector<D3DXMATRIX> keys;  // the first three columns as stored, the fourth (0, 0, 0, 1)
};

// Tracks by node name; a later entry of a name replaces an earlier one.
using CPPartAnimationTable = std::unordered_map<std::string, CPSmartPtr<CPPartAnimation>>;

constexpr size_t kPartAnimationBuckets = 100;

// Reads the whole file from the start of the loaded data. A count of entries of 0 or less gives no
// tracks. False on a format error: a key count below 0 or beyond the bytes left, or a missing field.
bool ReadPartAnimationFile(CPFileReader& reader, std::vector<CPPartAnimationTrack>& tracks);

// Loads "Data\Animations\<file name>" and enters one new CPPartAnimation per node name into the table
// (the file's last track of that name). A file that cannot be loaded or is damaged adds nothing. The
// tasks belong to the caller, which deletes those it gives to no object; the table should start empty.
void ReadAnimationDescription(const std::string& fileName, CPPartAnimationTable& tracks);
