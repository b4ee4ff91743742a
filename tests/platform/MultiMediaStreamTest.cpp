#include "platform/MultiMediaStream.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Mmio.h"
#include "platform/PlatformFaults.h"
#include "support/AviFileBuilder.h"
#include "support/ManualClock.h"
#include "support/PlatformReset.h"
#include "support/TempFolder.h"

namespace {

// The colour of texel (x, y) of a frame: frame number in red, x in green, y in blue.
uint32_t Pattern(uint32_t frame, uint32_t x, uint32_t y) { return (frame + 1) << 16 | (x + 1) << 8 | (y + 1); }

avi::Video ThreeFrames() {
    avi::Video video;
    video.width = 3;
    video.height = 2;
    for (uint32_t f = 0; f < 3; ++f)
        video.frames.push_back(avi::Frame(video, [f](uint32_t x, uint32_t y) { return Pattern(f, x, y); }));
    return video;
}

class MultiMediaStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        ASSERT_EQ(DirectDrawCreate(nullptr, &mDraw, nullptr), DD_OK);
    }
    void TearDown() override {
        for (IUnknown* object : {static_cast<IUnknown*>(mSample), static_cast<IUnknown*>(mSurface),
                                 static_cast<IUnknown*>(mVideo), static_cast<IUnknown*>(mStream),
                                 static_cast<IUnknown*>(mDraw)})
            if (object) object->Release();
        CoUninitialize();
        EXPECT_EQ(MultiMediaStreamStandIn::LiveObjectCount(), 0u);
        EXPECT_EQ(DirectShowStandIn::LiveGraphCount(), 0u);
        EXPECT_EQ(MmioStandIn::OpenHandleCount(), 0u);
        EXPECT_TRUE(DirectDrawStandIn::LiveSurfaces().empty());
    }

    void Write(const std::string& name, const riff::Bytes& bytes) { work.Folder().Write(name, bytes); }

    // A stream read from the file with the video (and, when asked, the default audio renderer) added.
    HRESULT Open(const std::string& name, bool audio = true) {
        EXPECT_EQ(CoCreateInstance(CLSID_AMMultiMediaStream, nullptr, CLSCTX_INPROC_SERVER, IID_IAMMultiMediaStream,
                                   reinterpret_cast<void**>(&mStream)),
                  S_OK);
        EXPECT_EQ(mStream->Initialize(STREAMTYPE_READ, 0, nullptr), S_OK);
        if (audio) {
            EXPECT_EQ(mStream->AddMediaStream(nullptr, &MSPID_PrimaryAudio, AMMSF_ADDDEFAULTRENDERER, nullptr), S_OK);
        }
        EXPECT_EQ(mStream->AddMediaStream(mDraw, &MSPID_PrimaryVideo, 0, nullptr), S_OK);
        const std::u16string wide(name.begin(), name.end());
        return mStream->OpenFile(wide.c_str(), 0);
    }

    // The video stream, a surface of its format and a sample on it.
    void MakeSample() {
        IMediaStream* media = nullptr;
        ASSERT_EQ(mStream->GetMediaStream(MSPID_PrimaryVideo, &media), S_OK);
        ASSERT_EQ(media->QueryInterface(IID_IDirectDrawMediaStream, reinterpret_cast<void**>(&mVideo)), S_OK);
        media->Release();
        DDSURFACEDESC format{};
        format.dwSize = DirectDrawStandIn::kSurfaceDescSize;
        ASSERT_EQ(mVideo->GetFormat(&format, nullptr, nullptr, nullptr), S_OK);
        ASSERT_EQ(mDraw->CreateSurface(&format, &mSurface, nullptr), DD_OK);
        ASSERT_EQ(mVideo->CreateSample(mSurface, nullptr, 0, &mSample), S_OK);
    }

    // Texel (x, y) of the sample's surface as 0x00RRGGBB.
    uint32_t Texel(uint32_t x, uint32_t y) {
        DirectDrawStandIn::SurfaceState state;
        EXPECT_TRUE(DirectDrawStandIn::DescribeSurface(mSurface, &state));
        const uint8_t* t = DirectDrawStandIn::SurfaceTexels(mSurface)->data() + y * state.pitch + 4 * x;
        return static_cast<uint32_t>(t[2]) << 16 | static_cast<uint32_t>(t[1]) << 8 | t[0];
    }

    PlatformReset reset;
    ScopedWorkingFolder work;
    ManualClock clock;
    IDirectDraw* mDraw = nullptr;
    IAMMultiMediaStream* mStream = nullptr;
    IDirectDrawMediaStream* mVideo = nullptr;
    IDirectDrawSurface* mSurface = nullptr;
    IDirectDrawStreamSample* mSample = nullptr;
};

