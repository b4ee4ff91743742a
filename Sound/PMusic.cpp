#include "Sound/PMusic.h"


#include "Sound/VolumeCurve.h"
#include "core/CPTaskKernel.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "platform/WideText.h"

CPMusic* gMusicPlayer = nullptr;

namespace {
// Where each failure is reported (the lines the engine's reports name for this file).
constexpr int kLineCreate = 56;
constexpr int kLineControl = 56;
constexpr int kLineEvents = 57;
constexpr int kLinePosition = 58;
constexpr int kLineAudio = 59;
constexpr int kLineRender = 60;
constexpr int kLineVolume = 122;

// Events handled in one frame at most; a graph has only the end of its stream to say.
constexpr int kMaxEventsPerFrame = 16;

template <class Interface>
void ReleaseAndClear(Interface*& object) {
    if (object) object->Release();
    object = nullptr;
}
}  // namespace

CPMusic::CPMusic(float volume) : mVolume(volume) {}

CPMusic::~CPMusic() {
    ReleaseGraph();
    if (gMusicPlayer == this) gMusicPlayer = nullptr;
}

HRESULT CPMusic::Play(const std::string& name, bool loop) {
    ReleaseGraph();
    mPlaying = false;
    mName = name;
    mStartRequested = false;
    mRunRefused = false;
    mLoop = loop;

    // The platform's path buffer holds MAX_PATH wide characters: a longer path is refused whole.
    std::string path = "Data\\Music\\" + name;
    WCHAR widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH) == 0) return E_INVALIDARG;

    HRESULT result = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                      reinterpret_cast<void**>(&mGraph));
    if (FAILED(result) || !mGraph) {
        mGraph = nullptr;
        ReportDXError(__FILE__, kLineCreate, FAILED(result) ? result : E_POINTER);
        return 0;
    }
    struct Query {
        const IID& iid;
        void** target;
        int line;
    } queries[] = {
        {IID_IMediaControl, reinterpret_cast<void**>(&mControl), kLineControl},
        {IID_IMediaEvent, reinterpret_cast<void**>(&mEvents), kLineEvents},
        {IID_IMediaPosition, reinterpret_cast<void**>(&mPosition), kLinePosition},
        {IID_IBasicAudio, reinterpret_cast<void**>(&mAudio), kLineAudio},
    };
    for (const Query& query : queries) {
        result = mGraph->QueryInterface(query.iid, query.target);
        if (FAILED(result)) {
            ReportDXError(__FILE__, query.line, result);
            return 0;
        }
    }

    result = mGraph->RenderFile(widePath, nullptr);
    if (FAILED(result)) {
        ReportDXError(__FILE__, kLineRender, result);
        return 0;
    }
    mPlaying = true;
    SetVolume(mVolume);
    Schedule();
    return result;
}

void CPMusic::ReleaseGraph() {
    ReleaseAndClear(mAudio);
    ReleaseAndClear(mControl);
    ReleaseAndClear(mEvents);
    ReleaseAndClear(mPosition);
    if (mGraph) {
        mGraph->Abort();
        mGraph->Release();
        mGraph = nullptr;
    }
    mGraphRunning = false;
}

HRESULT CPMusic::SetVolume(float volume) {
    mVolume = volume;
    if (!mAudio) return 0;
    HRESULT result = mAudio->put_Volume(VolumeCurve(volume));
    if (FAILED(result)) {
        ReportDXError(__FILE__, kLineVolume, result);
        return 0;
    }
    return result;
}

bool CPMusic::Start() {
    if (mScheduling) return CPTask::Start();
    mStartRequested = true;
    mRunRefused = false;
    bool started = CPTask::Start();
    Schedule();
    RunIfDue();
    return started;
}

void CPMusic::Stop() {
    if (mControl) mControl->Stop();
    mGraphRunning = false;
    mStartRequested = false;
    CPTask::Stop();
}

void CPMusic::Execute() {
    RunIfDue();
    if (!mPlaying || !mEvents) return;
    LONG code = 0;
    LONG_PTR first = 0, second = 0;
    for (int i = 0; i < kMaxEventsPerFrame && mEvents && mEvents->GetEvent(&code, &first, &second, 0) == S_OK; ++i) {
        mEvents->FreeEventParams(code, first, second);
        if (code == EC_COMPLETE) OnStreamEnd();
    }
}

void CPMusic::Schedule() {
    if (!gTaskKernel) return;
    bool live = !IsStopped() && gTaskKernel->Lists(this);
    if (live) return;
    // The kernel starts what it lists, so the task must not count as running when it is added.
    mScheduling = true;
    SetRunning(false);
    gTaskKernel->AddTask(this);
    mScheduling = false;
}

void CPMusic::RunIfDue() {
    if (!mPlaying || !mControl || mGraphRunning || mRunRefused || !(mLoop || mStartRequested)) return;
    if (FAILED(mControl->Run())) {
        mRunRefused = true;
        return;
    }
    mGraphRunning = true;
}

void CPMusic::OnStreamEnd() {
    if (mLoop && mPosition && SUCCEEDED(mPosition->put_CurrentPosition(0))) return;  // plays on from the start
    mControl->Stop();
    mGraphRunning = false;
    mStartRequested = false;
    // A later Start plays the track from its beginning.
    if (mPosition) mPosition->put_CurrentPosition(0);
}
