// The music player (gMusicPlayer): one music file at a time from "Data\Music", played through a
// DirectShow filter graph that DirectShow builds for the file. As a task it runs the graph, notices
// the end of the stream, and then plays a looping track again from its start or ends the track.
#pragma once

#include <string>

#include "core/CPTask.h"
#include "platform/DirectShow.h"

class CPMusic : public CPTask {
public:
    // `volume`: the music volume to start with, 0 .. 1 (the host passes the setting "musicVolume").
    explicit CPMusic(float volume = 1.0f);
    // Releases the graph; the task leaves the kernel.
    ~CPMusic() override;

    size_t GetSize() const override { return sizeof(CPMusic); }
    std::string GetClassName() const override { return "CPMusic"; }
    int32_t GetTag() const override { return 0; }

    // Releases the current graph (the music ends at once), keeps the name and the loop flag, and
    // builds a graph for "Data\Music\" + name. A looping track then plays from the next frame of the
    // task kernel on; a track played once waits for Start. The result of RenderFile, or 0 after a
    // reported failure.
    HRESULT Play(const std::string& name, bool loop);
    void ReleaseGraph();
    // Keeps the volume and applies it to the graph through the volume curve (when there is one).
    HRESULT SetVolume(float volume);

    // Starts the playing of the loaded track (the one played once included) and puts the task in the
    // kernel. Returns what the task's own start returns (false while it already runs).
    bool Start() override;
    // Stops the music (the graph stays, at its position) and the task.
    void Stop() override;
    // Runs the graph when it should play, and handles the end of the stream.
    void Execute() override;

    const std::string& GetName() const { return mName; }
    bool IsLooping() const { return mLoop; }
    bool HasTrack() const { return mPlaying; }
    float GetVolume() const { return mVolume; }

private:
    // Lists the task in gTaskKernel unless it is there and live.
    void Schedule();
    void RunIfDue();
    void OnStreamEnd();

    IGraphBuilder* mGraph = nullptr;  // null when released
    IMediaControl* mControl = nullptr;
    IMediaEvent* mEvents = nullptr;
    IMediaPosition* mPosition = nullptr;
    IBasicAudio* mAudio = nullptr;
    bool mLoop = false;
    std::string mName;      // the last name given to Play, kept even when loading failed
    bool mPlaying = false;  // a Play built its graph; false from the start of the next Play
    float mVolume;          // 0 .. 1, applied after every successful Play
    bool mStartRequested = false;  // Start was called for the loaded track
    bool mGraphRunning = false;    // Run succeeded and the track has not ended or stopped
    bool mRunRefused = false;      // Run failed: no retry until the next Play or Start
    bool mScheduling = false;      // inside Schedule: Start is the kernel's
};

// The one music player; set by the host, null before.
extern CPMusic* gMusicPlayer;
