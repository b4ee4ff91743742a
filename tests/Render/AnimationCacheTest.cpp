#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Render/PAnimation.h"
#include "core/files/CPFileReader.h"
#include "support/AnimationBlockBuilder.h"
#include "support/MathExpect.h"
#include "support/ScopedGlobal.h"
#include "support/TempFolder.h"

namespace {

constexpr uint32_t kObjectColour = 0xFF806040;
constexpr int32_t kTrailer = 0x5A5A1234;

// A cache installed as gAnimationManager in a working folder of its own.
class AnimationCacheTest : public ::testing::Test {
protected:
    // Emptied while still installed, so that each animation can leave it.
    ~AnimationCacheTest() override { cache.DestroyAll(); }

    // Writes the bytes as a file and opens a loaded reader on it.
    CPFileReader& Open(const ByteBuilder& bytes) {
        const std::string name = "block" + std::to_string(readers.size()) + ".bin";
        folder.Folder().Write(name, bytes.Bytes());
        readers.push_back(std::make_unique<CPFileReader>(name, false));
        EXPECT_EQ(readers.back()->Load(), 0);
        return *readers.back();
    }

    ScopedWorkingFolder folder;
    CPAnimationManager cache;
    ScopedGlobal<CPAnimationManager*> installCache{gAnimationManager, &cache};
    std::vector<std::unique_ptr<CPFileReader>> readers;
};

}  // namespace

TEST_F(AnimationCacheTest, ABlockBecomesNumberedFramesInTheObjectColour) {
    ByteBuilder bytes;
    AppendAnimationBlock(bytes, 240.0f, NumberedTriangleFrames(10));
    bytes.Int32(kTrailer);
    CPFileReader& reader = Open(bytes);

    CPSmartPtr<CPAnimation> animation = cache.GetAnimation("wing&bird.msh", reader, kObjectColour);
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->GetName(), "wing&bird.msh");
    EXPECT_EQ(animation->GetClassName(), "CPAnimation");
    EXPECT_EQ(animation->GetFrameCount(), 10);
    EXPECT_FLOAT_EQ(animation->GetFrameTime(), 0.1f);
    EXPECT_FLOAT_EQ(animation->GetDuration(), 1.0f);
    for (int32_t i = 0; i < 10; ++i) {
        const CPAnimationFrame& frame = animation->GetFrames()[static_cast<size_t>(i)];
        EXPECT_EQ(frame.frameNumber, i);
        ASSERT_EQ(frame.vertices.size(), 3u);
        EXPECT_EQ(frame.indices, (std::vector<uint16_t>{0, 1, 2}));
        EXPECT_FLOAT_EQ(frame.vertices[0].position.x, static_cast<float>(i));
        for (const CPVertex& vertex : frame.vertices) {
            EXPECT_EQ(vertex.diffuse, kObjectColour);  // whatever the file held
            EXPECT_EQ(vertex.specular, 0xFF000000u);
        }
    }
    EXPECT_EQ(reader.ReadInt(), kTrailer);  // just behind the block
    EXPECT_EQ(cache.Find("wing&bird.msh"), animation.Get());
}

TEST_F(AnimationCacheTest, TheBoxSpansEveryVertexOfEveryFrame) {
    ByteBuilder bytes;
    AppendAnimationBlock(bytes, 24.0f,
                         {{{MakeTestVertex(-1, 2, 0), MakeTestVertex(0, -3, 1), MakeTestVertex(2, 0, 4)}, {0, 1, 2}},
                          {{MakeTestVertex(5, 0, -2)}, {}}});
    CPSmartPtr<CPAnimation> animation = cache.GetAnimation("a", Open(bytes), kObjectColour);
    ASSERT_TRUE(animation);
    ExpectVec3Near(animation->GetBox().mMinimum, {-1, -3, -2});
    ExpectVec3Near(animation->GetBox().mMaximum, {5, 2, 4});
    ExpectVec3Near(animation->GetBox().mCentre, {2, -0.5f, 1});
}

TEST_F(AnimationCacheTest, AnEmptyBlockGivesAnEmptyAnimationAndConsumesEightBytes) {
    ByteBuilder bytes;
    AppendAnimationBlock(bytes, 240.0f, {});
    bytes.Int32(kTrailer);
    CPFileReader& reader = Open(bytes);
    CPSmartPtr<CPAnimation> animation = cache.GetAnimation("empty", reader, kObjectColour);
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->GetFrameCount(), 0);
    EXPECT_EQ(animation->GetDuration(), 0.0f);
    EXPECT_EQ(reader.GetPosition(), 8u);
    EXPECT_EQ(reader.ReadInt(), kTrailer);
    // The start bounds of the format: minimum 5000000, maximum (-500000, -5000000, -500000).
    ExpectVec3Near(animation->GetBox().mCentre, {2250000, 0, 2250000}, 1.0f);
}

