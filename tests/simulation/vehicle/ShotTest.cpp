#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Sound/NSound.h"
#include "core/FrameClock.h"
#include "platform/RuntimeRandom.h"
#include "simulation/vehicle/ShotDirection.h"
#include "support/MathExpect.h"
#include "support/RecordingShot.h"
#include "support/ScopedGlobal.h"
#include "support/SimulationDoubles.h"
#include "support/SoundRig.h"

namespace {

D3DXVECTOR3 Turn(const D3DXQUATERNION& rotation, const D3DXVECTOR3& v) {
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &rotation);
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &v, &m);
    return out;
}

struct Axis {
    const char* name;
    D3DXVECTOR3 direction;
};
const Axis kAxes[] = {{"+x", {1, 0, 0}}, {"-x", {-1, 0, 0}}, {"+y", {0, 1, 0}},
                      {"-y", {0, -1, 0}}, {"+z", {0, 0, 1}}, {"-z", {0, 0, -1}}};
}  // namespace

TEST(ShotTest, ALaunchTurnsTheModelsForwardAxisOntoEveryAxis) {
    std::vector<RecordingShot::Launched> log;
    RecordingShot shot("trasser11", &log);
    shot.SetPosition(D3DXVECTOR3(7, 8, 9));
    for (const Axis& axis : kAxes) {
        SCOPED_TRACE(axis.name);
        shot.Launch(D3DXVECTOR3(1, 2, 3), axis.direction * 4.0f, 2.5f, nullptr, 0);
        ExpectVec3Near(Turn(shot.GetRotation(), D3DXVECTOR3(0, -1, 0)), axis.direction);
        EXPECT_EQ(shot.GetStartPosition(), D3DXVECTOR3(1, 2, 3));
        EXPECT_EQ(shot.GetDirection(), axis.direction * 4.0f) << "kept as given";
        EXPECT_EQ(shot.GetValue(), 2.5f);
        EXPECT_EQ(shot.GetPosition(), D3DXVECTOR3(7, 8, 9)) << "the launch does not move the object";
    }
}

TEST(ShotTest, TheLaunchRotationIsTheAxisRuleWhereItIsDefined) {
    ExpectQuatNear(ShotOrientation(D3DXVECTOR3(0, -1, 0)), D3DXQUATERNION(0, 0, 0, 1));
    D3DXQUATERNION expected;
    const D3DXVECTOR3 axis(0, 0, -1);
    D3DXQuaternionRotationAxis(&expected, &axis, -D3DX_PI / 2);
    ExpectQuatNear(ShotOrientation(D3DXVECTOR3(1, 0, 0)), expected);
    // Straight along +y the axis vanishes: a half turn about z, not the identity that would fly it backwards.
    const D3DXVECTOR3 up(0, 0, 1);
    D3DXQuaternionRotationAxis(&expected, &up, D3DX_PI);
    ExpectQuatNear(ShotOrientation(D3DXVECTOR3(0, 3, 0)), expected);
    ExpectQuatNear(ShotOrientation(D3DXVECTOR3(0, 0, 0)), D3DXQUATERNION(0, 0, 0, 1));
}

TEST(ShotTest, ALaunchTurnsThePhysicalData) {
    std::vector<RecordingShot::Launched> log;
    RecordingShot shot("rocket1", &log);
    auto* data = new FakePhysicData;
    shot.SetPhysicData(data);
    shot.Adopt(data);
    shot.Launch(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 0, 0), -1.0f, nullptr, 0);
    ASSERT_EQ(data->rotations.size(), 1u);
    ExpectQuatNear(data->rotations[0], shot.GetRotation());
}

TEST(ShotTest, TheConeRuleStaysWithinItsAngleAlongEveryAxis) {
    RuntimeSrand(7);
    for (const Axis& axis : kAxes) {
        SCOPED_TRACE(axis.name);
        for (int i = 0; i < 50; ++i) {
            const D3DXVECTOR3 out = ConeDirection(axis.direction, 0.1f);
            EXPECT_NEAR(D3DXVec3Length(&out), 1.0f, 1e-5f);
            EXPECT_GE(D3DXVec3Dot(&out, &axis.direction), std::cos(0.1f) - 1e-5f);
        }
    }
    ExpectVec3Near(Turn(TurnUpYOnto(D3DXVECTOR3(0, -1, 0)), D3DXVECTOR3(0, 1, 0)), D3DXVECTOR3(0, -1, 0));
}

TEST(ShotTest, AnEmptyParameterListIsRefused) {
    std::vector<RecordingShot::Launched> log;
    RecordingShot shot("trasser11", &log);
    EXPECT_FALSE(shot.SetParams({}));
    EXPECT_EQ(shot.GetSoundSpec(), "");
}