TEST_F(MultiMediaStreamTest, FramesFollowTheClockWhileRunningUntilTheEnd) {
    Write("Data/Video/Intro.avi", avi::File(ThreeFrames()));
    ASSERT_EQ(Open("data\\video\\intro.avi"), S_OK);
    MakeSample();
    const auto state = MultiMediaStreamStandIn::LiveStreams().at(0);
    EXPECT_EQ(state.width, 3u);
    EXPECT_EQ(state.height, 2u);
    EXPECT_EQ(state.frameCount, 3u);
    EXPECT_NE(state.file.find("Data/Video/Intro.avi"), std::string::npos);

    EXPECT_EQ(mSample->Update(0, nullptr, nullptr, 0), MS_E_NOTRUNNING);
    ASSERT_EQ(mStream->SetState(STREAMSTATE_RUN), S_OK);
    struct Step {
        uint64_t advanceMs;
        HRESULT result;
        uint32_t frame;
    } steps[] = {{0, S_OK, 0}, {39, S_OK, 0}, {1, S_OK, 1}, {45, S_OK, 2}, {35, MS_S_ENDOFSTREAM, 2}};
    for (const Step& step : steps) {
        clock.AdvanceMs(step.advanceMs);
        EXPECT_EQ(mSample->Update(0, nullptr, nullptr, 0), step.result);
        EXPECT_EQ(Texel(0, 0), Pattern(step.frame, 0, 0));
        EXPECT_EQ(Texel(2, 1), Pattern(step.frame, 2, 1));
    }
    EXPECT_EQ(MultiMediaStreamStandIn::LiveStreams().at(0).framesDecoded, 4);

    // The graph runs with the stream and plays its sound.
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(mStream->GetFilterGraph(&graph), S_OK);
    IBasicAudio* audio = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio)), S_OK);
    EXPECT_EQ(audio->put_Volume(-437), S_OK);
    EXPECT_TRUE(DirectShowStandIn::InspectGraph(graph).running);
    ASSERT_EQ(mStream->SetState(STREAMSTATE_STOP), S_OK);
    EXPECT_FALSE(DirectShowStandIn::InspectGraph(graph).running);
    audio->Release();
    graph->Release();
}

TEST_F(MultiMediaStreamTest, WithoutTheAudioRendererTheGraphHasNoVolume) {
    Write("Data/Video/Silent.avi", avi::File(ThreeFrames()));
    ASSERT_EQ(Open("Data\\Video\\Silent.avi", false), S_OK);
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(mStream->GetFilterGraph(&graph), S_OK);
    IBasicAudio* audio = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio)), S_OK);
    EXPECT_EQ(audio->put_Volume(-437), E_NOTIMPL);
    audio->Release();
    graph->Release();
}

TEST_F(MultiMediaStreamTest, FrameLayoutsDecodeToTheSamePicture) {
    struct Case {
        const char* name;
        uint16_t bits;
        bool topDown;
        uint32_t width;
    } cases[] = {{"32 bits bottom-up", 32, false, 3}, {"32 bits top-down", 32, true, 3}, {"24 bits, padded rows", 24, false, 3},
                 {"24 bits top-down", 24, true, 5}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        avi::Video video;
        video.width = c.width;
        video.height = 3;
        video.bits = c.bits;
        video.topDown = c.topDown;
        video.frames.push_back(avi::Frame(video, [](uint32_t x, uint32_t y) { return Pattern(4, x, y); }));
        const std::string name = "Data/Video/v" + std::to_string(n++) + ".avi";
        Write(name, avi::File(video));
        ASSERT_EQ(Open(name), S_OK);
        MakeSample();
        ASSERT_EQ(mStream->SetState(STREAMSTATE_RUN), S_OK);
        ASSERT_EQ(mSample->Update(0, nullptr, nullptr, 0), S_OK);
        for (uint32_t y = 0; y < 3; ++y)
            for (uint32_t x = 0; x < c.width; ++x) EXPECT_EQ(Texel(x, y), Pattern(4, x, y)) << x << "," << y;
        for (IUnknown** object : {reinterpret_cast<IUnknown**>(&mSample), reinterpret_cast<IUnknown**>(&mSurface),
                                  reinterpret_cast<IUnknown**>(&mVideo), reinterpret_cast<IUnknown**>(&mStream)}) {
            (*object)->Release();
            *object = nullptr;
        }
    }
}

