#include <gtest/gtest.h>

#include "DynamicSky/VolumeCloud.h"
#include "Render/PDeviceListener.h"
#include "support/D3DTestSupport.h"
#include "support/EffectFileBuilder.h"
#include "support/SkyTestRig.h"

TEST(VolumeCloudTest, LoadsTheCloudTextureAndEffectWhenBuilt) {
    SkyTestRig rig;
    rig.Caches().WriteTexture("Cloud.tga", MakeImageFile(ImageKind::Tga, 8, 8));
    rig.Caches().WriteEffect("volume_cloud.fx", EffectFileBuilder().Technique("Volume").Str());
    const size_t listeners = g_DeviceListeners.Size();
    {
        VolumeCloud cloud;
        EXPECT_EQ(g_DeviceListeners.Size(), listeners + 1);
        EXPECT_NE(cloud.GetTexture(), nullptr);
        EXPECT_NE(cloud.GetEffect(), nullptr);
        EXPECT_EQ(cloud.GetLightingEffect(), nullptr);
        EXPECT_TRUE(cloud.GetWorldVertices().empty());
    }
    EXPECT_EQ(g_DeviceListeners.Size(), listeners);
    EXPECT_TRUE(rig.Caches().Reports().empty());
}

TEST(VolumeCloudTest, MissingFilesLeaveEmptySlotsWithoutAReport) {
    SkyTestRig rig;
    VolumeCloud cloud;
    EXPECT_EQ(cloud.GetTexture(), nullptr);
    EXPECT_EQ(cloud.GetEffect(), nullptr);
    EXPECT_TRUE(rig.Caches().Reports().empty());
}
