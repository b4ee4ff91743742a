// The video player (gVideoPlayer): a video file from "Data\Video" decoded through a multimedia stream
// into a DirectDraw surface and copied, frame by frame, into a Direct3D texture sized to the next
// powers of two that the texture cache shows under the entry "video" (renamed "VIDEO"). It is a task:
// the scripts open a video, add the player to the kernel to play it and stop it to end it.
// PAVIPlayer1 (gVideoPlayer1) is the same player for the entry "video1".
#pragma once

#include <cstdint>
#include <string>

#include "core/CPTask.h"
#include "platform/DirectDraw.h"
#include "platform/DirectShow.h"
#include "platform/Direct3DResource9.h"
#include "platform/MultiMediaStream.h"

// The smallest power of two strictly greater than n, at least 2 (so 256 gives 512); values from 2^30
// up give 2^30, the largest power of two an int holds.
int32_t NextPowerOfTwo(int32_t n);

class PAVIPlayer : public CPTask {
public:
    // All interfaces null, no texture.
    PAVIPlayer();
    // Frees the interfaces and the texture (taking it out of the texture cache's entry first) and
    // clears gVideoPlayer when it names this player.
    ~PAVIPlayer() override;

    size_t GetSize() const override { return sizeof(PAVIPlayer); }
    std::string GetClassName() const override { return "PAVIPlayer"; }
    int32_t GetTag() const override { return 0; }

    // A DirectDraw object at the normal cooperative level on gTaskKernel's main window and a multimedia
    // stream for reading with the primary audio (unless the last opening asked for no sound) and the
    // primary video. A failing step is reported and ends the call with 0; else the last call's result.
    HRESULT Init();
    // Releases and clears every DirectDraw and streaming interface; the texture and device stay.
    void FreeInterfaces();
    // FreeInterfaces, then Init and its result.
    HRESULT Setup();
    // Opens "Data\Video\<name>" onto the player's texture, stopped, and shows the texture in the cache
    // entry "video". E_FAIL without a multimedia stream; 0 after a reported failure (what was obtained
    // before it stays); E_INVALIDARG for a path of 260 characters or more; else the result of stopping.
    HRESULT Open(const std::string& name, bool noSound);

    // Runs the opened stream; refused (false) while running or without an opened video.
    bool Start() override;
    // Shows the frame of the moment in the texture. At the end of the stream a looping video (caller
    // flag set) starts again from its beginning; any other stops the task.
    void Execute() override;
    // Stops the stream and the task.
    void Stop() override;

    // Set by the script interface: the video loops until stopped. The player never clears it.
    uint8_t mCallerFlag = 0;

    IDirect3DTexture9* GetTexture() const { return mTexture; }
    int32_t GetTextureWidth() const { return mTextureWidth; }
    int32_t GetTextureHeight() const { return mTextureHeight; }
    int32_t GetTextureDepth() const { return mTextureDepth; }
    const RECT& GetFrameRect() const { return mFrameRect; }
    // 1 once a frame of the current opening has reached the texture.
    uint8_t GetOpenedFlag() const { return mOpened; }
    bool IsNoSound() const { return mNoSound != 0; }
    bool HasVideoStream() const { return mVideoStream != nullptr; }
    IBasicAudio* GetAudio() const { return mAudio; }

    // What tells the two players apart: the texture cache entry they show their texture in, the name
    // it takes, and where their reports come from.
    struct Profile {
        const char* entryName;  // the cache key: "video"
        const char* shownName;  // the entry's name once it shows the player's texture: "VIDEO"
        const char* source;     // the reporting file (__FILE__ of the class)
        int initLine;           // every failure of Init
        int openLines[13];      // the failures of Open, in the order of its steps (OpenStep)
    };

protected:
    explicit PAVIPlayer(const Profile& profile);
    HRESULT OpenVideo(const std::string& name, bool noSound);

private:
    // Releases the texture after taking it out of the cache entry that shows it.
    void ReleaseTexture();
    // Makes a texture of the powers of two above the frame unless the one there still fits.
    HRESULT FitTexture(int32_t width, int32_t height);
    void Publish();
    // Copies the frame surface into the top-left of the texture, converting the texels.
    bool CopyFrame();
    HRESULT Report(int line, HRESULT result) const;

    const Profile& mProfile;
    IDirectDraw* mDirectDraw = nullptr;
    IDirectDrawSurface* mFrameSurface = nullptr;  // the stream's format and size; frames decode into it
    IAMMultiMediaStream* mStream = nullptr;
    IMediaStream* mVideoStream = nullptr;
    IDirectDrawMediaStream* mDirectDrawStream = nullptr;
    IDirectDrawStreamSample* mSample = nullptr;  // ties the video stream to the frame surface
    IMediaControl* mControl = nullptr;
    IMediaPosition* mPosition = nullptr;
    IBasicAudio* mAudio = nullptr;  // null without sound
    RECT mFrameRect{0, 0, 0, 0};    // (0, 0, frame width, frame height)
    IDirect3DTexture9* mTexture = nullptr;  // counted; kept while its size and depth still fit
    IDirect3DDevice9* mDevice = nullptr;    // the renderer's device at the last opening; not counted
    int32_t mTextureWidth = 0;   // texels, a power of two
    int32_t mTextureHeight = 0;  // texels, a power of two
    int32_t mTextureDepth = 0;   // the "screenBPP" the texture was made for
    uint8_t mOpened = 0;
    uint8_t mNoSound = 0;  // the last opening asked for no sound
};

// The first video player; set by the host, null before.
extern PAVIPlayer* gVideoPlayer;