TEST_F(MultiMediaStreamTest, DamagedFramesShowBlackAndTheStreamEndsAtTheLastFrameThere) {
    avi::Video video = ThreeFrames();
    video.frames[1].resize(5);   // too short for a picture
    video.declaredFrames = 4;    // the fourth frame is not in the file
    Write("Data/Video/Damaged.avi", avi::File(video));
    ASSERT_EQ(Open("Data/Video/Damaged.avi"), S_OK);
    EXPECT_EQ(MultiMediaStreamStandIn::LiveStreams().at(0).frameCount, 3u);
    MakeSample();
    ASSERT_EQ(mStream->SetState(STREAMSTATE_RUN), S_OK);
    for (uint32_t frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE(frame);
        ASSERT_EQ(mSample->Update(0, nullptr, nullptr, 0), S_OK);
        EXPECT_EQ(Texel(1, 1), frame == 0 || frame == 2 ? Pattern(frame, 1, 1) : 0u);
        clock.AdvanceMs(40);
    }
    EXPECT_EQ(mSample->Update(0, nullptr, nullptr, 0), MS_S_ENDOFSTREAM);
    EXPECT_EQ(Texel(1, 1), Pattern(2, 1, 1)) << "the last real frame stays, not a black one";

    // A file cut inside its last frame ends with the frame before.
    const riff::Bytes whole = avi::File(ThreeFrames());
    Write("Data/Video/Cut.avi", riff::Bytes(whole.begin(), whole.end() - 3));
    mSample->Release();
    mSample = nullptr;
    mStream->Release();
    mStream = nullptr;
    ASSERT_EQ(Open("Data/Video/Cut.avi"), S_OK);
    EXPECT_EQ(MultiMediaStreamStandIn::LiveStreams().back().frameCount, 2u);
}

TEST_F(MultiMediaStreamTest, FilesWrittenAsAStreamOrInTwoPartsPlayEveryFrame) {
    avi::Video streamed = ThreeFrames();
    streamed.streamed = true;
    avi::Video twoParts = ThreeFrames();
    twoParts.secondPartFrames = 2;
    twoParts.sound = true;
    avi::Video both = ThreeFrames();
    both.streamed = true;
    both.secondPartFrames = 1;
    struct Case {
        const char* name;
        avi::Video video;
    };
    for (const Case& c : {Case{"streamed", streamed}, Case{"two parts", twoParts}, Case{"both", both}}) {
        SCOPED_TRACE(c.name);
        Write("Data/Video/v.avi", avi::File(c.video));
        ASSERT_EQ(Open("Data/Video/v.avi"), S_OK);
        EXPECT_EQ(MultiMediaStreamStandIn::LiveStreams().at(0).frameCount, 3u);
        MakeSample();
        ASSERT_EQ(mStream->SetState(STREAMSTATE_RUN), S_OK);
        for (uint32_t frame = 0; frame < 3; ++frame) {
            ASSERT_EQ(mSample->Update(0, nullptr, nullptr, 0), S_OK) << frame;
            EXPECT_EQ(Texel(2, 1), Pattern(frame, 2, 1)) << frame;
            clock.AdvanceMs(40);
        }
        EXPECT_EQ(mSample->Update(0, nullptr, nullptr, 0), MS_S_ENDOFSTREAM);
        EXPECT_EQ(Texel(2, 1), Pattern(2, 2, 1));
        for (IUnknown** object : {reinterpret_cast<IUnknown**>(&mSample), reinterpret_cast<IUnknown**>(&mSurface),
                                  reinterpret_cast<IUnknown**>(&mVideo), reinterpret_cast<IUnknown**>(&mStream)}) {
            (*object)->Release();
            *object = nullptr;
        }
    }
}

