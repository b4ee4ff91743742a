#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Render/PIVertexBuffer.h"
#include "core/LogStream.h"
#include "platform/Direct3DResource9.h"
#include "support/D3DTestSupport.h"
#include "support/PlatformReset.h"
#include "support/TestRenderable.h"

namespace {

constexpr DWORD kDynamic = D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY;

class PIVertexBufferTest : public ::testing::Test {
protected:
    PIVertexBufferTest() {
        mPreviousObserver = SetLogReportObserver([this](const std::string& text) { mReports.push_back(text); });
    }
    ~PIVertexBufferTest() override { SetLogReportObserver(mPreviousObserver); }

    // A ring of `slots` pairs of 64 vertices and 128 indices.
    void MakeRing(int32_t slots = 1, UINT vertices = 64, UINT indices = 128) {
        ASSERT_TRUE(mRing.Create(mDevice.get(), slots, vertices, indices, kDynamic, D3DPOOL_DEFAULT));
    }

    CPVertex VertexAt(int32_t slot, int32_t index) const {
        CPVertex vertex;
        const std::vector<uint8_t>& bytes = mRing.GetVertexBuffer(slot)->Bytes();
        std::memcpy(&vertex, bytes.data() + static_cast<size_t>(index) * sizeof(CPVertex), sizeof(CPVertex));
        return vertex;
    }
    std::vector<uint16_t> IndicesAt(int32_t slot, int32_t first, int32_t count) const {
        std::vector<uint16_t> indices(static_cast<size_t>(count));
        const std::vector<uint8_t>& bytes = mRing.GetIndexBuffer(slot)->Bytes();
        std::memcpy(indices.data(), bytes.data() + static_cast<size_t>(first) * 2, indices.size() * 2);
        return indices;
    }
    static std::vector<uint16_t> Offset(const std::vector<uint16_t>& indices, int32_t base) {
        std::vector<uint16_t> out;
        for (uint16_t index : indices) out.push_back(static_cast<uint16_t>(index + base));
        return out;
    }

