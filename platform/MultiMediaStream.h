// DirectShow multimedia streaming as the video players call it: a multimedia stream
// (CoCreateInstance of CLSID_AMMultiMediaStream) that opens a video file, offers its primary video as
// a DirectDraw media stream, and decodes the frame of the moment into a DirectDraw surface through a
// stream sample. Its filter graph is the DirectShow stand-in's (DirectShow.h), which keeps the time
// by the engine's clock and plays the sound when an audio renderer was added.
//
// Files are AVI files: RIFF "AVI " with the main header "avih" (frame time, frame count, width,
// height), stream headers "strh"/"strf" (a "vids" stream with an uncompressed 24- or 32-bit bitmap
// header, an optional "auds" stream) and the frames as "##db"/"##dc" chunks of the "movi" list, and
// of the "movi" lists of further RIFF parts "AVIX". The stream has the frames the file holds whole,
// whatever the main header counts (0 in a file written as a stream), and ends at the last of them. A
// frame that is not an uncompressed bitmap of the video's size decodes as black.
#pragma once

#include <string>
#include <vector>

#include "platform/Com.h"
#include "platform/DirectDraw.h"
#include "platform/DirectShow.h"
#include "platform/WinTypes.h"

using MSPID = GUID;
using REFMSPID = const MSPID&;
using PAPCFUNC = void (*)(DWORD_PTR);

enum STREAM_TYPE : int32_t { STREAMTYPE_READ = 0, STREAMTYPE_WRITE = 1, STREAMTYPE_TRANSFORM = 2 };
enum STREAM_STATE : int32_t { STREAMSTATE_STOP = 0, STREAMSTATE_RUN = 1 };

// AddMediaStream: let the stream add the default renderer (the sound card for audio).
constexpr DWORD AMMSF_ADDDEFAULTRENDERER = 0x1;

// Stream results.
constexpr HRESULT MS_S_ENDOFSTREAM = 0x00040003;
constexpr HRESULT MS_E_PURPOSEID = static_cast<HRESULT>(0x80040402u);
constexpr HRESULT MS_E_NOSTREAM = static_cast<HRESULT>(0x80040403u);
constexpr HRESULT MS_E_INCOMPATIBLE = static_cast<HRESULT>(0x80040405u);
constexpr HRESULT MS_E_NOTINIT = static_cast<HRESULT>(0x80040407u);
constexpr HRESULT MS_E_SOURCEALREADYDEFINED = static_cast<HRESULT>(0x80040408u);
constexpr HRESULT MS_E_NOTRUNNING = static_cast<HRESULT>(0x8004040Au);

extern const CLSID CLSID_AMMultiMediaStream;
extern const IID IID_IAMMultiMediaStream;
extern const IID IID_IMultiMediaStream;
extern const IID IID_IMediaStream;
extern const IID IID_IDirectDrawMediaStream;
extern const IID IID_IDirectDrawStreamSample;
extern const MSPID MSPID_PrimaryVideo;
extern const MSPID MSPID_PrimaryAudio;

class IMediaStream : public IUnknown {
protected:
    ~IMediaStream() = default;
};

class IStreamSample : public IUnknown {
public:
    // Decodes the stream's current frame into the sample's surface (synchronously: the event and the
    // completion routine must be null). MS_S_ENDOFSTREAM once the stream has played to its end, with
    // the surface left as it was; MS_E_NOTRUNNING while the stream is stopped.
    virtual HRESULT Update(DWORD flags, HANDLE event, PAPCFUNC apc, DWORD_PTR apcData) = 0;

protected:
    ~IStreamSample() = default;
};

class IDirectDrawStreamSample : public IStreamSample {
public:
    // The sample's surface (counted) and its rectangle.
    virtual HRESULT GetSurface(IDirectDrawSurface** surface, RECT* rect) = 0;

protected:
    ~IDirectDrawStreamSample() = default;
};

class IDirectDrawMediaStream : public IMediaStream {
public:
    // The video's own format: width, height, 32-bit RGB, an off-screen system-memory surface. The
    // description's dwSize must be 108; palette, desired format and flags may be null (and are left as
    // they are: the stand-in has no palette and no preference).
    virtual HRESULT GetFormat(DDSURFACEDESC* current, IDirectDrawPalette** palette, DDSURFACEDESC* desired,
                              DWORD* flags) = 0;
    // A sample that decodes into the surface, which must have the stream's format (the rectangle must
    // be null: the whole surface).
    virtual HRESULT CreateSample(IDirectDrawSurface* surface, const RECT* rect, DWORD flags,
                                 IDirectDrawStreamSample** sample) = 0;

protected:
    ~IDirectDrawMediaStream() = default;
};

class IMultiMediaStream : public IUnknown {
public:
    virtual HRESULT GetMediaStream(REFMSPID purpose, IMediaStream** stream) = 0;
    // Runs or stops the filter graph (and with it the stream's time).
    virtual HRESULT SetState(STREAM_STATE state) = 0;
    virtual HRESULT GetState(STREAM_STATE* state) = 0;

protected:
    ~IMultiMediaStream() = default;
};

class IAMMultiMediaStream : public IMultiMediaStream {
public:
    // Only reading streams with a graph of their own (no flags, no graph given).
    virtual HRESULT Initialize(STREAM_TYPE type, DWORD flags, IGraphBuilder* graph) = 0;
    virtual HRESULT GetFilterGraph(IGraphBuilder** graph) = 0;
    // MSPID_PrimaryVideo with a DirectDraw object (or none), or MSPID_PrimaryAudio with no object and
    // AMMSF_ADDDEFAULTRENDERER. Before OpenFile, once per purpose.
    virtual HRESULT AddMediaStream(IUnknown* streamObject, const MSPID* purpose, DWORD flags,
                                   IMediaStream** stream) = 0;
    // Opens the file (found through the path resolver) as the stream's source, once.
    virtual HRESULT OpenFile(LPCWSTR file, DWORD flags) = 0;

protected:
    ~IAMMultiMediaStream() = default;
};

// What tests read of the stand-in. Every call can be failed through PlatformFaults under its name
// ("IAMMultiMediaStream::OpenFile", "IDirectDrawMediaStream::GetFormat", "IMediaStream::QueryInterface",
// "IDirectDrawStreamSample::Update", ...).
namespace MultiMediaStreamStandIn {
struct StreamState {
    bool initialized = false;
    bool videoAdded = false;
    bool audioRenderer = false;  // AddMediaStream for the primary audio with the default renderer
    std::string file;            // resolved path once opened
    DWORD width = 0, height = 0;
    DWORD frameCount = 0;
    DWORD microsecondsPerFrame = 0;
    bool fileHasSound = false;
    STREAM_STATE state = STREAMSTATE_STOP;
    int framesDecoded = 0;  // successful sample updates
    // Every call on the stream's interfaces, in order, as "Name(arguments)".
    std::vector<std::string> calls;
};

// The multimedia streams alive now, in creation order.
std::vector<StreamState> LiveStreams();
// Every object of the stand-in alive now: streams, media streams and samples.
size_t LiveObjectCount();

// Makes a multimedia stream: CoCreateInstance's road for CLSID_AMMultiMediaStream.
HRESULT CreateMultiMediaStream(REFIID iid, void** object);
}  // namespace MultiMediaStreamStandIn
