// The command dispatcher (gCommandDispatcher): command receivers by unique name and by category.
// Sending to a name or category nobody is registered under does nothing.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "core/CPCommandTask.h"
#include "core/CPSmartPtr.h"

class CPCommandDispatcher {
public:
    CPCommandDispatcher() = default;
    // Receivers still registered forget this dispatcher.
    ~CPCommandDispatcher();

    CPCommandDispatcher(const CPCommandDispatcher&) = delete;
    CPCommandDispatcher& operator=(const CPCommandDispatcher&) = delete;

    // Puts the receiver under the name (an empty name: none) and appends it to the category's list (an
    // empty category: none; once per category). A receiver already under that name loses it. A null
    // receiver is refused (false). No reference is held: a destroyed receiver unregisters itself.
    bool Register(CPCommandTask* receiver, const std::string& name, const std::string& category = "");
    // Removes the receiver from the name map and from every category.
    void Unregister(CPCommandTask* receiver);

    void SendByName(const std::string& receiverName, const std::string& commandName, const std::string& paramText);
    // Every running receiver of the category, in registration order.
    void SendByCategory(const std::string& category, const std::string& commandName, const std::string& paramText);
    // The receiver (AddRef'd); empty when the name is not registered.
    CPSmartPtr<CPCommandTask> FindByName(const std::string& receiverName) const;
    // The category's receivers in order; empty for an unknown category.
    std::vector<CPCommandTask*> GetCategory(const std::string& category) const;

private:
    void Link(CPCommandTask* receiver);
    void UnlinkIfUnused(CPCommandTask* receiver);

    std::unordered_map<std::string, CPCommandTask*> mByName;                    // never null
    std::unordered_map<std::string, std::vector<CPCommandTask*>> mByCategory;  // never null
};
