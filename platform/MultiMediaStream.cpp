#include "platform/MultiMediaStream.h"

#include <algorithm>
#include <cmath>
#include <list>
#include <memory>

#include "platform/CallLog.h"
#include "platform/ComObject.h"
#include "platform/Mmio.h"
#include "platform/PathResolver.h"
#include "platform/PlatformFaults.h"

const CLSID CLSID_AMMultiMediaStream = {0x6d5a0101, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x41, 0x4d, 0x4d, 0x53, 0x01, 0x01}};
const IID IID_IAMMultiMediaStream = {0x6d5a0102, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x41, 0x4d, 0x4d, 0x53, 0x01, 0x02}};
const IID IID_IMultiMediaStream = {0x6d5a0103, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x4d, 0x4d, 0x53, 0x54, 0x01, 0x03}};
const IID IID_IMediaStream = {0x6d5a0104, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x4d, 0x53, 0x54, 0x52, 0x01, 0x04}};
const IID IID_IDirectDrawMediaStream = {0x6d5a0105, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x44, 0x44, 0x4d, 0x53, 0x01, 0x05}};
const IID IID_IDirectDrawStreamSample = {0x6d5a0106, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x44, 0x44, 0x53, 0x53, 0x01, 0x06}};
const MSPID MSPID_PrimaryVideo = {0x6d5a0107, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x50, 0x56, 0x49, 0x44, 0x01, 0x07}};
const MSPID MSPID_PrimaryAudio = {0x6d5a0108, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x50, 0x41, 0x55, 0x44, 0x01, 0x08}};

namespace {
using MultiMediaStreamStandIn::StreamState;

constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002u);
// Videos larger than this on either side are refused as an unreadable format.
constexpr DWORD kMaxVideoSide = 4096;
constexpr DWORD kAviMainHeaderSize = 56;
constexpr DWORD kBitmapHeaderSize = 40;
constexpr DWORD kStreamHeaderTypeSize = 4;

size_t& LiveObjects() {
    static size_t count = 0;
    return count;
}

HRESULT Take(const char* call) {
    auto failure = PlatformFaults::Take(call);
    return failure ? *failure : S_OK;
}

DWORD ReadDword(const uint8_t* bytes) {
    return static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) | (static_cast<DWORD>(bytes[2]) << 16) |
           (static_cast<DWORD>(bytes[3]) << 24);
}

// Reads exactly `count` bytes of a chunk's data; false when the chunk or the file is shorter.
bool ReadChunk(HMMIO file, const MMCKINFO& chunk, uint8_t* out, DWORD count) {
    if (chunk.cksize < count) return false;
    return mmioRead(file, reinterpret_cast<HPSTR>(out), static_cast<LONG>(count)) == static_cast<LONG>(count);
}

// An opened AVI file: what its headers say and where its video frames lie.
struct AviFile {
    HMMIO file = nullptr;
    DWORD microsecondsPerFrame = 0;
    DWORD frameCount = 0;
    DWORD width = 0, height = 0;
    bool hasSound = false;
    int32_t videoStream = -1;  // number of the "vids" stream
    WORD bitCount = 0;         // of the uncompressed frames; 0 when they are not
    bool topDown = false;
    LONG fileLength = 0;
    struct Frame {
        DWORD offset, size;
    };
    std::vector<Frame> frames;

    ~AviFile() {
        if (file) mmioClose(file, 0);
    }

