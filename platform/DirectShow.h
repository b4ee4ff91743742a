// DirectShow as the engine's music calls it: a filter graph (CoCreateInstance of CLSID_FilterGraph)
// that renders a file found through the path resolver, runs and stops against the engine's clock,
// seeks, sets its volume and reports the end of the stream. Nothing reaches a sound card.
#pragma once

#include <string>
#include <vector>

#include "platform/Com.h"
#include "platform/WinTypes.h"

using REFTIME = double;  // seconds

constexpr LONG EC_COMPLETE = 0x01;

constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = static_cast<HRESULT>(0x8004022Fu);

extern const CLSID CLSID_FilterGraph;
extern const IID IID_IGraphBuilder;
extern const IID IID_IMediaControl;
extern const IID IID_IMediaEvent;
extern const IID IID_IMediaPosition;
extern const IID IID_IBasicAudio;

class IGraphBuilder : public IUnknown {
public:
    // Builds the graph that plays the file; the play list must be null.
    virtual HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
    virtual HRESULT Abort() = 0;

protected:
    ~IGraphBuilder() = default;
};

class IMediaControl : public IUnknown {
public:
    virtual HRESULT Run() = 0;
    // Stops where the stream is; the position stays.
    virtual HRESULT Stop() = 0;

protected:
    ~IMediaControl() = default;
};

class IMediaEvent : public IUnknown {
public:
    // The next event of the graph; E_ABORT when there is none (nothing ever waits: the timeout is
    // not used). Every event's parameters go back through FreeEventParams.
    virtual HRESULT GetEvent(LONG* code, LONG_PTR* parameter1, LONG_PTR* parameter2, LONG timeoutMs) = 0;
    virtual HRESULT FreeEventParams(LONG code, LONG_PTR parameter1, LONG_PTR parameter2) = 0;

protected:
    ~IMediaEvent() = default;
};

class IMediaPosition : public IUnknown {
public:
    virtual HRESULT get_Duration(REFTIME* length) = 0;
    virtual HRESULT put_CurrentPosition(REFTIME time) = 0;
    virtual HRESULT get_CurrentPosition(REFTIME* time) = 0;

protected:
    ~IMediaPosition() = default;
};

class IBasicAudio : public IUnknown {
public:
    // Hundredths of a decibel, -10000 .. 0.
    virtual HRESULT put_Volume(LONG volume) = 0;
    virtual HRESULT get_Volume(LONG* volume) = 0;

protected:
    ~IBasicAudio() = default;
};

// What tests read of the stand-in. Every call can be failed through PlatformFaults under its name
// ("IGraphBuilder::RenderFile", "IMediaControl::Run", "IGraphBuilder::QueryInterface", ...).
namespace DirectShowStandIn {
// A rendered stream lasts one second per this many bytes of its file (a 128 kbit/s stream).
constexpr double kBytesPerSecond = 16000.0;

struct GraphState {
    std::vector<std::string> files;  // resolved paths of the rendered files
    bool running = false;
    REFTIME position = 0;  // seconds into the stream
    REFTIME duration = 0;  // seconds
    LONG volume = 0;
    // Every call on the graph's interfaces, in order, as "Name(arguments)".
    std::vector<std::string> calls;
};

// The graphs alive now, in creation order.
std::vector<GraphState> LiveGraphs();
size_t LiveGraphCount();

// Makes a filter graph: CoCreateInstance's road for CLSID_FilterGraph.
HRESULT CreateFilterGraph(REFIID iid, void** object);

// The graph behind a multimedia stream (MultiMediaStream.h): empty until SetStreamSource gives it the
// stream's file, its length in seconds and whether an audio renderer plays its sound (IBasicAudio
// answers only then). The graph is counted like any other; the caller owns the reference returned.
IGraphBuilder* CreateStreamGraph();
void SetStreamSource(IGraphBuilder* graph, const std::string& resolvedPath, REFTIME duration, bool audio);
// The state of a graph this stand-in made, brought up to the clock; no call is recorded.
GraphState InspectGraph(IGraphBuilder* graph);

// The wide path back to the bytes it was made of (each character of the platform's ANSI code page is
// one byte); false for a character beyond that page, which cannot name a file here.
bool NarrowPath(LPCWSTR wide, std::string* narrow);
}  // namespace DirectShowStandIn
