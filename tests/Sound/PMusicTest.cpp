#include "Sound/PMusic.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/PlatformFaults.h"
#include "support/ScopedTaskKernel.h"
#include "support/SoundRig.h"

using DirectShowStandIn::GraphState;

namespace {
constexpr const char* kSource = "Sound/PMusic.cpp";

class MusicTest : public ::testing::Test {
protected:
    void SetUp() override {
        rig.WriteMusic("theme.ogg", 32000);  // two seconds
        rig.WriteMusic("menu.mp3", 16000);   // one second
    }
    void TearDown() override {
        EXPECT_EQ(DirectShowStandIn::LiveGraphCount(), 0u);
    }

    GraphState Graph() {
        std::vector<GraphState> graphs = DirectShowStandIn::LiveGraphs();
        EXPECT_EQ(graphs.size(), 1u);
        return graphs.empty() ? GraphState{} : graphs.front();
    }

    size_t Count(const std::string& call) {
        std::vector<std::string> calls = Graph().calls;
        return static_cast<size_t>(std::count(calls.begin(), calls.end(), call));
    }

    void Frame(uint64_t ms) {
        rig.clock.AdvanceMs(ms);
        kernel.RunFrame();
    }

    SoundRig rig;
    ScopedTaskKernel kernel;
};

TEST_F(MusicTest, ALoopingTrackPlaysAfterPlayAloneAndStartsAgainAtItsEnd) {
    CPMusic music(0.5f);
    ASSERT_EQ(music.Play("theme.ogg", true), S_OK);
    EXPECT_FALSE(Graph().running) << "Play builds the graph and runs nothing";
    EXPECT_EQ(Graph().volume, -437);
    EXPECT_TRUE(music.HasTrack());

    Frame(0);
    EXPECT_TRUE(Graph().running);
    Frame(1500);
    Frame(700);  // past the end: the task sees it and goes back to the start
    EXPECT_EQ(Count("put_CurrentPosition(0)"), 1u);
    EXPECT_TRUE(Graph().running);
    Frame(1000);
    EXPECT_DOUBLE_EQ(Graph().position, 1.0);
    Frame(1100);
    EXPECT_EQ(Count("put_CurrentPosition(0)"), 2u) << "and again at every end";
    EXPECT_EQ(Count("Run()"), 1u);
}

TEST_F(MusicTest, ATrackPlayedOnceWaitsForStartAndEnds) {
    CPMusic music;
    ASSERT_EQ(music.Play("menu.mp3", false), S_OK);
    Frame(0);
    EXPECT_FALSE(Graph().running);
    music.Start();  // the task already runs (Play listed it): only the track starts
    EXPECT_TRUE(Graph().running);
    Frame(500);
    Frame(600);
    EXPECT_FALSE(Graph().running) << "once is once";
    Frame(2000);
    EXPECT_FALSE(Graph().running);
    EXPECT_EQ(Count("Run()"), 1u);

    // Starting it again plays it again from its beginning, even though the task already runs.
    EXPECT_FALSE(music.Start());
    EXPECT_TRUE(Graph().running);
    EXPECT_DOUBLE_EQ(Graph().position, 0.0);
}

TEST_F(MusicTest, StopStopsTheMusicAndALaterTrackStillPlays) {
    CPMusic music;
    ASSERT_EQ(music.Play("theme.ogg", true), S_OK);
    Frame(0);
    music.Stop();
    EXPECT_FALSE(Graph().running);
    Frame(10);
    EXPECT_TRUE(kernel.GetTasks().empty()) << "the stopped task left the kernel";
    EXPECT_FALSE(Graph().running);

    ASSERT_EQ(music.Play("menu.mp3", true), S_OK);
    Frame(10);
    EXPECT_TRUE(Graph().running);
    EXPECT_EQ(kernel.GetTasks().size(), 1u);

    CPMusic idle;
    idle.Stop();  // no music: nothing to stop
    EXPECT_FALSE(idle.HasTrack());
}

TEST_F(MusicTest, AMissingFileEndsTheMusicAndKeepsTheName) {
    CPMusic music;
    ASSERT_EQ(music.Play("theme.ogg", true), S_OK);
    Frame(0);
    EXPECT_EQ(music.Play("missing.ogg", true), 0);
    EXPECT_TRUE(rig.Reported(kSource, 60));
    EXPECT_EQ(music.GetName(), "missing.ogg");
    EXPECT_FALSE(music.HasTrack());
    ASSERT_EQ(DirectShowStandIn::LiveGraphCount(), 1u) << "the failed graph is held until the next Play";
    EXPECT_FALSE(Graph().running);
    EXPECT_TRUE(Graph().files.empty()) << "the previous track no longer plays";
    Frame(10);
    EXPECT_FALSE(Graph().running);
    music.ReleaseGraph();
}

TEST_F(MusicTest, TheVolumeWaitsForTheNextTrack) {
    CPMusic music;
    EXPECT_EQ(music.SetVolume(0.25f), 0);
    EXPECT_EQ(music.GetVolume(), 0.25f);
    ASSERT_EQ(music.Play("theme.ogg", true), S_OK);
    EXPECT_EQ(Graph().volume, -2214);
    ASSERT_EQ(music.SetVolume(1.0f), S_OK);
    EXPECT_EQ(Graph().volume, 0);

    PlatformFaults::Arm("IBasicAudio::put_Volume");
    EXPECT_EQ(music.SetVolume(0.5f), 0);
    EXPECT_EQ(music.GetVolume(), 0.5f) << "the field keeps the new value";
    EXPECT_TRUE(rig.Reported(kSource, 122));
}

TEST_F(MusicTest, TwoPlaysLeaveOneGraph) {
    CPMusic music;
    ASSERT_EQ(music.Play("theme.ogg", true), S_OK);
    ASSERT_EQ(music.Play("menu.mp3", false), S_OK);
    ASSERT_EQ(DirectShowStandIn::LiveGraphCount(), 1u);
    ASSERT_EQ(Graph().files.size(), 1u);
    EXPECT_NE(Graph().files[0].find("menu.mp3"), std::string::npos);
    EXPECT_EQ(music.GetName(), "menu.mp3");
    EXPECT_FALSE(music.IsLooping());
}

TEST_F(MusicTest, EachStepOfBuildingTheGraphCanFail) {
    struct {
        const char* call;
        int skip;
        int line;
    } cases[] = {
        {"CoCreateInstance", 0, 56},
        {"IGraphBuilder::QueryInterface", 0, 56},
        {"IGraphBuilder::QueryInterface", 1, 57},
        {"IGraphBuilder::QueryInterface", 2, 58},
        {"IGraphBuilder::QueryInterface", 3, 59},
        {"IGraphBuilder::RenderFile", 0, 60},
    };
    CPMusic music;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.call) + " line " + std::to_string(c.line));
        PlatformFaults::Clear();
        PlatformFaults::Arm(c.call, E_FAIL, 1, c.skip);
        EXPECT_EQ(music.Play("theme.ogg", true), 0);
        EXPECT_TRUE(rig.Reported(kSource, c.line));
        EXPECT_FALSE(music.HasTrack());
        Frame(10);
        for (const GraphState& graph : DirectShowStandIn::LiveGraphs()) EXPECT_FALSE(graph.running);
    }
    ASSERT_EQ(music.Play("theme.ogg", true), S_OK) << "the next Play releases what the failed one held";
    EXPECT_EQ(DirectShowStandIn::LiveGraphCount(), 1u);
}

TEST_F(MusicTest, APathTooLongForThePlatformIsRefused) {
    CPMusic music;
    std::string name(MAX_PATH, 'a');
    EXPECT_EQ(music.Play(name, true), E_INVALIDARG);
    EXPECT_EQ(music.GetName(), name);
    EXPECT_FALSE(music.HasTrack());
    EXPECT_EQ(DirectShowStandIn::LiveGraphCount(), 0u);
}

TEST_F(MusicTest, ARefusedRunIsNotRetriedEveryFrame) {
    CPMusic music;
    ASSERT_EQ(music.Play("theme.ogg", true), S_OK);
    PlatformFaults::Arm("IMediaControl::Run", E_FAIL, 5);
    Frame(10);
    Frame(10);
    EXPECT_EQ(PlatformFaults::CallCount("IMediaControl::Run"), 1);
    EXPECT_FALSE(Graph().running);
    PlatformFaults::Clear();
    music.Start();
    EXPECT_TRUE(Graph().running) << "Start tries again";
}
}  // namespace