    // Reads the headers and the frame index; false for anything that is not a playable AVI file.
    bool Open(const std::string& path) {
        file = mmioOpenA(path.c_str(), nullptr, MMIO_READ);
        if (!file) return false;
        MMCKINFO riff{};
        riff.fccType = mmioFOURCC('A', 'V', 'I', ' ');
        if (mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return false;
        RunToEndIfUnsized(riff);
        MMCKINFO headers{};
        headers.fccType = mmioFOURCC('h', 'd', 'r', 'l');
        if (mmioDescend(file, &headers, &riff, MMIO_FINDLIST) != MMSYSERR_NOERROR) return false;
        if (!ReadMainHeader(headers) || !ReadStreams(headers)) return false;
        mmioAscend(file, &headers, 0);
        const LONG afterHeaders = mmioSeek(file, 0, SEEK_CUR);
        fileLength = mmioSeek(file, 0, SEEK_END);
        mmioSeek(file, afterHeaders, SEEK_SET);
        ReadPart(riff);
        // A large file goes on in further RIFF parts of the form "AVIX", each with its own "movi" list.
        for (MMCKINFO part = riff; mmioAscend(file, &part, 0) == MMSYSERR_NOERROR;) {
            part = MMCKINFO{};
            part.fccType = mmioFOURCC('A', 'V', 'I', 'X');
            if (mmioDescend(file, &part, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) break;
            ReadPart(part);
        }
        // The frames there are: a file written as a stream declares 0, and the header of a file in
        // several parts counts only the first part's.
        frameCount = static_cast<DWORD>(frames.size());
        return videoStream >= 0 && width > 0 && height > 0 && width <= kMaxVideoSide && height <= kMaxVideoSide &&
               frameCount > 0 && microsecondsPerFrame > 0;
    }

    // The frames of the "movi" list of one RIFF part.
    void ReadPart(const MMCKINFO& part) {
        MMCKINFO movie{};
        movie.fccType = mmioFOURCC('m', 'o', 'v', 'i');
        if (mmioDescend(file, &movie, &part, MMIO_FINDLIST) != MMSYSERR_NOERROR) return;
        RunToEndIfUnsized(movie);
        ReadFrameIndex(movie);
    }

    // A RIFF or list chunk whose size was never written back (0, or the placeholder of a file written
    // as a stream) runs to the end of the file.
    static void RunToEndIfUnsized(MMCKINFO& chunk) {
        if (chunk.cksize < 4) chunk.cksize = ~DWORD{0} - chunk.dwDataOffset;
    }

    bool ReadMainHeader(const MMCKINFO& headers) {
        MMCKINFO main{};
        main.ckid = mmioFOURCC('a', 'v', 'i', 'h');
        uint8_t bytes[kAviMainHeaderSize];
        if (mmioDescend(file, &main, &headers, MMIO_FINDCHUNK) != MMSYSERR_NOERROR ||
            !ReadChunk(file, main, bytes, kAviMainHeaderSize))
            return false;
        microsecondsPerFrame = ReadDword(bytes);
        frameCount = ReadDword(bytes + 16);
        width = ReadDword(bytes + 32);
        height = ReadDword(bytes + 36);
        return mmioAscend(file, &main, 0) == MMSYSERR_NOERROR;
    }

    bool ReadStreams(const MMCKINFO& headers) {
        for (int32_t number = 0;; ++number) {
            MMCKINFO list{};
            list.fccType = mmioFOURCC('s', 't', 'r', 'l');
            if (mmioDescend(file, &list, &headers, MMIO_FINDLIST) != MMSYSERR_NOERROR) return true;
            MMCKINFO header{};
            header.ckid = mmioFOURCC('s', 't', 'r', 'h');
            uint8_t type[kStreamHeaderTypeSize];
            if (mmioDescend(file, &header, &list, MMIO_FINDCHUNK) != MMSYSERR_NOERROR ||
                !ReadChunk(file, header, type, kStreamHeaderTypeSize))
                return false;
            mmioAscend(file, &header, 0);
            const DWORD kind = ReadDword(type);
            if (kind == mmioFOURCC('a', 'u', 'd', 's')) hasSound = true;
            if (kind == mmioFOURCC('v', 'i', 'd', 's') && videoStream < 0) {
                videoStream = number;
                ReadBitmapHeader(list);
            }
            if (mmioAscend(file, &list, 0) != MMSYSERR_NOERROR) return false;
        }
    }

    void ReadBitmapHeader(const MMCKINFO& list) {
        MMCKINFO format{};
        format.ckid = mmioFOURCC('s', 't', 'r', 'f');
        uint8_t bytes[kBitmapHeaderSize];
        if (mmioDescend(file, &format, &list, MMIO_FINDCHUNK) != MMSYSERR_NOERROR ||
            !ReadChunk(file, format, bytes, kBitmapHeaderSize))
            return;
        mmioAscend(file, &format, 0);
        const auto bitmapWidth = static_cast<int32_t>(ReadDword(bytes + 4));
        const auto bitmapHeight = static_cast<int32_t>(ReadDword(bytes + 8));
        const WORD bits = static_cast<WORD>(bytes[14] | (bytes[15] << 8));
        const DWORD compression = ReadDword(bytes + 16);
        const bool sized = bitmapWidth == static_cast<int32_t>(width) &&
                           (bitmapHeight == static_cast<int32_t>(height) || bitmapHeight == -static_cast<int32_t>(height));
        if (compression == 0 && sized && (bits == 24 || bits == 32)) {
            bitCount = bits;
            topDown = bitmapHeight < 0;
        }
    }

    // The video frames of a "movi" list (and of the "rec " lists and further parts in it), in file
    // order; a chunk whose data the file does not hold whole is no frame.
    void ReadFrameIndex(const MMCKINFO& movie) {
        const char digits[2] = {static_cast<char>('0' + videoStream / 10), static_cast<char>('0' + videoStream % 10)};
        const FOURCC packed = mmioFOURCC(digits[0], digits[1], 'd', 'b');
        const FOURCC compressed = mmioFOURCC(digits[0], digits[1], 'd', 'c');
        for (;;) {
            MMCKINFO chunk{};
            if (mmioDescend(file, &chunk, &movie, 0) != MMSYSERR_NOERROR) return;
            const bool whole = static_cast<int64_t>(chunk.dwDataOffset) + chunk.cksize <= fileLength;
            if ((chunk.ckid == packed || chunk.ckid == compressed) && whole)
                frames.push_back({chunk.dwDataOffset, chunk.cksize});
            if (chunk.ckid == mmioFOURCC('L', 'I', 'S', 'T') && chunk.fccType == mmioFOURCC('r', 'e', 'c', ' '))
                ReadFrameIndex(chunk);
            // The next part, inside a list of a file written as a stream, whose sizes run to the end.
            if (chunk.ckid == mmioFOURCC('R', 'I', 'F', 'F') && chunk.fccType == mmioFOURCC('A', 'V', 'I', 'X'))
                ReadPart(chunk);
            if (mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR) return;
        }
    }

    // Decodes frame `index` into 32-bit texels of `pitch` bytes per row; black when it cannot.
    void Decode(DWORD index, uint8_t* texels, LONG pitch) {
        for (DWORD y = 0; y < height; ++y) std::fill_n(texels + static_cast<size_t>(y) * pitch, width * 4, uint8_t{0});
        if (index >= frames.size() || bitCount == 0) return;
        const DWORD bytesPerTexel = bitCount / 8u;
        const DWORD rowBytes = (width * bytesPerTexel + 3u) & ~3u;
        if (frames[index].size < rowBytes * height) return;
        std::vector<uint8_t> data(static_cast<size_t>(rowBytes) * height);
        if (mmioSeek(file, static_cast<LONG>(frames[index].offset), SEEK_SET) < 0 ||
            mmioRead(file, reinterpret_cast<HPSTR>(data.data()), static_cast<LONG>(data.size())) !=
                static_cast<LONG>(data.size()))
            return;
        for (DWORD y = 0; y < height; ++y) {
            const DWORD sourceRow = topDown ? y : height - 1 - y;
            const uint8_t* in = data.data() + static_cast<size_t>(sourceRow) * rowBytes;
            uint8_t* out = texels + static_cast<size_t>(y) * pitch;
            for (DWORD x = 0; x < width; ++x) {
                out[4 * x + 0] = in[bytesPerTexel * x + 0];  // blue
                out[4 * x + 1] = in[bytesPerTexel * x + 1];  // green
                out[4 * x + 2] = in[bytesPerTexel * x + 2];  // red
                out[4 * x + 3] = 0;
            }
        }
    }
};

// What a multimedia stream, its video stream and its samples share.
struct Source {
    StreamState state;
    std::unique_ptr<AviFile> avi;
    IGraphBuilder* graph = nullptr;  // counted

    ~Source() {
        if (graph) graph->Release();
    }
    HRESULT Log(HRESULT result, const char* text) { return AppendCall(state.calls, result, "%s", text); }
};

// Every object of the stand-in is counted among the live ones.
template <class Interface>
class Counted : public ComObject<Interface> {
public:
    Counted() { ++LiveObjects(); }
    ~Counted() override { --LiveObjects(); }
};

class Sample final : public Counted<IDirectDrawStreamSample> {
public:
    Sample(std::shared_ptr<Source> source, IDirectDrawSurface* surface) : mSource(std::move(source)), mSurface(surface) {
        mSurface->AddRef();
    }
    ~Sample() override { mSurface->Release(); }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return QueryAs(iid, object, {&IID_IDirectDrawStreamSample});
    }

    HRESULT Update(DWORD flags, HANDLE event, PAPCFUNC apc, DWORD_PTR) override {
        Source& source = *mSource;
        HRESULT result = Take("IDirectDrawStreamSample::Update");
        if (result == S_OK && (flags != 0 || event || apc)) result = E_INVALIDARG;
        if (result == S_OK && source.state.state != STREAMSTATE_RUN) result = MS_E_NOTRUNNING;
        if (result != S_OK) return source.Log(result, "IDirectDrawStreamSample::Update()");
        const DirectShowStandIn::GraphState graph = DirectShowStandIn::InspectGraph(source.graph);
        // The end is reported once the clock reached the stream's length, without touching the surface.
        if (graph.position >= graph.duration) return MS_S_ENDOFSTREAM;
        const double frame = std::floor(graph.position * 1.0e6 / source.state.microsecondsPerFrame);
        const auto index = static_cast<DWORD>(std::min(frame, static_cast<double>(source.state.frameCount - 1)));
        std::vector<uint8_t>* texels = DirectDrawStandIn::SurfaceTexels(mSurface);
        DirectDrawStandIn::SurfaceState surface;
        if (!texels || !DirectDrawStandIn::DescribeSurface(mSurface, &surface) || surface.locked)
            return source.Log(DDERR_SURFACEBUSY, "IDirectDrawStreamSample::Update()");
        source.avi->Decode(index, texels->data(), surface.pitch);
        ++source.state.framesDecoded;
        return S_OK;  // one per frame: not worth a record
    }

    HRESULT GetSurface(IDirectDrawSurface** surface, RECT* rect) override {
        if (!surface) return E_POINTER;
        *surface = mSurface;
        mSurface->AddRef();
        if (rect) *rect = RECT{0, 0, static_cast<LONG>(mSource->state.width), static_cast<LONG>(mSource->state.height)};
        return S_OK;
    }

private:
    std::shared_ptr<Source> mSource;
    IDirectDrawSurface* mSurface;  // counted
};

class VideoStream final : public Counted<IDirectDrawMediaStream> {
public:
    explicit VideoStream(std::shared_ptr<Source> source) : mSource(std::move(source)) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        HRESULT result = Take("IMediaStream::QueryInterface");
        if (result == S_OK) {
            result = QueryAs(iid, object, {&IID_IMediaStream, &IID_IDirectDrawMediaStream});
        } else if (object) {
            *object = nullptr;
        }
        return mSource->Log(result, "IMediaStream::QueryInterface()");
    }

