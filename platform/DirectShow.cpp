#include "platform/DirectShow.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <list>

#include "platform/CallLog.h"
#include "platform/Clock.h"
#include "platform/PathResolver.h"
#include "platform/PlatformFaults.h"

const CLSID CLSID_FilterGraph = {0x6d5a0001, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x46, 0x47, 0x52, 0x50, 0x48, 0x01}};
const IID IID_IGraphBuilder = {0x6d5a0002, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x47, 0x42, 0x4c, 0x44, 0x52, 0x02}};
const IID IID_IMediaControl = {0x6d5a0003, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x4d, 0x43, 0x54, 0x52, 0x4c, 0x03}};
const IID IID_IMediaEvent = {0x6d5a0004, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x4d, 0x45, 0x56, 0x4e, 0x54, 0x04}};
const IID IID_IMediaPosition = {0x6d5a0005, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x4d, 0x50, 0x4f, 0x53, 0x4e, 0x05}};
const IID IID_IBasicAudio = {0x6d5a0006, 0x3c2b, 0x4f1a, {0x8e, 0x44, 0x42, 0x41, 0x55, 0x44, 0x49, 0x06}};

namespace {
constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002u);

int64_t NowMicroseconds() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

class FilterGraph;
std::list<FilterGraph*>& Graphs() {
    static auto* graphs = new std::list<FilterGraph*>;
    return *graphs;
}

class FilterGraph final : public IGraphBuilder,
                          public IMediaControl,
                          public IMediaEvent,
                          public IMediaPosition,
                          public IBasicAudio {
public:
    FilterGraph() { Graphs().push_back(this); }
    ~FilterGraph() { Graphs().remove(this); }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (auto failure = PlatformFaults::Take("IGraphBuilder::QueryInterface")) {
            return AppendCall(mState.calls, *failure, "QueryInterface(%s)", Name(iid));
        }
        *object = Interface(iid);
        if (!*object) return AppendCall(mState.calls, E_NOINTERFACE, "QueryInterface(%s)", Name(iid));
        AddRef();
        return AppendCall(mState.calls, S_OK, "QueryInterface(%s)", Name(iid));
    }
    ULONG AddRef() override { return ++mReferences; }
    ULONG Release() override {
        ULONG left = --mReferences;
        if (left == 0) delete this;
        return left;
    }

    HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override {
        HRESULT result = Take("IGraphBuilder::RenderFile");
        std::string path;
        if (result == S_OK && !file) result = E_POINTER;
        if (result == S_OK && playList) result = E_INVALIDARG;
        if (result == S_OK && !DirectShowStandIn::NarrowPath(file, &path)) result = kFileNotFound;
        long long size = result == S_OK ? RegularFileSize(path) : -1;
        if (result == S_OK && size < 0) result = kFileNotFound;
        if (result == S_OK && size == 0) result = VFW_E_INVALID_FILE_FORMAT;
        if (result == S_OK) {
            mState.files.push_back(ResolvePath(path));
            mState.duration = std::max(mState.duration, static_cast<double>(size) / DirectShowStandIn::kBytesPerSecond);
        }
        return AppendCall(mState.calls, result, "RenderFile(%s)", path.c_str());
    }

    HRESULT Abort() override { return AppendCall(mState.calls, Take("IGraphBuilder::Abort"), "Abort()"); }

    HRESULT Run() override {
        HRESULT result = Take("IMediaControl::Run");
        if (result == S_OK && !mState.running) {
            mState.running = true;
            Anchor();
        }
        return AppendCall(mState.calls, result, "Run()");
    }

    HRESULT Stop() override {
        HRESULT result = Take("IMediaControl::Stop");
        if (result == S_OK) {
            Settle();
            mState.running = false;
        }
        return AppendCall(mState.calls, result, "Stop()");
    }

    HRESULT GetEvent(LONG* code, LONG_PTR* parameter1, LONG_PTR* parameter2, LONG) override {
        HRESULT result = Take("IMediaEvent::GetEvent");
        if (result == S_OK && !(code && parameter1 && parameter2)) result = E_POINTER;
        if (result == S_OK) {
            Settle();
            if (mEvents.empty()) return E_ABORT;  // polled every frame: not worth a record
            *code = mEvents.front();
            *parameter1 = 0;
            *parameter2 = 0;
            mEvents.pop_front();
            return AppendCall(mState.calls, result, "GetEvent() = %d", *code);
        }
        return AppendCall(mState.calls, result, "GetEvent()");
    }

    HRESULT FreeEventParams(LONG, LONG_PTR, LONG_PTR) override { return S_OK; }

    HRESULT get_Duration(REFTIME* length) override {
        HRESULT result = Take("IMediaPosition::get_Duration");
        if (result == S_OK && !length) result = E_POINTER;
        if (result == S_OK) *length = mState.duration;
        return result;
    }

    HRESULT put_CurrentPosition(REFTIME time) override {
        HRESULT result = Take("IMediaPosition::put_CurrentPosition");
        if (result == S_OK && !(time >= 0 && time <= mState.duration)) result = E_INVALIDARG;
        if (result == S_OK) {
            Settle();
            mState.position = time;
            mEndReported = false;
            Anchor();
        }
        return AppendCall(mState.calls, result, "put_CurrentPosition(%g)", time);
    }

    HRESULT get_CurrentPosition(REFTIME* time) override {
        HRESULT result = Take("IMediaPosition::get_CurrentPosition");
        if (result == S_OK && !time) result = E_POINTER;
        if (result == S_OK) {
            Settle();
            *time = mState.position;
        }
        return result;
    }

    HRESULT put_Volume(LONG volume) override {
        HRESULT result = Take("IBasicAudio::put_Volume");
        if (result == S_OK && (mState.files.empty() || !mAudio)) result = E_NOTIMPL;  // no audio renderer
        if (result == S_OK && (volume < -10000 || volume > 0)) result = E_INVALIDARG;
        if (result == S_OK) mState.volume = volume;
        return AppendCall(mState.calls, result, "put_Volume(%d)", volume);
    }

    HRESULT get_Volume(LONG* volume) override {
        HRESULT result = Take("IBasicAudio::get_Volume");
        if (result == S_OK && (mState.files.empty() || !mAudio)) result = E_NOTIMPL;
        if (result == S_OK && !volume) result = E_POINTER;
        if (result == S_OK) *volume = mState.volume;
        return result;
    }

    // The graph as the interface asked for; null for one it does not have.
    void* Interface(REFIID iid) {
        if (iid == IID_IUnknown || iid == IID_IGraphBuilder) return static_cast<IGraphBuilder*>(this);
        if (iid == IID_IMediaControl) return static_cast<IMediaControl*>(this);
        if (iid == IID_IMediaEvent) return static_cast<IMediaEvent*>(this);
        if (iid == IID_IMediaPosition) return static_cast<IMediaPosition*>(this);
        if (iid == IID_IBasicAudio) return static_cast<IBasicAudio*>(this);
        return nullptr;
    }

    // A multimedia stream's source: one file of a known length, with or without sound.
    void SetSource(const std::string& resolvedPath, REFTIME duration, bool audio) {
        mState.files = {resolvedPath};
        mState.duration = duration;
        mState.position = 0;
        mAudio = audio;
    }

    DirectShowStandIn::GraphState Inspect() {
        Settle();
        return mState;
    }

