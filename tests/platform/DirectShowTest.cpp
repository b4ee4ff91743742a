#include "platform/DirectShow.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/PlatformFaults.h"
#include "support/ManualClock.h"
#include "support/PlatformReset.h"
#include "support/TempFolder.h"

namespace {
class DirectShowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
    void TearDown() override {
        CoUninitialize();
        EXPECT_EQ(DirectShowStandIn::LiveGraphCount(), 0u);
    }

    std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

    PlatformReset reset;
    ScopedWorkingFolder work;
    ManualClock clock;
};

TEST_F(DirectShowTest, GraphsComeOnlyFromAnInitialisedApartment) {
    CoUninitialize();
    void* object = &object;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoCreateInstance(IID_IUnknown, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, &object),
              REGDB_E_CLASSNOTREG);
    PlatformFaults::Arm("CoCreateInstance", E_OUTOFMEMORY);
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, &object),
              E_OUTOFMEMORY);
    EXPECT_EQ(DirectShowStandIn::LiveGraphCount(), 0u);
}

TEST_F(DirectShowTest, ARenderedFilePlaysToItsEndAndReportsItOnce) {
    work.Folder().Write("Data/Music/Track.ogg", std::string(32000, 'x'));  // two seconds
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&graph)),
              S_OK);
    IMediaControl* control = nullptr;
    IMediaEvent* events = nullptr;
    IMediaPosition* position = nullptr;
    IBasicAudio* audio = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events)), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&position)), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio)), S_OK);

    EXPECT_EQ(audio->put_Volume(-100), E_NOTIMPL) << "nothing rendered yet";
    EXPECT_EQ(graph->RenderFile(Wide("data\\music\\missing.ogg").c_str(), nullptr), static_cast<HRESULT>(0x80070002u));
    ASSERT_EQ(graph->RenderFile(Wide("data\\music\\track.ogg").c_str(), nullptr), S_OK);
    EXPECT_EQ(audio->put_Volume(-10001), E_INVALIDARG);
    ASSERT_EQ(audio->put_Volume(-437), S_OK);

    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_EQ(control->Run(), S_OK);
    clock.AdvanceMs(1500);
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
    clock.AdvanceMs(600);
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    clock.AdvanceMs(600);
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT) << "the end is reported once";

    ASSERT_EQ(position->put_CurrentPosition(0), S_OK);
    EXPECT_EQ(position->put_CurrentPosition(2.5), E_INVALIDARG);
    clock.AdvanceMs(500);
    ASSERT_EQ(control->Stop(), S_OK);
    clock.AdvanceMs(500);
    std::vector<DirectShowStandIn::GraphState> graphs = DirectShowStandIn::LiveGraphs();
    ASSERT_EQ(graphs.size(), 1u);
    EXPECT_FALSE(graphs[0].running);
    EXPECT_DOUBLE_EQ(graphs[0].position, 0.5);
    EXPECT_DOUBLE_EQ(graphs[0].duration, 2.0);
    EXPECT_EQ(graphs[0].volume, -437);
    ASSERT_EQ(graphs[0].files.size(), 1u);
    EXPECT_NE(graphs[0].files[0].find("Data/Music/Track.ogg"), std::string::npos);

    for (IUnknown* i : {static_cast<IUnknown*>(audio), static_cast<IUnknown*>(position),
                        static_cast<IUnknown*>(events), static_cast<IUnknown*>(control)}) {
        i->Release();
    }
    EXPECT_EQ(DirectShowStandIn::LiveGraphCount(), 1u);
    graph->Release();
}
}  // namespace