    HRESULT GetFormat(DDSURFACEDESC* current, IDirectDrawPalette**, DDSURFACEDESC*, DWORD*) override {
        HRESULT result = Take("IDirectDrawMediaStream::GetFormat");
        if (result == S_OK && (!current || current->dwSize != DirectDrawStandIn::kSurfaceDescSize))
            result = E_INVALIDARG;
        if (result == S_OK && !mSource->avi) result = MS_E_NOTINIT;
        if (result == S_OK) {
            *current = DDSURFACEDESC{};
            current->dwSize = DirectDrawStandIn::kSurfaceDescSize;
            current->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
            current->dwWidth = mSource->state.width;
            current->dwHeight = mSource->state.height;
            current->ddpfPixelFormat = DirectDrawStandIn::Rgb32Format();
            current->ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        }
        return mSource->Log(result, "IDirectDrawMediaStream::GetFormat()");
    }

    HRESULT CreateSample(IDirectDrawSurface* surface, const RECT* rect, DWORD flags,
                         IDirectDrawStreamSample** sample) override {
        HRESULT result = Take("IDirectDrawMediaStream::CreateSample");
        if (sample) *sample = nullptr;
        if (result == S_OK && (!surface || rect || flags != 0 || !sample)) result = E_INVALIDARG;
        if (result == S_OK && !mSource->avi) result = MS_E_NOTINIT;
        DirectDrawStandIn::SurfaceState state;
        if (result == S_OK && (!DirectDrawStandIn::DescribeSurface(surface, &state) ||
                               state.width != mSource->state.width || state.height != mSource->state.height ||
                               state.format.dwRGBBitCount != 32))
            result = MS_E_INCOMPATIBLE;
        if (result == S_OK) *sample = new Sample(mSource, surface);
        return mSource->Log(result, "IDirectDrawMediaStream::CreateSample()");
    }

private:
    std::shared_ptr<Source> mSource;
};