private:
    static HRESULT Take(const char* call) {
        auto failure = PlatformFaults::Take(call);
        return failure ? *failure : S_OK;
    }

    static const char* Name(REFIID iid) {
        if (iid == IID_IGraphBuilder) return "IGraphBuilder";
        if (iid == IID_IMediaControl) return "IMediaControl";
        if (iid == IID_IMediaEvent) return "IMediaEvent";
        if (iid == IID_IMediaPosition) return "IMediaPosition";
        if (iid == IID_IBasicAudio) return "IBasicAudio";
        return iid == IID_IUnknown ? "IUnknown" : "unknown";
    }

    // While running the stream advances with the clock; at its end it stays there and the graph
    // queues one EC_COMPLETE (until a seek lets it play again).
    void Settle() {
        if (!mState.running || mState.files.empty()) return;
        int64_t elapsed = NowMicroseconds() - mAnchorTime;
        if (elapsed < 0) elapsed = 0;
        mState.position = std::min(mState.duration, mAnchorPosition + static_cast<double>(elapsed) / 1.0e6);
        if (mState.position >= mState.duration && !mEndReported) {
            mEndReported = true;
            mEvents.push_back(EC_COMPLETE);
        }
    }

    void Anchor() {
        mAnchorTime = NowMicroseconds();
        mAnchorPosition = mState.position;
    }

    ULONG mReferences = 1;
    DirectShowStandIn::GraphState mState;
    bool mAudio = true;  // a rendered file always plays its sound; a stream's graph only when asked
    std::deque<LONG> mEvents;
    bool mEndReported = false;
    int64_t mAnchorTime = 0;       // clock at the last change, microseconds
    REFTIME mAnchorPosition = 0;   // stream position then, seconds
};
}  // namespace

namespace DirectShowStandIn {
std::vector<GraphState> LiveGraphs() {
    std::vector<GraphState> out;
    for (FilterGraph* graph : Graphs()) out.push_back(graph->Inspect());
    return out;
}

size_t LiveGraphCount() { return Graphs().size(); }

bool NarrowPath(LPCWSTR wide, std::string* narrow) {
    narrow->clear();
    for (; *wide; ++wide) {
        if (*wide > 0xFF) return false;
        narrow->push_back(static_cast<char>(*wide));
    }
    return true;
}

IGraphBuilder* CreateStreamGraph() { return static_cast<IGraphBuilder*>(new FilterGraph()); }

void SetStreamSource(IGraphBuilder* graph, const std::string& resolvedPath, REFTIME duration, bool audio) {
    static_cast<FilterGraph*>(graph)->SetSource(resolvedPath, duration, audio);
}

GraphState InspectGraph(IGraphBuilder* graph) { return static_cast<FilterGraph*>(graph)->Inspect(); }

HRESULT CreateFilterGraph(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    auto* graph = new FilterGraph();
    *object = graph->Interface(iid);
    if (!*object) {
        graph->Release();
        return E_NOINTERFACE;
    }
    return S_OK;
}
}  // namespace DirectShowStandIn
