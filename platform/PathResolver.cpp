#include "platform/PathResolver.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace {
bool Exists(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}

bool StatOf(const std::string& path, struct stat& st) { return ::stat(path.c_str(), &st) == 0; }

// The first entry of the folder, in sorted order, whose name equals `name` without regard to ASCII case.
bool FindCaseInsensitive(const std::string& folder, const std::string& name, std::string& found) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
    std::vector<std::string> matches;
    while (dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) matches.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    if (matches.empty()) return false;
    found = *std::min_element(matches.begin(), matches.end());
    return true;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}
}  // namespace

std::string NormalizePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        char slash = (c == '\\') ? '/' : c;
        if (slash == '/' && !out.empty() && out.back() == '/') continue;
        out.push_back(slash);
    }
    while (out.size() >= 2 && out[0] == '.' && out[1] == '/') out.erase(0, 2);
    return out;
}

std::string ResolvePath(std::string_view path) {
    std::string normal = NormalizePath(path);
    if (normal.empty()) return normal;

    std::string resolved;
    size_t pos = 0;
    if (normal[0] == '/') {
        resolved = "/";
        pos = 1;
    }
    bool matching = true;
    while (pos <= normal.size()) {
        size_t next = normal.find('/', pos);
        if (next == std::string::npos) next = normal.size();
        std::string component = normal.substr(pos, next - pos);
        pos = next + 1;
        if (component.empty()) continue;

        std::string exact = Join(resolved, component);
        if (matching && component != "." && component != ".." && !Exists(exact)) {
            std::string found;
            if (FindCaseInsensitive(resolved, component, found)) {
                resolved = Join(resolved, found);
                continue;
            }
            matching = false;
        }
        resolved = exact;
    }
    if (!normal.empty() && normal.back() == '/' && (resolved.empty() || resolved.back() != '/')) resolved += '/';
    return resolved;
}

bool IsRegularFile(std::string_view path) {
    struct stat st{};
    return StatOf(ResolvePath(path), st) && S_ISREG(st.st_mode);
}

bool IsDirectory(std::string_view path) {
    struct stat st{};
    return StatOf(ResolvePath(path), st) && S_ISDIR(st.st_mode);
}

FILE* OpenFileForRead(std::string_view path) {
    std::string resolved = ResolvePath(path);
    struct stat st{};
    if (!StatOf(resolved, st) || !S_ISREG(st.st_mode)) return nullptr;
    return std::fopen(resolved.c_str(), "rb");
}

FILE* OpenFileForWrite(std::string_view path, const char* mode) {
    std::string resolved = ResolvePath(path);
    if (resolved.empty() || IsDirectory(resolved)) return nullptr;
    return std::fopen(resolved.c_str(), mode ? mode : "wb");
}

long long RegularFileSize(std::string_view path) {
    struct stat st{};
    if (!StatOf(ResolvePath(path), st) || !S_ISREG(st.st_mode)) return -1;
    return static_cast<long long>(st.st_size);
}
