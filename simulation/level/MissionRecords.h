// Records of the current mission that its information file fills: the checkpoints with their time
// allowances and enemy lists, and the enemy sources.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/D3DX9Math.h"

// One name of a weighted list: a draw r picks the first entry with mFirst <= r < mEnd.
struct SourceEntry {
    std::string mName;
    int32_t mFirst = 0;  // running total of the counts before this entry
    int32_t mEnd = 0;    // running total including this entry
};

// The first entry of the list with mFirst <= draw < mEnd; null when none has the draw in its share.
inline const SourceEntry* PickSourceEntry(const std::vector<SourceEntry>& list, int32_t draw) {
    for (const SourceEntry& entry : list)
        if (entry.mFirst <= draw && draw < entry.mEnd) return &entry;
    return nullptr;
}

struct MissionCheckpointRecord {
    float mTime = 0.0f;  // seconds allowed to reach the checkpoint
    int32_t mX = 0;
    int32_t mY = 0;
    int32_t mZ = 0;
    int32_t mUnread = 0;  // not in the file; kept for the record's shape
    std::vector<SourceEntry> mList1;
    int32_t mValue = 0;
    std::vector<SourceEntry> mList2;
};

struct EnemySourceRecord {
    D3DXVECTOR3 mPosition;  // of the level's "src" object of the line's name
    bool mFlag = false;     // true when the line's flag token is "0"
    float mValue = 0.0f;
    std::vector<SourceEntry> mList;
};
