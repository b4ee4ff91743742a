#include "core/CPCommandDispatcher.h"

#include <algorithm>

CPCommandDispatcher::~CPCommandDispatcher() {
    auto unlink = [this](CPCommandTask* receiver) {
        auto& links = receiver->mDispatchers;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    };
    for (auto& [name, receiver] : mByName) unlink(receiver);
    for (auto& [category, receivers] : mByCategory)
        for (CPCommandTask* receiver : receivers) unlink(receiver);
}

bool CPCommandDispatcher::Register(CPCommandTask* receiver, const std::string& name, const std::string& category) {
    if (!receiver) return false;
    if (!name.empty()) {
        auto it = mByName.find(name);
        CPCommandTask* previous = it != mByName.end() ? it->second : nullptr;
        mByName[name] = receiver;
        if (previous && previous != receiver) UnlinkIfUnused(previous);
    }
    if (!category.empty()) {
        auto& receivers = mByCategory[category];
        if (std::find(receivers.begin(), receivers.end(), receiver) == receivers.end()) receivers.push_back(receiver);
    }
    Link(receiver);
    return true;
}

void CPCommandDispatcher::Unregister(CPCommandTask* receiver) {
    for (auto it = mByName.begin(); it != mByName.end();) {
        it = it->second == receiver ? mByName.erase(it) : std::next(it);
    }
    for (auto it = mByCategory.begin(); it != mByCategory.end();) {
        auto& receivers = it->second;
        receivers.erase(std::remove(receivers.begin(), receivers.end(), receiver), receivers.end());
        it = receivers.empty() ? mByCategory.erase(it) : std::next(it);
    }
    auto& links = receiver->mDispatchers;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
}

void CPCommandDispatcher::SendByName(const std::string& receiverName, const std::string& commandName,
                                     const std::string& paramText) {
    CPCommand command = BuildCommand(commandName, paramText);
    auto it = mByName.find(receiverName);
    if (it == mByName.end()) return;
    it->second->PushCommand(command);
}

void CPCommandDispatcher::SendByCategory(const std::string& category, const std::string& commandName,
                                         const std::string& paramText) {
    CPCommand command = BuildCommand(commandName, paramText);
    auto it = mByCategory.find(category);
    if (it == mByCategory.end()) return;
    for (CPCommandTask* receiver : it->second) receiver->PushCommand(command);
}

CPSmartPtr<CPCommandTask> CPCommandDispatcher::FindByName(const std::string& receiverName) const {
    auto it = mByName.find(receiverName);
    if (it == mByName.end()) return CPSmartPtr<CPCommandTask>();
    return CPSmartPtr<CPCommandTask>(it->second);
}

std::vector<CPCommandTask*> CPCommandDispatcher::GetCategory(const std::string& category) const {
    auto it = mByCategory.find(category);
    return it == mByCategory.end() ? std::vector<CPCommandTask*>() : it->second;
}

void CPCommandDispatcher::Link(CPCommandTask* receiver) {
    auto& links = receiver->mDispatchers;
    if (std::find(links.begin(), links.end(), this) == links.end()) links.push_back(this);
}

void CPCommandDispatcher::UnlinkIfUnused(CPCommandTask* receiver) {
    for (const auto& [name, r] : mByName)
        if (r == receiver) return;
    for (const auto& [category, receivers] : mByCategory)
        if (std::find(receivers.begin(), receivers.end(), receiver) != receivers.end()) return;
    auto& links = receiver->mDispatchers;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
}
