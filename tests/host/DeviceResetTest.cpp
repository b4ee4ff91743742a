#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Render/PDeviceListener.h"
#include "host/EngineHost.h"
#include "platform/D3DX9Effect.h"
#include "support/D3DTestSupport.h"
#include "support/PlatformReset.h"

namespace {

// A listener holding a D3DX effect, as the engine's effects do; it logs its notifications.
class EffectHolder : public CPDeviceListener {
public:
    EffectHolder(std::string name, IDirect3DDevice9& device, std::vector<std::string>& log)
        : mName(std::move(name)), mLog(log) {
        const std::string text = "float time; technique T { pass { } }";
        D3DXCreateEffect(&device, text.data(), static_cast<UINT>(text.size()), nullptr, nullptr, 0, nullptr,
                         &mEffect, nullptr);
    }
    ~EffectHolder() override {
        if (mEffect) mEffect->Release();
    }
    void OnLostDevice() override {
        mLog.push_back("lost:" + mName);
        if (mEffect) mEffect->OnLostDevice();
    }
    void OnResetDevice() override {
        mLog.push_back("reset:" + mName);
        if (mEffect) mEffect->OnResetDevice();
    }
    ID3DXEffect* Effect() const { return mEffect; }

private:
    std::string mName;
    std::vector<std::string>& mLog;
    ID3DXEffect* mEffect = nullptr;
};

}  // namespace

TEST(DeviceResetTest, LostAndResetReachEveryListenerInListOrder) {
    PlatformReset platform;
    auto device = MakeRecordingDevice();
    std::vector<std::string> log;
    EffectHolder first("first", *device, log), second("second", *device, log), third("third", *device, log);
    D3DPRESENT_PARAMETERS parameters = device->PresentParameters();

    EXPECT_EQ(EngineHost::RestoreDevice(device.get(), &parameters), S_OK);
    EXPECT_TRUE(log.empty()) << "a working device is left alone";

    device->LoseDevice();
    ASSERT_EQ(EngineHost::RestoreDevice(device.get(), &parameters), D3D_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"lost:first", "lost:second", "lost:third", "reset:first",
                                             "reset:second", "reset:third"}));
    EXPECT_FALSE(device->IsLost());
    EXPECT_FALSE(second.Effect()->IsLost());
    auto resets = CallsOf(*device, D3DCall::Reset);
    ASSERT_EQ(resets.size(), 1u);

    // The reset falls between the two walks.
    std::vector<D3DCall> order;
    for (const auto& record : device->Calls())
        if (record.call == D3DCall::EffectOnLostDevice || record.call == D3DCall::Reset ||
            record.call == D3DCall::EffectOnResetDevice)
            order.push_back(record.call);
    EXPECT_EQ(order, (std::vector<D3DCall>{D3DCall::EffectOnLostDevice, D3DCall::EffectOnLostDevice,
                                            D3DCall::EffectOnLostDevice, D3DCall::Reset,
                                            D3DCall::EffectOnResetDevice, D3DCall::EffectOnResetDevice,
                                            D3DCall::EffectOnResetDevice}));
}

TEST(DeviceResetTest, AFailedResetLeavesTheListenersLostForTheNextTry) {
    PlatformReset platform;
    auto device = MakeTestDevice();
    std::vector<std::string> log;
    EffectHolder holder("only", *device, log);
    D3DPRESENT_PARAMETERS parameters = device->PresentParameters();

    device->LoseDevice(false);  // not resettable yet
    EXPECT_EQ(EngineHost::RestoreDevice(device.get(), &parameters), D3DERR_DEVICELOST);
    EXPECT_TRUE(log.empty());

    device->LoseDevice();
    ArmD3DFailure(D3DCall::Reset, D3DERR_DRIVERINTERNALERROR);
    EXPECT_EQ(EngineHost::RestoreDevice(device.get(), &parameters), D3DERR_DRIVERINTERNALERROR);
    EXPECT_EQ(log, (std::vector<std::string>{"lost:only"}));
    EXPECT_TRUE(holder.Effect()->IsLost());

    ASSERT_EQ(EngineHost::RestoreDevice(device.get(), &parameters), D3D_OK);
    EXPECT_EQ(log.back(), "reset:only");
    EXPECT_FALSE(holder.Effect()->IsLost());
}