TEST(ShotTest, TheSoundSpecPicksAPlainOrA3DSoundFromDataSounds) {
    SoundRig rig;
    rig.WriteSound("shot.wav", riff::PcmWave(1, 22050, 16, riff::Ramp(400)));
    rig.WriteSound("a,b.wav", riff::PcmWave(1, 22050, 16, riff::Ramp(400)));
    struct Case {
        const char* spec;
        std::string file;
        bool plain;
    };
    for (const Case& c : {Case{"shot.wav,2d", "shot.wav", true}, Case{"shot.wav,2D", "shot.wav", false},
                          Case{"shot.wav", "shot.wav", false}, Case{"shot.wav,3d", "shot.wav", false},
                          Case{"\"a,b.wav\",2d", "a,b.wav", true}}) {
        SCOPED_TRACE(c.spec);
        std::vector<RecordingShot::Launched> log;
        RecordingShot shot("trasser11", &log);
        EXPECT_TRUE(shot.SetParams({"first", c.spec}));
        EXPECT_EQ(shot.GetSoundSpec(), c.file);
        EXPECT_EQ(shot.IsPlainSound(), c.plain);
        ASSERT_NE(shot.GetSound(), nullptr);
        EXPECT_EQ(shot.GetSound()->Get3DBuffer() == nullptr, c.plain);
    }
}

TEST(ShotTest, NoneLoadsNothingAndKeepsThePlainFlag) {
    SoundRig rig;
    std::vector<RecordingShot::Launched> log;
    RecordingShot shot("trasser11", &log);
    EXPECT_TRUE(shot.SetParams({"none,2d"}));
    EXPECT_EQ(shot.GetSound(), nullptr);
    EXPECT_FALSE(shot.IsPlainSound());
    EXPECT_TRUE(shot.SetParams({"missing.wav,2d"}));
    EXPECT_TRUE(shot.IsPlainSound());
    EXPECT_EQ(shot.GetSound(), nullptr) << "a sound that does not load leaves the shot silent";
    EXPECT_TRUE(shot.SetParams({"none"}));
    EXPECT_TRUE(shot.IsPlainSound());
    shot.Launch(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, -1, 0), -1.0f, nullptr, 0);  // plays nothing
}

TEST(ShotTest, ALaunchPlacesAndRestartsTheSound) {
    SoundRig rig;
    rig.WriteSound("shot.wav", riff::PcmWave(1, 22050, 16, riff::Ramp(4000)));
    ScopedGlobal<int32_t> frame(gFrameCounter, 41);
    std::vector<RecordingShot::Launched> log;
    RecordingShot shot("trasser11", &log);
    ASSERT_TRUE(shot.SetParams({"shot.wav,3d"}));
    CNSound* sound = shot.GetSound();
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->GetFrameStamp(), -1);

    shot.Launch(D3DXVECTOR3(4, 5, 6), D3DXVECTOR3(1, 0, 0), -1.0f, nullptr, 0);
    EXPECT_TRUE(sound->IsPlaying());
    EXPECT_EQ(sound->GetFrameStamp(), 41);
    const D3DVECTOR& at = sound->Get3DParameters().vPosition;
    EXPECT_EQ(D3DXVECTOR3(at), D3DXVECTOR3(4, 5, 6));

    gFrameCounter = 42;
    shot.Launch(D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(1, 0, 0), -1.0f, nullptr, 0);
    EXPECT_TRUE(sound->IsPlaying());
    EXPECT_EQ(sound->GetFrameStamp(), 42);
    EXPECT_EQ(D3DXVECTOR3(sound->Get3DParameters().vPosition), D3DXVECTOR3(1, 1, 1));
}

// A "2d" spec plays its sound without placing it. The shared sound of the name is a 3D one here, so a
// placing would show in its position.
TEST(ShotTest, ThePlainSoundPlaysWithoutAPosition) {
    SoundRig rig;
    rig.WriteSound("shot.wav", riff::PcmWave(1, 22050, 16, riff::Ramp(4000)));
    CNSound shared(rig.Device(), "Data\\Sounds\\shot.wav", CNSound::kMode3D);
    ASSERT_NE(shared.Get3DBuffer(), nullptr);
    rig.Cache().AddEntry("shot.wav", &shared);
    rig.Manager().SetSoundPosition(CPSmartPtr<CNSound>(&shared), D3DXVECTOR3(9, 9, 9), D3DXVECTOR3(0, 0, 0));
    std::vector<RecordingShot::Launched> log;
    RecordingShot shot("trasser11", &log);
    ASSERT_TRUE(shot.SetParams({"shot.wav,2d"}));
    ASSERT_EQ(shot.GetSound(), &shared);
    shot.Launch(D3DXVECTOR3(4, 5, 6), D3DXVECTOR3(1, 0, 0), -1.0f, nullptr, 0);
    EXPECT_TRUE(shared.IsPlaying());
    EXPECT_EQ(D3DXVECTOR3(shared.Get3DParameters().vPosition), D3DXVECTOR3(9, 9, 9));

    // The same sound under a "3d" spec is placed at the launch.
    RecordingShot placed("trasser11", &log);
    ASSERT_TRUE(placed.SetParams({"shot.wav,3d"}));
    placed.Launch(D3DXVECTOR3(4, 5, 6), D3DXVECTOR3(1, 0, 0), -1.0f, nullptr, 0);
    EXPECT_EQ(D3DXVECTOR3(shared.Get3DParameters().vPosition), D3DXVECTOR3(4, 5, 6));
}
