// What every fuzzing harness shares: a temporary working folder for the process, where each input is
// written under the name the engine opens it by, so that it comes in the engine's own way (the path
// resolver, the file reader); rigs made once; the engine's reports kept quiet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/LogStream.h"

// Makes the process's temporary folder the working folder (once) and returns its path. Temporary
// folders made later (the rigs') go inside it; it is removed with them at the process's normal end.
const std::string& FuzzWorkingFolder();

// Writes the input to `relative` (slashes) under the working folder, creating the folders on the way.
void WriteFuzzFile(const std::string& relative, const uint8_t* data, size_t size);
void WriteFuzzFile(const std::string& relative, const std::string& bytes);

// A test rig made once for the process, inside the working folder, and never taken down: the globals it
// installs stay for every input. Reports it would collect are dropped, or they would pile up.
template <class Rig>
Rig& FuzzRig() {
    static Rig* rig = [] {
        FuzzWorkingFolder();
        Rig* made = new Rig();
        SetLogReportObserver({});
        return made;
    }();
    return *rig;
}

inline std::string FuzzText(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}