    PlatformReset mPlatform;
    D3DPtr<IDirect3DDevice9> mDevice = MakeRecordingDevice();
    PIVertexBuffer mRing;
    std::vector<std::string> mReports;
    LogReportObserver mPreviousObserver;
};

TEST_F(PIVertexBufferTest, ConsecutiveRenderablesGetConsecutiveBasesAndOffsetIndices) {
    MakeRing();
    TestRenderable lead(3, {0, 1, 2}, nullptr, 100.0f);
    TestRenderable four(4, TestRenderable::FanIndices(4), nullptr, 200.0f);
    TestRenderable six(6, TestRenderable::FanIndices(6), nullptr, 300.0f);

    ASSERT_TRUE(mRing.Lock(0, 0, true, -1));
    ASSERT_TRUE(mRing.Append(&lead));
    ASSERT_TRUE(mRing.Append(&four));
    ASSERT_TRUE(mRing.Append(&six));
    mRing.Unlock(true);

    int32_t b = -1;
    ASSERT_TRUE(mRing.GetBaseVertex(&four, &b));
    EXPECT_EQ(b, 3);
    int32_t second = -1;
    ASSERT_TRUE(mRing.GetBaseVertex(&six, &second));
    EXPECT_EQ(second, b + 4);
    EXPECT_EQ(mRing.GetNextBaseVertex(), 13);

    // The bytes sit where the bases say, and each renderable's indices carry its base.
    EXPECT_EQ(VertexAt(0, b).position.x, 200.0f);
    EXPECT_EQ(VertexAt(0, b + 3).position.x, 203.0f);
    EXPECT_EQ(VertexAt(0, b + 4).position.x, 300.0f);
    EXPECT_EQ(VertexAt(0, b + 9).position.x, 305.0f);
    const PIVertexBuffer::Placement* four_at = mRing.FindPlacement(&four);
    const PIVertexBuffer::Placement* six_at = mRing.FindPlacement(&six);
    ASSERT_TRUE(four_at && six_at);
    EXPECT_EQ(four_at->firstIndex, 3);
    EXPECT_EQ(six_at->firstIndex, 3 + 6);
    EXPECT_EQ(IndicesAt(0, four_at->firstIndex, 6), Offset(four.Indices(), b));
    EXPECT_EQ(IndicesAt(0, six_at->firstIndex, 12), Offset(six.Indices(), b + 4));
}

TEST_F(PIVertexBufferTest, ARenderableIsWrittenOncePerFill) {
    MakeRing(2);
    TestRenderable quad(4, TestRenderable::FanIndices(4));
    ASSERT_TRUE(mRing.Lock(0, 0, true, -1));
    EXPECT_TRUE(mRing.Append(&quad));
    EXPECT_FALSE(mRing.Append(&quad));
    EXPECT_EQ(quad.Fills(), 1);
    EXPECT_EQ(mRing.GetVerticesWritten(), 4);
    EXPECT_EQ(mRing.GetIndicesWritten(), 6);
    mRing.Unlock(true);

    // A lock of the indices alone is no new fill: what the fill wrote is still known.
    ASSERT_TRUE(mRing.Lock(0, 0, false, 0));
    EXPECT_FALSE(mRing.Append(&quad));
    EXPECT_TRUE(mRing.GetBaseVertex(&quad, nullptr));
    mRing.Unlock(false);
}

// A second level load fills the ring again from vertex 0: its geometry must get bases from 0, not ones
// continuing the first level's, or its indices would address the wrong vertices.
TEST_F(PIVertexBufferTest, ANewFillRestartsTheBasesAndForgetsTheOldOne) {
    MakeRing();
    TestRenderable firstLevel(10, TestRenderable::FanIndices(10), nullptr, 1.0f);
    TestRenderable shared(4, TestRenderable::FanIndices(4), nullptr, 50.0f);
    ASSERT_TRUE(mRing.Lock(0, 0, true, -1));
    ASSERT_TRUE(mRing.Append(&firstLevel));
    ASSERT_TRUE(mRing.Append(&shared));
    mRing.Unlock(true);

    TestRenderable secondLevel(5, TestRenderable::FanIndices(5), nullptr, 70.0f);
    ASSERT_TRUE(mRing.Lock(0, 0, true, -1));
    EXPECT_FALSE(mRing.GetBaseVertex(&firstLevel, nullptr)) << "the old fill's renderables are forgotten";
    ASSERT_TRUE(mRing.Append(&secondLevel));
    ASSERT_TRUE(mRing.Append(&shared)) << "written again in the new fill";
    EXPECT_FALSE(mRing.Append(&shared)) << "but only once in it";
    mRing.Unlock(true);

    int32_t base = -1;
    ASSERT_TRUE(mRing.GetBaseVertex(&secondLevel, &base));
    EXPECT_EQ(base, 0);
    ASSERT_TRUE(mRing.GetBaseVertex(&shared, &base));
    EXPECT_EQ(base, 5);
    EXPECT_EQ(VertexAt(0, 5).position.x, 50.0f);
    const PIVertexBuffer::Placement* at = mRing.FindPlacement(&shared);
    EXPECT_EQ(IndicesAt(0, at->firstIndex, 6), Offset(shared.Indices(), 5));
}

TEST_F(PIVertexBufferTest, UnlockAdvancesAndWrapsTheSlot) {
    MakeRing(3);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(mRing.Lock(0, 0, true, -1));
        mRing.Unlock(true);
    }
    EXPECT_EQ(mRing.GetCurrentSlot(), 1);

    // A given slot becomes current; the fill records it.
    TestRenderable quad(4, TestRenderable::FanIndices(4));
    ASSERT_TRUE(mRing.Lock(0, 0, true, 2));
    ASSERT_TRUE(mRing.Append(&quad));
    mRing.Unlock(true);
    EXPECT_EQ(mRing.FindPlacement(&quad)->slot, 2);
    EXPECT_EQ(mRing.GetCurrentSlot(), 0);
    EXPECT_FALSE(mRing.Lock(0, 0, true, 3)) << "no such slot";
    EXPECT_FALSE(mRing.IsLocked());
}

TEST_F(PIVertexBufferTest, LockWhileLockedChangesNothing) {
    MakeRing(2);
    TestRenderable a(4, TestRenderable::FanIndices(4), nullptr, 10.0f);
    TestRenderable b(3, {0, 1, 2}, nullptr, 20.0f);
    ASSERT_TRUE(mRing.Lock(0, 0, true, -1));
    ASSERT_TRUE(mRing.Append(&a));
    const size_t locks = CallsOf(*mDevice, D3DCall::VertexBufferLock).size();
    EXPECT_FALSE(mRing.Lock(0, 0, true, 1));
    EXPECT_EQ(CallsOf(*mDevice, D3DCall::VertexBufferLock).size(), locks);
    EXPECT_EQ(mRing.GetCurrentSlot(), 0);
    ASSERT_TRUE(mRing.Append(&b));
    mRing.Unlock(true);
    EXPECT_EQ(VertexAt(0, 4).position.x, 20.0f) << "the cursors went on where they were";
}

