#include "platform/PathResolver.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

#include "platform/FolderListing.h"

namespace {
std::vector<std::string>* gOpenLog = nullptr;  // the innermost ScopedOpenLog's paths; null: none lives

using Kind = FolderListing::Kind;

bool StatOf(const std::string& path, struct stat& st) { return ::stat(path.c_str(), &st) == 0; }

Kind KindOf(const struct stat& st) { return FolderListing::KindOf(st.st_mode); }

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// The entry of `folder` a component names: the entry of exactly that name when a stat of it would succeed,
// else the first entry in sorted order equal to it without regard to case. Within a listing scope the
// kept listing answers both; otherwise the exact name is looked at first and the folder read only when
// it is not there. Null when nothing matches.
struct Match {
    std::string name;
    Kind kind;
};
bool MatchComponent(const std::string& folder, const std::string& component, Match& match) {
    std::shared_ptr<const FolderListing> listing;
    if (FolderListingsKept()) {
        listing = ListFolder(folder);
        if (const FolderListing::Entry* exact = listing->Exact(component); exact && exact->kind != Kind::kMissing) {
            match = {exact->name, exact->kind};
            return true;
        }
    }
    if (!listing || !listing->Readable()) {
        struct stat st{};
        if (StatOf(Join(folder, component), st)) {
            match = {component, KindOf(st)};
            return true;
        }
    }
    if (!listing) listing = ListFolder(folder);
    const FolderListing::Entry* folded = listing->Folded(component);
    if (!folded) return false;
    match = {folded->name, folded->kind};
    return true;
}

// A resolved path and, where the resolving learnt it, what a stat of it would say.
struct Resolved {
    std::string path;
    bool kindKnown = false;
    Kind kind = Kind::kMissing;
};

Resolved Resolve(std::string_view path) {
    Resolved out;
    const std::string normal = NormalizePath(path);
    if (normal.empty()) return out;
    // A path that exists as written resolves to itself (every folder on the way exists as written too):
    // one stat answers, where the walk below would look at each component.
    struct stat st{};
    if (!FolderListingsKept() && StatOf(normal, st)) {
        out = {normal, true, KindOf(st)};
        return out;
    }

    std::string& resolved = out.path;
    size_t pos = 0;
    if (normal[0] == '/') {
        resolved.push_back('/');  // empty until now
        pos = 1;
    }
    bool matching = true;
    while (pos <= normal.size()) {
        size_t next = normal.find('/', pos);
        if (next == std::string::npos) next = normal.size();
        std::string component = normal.substr(pos, next - pos);
        pos = next + 1;
        if (component.empty()) continue;

        out.kindKnown = false;
        Match match;
        if (matching && component != "." && component != "..") {
            if (MatchComponent(resolved, component, match)) {
                resolved = Join(resolved, match.name);
                out.kindKnown = true;
                out.kind = match.kind;
                continue;
            }
            matching = false;
        }
        resolved = Join(resolved, component);
        // Under a component that matches nothing, nothing exists.
        out.kindKnown = !matching;
        out.kind = Kind::kMissing;
    }
    if (normal.back() == '/' && (resolved.empty() || resolved.back() != '/')) {
        resolved += '/';
        out.kindKnown = false;  // a trailing slash asks for a folder: let the stat say
    }
    return out;
}

// What a stat of the path says, from the resolving where it learnt it (no second look).
Kind KindOf(const Resolved& resolved) {
    if (resolved.kindKnown) return resolved.kind;
    struct stat st{};
    return StatOf(resolved.path, st) ? KindOf(st) : Kind::kMissing;
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

std::string ResolvePath(std::string_view path) { return Resolve(path).path; }

bool IsRegularFile(std::string_view path) { return KindOf(Resolve(path)) == Kind::kRegular; }

bool IsDirectory(std::string_view path) { return KindOf(Resolve(path)) == Kind::kDirectory; }

FILE* OpenFileForRead(std::string_view path) {
    const Resolved resolved = Resolve(path);
    if (KindOf(resolved) != Kind::kRegular) return nullptr;
    FILE* file = std::fopen(resolved.path.c_str(), "rb");
    if (file && gOpenLog) gOpenLog->push_back(resolved.path);
    return file;
}

FILE* OpenFileForWrite(std::string_view path, const char* mode) {
    const Resolved resolved = Resolve(path);
    if (resolved.path.empty() || KindOf(resolved) == Kind::kDirectory) return nullptr;
    FILE* file = std::fopen(resolved.path.c_str(), mode ? mode : "wb");
    // The file may be new: listings of its folder are stale.
    ForgetFolderListings();
    return file;
}

long long RegularFileSize(std::string_view path) {
    const Resolved resolved = Resolve(path);
    if (resolved.kindKnown && resolved.kind != Kind::kRegular) return -1;
    struct stat st{};
    if (!StatOf(resolved.path, st) || !S_ISREG(st.st_mode)) return -1;
    return static_cast<long long>(st.st_size);
}

ScopedOpenLog::ScopedOpenLog() : mPrevious(gOpenLog) { gOpenLog = &mPaths; }

ScopedOpenLog::~ScopedOpenLog() { gOpenLog = mPrevious; }
