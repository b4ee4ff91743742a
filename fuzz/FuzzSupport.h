// What every fuzzing harness shares: a temporary working folder for the process, where each input is
// written under the name the engine opens it by, so that it comes in the engine's own way (the path
// resolver, the file reader); rigs made once; the engine's reports kept quiet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Render/PRender.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "platform/Direct3DDevice9.h"

// Makes the process's temporary folder the working folder (once) and returns its path. Temporary
// folders made later (the rigs') go inside it; it is removed with them at the process's normal end.
const std::string& FuzzWorkingFolder();

// Writes the input to `relative` (slashes) under the working folder, creating the folders on the way.
void WriteFuzzFile(const std::string& relative, const uint8_t* data, size_t size);
void WriteFuzzFile(const std::string& relative, const std::string& bytes);

// A test rig made once for the process, inside the working folder, and never taken down: the globals it
// installs stay for every input. Reports it would collect are dropped, or they would pile up; so is the
// device's record of calls, which no harness reads: kept, every input would leave allocations behind,
// and libFuzzer would run each one twice and scan the heap for leaks after it.
template <class Rig>
Rig& FuzzRig() {
    static Rig* rig = [] {
        FuzzWorkingFolder();
        Rig* made = new Rig();
        SetLogReportObserver({});
        if (gRenderer && gRenderer->GetDevice()) {
            gRenderer->GetDevice()->SetRecording(false);
            gRenderer->GetDevice()->ClearCalls();
        }
        return made;
    }();
    return *rig;
}

inline std::string FuzzText(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}
