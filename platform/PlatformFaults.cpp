#include "platform/PlatformFaults.h"

#include <map>
#include <string>

namespace {
struct Armed {
    HRESULT result = E_FAIL;
    int count = 0;
    int skip = 0;
};

struct FaultState {
    std::map<std::string, Armed, std::less<>> armed;
    std::map<std::string, int, std::less<>> calls;
};

FaultState& State() {
    static FaultState state;
    return state;
}
}  // namespace

namespace PlatformFaults {
void Arm(std::string_view call, HRESULT result, int count, int skip) {
    State().armed[std::string(call)] = Armed{result, count < 0 ? 0 : count, skip < 0 ? 0 : skip};
}

std::optional<HRESULT> Take(std::string_view call) {
    FaultState& s = State();
    auto counted = s.calls.find(call);
    if (counted == s.calls.end()) counted = s.calls.emplace(std::string(call), 0).first;
    ++counted->second;

    auto it = s.armed.find(call);
    if (it == s.armed.end() || it->second.count == 0) return std::nullopt;
    if (it->second.skip > 0) {
        --it->second.skip;
        return std::nullopt;
    }
    --it->second.count;
    return it->second.result;
}

int CallCount(std::string_view call) {
    const FaultState& s = State();
    auto it = s.calls.find(call);
    return it == s.calls.end() ? 0 : it->second;
}

void Clear() { State() = FaultState{}; }
}  // namespace PlatformFaults
