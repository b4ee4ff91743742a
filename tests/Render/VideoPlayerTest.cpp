#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "Render/PAVIPlayer.h"
#include "Render/PAVIPlayer1.h"
#include "Render/PTexture.h"
#include "Render/PTextureManager.h"
#include "Sound/VolumeCurve.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/Mmio.h"
#include "platform/MultiMediaStream.h"
#include "support/AviFileBuilder.h"
#include "support/ManualClock.h"
#include "support/PlatformReset.h"
#include "support/ScopedRenderCaches.h"
#include "support/ScopedTaskKernel.h"

namespace {

// Frame f's texel (x, y): red grows with the frame, green with x, blue with y.
uint32_t Pattern(uint32_t frame, uint32_t x, uint32_t y) { return (0x40 + 0x40 * frame) << 16 | (8 * x) << 8 | 8 * y; }

avi::Video Clip(uint32_t width, uint32_t height, uint32_t frames = 2) {
    avi::Video video;
    video.width = width;
    video.height = height;
    video.sound = true;
    for (uint32_t f = 0; f < frames; ++f)
        video.frames.push_back(avi::Frame(video, [f](uint32_t x, uint32_t y) { return Pattern(f, x, y); }));
    return video;
}

class VideoPlayerTest : public ::testing::Test {
protected:
    VideoPlayerTest() {
        gSettings::RestoreInitialValues();
        gSettings::screenBPP = 32;
        gSettings::soundVolume = 0.5f;
        caches.WriteTexture("error.tga", MakeImageFile(ImageKind::Tga, 2, 2));
        // A material of the scene names the video textures, so the cache holds both entries.
        video = gTextureManager->GetTexture("video").Get();
        video1 = gTextureManager->GetTexture("video1").Get();
        texturesBefore = CallsOf(caches.Device(), D3DCall::CreateTexture).size();
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
    }
    ~VideoPlayerTest() override {
        CoUninitialize();
        gSettings::RestoreInitialValues();
    }

    void TearDown() override {
        player.reset();
        player1.reset();
        EXPECT_EQ(MultiMediaStreamStandIn::LiveObjectCount(), 0u);
        EXPECT_EQ(DirectShowStandIn::LiveGraphCount(), 0u);
        EXPECT_EQ(DirectDrawStandIn::LiveObjectCount(), 0u);
        EXPECT_TRUE(DirectDrawStandIn::LiveSurfaces().empty());
        EXPECT_EQ(MmioStandIn::OpenHandleCount(), 0u);
    }

    void WriteVideo(const std::string& name, const avi::Video& clip) {
        caches.Folder().Write("Data/Video/" + name, avi::File(clip));
    }
    // Textures made since the fixture loaded the two entries.
    size_t TexturesMade() const { return CallsOf(caches.Device(), D3DCall::CreateTexture).size() - texturesBefore; }
    // Texel (x, y) of a 32-bit texture.
    static uint32_t Texel(IDirect3DTexture9* texture, uint32_t x, uint32_t y) {
        const std::vector<uint8_t>& texels = texture->Texels(0, 0);
        const uint8_t* t = texels.data() + y * texture->LevelPitch(0) + 4 * x;
        return static_cast<uint32_t>(t[3]) << 24 | static_cast<uint32_t>(t[2]) << 16 | t[1] << 8 | t[0];
    }
    void Frame(uint64_t ms) {
        clock.AdvanceMs(ms);
        kernel.RunFrame();
    }
    DirectShowStandIn::GraphState Graph() {
        std::vector<DirectShowStandIn::GraphState> graphs = DirectShowStandIn::LiveGraphs();
        EXPECT_EQ(graphs.size(), 1u);
        return graphs.empty() ? DirectShowStandIn::GraphState{} : graphs.front();
    }