TEST_F(PIVertexBufferTest, LockFlagsAndRanges) {
    MakeRing();
    ASSERT_TRUE(mRing.Lock(10, 20, true, -1));
    mRing.Unlock(true);
    mRing.SetNoDiscard(true);
    ASSERT_TRUE(mRing.Lock(0, 0, true, -1));
    mRing.Unlock(true);

    auto vertexLocks = CallsOf(*mDevice, D3DCall::VertexBufferLock);
    auto indexLocks = CallsOf(*mDevice, D3DCall::IndexBufferLock);
    ASSERT_EQ(vertexLocks.size(), 2u);
    ASSERT_EQ(indexLocks.size(), 2u);
    EXPECT_EQ(vertexLocks[0].args, (std::vector<uint32_t>{0, 480, D3DLOCK_NOSYSLOCK | D3DLOCK_DISCARD}));
    EXPECT_EQ(indexLocks[0].args, (std::vector<uint32_t>{0, 40, D3DLOCK_NOSYSLOCK | D3DLOCK_DISCARD}));
    EXPECT_EQ(vertexLocks[1].args, (std::vector<uint32_t>{0, 0, D3DLOCK_NOSYSLOCK}));
    EXPECT_EQ(indexLocks[1].args, (std::vector<uint32_t>{0, 0, D3DLOCK_NOSYSLOCK}));
}

TEST_F(PIVertexBufferTest, AppendRefusesWhatItCannotWrite) {
    struct Case {
        const char* name;
        uint32_t lockVertices;  // Lock's counts
        uint32_t lockIndices;
        bool lockVertexBuffer;
        int32_t vertexCount;  // the renderable
        int32_t indexCount;
        bool skipped;
        bool failFill;
    };
    const Case cases[] = {
        {"fits exactly", 4, 6, true, 4, 6, false, false},
        {"no vertices, even with indices", 0, 0, true, 0, 6, false, false},
        {"skipped: it writes nothing", 0, 0, true, 4, 6, true, false},
        {"writes nothing when filled", 0, 0, true, 4, 6, false, true},
        {"more vertices than locked", 3, 6, true, 4, 6, false, false},
        {"more indices than locked", 4, 5, true, 4, 6, false, false},
        {"more vertices than the buffer", 0, 0, true, 65, 3, false, false},
        {"vertices not locked", 0, 0, false, 4, 6, false, false},
    };
    MakeRing();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint16_t> indices(static_cast<size_t>(c.indexCount), 0);
        TestRenderable renderable(c.vertexCount, indices);
        renderable.SetSkipped(c.skipped);
        renderable.SetFailFills(c.failFill);
        ASSERT_TRUE(mRing.Lock(c.lockVertices, c.lockIndices, c.lockVertexBuffer, -1));
        const bool expected = std::string(c.name) == "fits exactly";
        EXPECT_EQ(mRing.Append(&renderable), expected);
        EXPECT_EQ(mRing.GetBaseVertex(&renderable, nullptr), expected);
        EXPECT_EQ(mRing.GetVerticesWritten(), expected ? c.vertexCount : 0);
        EXPECT_EQ(mRing.GetNextBaseVertex(), expected ? c.vertexCount : 0);
        mRing.Unlock(c.lockVertexBuffer);
    }
    TestRenderable quad(4, TestRenderable::FanIndices(4));
    EXPECT_FALSE(mRing.Append(&quad)) << "not locked";
    EXPECT_FALSE(mRing.Append(nullptr));
}

// Indices are 16-bit: a fill cannot address vertices past 65,536, however large the buffer.
TEST_F(PIVertexBufferTest, BaseVerticesStayWithinSixteenBits) {
    MakeRing(1, 70000, 64);
    TestRenderable big(65000, {0, 1, 2}, nullptr);
    TestRenderable over(537, {0, 1, 2}, nullptr);
    TestRenderable last(536, {0, 1, 2}, nullptr);
    ASSERT_TRUE(mRing.Lock(0, 0, true, -1));
    ASSERT_TRUE(mRing.Append(&big));
    EXPECT_FALSE(mRing.Append(&over));
    EXPECT_TRUE(mRing.Append(&last));
    mRing.Unlock(true);
    EXPECT_EQ(mRing.GetNextBaseVertex(), 65536);
    EXPECT_EQ(IndicesAt(0, 3, 3), (std::vector<uint16_t>{65000, 65001, 65002}));
}

