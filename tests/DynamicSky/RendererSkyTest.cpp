#include <gtest/gtest.h>

#include "DynamicSky/Skyscape.h"
#include "Render/PRender.h"
#include "core/ServiceGlobals.h"
#include "support/CloudFileBuilder.h"
#include "support/ScopedGlobal.h"
#include "support/SkyTestRig.h"

TEST(RendererSkyTest, EachLevelReplacesTheSkyWithTheOneOfItsFile) {
    SkyTestRig rig;
    SkyscapeFile file = MakeSkyscapeFile(2, 2, 1);
    file.timeScale = 3.0f;
    rig.WriteCloudFile("skyscape3.txt", SkyscapeFileText(file));
    const size_t listeners = g_DeviceListeners.Size();
    {
        PRender renderer(&rig.Device());
        ScopedGlobal<PRender*> installRenderer(gRenderer, &renderer);
        EXPECT_EQ(renderer.GetSkyscape(), nullptr);

        renderer.SetSkyscape(3);
        ASSERT_NE(renderer.GetSkyscape(), nullptr);
        EXPECT_EQ(renderer.GetSkyscape()->GetKeyStates().size(), 2u);
        EXPECT_EQ(renderer.GetSkyscape()->GetTimeScale(), 3.0f);
        // The sky, its volume cloud and its one layer listen for device resets.
        EXPECT_EQ(g_DeviceListeners.Size(), listeners + 3);

        renderer.SetSkyscape(4);  // no such file: an empty sky replaces the old one
        ASSERT_NE(renderer.GetSkyscape(), nullptr);
        EXPECT_TRUE(renderer.GetSkyscape()->GetKeyStates().empty());
        EXPECT_EQ(g_DeviceListeners.Size(), listeners + 2);
    }
    EXPECT_EQ(g_DeviceListeners.Size(), listeners) << "the renderer deletes its sky";
}
