#include "support/TempFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "vrc-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    mPath = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(mPath, ec);
}

void TempFolder::Write(const std::string& relative, const std::string& bytes) const {
    fs::path path = fs::path(mPath) / relative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TempFolder::Write(const std::string& relative, const std::vector<unsigned char>& bytes) const {
    Write(relative, std::string(bytes.begin(), bytes.end()));
}

std::string TempFolder::Read(const std::string& relative) const {
    std::ifstream in(fs::path(mPath) / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempFolder::Exists(const std::string& relative) const { return fs::exists(fs::path(mPath) / relative); }

void TempFolder::MakeFolder(const std::string& relative) const { fs::create_directories(fs::path(mPath) / relative); }

ScopedWorkingFolder::ScopedWorkingFolder() : mPrevious(fs::current_path().string()) { fs::current_path(mFolder.Path()); }

ScopedWorkingFolder::~ScopedWorkingFolder() {
    std::error_code ec;
    fs::current_path(mPrevious, ec);
}
