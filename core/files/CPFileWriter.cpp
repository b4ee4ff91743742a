#include "core/files/CPFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

#include "core/files/ScrambleBuffer.h"
#include "platform/FolderListing.h"
#include "platform/PathResolver.h"

namespace {
// The file a chain of symbolic links ends at (the path itself when it is no link), named as the links
// name it: a relative target is taken from the link's folder. Empty, with errno set, when a link
// cannot be read or the chain does not end.
std::string FollowLinks(std::string path) {
    constexpr int kMaxLinks = 40;  // as the system's own limit on a path's links
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat st{};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
        if (length < 0) return {};
        if (static_cast<size_t>(length) >= sizeof target) {
            errno = ENAMETOOLONG;
            return {};
        }
        std::string next(target, static_cast<size_t>(length));
        const size_t slash = path.rfind('/');
        if (next.front() != '/' && slash != std::string::npos) next = path.substr(0, slash + 1) + next;
        path = std::move(next);
    }
    errno = ELOOP;
    return {};
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}
}  // namespace

CPFileWriter::CPFileWriter(const std::string& name, bool scramble) : mPath(name), mScramble(scramble) {}

HRESULT CPFileWriter::WriteBytes(const void* source, int64_t n) {
    if (n < 1 || !source) return S_OK;
    const auto* bytes = static_cast<const uint8_t*>(source);
    mBytes.insert(mBytes.end(), bytes, bytes + n);
    return S_OK;
}

HRESULT CPFileWriter::WriteInt(int32_t value) {
    const uint32_t bits = static_cast<uint32_t>(value);
    const uint8_t bytes[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                              static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    return WriteBytes(bytes, 4);
}

HRESULT CPFileWriter::WriteFloat(float value) { return WriteInt(std::bit_cast<int32_t>(value)); }

HRESULT CPFileWriter::WriteString(const std::string& text) {
    if (text.size() > static_cast<size_t>(INT32_MAX)) return E_FAIL;
    WriteInt(static_cast<int32_t>(text.size()));
    return WriteBytes(text.data(), static_cast<int64_t>(text.size()));
}

HRESULT CPFileWriter::Fail(const std::string& path, int error) {
    std::error_code ignored;
    std::string shown = std::filesystem::absolute(path, ignored).lexically_normal().string();
    if (shown.empty()) shown = path;
    mFailure = shown + ": " + std::strerror(error);
    return E_FAIL;
}

HRESULT CPFileWriter::Commit() {
    const HRESULT result = ReplaceTarget();
    // The temporary file came and went and the target may be new: kept folder listings are stale.
    ForgetFolderListings();
    return result;
}

HRESULT CPFileWriter::ReplaceTarget() {
    mFailure.clear();
    const std::string named = ResolvePath(mPath);
    if (named.empty()) return Fail(mPath, ENOENT);
    if (named.back() == '/') return Fail(named, EISDIR);
    const std::string target = FollowLinks(named);
    if (target.empty()) return Fail(named, errno);

    struct stat replaced{};
    const bool replacing = ::stat(target.c_str(), &replaced) == 0;
    if (replacing) {
        if (S_ISDIR(replaced.st_mode)) return Fail(target, EISDIR);
        // The rename would replace a file whatever its mode: one the user made read-only is kept.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return Fail(target, errno);
    }

    // A temporary file left by an interrupted commit is removed first; a link there is not followed.
    const std::string temporary = ResolvePath(target + ".~tmp");
    if (::unlink(temporary.c_str()) != 0 && errno != ENOENT) return Fail(temporary, errno);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return Fail(target, errno);

    const std::vector<uint8_t>* out = &mBytes;
    std::vector<uint8_t> scrambled;
    if (mScramble) {
        scrambled = mBytes;
        ScrambleBuffer(scrambled);
        out = &scrambled;
    }
    bool written = WriteAll(fd, *out);
    if (written && replacing) {
        // Owner and group first: changing them may clear the set-id bits the mode then restores. Only a
        // privileged process may give a file away (EPERM): otherwise the new file is the writer's.
        const bool sameOwner = replaced.st_uid == ::geteuid() && replaced.st_gid == ::getegid();
        if (!sameOwner && ::fchown(fd, replaced.st_uid, replaced.st_gid) != 0 && errno != EPERM) written = false;
        written = written && ::fchmod(fd, replaced.st_mode & 07777) == 0;
    }
    // On disk before the rename, so a crash leaves the previous file or the whole new one.
    written = written && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written) {
        if (::rename(temporary.c_str(), target.c_str()) == 0) return S_OK;
        error = errno;
    }
    ::unlink(temporary.c_str());
    return Fail(target, error);
}