    PlatformReset reset;
    ScopedRenderCaches caches{DeviceRecording::On};
    ManualClock clock;
    ScopedTaskKernel kernel;
    CPTexture* video = nullptr;
    CPTexture* video1 = nullptr;
    size_t texturesBefore = 0;
    std::unique_ptr<PAVIPlayer> player = std::make_unique<PAVIPlayer>();
    std::unique_ptr<PAVIPlayer1> player1 = std::make_unique<PAVIPlayer1>();
};

TEST(NextPowerOfTwoTest, StrictlyAboveAndAtLeastTwo) {
    struct Case {
        int32_t n, expected;
    } cases[] = {{1, 2},       {2, 4},       {3, 4},   {240, 256}, {256, 512}, {320, 512},
                 {0, 2},       {-5, 2},      {INT_MIN, 2},
                 // Beyond 2^29 the next power would not fit an int: the largest one it holds.
                 {1 << 29, 1 << 30}, {1 << 30, 1 << 30}, {INT_MAX, 1 << 30}};
    for (const Case& c : cases) EXPECT_EQ(NextPowerOfTwo(c.n), c.expected) << c.n;
}

TEST_F(VideoPlayerTest, OpeningMakesAPowerOfTwoTextureAndShowsItInTheVideoEntry) {
    WriteVideo("Intro.avi", Clip(320, 240, 1));
    ASSERT_EQ(player->Open("intro.avi", false), S_OK);

    IDirect3DTexture9* texture = player->GetTexture();
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->LevelWidth(0), 512u);
    EXPECT_EQ(texture->LevelHeight(0), 256u);
    EXPECT_EQ(texture->Format(), D3DFMT_X8R8G8B8);
    EXPECT_EQ(texture->Pool(), D3DPOOL_MANAGED);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    EXPECT_EQ(player->GetTextureDepth(), 32);
    EXPECT_EQ(player->GetFrameRect().right, 320);
    EXPECT_EQ(player->GetFrameRect().bottom, 240);
    EXPECT_EQ(player->GetOpenedFlag(), 0);

    EXPECT_EQ(gTextureManager->FindTexture("video"), video);
    EXPECT_EQ(video->GetName(), "VIDEO");
    EXPECT_EQ(video->GetTexture(), texture);
    EXPECT_NE(video1->GetName(), "VIDEO1");

    // Opened but stopped, at the effects' volume.
    const auto stream = MultiMediaStreamStandIn::LiveStreams().at(0);
    EXPECT_EQ(stream.state, STREAMSTATE_STOP);
    EXPECT_TRUE(stream.audioRenderer);
    EXPECT_FALSE(Graph().running);
    EXPECT_EQ(Graph().volume, VolumeCurve(0.5f));
    EXPECT_TRUE(caches.Reports().empty());
}