TEST_F(MultiMediaStreamTest, FilesThatCannotPlayAreRefusedByOpenFile) {
    avi::Video huge = ThreeFrames();
    huge.width = 5000;
    avi::Video empty = ThreeFrames();
    empty.frames.clear();
    avi::Video timeless = ThreeFrames();
    timeless.microsecondsPerFrame = 0;
    Write("Data/Video/huge.avi", avi::File(huge));
    Write("Data/Video/empty.avi", avi::File(empty));
    Write("Data/Video/timeless.avi", avi::File(timeless));
    Write("Data/Video/wave.avi", riff::PcmWave(1, 22050, 16, riff::Ramp(16)));
    const riff::Bytes whole = avi::File(ThreeFrames());
    Write("Data/Video/cut.avi", riff::Bytes(whole.begin(), whole.begin() + 40));  // inside the main header
    struct Case {
        const char* file;
        HRESULT result;
    } cases[] = {
        {"Data/Video/missing.avi", static_cast<HRESULT>(0x80070002u)}, {"Data/Video", static_cast<HRESULT>(0x80070002u)},
        {"Data/Video/huge.avi", VFW_E_INVALID_FILE_FORMAT},            {"Data/Video/empty.avi", VFW_E_INVALID_FILE_FORMAT},
        {"Data/Video/timeless.avi", VFW_E_INVALID_FILE_FORMAT},        {"Data/Video/wave.avi", VFW_E_INVALID_FILE_FORMAT},
        {"Data/Video/cut.avi", VFW_E_INVALID_FILE_FORMAT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(Open(c.file), c.result);
        IMediaStream* media = nullptr;
        ASSERT_EQ(mStream->GetMediaStream(MSPID_PrimaryVideo, &media), S_OK);
        IDirectDrawMediaStream* video = nullptr;
        ASSERT_EQ(media->QueryInterface(IID_IDirectDrawMediaStream, reinterpret_cast<void**>(&video)), S_OK);
        DDSURFACEDESC format{};
        format.dwSize = DirectDrawStandIn::kSurfaceDescSize;
        EXPECT_EQ(video->GetFormat(&format, nullptr, nullptr, nullptr), MS_E_NOTINIT);
        EXPECT_EQ(mStream->SetState(STREAMSTATE_RUN), MS_E_NOTINIT);
        video->Release();
        media->Release();
        mStream->Release();
        mStream = nullptr;
    }
}

TEST_F(MultiMediaStreamTest, CallsOutOfOrderAreRefused) {
    ASSERT_EQ(CoCreateInstance(CLSID_AMMultiMediaStream, nullptr, CLSCTX_INPROC_SERVER, IID_IAMMultiMediaStream,
                               reinterpret_cast<void**>(&mStream)),
              S_OK);
    EXPECT_EQ(mStream->AddMediaStream(mDraw, &MSPID_PrimaryVideo, 0, nullptr), MS_E_NOTINIT);
    EXPECT_EQ(mStream->OpenFile(u"Data\\Video\\x.avi", 0), MS_E_NOTINIT);
    IGraphBuilder* graph = nullptr;
    EXPECT_EQ(mStream->GetFilterGraph(&graph), MS_E_NOTINIT);
    EXPECT_EQ(mStream->Initialize(STREAMTYPE_WRITE, 0, nullptr), E_INVALIDARG);
    ASSERT_EQ(mStream->Initialize(STREAMTYPE_READ, 0, nullptr), S_OK);
    IMediaStream* media = nullptr;
    EXPECT_EQ(mStream->GetMediaStream(MSPID_PrimaryVideo, &media), MS_E_NOSTREAM);
    EXPECT_EQ(mStream->AddMediaStream(nullptr, &MSPID_PrimaryAudio, 0, nullptr), E_INVALIDARG);
    ASSERT_EQ(mStream->AddMediaStream(mDraw, &MSPID_PrimaryVideo, 0, nullptr), S_OK);
    EXPECT_EQ(mStream->AddMediaStream(mDraw, &MSPID_PrimaryVideo, 0, nullptr), MS_E_SOURCEALREADYDEFINED);

    // A surface of another size does not fit the stream.
    Write("Data/Video/x.avi", avi::File(ThreeFrames()));
    ASSERT_EQ(mStream->OpenFile(u"Data\\Video\\x.avi", 0), S_OK);
    ASSERT_EQ(mStream->GetMediaStream(MSPID_PrimaryVideo, &media), S_OK);
    ASSERT_EQ(media->QueryInterface(IID_IDirectDrawMediaStream, reinterpret_cast<void**>(&mVideo)), S_OK);
    media->Release();
    DDSURFACEDESC other{};
    other.dwSize = DirectDrawStandIn::kSurfaceDescSize;
    other.dwFlags = DDSD_WIDTH | DDSD_HEIGHT;
    other.dwWidth = 4;
    other.dwHeight = 2;
    ASSERT_EQ(mDraw->CreateSurface(&other, &mSurface, nullptr), DD_OK);
    EXPECT_EQ(mVideo->CreateSample(mSurface, nullptr, 0, &mSample), MS_E_INCOMPATIBLE);
    EXPECT_EQ(mSample, nullptr);
    const auto calls = MultiMediaStreamStandIn::LiveStreams().at(0).calls;
    EXPECT_EQ(calls.back(), "IDirectDrawMediaStream::CreateSample() failed 0x80040405");
}

}  // namespace
