// Base of every engine object that holds device resources a device reset destroys (effects, dynamic
// buffers, the sky's effects). Listeners sit in one global list in creation order; the host walks it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CPDeviceListener;

// One link of the listener list. The list's sentinel is a node without a listener.
struct CPDeviceListenerNode {
    CPDeviceListenerNode* next;
    CPDeviceListenerNode* prev;
    CPDeviceListener* listener;  // null for the sentinel
    uint64_t serial;             // creation number; a walk skips listeners that joined after it began
};

// The doubly linked list behind g_DeviceListeners. It is built at compile time and its destructor does
// nothing, so it exists before any static listener is built and is still whole while the last listeners
// are destroyed at exit, whatever the order of static destruction.
class CPDeviceListenerList {
public:
    constexpr CPDeviceListenerList() : mSentinel{&mSentinel, &mSentinel, nullptr, 0} {}
    CPDeviceListenerList(const CPDeviceListenerList&) = delete;
    CPDeviceListenerList& operator=(const CPDeviceListenerList&) = delete;

    bool Empty() const { return mSentinel.next == &mSentinel; }
    size_t Size() const;
    // The listeners in list order.
    std::vector<CPDeviceListener*> Listeners() const;

    // The host's reset protocol: OnLostDevice on every listener in list order before the reset, then
    // OnResetDevice on every listener after it. A listener destroyed by another's notification during
    // the walk is skipped; one created during the walk is not notified by it.
    void NotifyLostDevice();
    void NotifyResetDevice();

private:
    friend class CPDeviceListener;

    // An active walk: the node it visits next, so that unlinking that node can move the walk on.
    struct Walk {
        CPDeviceListenerNode* next;
        Walk* outer;  // the walk this one runs inside, null for the outermost
    };

    void Append(CPDeviceListenerNode& node, CPDeviceListener* listener);
    void Unlink(CPDeviceListenerNode& node);
    template <typename Notify>
    void WalkAll(Notify notify);

    CPDeviceListenerNode mSentinel;
    Walk* mWalks = nullptr;  // innermost active walk, null when none runs
    uint64_t mNextSerial = 1;
};

extern constinit CPDeviceListenerList g_DeviceListeners;

class CPDeviceListener {
public:
    // Joins the end of g_DeviceListeners.
    CPDeviceListener();
    // A copy is a listener of its own: it joins the list at the end.
    CPDeviceListener(const CPDeviceListener&);
    CPDeviceListener& operator=(const CPDeviceListener&) { return *this; }

    // Release what does not survive a device reset.
    virtual void OnLostDevice() = 0;
    // Rebuild it after the reset.
    virtual void OnResetDevice() = 0;
    // Leaves g_DeviceListeners at once, wherever it stands.
    virtual ~CPDeviceListener();

private:
    CPDeviceListenerNode mNode;  // this listener's place in g_DeviceListeners
};