TEST_F(AnimationCacheTest, AskingForAKeyAgainReloadsTheSameAnimation) {
    ByteBuilder bytes;
    AppendAnimationBlock(bytes, 240.0f, NumberedTriangleFrames(2));
    AppendAnimationBlock(bytes, 480.0f, NumberedTriangleFrames(5));
    bytes.Int32(kTrailer);
    CPFileReader& reader = Open(bytes);

    CPSmartPtr<CPAnimation> first = cache.GetAnimation("walk&man.msh", reader, kObjectColour);
    CPSmartPtr<CPAnimation> second = cache.GetAnimation("walk&man.msh", reader, 0xFFFFFFFF);
    ASSERT_TRUE(first);
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(cache.GetCount(), 1u);
    EXPECT_EQ(first->GetFrameCount(), 5);  // the block read last
    EXPECT_FLOAT_EQ(first->GetDuration(), 1.0f);
    EXPECT_EQ(first->GetFrames()[4].vertices[0].diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(reader.ReadInt(), kTrailer);  // both blocks consumed
}

// Damaged blocks: no animation comes of them, and what the cache held stays as it was.
TEST_F(AnimationCacheTest, ABadBlockIsRefusedAndLeavesTheCacheAsItWas) {
    auto triangle = [](ByteBuilder& b) {
        b.Int32(3);
        for (int i = 0; i < 3; ++i) AppendStoredVertex(b, MakeTestVertex(static_cast<float>(i), 0, 0));
    };
    struct Case {
        std::string name;
        std::function<void(ByteBuilder&)> write;
    };
    const std::vector<Case> cases = {
        {"negative frame count", [](ByteBuilder& b) { b.Int32(-1).Float32(240); }},
        {"frame count beyond the file", [](ByteBuilder& b) { b.Int32(1000000000).Float32(240).Int32(0).Int32(0); }},
        {"negative vertex count", [](ByteBuilder& b) { b.Int32(1).Float32(240).Int32(-3).Int32(0); }},
        {"vertex count beyond the file", [](ByteBuilder& b) { b.Int32(1).Float32(240).Int32(1000).Int32(0); }},
        {"negative index count", [&](ByteBuilder& b) { triangle(b.Int32(1).Float32(240)); b.Int32(-1); }},
        {"index count beyond the file", [&](ByteBuilder& b) { triangle(b.Int32(1).Float32(240)); b.Int32(99).UInt16(0); }},
        {"index outside the frame's vertices",
         [&](ByteBuilder& b) { triangle(b.Int32(1).Float32(240)); b.Int32(3).UInt16(0).UInt16(1).UInt16(3); }},
        {"second frame missing", [&](ByteBuilder& b) { triangle(b.Int32(2).Float32(240)); b.Int32(0); }},
        {"cut inside the header", [](ByteBuilder& b) { b.Int32(1); }},
        {"more vertices than a batch addresses",
         [](ByteBuilder& b) {
             b.Int32(1).Float32(240).Int32(65537);
             for (int i = 0; i < 65537; ++i) AppendStoredVertex(b, MakeTestVertex(0, 0, 0));
             b.Int32(0);
         }},
    };

    ByteBuilder good;
    AppendAnimationBlock(good, 240.0f, NumberedTriangleFrames(4));
    CPSmartPtr<CPAnimation> cached = cache.GetAnimation("kept", Open(good), kObjectColour);
    ASSERT_TRUE(cached);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ByteBuilder bad;
        c.write(bad);
        EXPECT_FALSE(cache.GetAnimation("kept", Open(bad), kObjectColour));
        EXPECT_EQ(cached->GetFrameCount(), 4);
        EXPECT_EQ(cached->GetFrames().size(), 4u);
        EXPECT_FALSE(cache.GetAnimation("new", Open(bad), kObjectColour));
        EXPECT_EQ(cache.Find("new"), nullptr);
        EXPECT_EQ(cache.GetCount(), 1u);
    }
}

TEST_F(AnimationCacheTest, AnAnimationLeavesTheCacheWhenDestroyed) {
    auto* older = new CPAnimation("run");
    auto* newer = new CPAnimation("run");  // takes the entry over
    EXPECT_EQ(cache.Find("run"), newer);
    delete older;  // not its entry any more: the newer one stays findable
    EXPECT_EQ(cache.Find("run"), newer);
    delete newer;
    EXPECT_EQ(cache.Find("run"), nullptr);
    EXPECT_EQ(cache.GetCount(), 0u);

    new CPAnimation("a");
    new CPAnimation("b");
    new CPAnimation("b");  // out of the table by name, still deleted with the cache
    cache.DestroyAll();
    EXPECT_EQ(cache.GetCount(), 0u);
}