class MultiMediaStream;
std::list<MultiMediaStream*>& Streams() {
    static auto* streams = new std::list<MultiMediaStream*>;
    return *streams;
}

class MultiMediaStream final : public Counted<IAMMultiMediaStream> {
public:
    MultiMediaStream() : mSource(std::make_shared<Source>()) { Streams().push_back(this); }
    ~MultiMediaStream() override {
        Streams().remove(this);
        if (mVideo) mVideo->Release();
        // A running graph stops with the stream that runs it.
        if (mSource->graph && mSource->state.state == STREAMSTATE_RUN) RunGraph(false);
    }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return QueryAs(iid, object, {&IID_IMultiMediaStream, &IID_IAMMultiMediaStream});
    }

    HRESULT Initialize(STREAM_TYPE type, DWORD flags, IGraphBuilder* graph) override {
        HRESULT result = Take("IAMMultiMediaStream::Initialize");
        if (result == S_OK && mSource->state.initialized) result = MS_E_SOURCEALREADYDEFINED;
        if (result == S_OK && (type != STREAMTYPE_READ || flags != 0 || graph)) result = E_INVALIDARG;
        if (result == S_OK) {
            mSource->state.initialized = true;
            mSource->graph = DirectShowStandIn::CreateStreamGraph();
        }
        return AppendCall(mSource->state.calls, result, "IAMMultiMediaStream::Initialize(%d)", type);
    }

    HRESULT GetFilterGraph(IGraphBuilder** graph) override {
        HRESULT result = Take("IAMMultiMediaStream::GetFilterGraph");
        if (result == S_OK && !graph) result = E_POINTER;
        if (graph) *graph = nullptr;
        if (result == S_OK && !mSource->graph) result = MS_E_NOTINIT;
        if (result == S_OK) {
            *graph = mSource->graph;
            mSource->graph->AddRef();
        }
        return mSource->Log(result, "IAMMultiMediaStream::GetFilterGraph()");
    }

    HRESULT AddMediaStream(IUnknown* streamObject, const MSPID* purpose, DWORD flags, IMediaStream** stream) override {
        HRESULT result = Take("IAMMultiMediaStream::AddMediaStream");
        const bool video = purpose && *purpose == MSPID_PrimaryVideo;
        const bool audio = purpose && *purpose == MSPID_PrimaryAudio;
        if (stream) *stream = nullptr;
        if (result == S_OK && !mSource->state.initialized) result = MS_E_NOTINIT;
        if (result == S_OK && mSource->avi) result = MS_E_SOURCEALREADYDEFINED;
        if (result == S_OK && !video && !audio) result = MS_E_PURPOSEID;
        if (result == S_OK && audio && (streamObject || flags != AMMSF_ADDDEFAULTRENDERER)) result = E_INVALIDARG;
        if (result == S_OK && video && flags != 0) result = E_INVALIDARG;
        if (result == S_OK && ((video && mVideo) || (audio && mSource->state.audioRenderer)))
            result = MS_E_SOURCEALREADYDEFINED;
        if (result == S_OK && video) {
            mVideo = new VideoStream(mSource);
            mSource->state.videoAdded = true;
            if (stream) {
                *stream = mVideo;
                mVideo->AddRef();
            }
        }
        if (result == S_OK && audio) mSource->state.audioRenderer = true;
        return AppendCall(mSource->state.calls, result, "IAMMultiMediaStream::AddMediaStream(%s, 0x%X)",
                          video ? "video" : (audio ? "audio" : "other"), flags);
    }

    HRESULT OpenFile(LPCWSTR file, DWORD flags) override {
        HRESULT result = Take("IAMMultiMediaStream::OpenFile");
        std::string path;
        if (result == S_OK && (!file || flags != 0)) result = E_INVALIDARG;
        if (result == S_OK && !mSource->state.initialized) result = MS_E_NOTINIT;
        if (result == S_OK && mSource->avi) result = MS_E_SOURCEALREADYDEFINED;
        if (result == S_OK && (!DirectShowStandIn::NarrowPath(file, &path) || !IsRegularFile(path)))
            result = kFileNotFound;
        if (result == S_OK) {
            auto avi = std::make_unique<AviFile>();
            if (!avi->Open(path)) {
                result = VFW_E_INVALID_FILE_FORMAT;
            } else {
                StreamState& state = mSource->state;
                state.file = ResolvePath(path);
                state.width = avi->width;
                state.height = avi->height;
                state.frameCount = avi->frameCount;
                state.microsecondsPerFrame = avi->microsecondsPerFrame;
                state.fileHasSound = avi->hasSound;
                const double seconds = static_cast<double>(avi->frameCount) * avi->microsecondsPerFrame / 1.0e6;
                DirectShowStandIn::SetStreamSource(mSource->graph, state.file, seconds, state.audioRenderer);
                mSource->avi = std::move(avi);
            }
        }
        return AppendCall(mSource->state.calls, result, "IAMMultiMediaStream::OpenFile(%s)", path.c_str());
    }

    HRESULT GetMediaStream(REFMSPID purpose, IMediaStream** stream) override {
        HRESULT result = Take("IAMMultiMediaStream::GetMediaStream");
        if (result == S_OK && !stream) result = E_POINTER;
        if (stream) *stream = nullptr;
        if (result == S_OK && !(purpose == MSPID_PrimaryVideo && mVideo)) result = MS_E_NOSTREAM;
        if (result == S_OK) {
            *stream = mVideo;
            mVideo->AddRef();
        }
        return mSource->Log(result, "IAMMultiMediaStream::GetMediaStream()");
    }

    HRESULT SetState(STREAM_STATE state) override {
        HRESULT result = Take("IMultiMediaStream::SetState");
        if (result == S_OK && state != STREAMSTATE_STOP && state != STREAMSTATE_RUN) result = E_INVALIDARG;
        if (result == S_OK && !mSource->avi) result = MS_E_NOTINIT;
        if (result == S_OK && state != mSource->state.state) result = RunGraph(state == STREAMSTATE_RUN);
        if (result == S_OK) mSource->state.state = state;
        return AppendCall(mSource->state.calls, result, "IMultiMediaStream::SetState(%d)", state);
    }

    HRESULT GetState(STREAM_STATE* state) override {
        if (!state) return E_POINTER;
        *state = mSource->state.state;
        return S_OK;
    }

    const StreamState& State() const { return mSource->state; }

private:
    HRESULT RunGraph(bool run) {
        IMediaControl* control = nullptr;
        HRESULT result = mSource->graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
        if (FAILED(result)) return result;
        result = run ? control->Run() : control->Stop();
        control->Release();
        return result;
    }

    std::shared_ptr<Source> mSource;
    VideoStream* mVideo = nullptr;  // counted
};
}  // namespace

namespace MultiMediaStreamStandIn {
std::vector<StreamState> LiveStreams() {
    std::vector<StreamState> states;
    for (const MultiMediaStream* stream : Streams()) states.push_back(stream->State());
    return states;
}

size_t LiveObjectCount() { return LiveObjects(); }

HRESULT CreateMultiMediaStream(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    auto* stream = new MultiMediaStream();
    HRESULT result = stream->QueryInterface(iid, object);
    stream->Release();
    return result;
}
}  // namespace MultiMediaStreamStandIn
