// Axis-aligned boxes kept four to a block, each bound of the four side by side, so that one comparison
// of lanes tests four boxes against a box. The step walks its lists of level triangles this way: most
// of a list's boxes miss, and four of them are turned away at once.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

#include "core/BitExact.h"

class PhysBoxList {
public:
    void Clear() {
        mBlocks.clear();
        mSize = 0;
    }
    size_t Size() const { return mSize; }
    // A box from its lowest and highest corners (x, y, z in the first three lanes).
    void Add(const Float4& low, const Float4& high) {
        const size_t lane = mSize % 4;
        if (lane == 0) mBlocks.push_back(EmptyBlock());
        Block& block = mBlocks.back();
        for (int axis = 0; axis < 3; ++axis) {
            block.low[axis][lane] = low[axis];
            block.high[axis][lane] = high[axis];
        }
        ++mSize;
    }
    // Calls visit(k) for every box k, in the order they were added, that meets [low, high]: boxes meet
    // where, on every axis, each one's low is at most the other's high (so a NaN meets nothing).
    template <class Visit>
    void ForEachMeeting(const Float4& low, const Float4& high, Visit&& visit) const {
        const Float4 lowX = Splat(low[0]), lowY = Splat(low[1]), lowZ = Splat(low[2]);
        const Float4 highX = Splat(high[0]), highY = Splat(high[1]), highZ = Splat(high[2]);
        for (size_t b = 0; b < mBlocks.size(); ++b) {
            const Block& block = mBlocks[b];
            const Int4 meet = (Load(block.low[0]) <= highX) & (lowX <= Load(block.high[0])) &
                              (Load(block.low[1]) <= highY) & (lowY <= Load(block.high[1])) &
                              (Load(block.low[2]) <= highZ) & (lowZ <= Load(block.high[2]));
            for (unsigned lanes = LaneBits(meet); lanes != 0; lanes &= lanes - 1)
                visit(b * 4 + static_cast<size_t>(std::countr_zero(lanes)));
        }
    }

private:
    struct Block {
        alignas(16) float low[3][4];  // per axis, the four boxes' bounds
        alignas(16) float high[3][4];
    };
    static Float4 Splat(float value) { return Float4{value, value, value, value}; }
    static Float4 Load(const float (&lanes)[4]) {
        Float4 value;
        std::memcpy(&value, lanes, sizeof(value));
        return value;
    }
    // Lanes not yet filled hold NaN bounds, which meet nothing.
    static Block EmptyBlock() {
        Block block;
        for (int axis = 0; axis < 3; ++axis)
            for (int lane = 0; lane < 4; ++lane)
                block.low[axis][lane] = block.high[axis][lane] = std::numeric_limits<float>::quiet_NaN();
        return block;
    }

    std::vector<Block> mBlocks;
    size_t mSize = 0;
};