TEST_F(VideoPlayerTest, TextureSizeAndFormatFollowTheFrameAndTheScreenDepth) {
    struct Case {
        uint32_t width, height;
        int32_t depth;
        UINT textureWidth, textureHeight;
        D3DFORMAT format;
    } cases[] = {{256, 256, 32, 512, 512, D3DFMT_X8R8G8B8}, {320, 240, 16, 512, 256, D3DFMT_R5G6B5},
                 {8, 3, 16, 16, 4, D3DFMT_R5G6B5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        gSettings::screenBPP = c.depth;
        WriteVideo("clip.avi", Clip(c.width, c.height, 1));
        ASSERT_EQ(player->Open("clip.avi", true), S_OK);
        EXPECT_EQ(player->GetTexture()->LevelWidth(0), c.textureWidth);
        EXPECT_EQ(player->GetTexture()->LevelHeight(0), c.textureHeight);
        EXPECT_EQ(player->GetTexture()->Format(), c.format);
    }
}

TEST_F(VideoPlayerTest, TheTextureIsKeptWhileItsSizeAndDepthStillFit) {
    WriteVideo("a.avi", Clip(40, 20, 1));
    WriteVideo("b.avi", Clip(50, 30, 1));    // the same powers of two
    WriteVideo("c.avi", Clip(70, 20, 1));    // wider
    ASSERT_EQ(player->Open("a.avi", true), S_OK);
    IDirect3DTexture9* first = player->GetTexture();
    ASSERT_EQ(player->Open("b.avi", true), S_OK);
    EXPECT_EQ(player->GetTexture(), first);
    EXPECT_EQ(TexturesMade(), 1u);

    ASSERT_EQ(player->Open("c.avi", true), S_OK);
    EXPECT_EQ(TexturesMade(), 2u);
    EXPECT_EQ(player->GetTexture()->LevelWidth(0), 128u);
    gSettings::screenBPP = 16;
    ASSERT_EQ(player->Open("c.avi", true), S_OK);
    EXPECT_EQ(TexturesMade(), 3u);
    EXPECT_EQ(player->GetTexture()->Format(), D3DFMT_R5G6B5);
    EXPECT_EQ(video->GetTexture(), player->GetTexture());
}

TEST_F(VideoPlayerTest, NoSoundAddsNoAudioStreamWhileTheSecondPlayerAlwaysHasSound) {
    WriteVideo("a.avi", Clip(8, 8, 1));
    ASSERT_EQ(player->Open("a.avi", true), S_OK);
    EXPECT_TRUE(player->IsNoSound());
    EXPECT_EQ(player->GetAudio(), nullptr);
    EXPECT_FALSE(MultiMediaStreamStandIn::LiveStreams().at(0).audioRenderer);
    player.reset();

    ASSERT_EQ(player1->Open("a.avi"), S_OK);
    EXPECT_NE(player1->GetAudio(), nullptr);
    EXPECT_TRUE(MultiMediaStreamStandIn::LiveStreams().at(0).audioRenderer);
    EXPECT_EQ(video1->GetName(), "VIDEO1");
    EXPECT_EQ(video1->GetTexture(), player1->GetTexture());
    EXPECT_EQ(video->GetTexture(), nullptr);  // the first player went, and its texture with it
    // Found again under its key at the next opening.
    ASSERT_EQ(player1->Open("a.avi"), S_OK);
    EXPECT_EQ(video1->GetTexture(), player1->GetTexture());
}

TEST_F(VideoPlayerTest, AMissingFileIsReportedAndLeavesNoVideoStream) {
    EXPECT_EQ(player->Open("missing.avi", false), 0);
    EXPECT_EQ(caches.ReportSites(), (std::vector<std::string>{"PAVIPlayer.cpp:82"}));
    EXPECT_FALSE(player->HasVideoStream());
    EXPECT_EQ(player->GetTexture(), nullptr);
    EXPECT_NE(video->GetName(), "VIDEO");
    EXPECT_FALSE(kernel.AddTask(player.get()));  // nothing to play
}

TEST_F(VideoPlayerTest, WithoutAMultimediaStreamTheOpeningFailsWithEFail) {
    WriteVideo("a.avi", Clip(8, 8, 1));
    PlatformFaults::Arm("CoCreateInstance", REGDB_E_CLASSNOTREG);
    EXPECT_EQ(player->Open("a.avi", false), E_FAIL);
    EXPECT_EQ(caches.ReportSites(), (std::vector<std::string>{"PAVIPlayer.cpp:182"}));

    // A failing step of the initialisation goes no further, but the opening itself fails later.
    PlatformFaults::Arm("IAMMultiMediaStream::Initialize", E_OUTOFMEMORY);
    EXPECT_EQ(player->Open("a.avi", false), 0);
    EXPECT_EQ(caches.ReportSites(),
              (std::vector<std::string>{"PAVIPlayer.cpp:182", "PAVIPlayer.cpp:182", "PAVIPlayer.cpp:82"}));
}

TEST_F(VideoPlayerTest, EachFailingStepOfAnOpeningIsReportedAtItsLine) {
    WriteVideo("a.avi", Clip(8, 8, 1));
    struct Case {
        std::string call;
        int skip;
        int line, line1;  // of the first and the second player
    } cases[] = {
        {"IAMMultiMediaStream::OpenFile", 0, 82, 78},
        {"IAMMultiMediaStream::GetMediaStream", 0, 84, 79},
        {"IMediaStream::QueryInterface", 0, 86, 80},
        {"IDirectDrawMediaStream::GetFormat", 0, 90, 83},
        {"IDirectDraw::CreateSurface", 0, 96, 88},
        {"IDirectDrawMediaStream::CreateSample", 0, 105, 96},
        {D3DCallName(D3DCall::CreateTexture), 0, 136, 125},
        {"IAMMultiMediaStream::GetFilterGraph", 0, 140, 128},
        {"IGraphBuilder::QueryInterface", 0, 142, 129},
        {"IGraphBuilder::QueryInterface", 1, 144, 130},
        {"IGraphBuilder::QueryInterface", 2, 148, 131},
        {"IBasicAudio::put_Volume", 0, 152, 134},
        {"IMultiMediaStream::SetState", 0, 156, 136},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call + " +" + std::to_string(c.skip));
        const size_t before = caches.ReportSites().size();
        PlatformFaults::Arm(c.call, E_FAIL, 1, c.skip);
        EXPECT_EQ(player->Open("a.avi", false), 0);
        PlatformFaults::Arm(c.call, E_FAIL, 1, c.skip);
        EXPECT_EQ(player1->Open("a.avi"), 0);
        const std::vector<std::string> sites = caches.ReportSites();
        ASSERT_EQ(sites.size(), before + 2);
        EXPECT_EQ(sites[before], "PAVIPlayer.cpp:" + std::to_string(c.line));
        EXPECT_EQ(sites[before + 1], "PAVIPlayer1.cpp:" + std::to_string(c.line1));
        PlatformFaults::Clear();
    }
    // Nothing half-opened is published.
    EXPECT_NE(video->GetName(), "VIDEO");
    EXPECT_NE(video1->GetName(), "VIDEO1");
}