TEST_F(PIVertexBufferTest, AFailedLockReportsAndLeavesNothingLocked) {
    struct Case {
        const char* name;
        bool failVertices;
        bool failIndices;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"vertex buffer", true, false, {"on line 167"}},
        {"index buffer", false, true, {"on line 190"}},
        {"both", true, true, {"on line 167", "on line 190"}},
    };
    MakeRing();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mReports.clear();
        if (c.failVertices) ArmD3DFailure(D3DCall::VertexBufferLock, E_FAIL);
        if (c.failIndices) ArmD3DFailure(D3DCall::IndexBufferLock, E_FAIL);
        EXPECT_FALSE(mRing.Lock(0, 0, true, -1));
        EXPECT_FALSE(mRing.IsLocked());
        EXPECT_FALSE(mRing.GetVertexBuffer(0)->IsLocked());
        EXPECT_FALSE(mRing.GetIndexBuffer(0)->IsLocked());
        ASSERT_EQ(mReports.size(), c.lines.size());
        for (size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_NE(mReports[i].find("DXError if "), std::string::npos) << mReports[i];
            EXPECT_NE(mReports[i].find("PIVertexBuffer"), std::string::npos) << mReports[i];
            EXPECT_NE(mReports[i].find(c.lines[i]), std::string::npos) << mReports[i];
        }
        EXPECT_EQ(mRing.GetCurrentSlot(), 0) << "a failed lock does not advance";

        // Nothing stays locked, so the next lock goes through.
        ASSERT_TRUE(mRing.Lock(0, 0, true, -1));
        mRing.Unlock(true);
    }
}

TEST_F(PIVertexBufferTest, SetUpReleaseAndRecreate) {
    EXPECT_FALSE(mRing.Create(mDevice.get(), 0, 64, 64, kDynamic, D3DPOOL_DEFAULT));
    EXPECT_FALSE(mRing.Create(mDevice.get(), 2, 0, 64, kDynamic, D3DPOOL_DEFAULT));
    EXPECT_FALSE(mRing.Create(nullptr, 2, 64, 64, kDynamic, D3DPOOL_DEFAULT));
    EXPECT_EQ(mRing.GetSlotCount(), 0);
    EXPECT_FALSE(mRing.Lock(0, 0, true, -1)) << "a ring without buffers cannot lock";
    mReports.clear();

    ArmD3DFailure(D3DCall::CreateIndexBuffer, E_OUTOFMEMORY, 1, 1);
    EXPECT_FALSE(mRing.Create(mDevice.get(), 2, 64, 64, kDynamic, D3DPOOL_DEFAULT));
    EXPECT_EQ(mRing.GetSlotCount(), 0);
    EXPECT_EQ(mDevice->ChildCount(), 0u) << "the buffers made before the failure are released";

    MakeRing(2);
    auto made = CallsOf(*mDevice, D3DCall::CreateVertexBuffer);
    ASSERT_FALSE(made.empty());
    EXPECT_EQ(made.back().args[0], 64u * 48u);
    EXPECT_EQ(mDevice->ChildCount(), 4u);

    TestRenderable quad(4, TestRenderable::FanIndices(4));
    ASSERT_TRUE(mRing.Lock(0, 0, true, -1));
    ASSERT_TRUE(mRing.Append(&quad));
    mRing.ReleaseBuffers();
    EXPECT_EQ(mDevice->ChildCount(), 0u);
    EXPECT_FALSE(mRing.IsLocked());
    EXPECT_FALSE(mRing.GetBaseVertex(&quad, nullptr)) << "released buffers hold no geometry";

    ASSERT_TRUE(mRing.RecreateBuffers());
    EXPECT_EQ(mRing.GetSlotCount(), 2);
    ASSERT_TRUE(mRing.Lock(0, 0, true, -1));
    EXPECT_TRUE(mRing.Append(&quad));
    mRing.Unlock(true);
}

}  // namespace
