#include "fuzz/FuzzSupport.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {
struct RemovedAtExit {
    std::string path;
    ~RemovedAtExit() {
        std::error_code ec;
        fs::current_path("/", ec);
        fs::remove_all(path, ec);
    }
};
}  // namespace

const std::string& FuzzWorkingFolder() {
    static const RemovedAtExit folder = [] {
        SetLogReportObserver({});
        // Every input is a file write: in memory, where the system offers it, that costs 50 times less.
        const fs::path parent = ::access("/dev/shm", W_OK | X_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (parent / "vrc-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        fs::current_path(pattern);
        ::setenv("TMPDIR", pattern.c_str(), 1);
        return RemovedAtExit{pattern};
    }();
    return folder.path;
}

void WriteFuzzFile(const std::string& relative, const uint8_t* data, size_t size) {
    const fs::path path(relative);
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::FILE* file = std::fopen(relative.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot write " + relative);
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    if (!written) throw std::runtime_error("cannot write " + relative);
}

void WriteFuzzFile(const std::string& relative, const std::string& bytes) {
    WriteFuzzFile(relative, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}
