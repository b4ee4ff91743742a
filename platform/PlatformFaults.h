// Failures that tests arm on named platform calls ("mmioDescend", "IDirectSoundBuffer::Lock", ...):
// each stand-in asks here before doing its work and fails with the armed result instead.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/WinTypes.h"

namespace PlatformFaults {
// The call fails `count` times after letting `skip` matching calls through. Arming a call again
// replaces what was armed for it.
void Arm(std::string_view call, HRESULT result = E_FAIL, int count = 1, int skip = 0);
// For the stand-ins: the armed result for this call (consumed), or nothing when the call proceeds.
std::optional<HRESULT> Take(std::string_view call);
// How many times a call has been asked about since the last Clear (whether it failed or not).
int CallCount(std::string_view call);
// Disarms everything and forgets the counts.
void Clear();
}  // namespace PlatformFaults