TEST_F(VideoPlayerTest, AFailedNewTextureLeavesTheEntryShowingNothingRatherThanAFreedTexture) {
    WriteVideo("small.avi", Clip(8, 8, 1));
    WriteVideo("large.avi", Clip(40, 8, 1));
    ASSERT_EQ(player->Open("small.avi", false), S_OK);
    ASSERT_NE(video->GetTexture(), nullptr);

    ArmD3DFailure(D3DCall::CreateTexture, E_OUTOFMEMORY);
    EXPECT_EQ(player->Open("large.avi", false), 0);
    EXPECT_EQ(player->GetTexture(), nullptr);
    EXPECT_EQ(video->GetTexture(), nullptr);

    ASSERT_EQ(player->Open("large.avi", false), S_OK);
    EXPECT_EQ(video->GetTexture(), player->GetTexture());
    player.reset();  // the player's texture goes with it, and the entry lets go of it
    EXPECT_EQ(video->GetTexture(), nullptr);
}

TEST_F(VideoPlayerTest, APathOfTheWholeBufferIsRefused) {
    EXPECT_EQ(player->Open(std::string(MAX_PATH, 'a'), false), E_INVALIDARG);
}

TEST_F(VideoPlayerTest, PlayingCopiesEachFrameIntoTheTextureAndStopsAtTheEnd) {
    WriteVideo("a.avi", Clip(5, 3, 2));  // 40 ms a frame
    ASSERT_EQ(player->Open("a.avi", false), S_OK);
    player->SetPriority(400);
    ASSERT_TRUE(kernel.AddTask(player.get()));
    EXPECT_TRUE(Graph().running);

    Frame(0);
    IDirect3DTexture9* texture = player->GetTexture();
    EXPECT_EQ(player->GetOpenedFlag(), 1);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 5; ++x) EXPECT_EQ(Texel(texture, x, y), 0xFF000000u | Pattern(0, x, y)) << x << "," << y;
    EXPECT_EQ(Texel(texture, 5, 0), 0u);  // beyond the frame the texture stays as it was

    Frame(40);
    EXPECT_EQ(Texel(texture, 4, 2), 0xFF000000u | Pattern(1, 4, 2));
    Frame(40);  // the end
    EXPECT_TRUE(player->IsStopped());
    EXPECT_FALSE(Graph().running);
    Frame(0);
    EXPECT_EQ(kernel.GetTaskCount(), 0u);
}

TEST_F(VideoPlayerTest, TheCallerFlagLoopsTheVideo) {
    WriteVideo("a.avi", Clip(2, 2, 2));
    ASSERT_EQ(player1->Open("a.avi"), S_OK);
    player1->mCallerFlag = 1;
    ASSERT_TRUE(kernel.AddTask(player1.get()));
    Frame(0);
    Frame(40);
    EXPECT_EQ(Texel(player1->GetTexture(), 1, 1), 0xFF000000u | Pattern(1, 1, 1));
    Frame(40);  // the end: back to the first frame
    EXPECT_TRUE(player1->IsRunning());
    EXPECT_FALSE(player1->IsStopped());
    EXPECT_EQ(Texel(player1->GetTexture(), 1, 1), 0xFF000000u | Pattern(0, 1, 1));

    player1->Stop();
    EXPECT_FALSE(Graph().running);
    EXPECT_TRUE(player1->IsStopped());
}

TEST_F(VideoPlayerTest, SixteenBitTexturesTakeTheTopBitsOfEachChannel) {
    gSettings::screenBPP = 16;
    avi::Video clip;
    clip.width = 2;
    clip.height = 1;
    clip.bits = 24;
    clip.frames.push_back(avi::Frame(clip, [](uint32_t x, uint32_t) { return x == 0 ? 0xFF8040u : 0x0810F8u; }));
    WriteVideo("a.avi", clip);
    ASSERT_EQ(player->Open("a.avi", true), S_OK);
    ASSERT_TRUE(kernel.AddTask(player.get()));
    Frame(0);
    const std::vector<uint8_t>& texels = player->GetTexture()->Texels(0, 0);
    const auto first = static_cast<uint16_t>(texels[0] | texels[1] << 8);
    const auto second = static_cast<uint16_t>(texels[2] | texels[3] << 8);
    EXPECT_EQ(first, (0x1F << 11) | (0x20 << 5) | 0x08);
    EXPECT_EQ(second, (0x01 << 11) | (0x04 << 5) | 0x1F);
}

TEST_F(VideoPlayerTest, StartingTwiceOrWithoutAVideoIsRefused) {
    EXPECT_FALSE(player->Start());
    WriteVideo("a.avi", Clip(2, 2, 2));
    ASSERT_EQ(player->Open("a.avi", false), S_OK);
    EXPECT_TRUE(player->Start());
    EXPECT_FALSE(player->Start());
    player->Stop();
    EXPECT_FALSE(Graph().running);
}

}  // namespace
