#include "Render/PDeviceListener.h"

constinit CPDeviceListenerList g_DeviceListeners;

size_t CPDeviceListenerList::Size() const {
    size_t count = 0;
    for (const CPDeviceListenerNode* node = mSentinel.next; node != &mSentinel; node = node->next) ++count;
    return count;
}

std::vector<CPDeviceListener*> CPDeviceListenerList::Listeners() const {
    std::vector<CPDeviceListener*> listeners;
    for (const CPDeviceListenerNode* node = mSentinel.next; node != &mSentinel; node = node->next)
        listeners.push_back(node->listener);
    return listeners;
}

void CPDeviceListenerList::Append(CPDeviceListenerNode& node, CPDeviceListener* listener) {
    node.listener = listener;
    node.serial = mNextSerial++;
    node.next = &mSentinel;
    node.prev = mSentinel.prev;
    mSentinel.prev->next = &node;
    mSentinel.prev = &node;
}

void CPDeviceListenerList::Unlink(CPDeviceListenerNode& node) {
    for (Walk* walk = mWalks; walk; walk = walk->outer)
        if (walk->next == &node) walk->next = node.next;
    node.prev->next = node.next;
    node.next->prev = node.prev;
    node.next = node.prev = nullptr;
}

template <typename Notify>
void CPDeviceListenerList::WalkAll(Notify notify) {
    const uint64_t joinedBefore = mNextSerial;
    Walk walk{mSentinel.next, mWalks};
    mWalks = &walk;
    while (walk.next != &mSentinel) {
        CPDeviceListenerNode* node = walk.next;
        // Listeners join at the end, so the first one newer than the walk ends it.
        if (node->serial >= joinedBefore) break;
        walk.next = node->next;
        notify(*node->listener);
    }
    mWalks = walk.outer;
}

void CPDeviceListenerList::NotifyLostDevice() {
    WalkAll([](CPDeviceListener& listener) { listener.OnLostDevice(); });
}

void CPDeviceListenerList::NotifyResetDevice() {
    WalkAll([](CPDeviceListener& listener) { listener.OnResetDevice(); });
}

CPDeviceListener::CPDeviceListener() { g_DeviceListeners.Append(mNode, this); }

CPDeviceListener::CPDeviceListener(const CPDeviceListener&) { g_DeviceListeners.Append(mNode, this); }

CPDeviceListener::~CPDeviceListener() { g_DeviceListeners.Unlink(mNode); }
