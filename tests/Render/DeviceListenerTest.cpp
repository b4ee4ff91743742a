#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "Render/PDeviceListener.h"

namespace {

// Writes "lost:<name>" / "reset:<name>" into a shared log and can run an action inside a notification.
class LoggingListener : public CPDeviceListener {
public:
    LoggingListener(std::string name, std::vector<std::string>& log) : mName(std::move(name)), mLog(log) {}
    void OnLostDevice() override {
        mLog.push_back("lost:" + mName);
        if (onLost) onLost();
    }
    void OnResetDevice() override {
        mLog.push_back("reset:" + mName);
        if (onReset) onReset();
    }
    std::function<void()> onLost;
    std::function<void()> onReset;

private:
    std::string mName;
    std::vector<std::string>& mLog;
};

// Built before main and destroyed after it: the list has to be whole on both sides of that.
std::vector<std::string> gStaticLog;
LoggingListener gStaticListener("static", gStaticLog);

std::vector<CPDeviceListener*> OthersThanStatic() {
    std::vector<CPDeviceListener*> all = g_DeviceListeners.Listeners();
    std::erase(all, static_cast<CPDeviceListener*>(&gStaticListener));
    return all;
}

}  // namespace

// Nothing to run at exit, so listeners destroyed late in static destruction still find a valid list.
static_assert(std::is_trivially_destructible_v<CPDeviceListenerList>);

TEST(DeviceListenerTest, JoinInCreationOrderAndLeaveFromAnyPlace) {
    std::vector<std::string> log;
    auto first = std::make_unique<LoggingListener>("first", log);
    auto second = std::make_unique<LoggingListener>("second", log);
    auto third = std::make_unique<LoggingListener>("third", log);
    EXPECT_EQ(OthersThanStatic(), (std::vector<CPDeviceListener*>{first.get(), second.get(), third.get()}));

    second.reset();
    EXPECT_EQ(OthersThanStatic(), (std::vector<CPDeviceListener*>{first.get(), third.get()}));
    first.reset();
    third.reset();
    EXPECT_TRUE(OthersThanStatic().empty());
}

TEST(DeviceListenerTest, ResetProtocolNotifiesEveryListenerInListOrder) {
    std::vector<std::string> log;
    gStaticLog.clear();
    LoggingListener a("a", log), b("b", log), c("c", log);
    g_DeviceListeners.NotifyLostDevice();
    g_DeviceListeners.NotifyResetDevice();
    EXPECT_EQ(log, (std::vector<std::string>{"lost:a", "lost:b", "lost:c", "reset:a", "reset:b", "reset:c"}));
    EXPECT_EQ(gStaticLog, (std::vector<std::string>{"lost:static", "reset:static"}));
}

TEST(DeviceListenerTest, CopyIsAListenerOfItsOwn) {
    std::vector<std::string> log;
    LoggingListener original("x", log);
    {
        LoggingListener copy(original);
        EXPECT_EQ(OthersThanStatic(), (std::vector<CPDeviceListener*>{&original, &copy}));
    }
    EXPECT_EQ(OthersThanStatic(), (std::vector<CPDeviceListener*>{&original}));
}

TEST(DeviceListenerTest, WalkSurvivesListenersLeavingDuringIt) {
    std::vector<std::string> log;
    auto a = std::make_unique<LoggingListener>("a", log);
    auto b = std::make_unique<LoggingListener>("b", log);
    auto c = std::make_unique<LoggingListener>("c", log);
    auto d = std::make_unique<LoggingListener>("d", log);
    // a destroys its successor b; c destroys itself.
    a->onLost = [&] { b.reset(); };
    c->onLost = [&] { c.reset(); };
    g_DeviceListeners.NotifyLostDevice();
    EXPECT_EQ(log, (std::vector<std::string>{"lost:a", "lost:c", "lost:d"}));
    EXPECT_EQ(OthersThanStatic(), (std::vector<CPDeviceListener*>{a.get(), d.get()}));
}

TEST(DeviceListenerTest, ListenerCreatedDuringWalkWaitsForTheNextOne) {
    std::vector<std::string> log;
    LoggingListener a("a", log);
    std::unique_ptr<LoggingListener> late;
    a.onReset = [&] {
        if (!late) late = std::make_unique<LoggingListener>("late", log);
    };
    g_DeviceListeners.NotifyResetDevice();
    EXPECT_EQ(log, (std::vector<std::string>{"reset:a"}));
    log.clear();
    g_DeviceListeners.NotifyResetDevice();
    EXPECT_EQ(log, (std::vector<std::string>{"reset:a", "reset:late"}));
}

TEST(DeviceListenerTest, NestedWalksBothSurviveARemoval) {
    std::vector<std::string> log;
    auto a = std::make_unique<LoggingListener>("a", log);
    auto b = std::make_unique<LoggingListener>("b", log);
    auto c = std::make_unique<LoggingListener>("c", log);
    // Inside the lost walk at a, a reset walk runs; inside that, at a, b is destroyed.
    a->onLost = [&] { g_DeviceListeners.NotifyResetDevice(); };
    a->onReset = [&] { b.reset(); };
    g_DeviceListeners.NotifyLostDevice();
    EXPECT_EQ(log, (std::vector<std::string>{"lost:a", "reset:a", "reset:c", "lost:c"}));
}

// A list of its own, since the global one always holds the static listener: walks over the bare sentinel
// reach nobody, end, and leave the list empty.
TEST(DeviceListenerTest, WalkWithNoListenersDoesNothing) {
    CPDeviceListenerList empty;
    gStaticLog.clear();
    empty.NotifyLostDevice();
    empty.NotifyResetDevice();
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.Size(), 0u);
    EXPECT_TRUE(empty.Listeners().empty());
    EXPECT_TRUE(gStaticLog.empty()) << "another list's listeners are not notified";
}
