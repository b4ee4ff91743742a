// The second video player (gVideoPlayer1): the same player as PAVIPlayer, always with sound, showing
// its texture in the texture cache entry "video1" (renamed "VIDEO1").
#pragma once

#include <string>

#include "Render/PAVIPlayer.h"

class PAVIPlayer1 : public PAVIPlayer {
public:
    PAVIPlayer1();
    // Clears gVideoPlayer1 when it names this player.
    ~PAVIPlayer1() override;

    size_t GetSize() const override { return sizeof(PAVIPlayer1); }
    std::string GetClassName() const override { return "PAVIPlayer1"; }

    // Opens "Data\Video\<name>" with its sound; as PAVIPlayer::Open otherwise.
    HRESULT Open(const std::string& name) { return OpenVideo(name, false); }
};

extern PAVIPlayer1* gVideoPlayer1;
