#include "Render/PAVIPlayer1.h"

PAVIPlayer1* gVideoPlayer1 = nullptr;

namespace {
const PAVIPlayer::Profile kSecondPlayer = {
    "video1", "VIDEO1", __FILE__, 157, {78, 79, 80, 83, 88, 96, 125, 128, 129, 130, 131, 134, 136}};
}  // namespace

PAVIPlayer1::PAVIPlayer1() : PAVIPlayer(kSecondPlayer) {}

PAVIPlayer1::~PAVIPlayer1() {
    if (gVideoPlayer1 == this) gVideoPlayer1 = nullptr;
}
