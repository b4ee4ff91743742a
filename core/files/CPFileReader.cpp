#include "core/files/CPFileReader.h"

#include <cstdio>
#include <cstring>

#include "core/StringUtils.h"
#include "core/files/FileReadOnceScope.h"
#include "core/files/ScrambleBuffer.h"
#include "platform/PathResolver.h"

std::list<CPArchiveEntry> gArchiveList;

namespace {
// Reads `size` bytes at `offset` of an open file into `bytes` (sized first, so a short read leaves a
// zero tail). True when every byte arrived.
bool ReadSpan(FILE* file, int64_t offset, int64_t size, std::vector<uint8_t>& bytes) {
    if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    bytes.assign(static_cast<size_t>(size), 0);
    if (size == 0) return true;
    return std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// Size of an open file, -1 when it cannot be told.
int64_t SizeOf(FILE* file) {
    if (fseeko(file, 0, SEEK_END) != 0) return -1;
    return static_cast<int64_t>(ftello(file));
}

uint32_t LittleEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
}  // namespace

CPFileReader::CPFileReader(const std::string& name, bool unscramble) : mPath(name), mUnscramble(unscramble) {
    ToLower(mPath);
}

HRESULT CPFileReader::Load() {
    mBytes.clear();
    mCursor = 0;
    mOverrun = false;
    if (const KeptFile* kept = FindKeptFile(mPath, mUnscramble)) {
        mBytes = kept->bytes;
        mFileSize = kept->fileSize;
        return S_OK;
    }
    const HRESULT result = LoadFromDisk();
    if (result == S_OK) KeepFile(mPath, mUnscramble, KeptFile{mBytes, mFileSize});
    return result;
}

HRESULT CPFileReader::LoadFromDisk() {
    FILE* file = OpenFileForRead(mPath);
    if (!file) return LoadFromArchive();

    HRESULT result = E_FAIL;
    const int64_t size = SizeOf(file);
    if (size >= 0 && size <= kMaxFileSize) {
        mFileSize = static_cast<int32_t>(size);
        if (ReadSpan(file, 0, size, mBytes)) {
            if (mUnscramble) UnscrambleBuffer(mBytes);
            result = S_OK;
        }
    }
    std::fclose(file);
    return result;
}

HRESULT CPFileReader::LoadFromArchive() {
    for (const CPArchiveEntry& archive : gArchiveList) {
        auto found = archive.files.find(mPath);
        if (found == archive.files.end()) continue;
        const CPArchiveEntry::Span span = found->second;
        FILE* file = OpenFileForRead(archive.archivePath);
        if (!file) return E_FAIL;
        const int64_t archiveSize = SizeOf(file);
        const int64_t end = static_cast<int64_t>(span.offset) + span.size;
        bool ok = archiveSize >= 0 && end <= archiveSize && span.size <= kMaxFileSize &&
                  ReadSpan(file, span.offset, span.size, mBytes);
        std::fclose(file);
        if (!ok) {
            mBytes.clear();
            return E_FAIL;
        }
        mFileSize = static_cast<int32_t>(span.size);
        UnscrambleBuffer(mBytes);
        return S_OK;
    }
    return E_FAIL;
}

bool CPFileReader::Take(int64_t n, const uint8_t*& bytes) {
    if (n < 0 || n > static_cast<int64_t>(GetRemaining())) {
        mOverrun = true;
        mCursor = GetSize();
        bytes = nullptr;
        return false;
    }
    bytes = mBytes.data() + mCursor;
    mCursor += static_cast<uint32_t>(n);
    return true;
}

HRESULT CPFileReader::ReadBytes(void* destination, int64_t n) {
    const uint8_t* p;
    if (!Take(n, p)) {
        if (destination && n > 0) std::memset(destination, 0, static_cast<size_t>(n));
        return E_FAIL;
    }
    if (destination && n > 0) std::memcpy(destination, p, static_cast<size_t>(n));
    return S_OK;
}

int32_t CPFileReader::ReadInt() {
    const uint8_t* p;
    return Take(4, p) ? static_cast<int32_t>(LittleEndian32(p)) : 0;
}

float CPFileReader::ReadFloat() {
    const uint8_t* p;
    if (!Take(4, p)) return 0.0f;
    const uint32_t bits = LittleEndian32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

D3DXVECTOR3 CPFileReader::ReadVector() {
    D3DXVECTOR3 v;
    v.x = ReadFloat();
    v.y = ReadFloat();
    v.z = ReadFloat();
    return v;
}

D3DXQUATERNION CPFileReader::ReadQuaternion() {
    D3DXQUATERNION q;
    q.x = ReadFloat();
    q.y = ReadFloat();
    q.z = ReadFloat();
    q.w = ReadFloat();
    return q;
}

std::string CPFileReader::ReadString() {
    const int32_t count = ReadInt();
    const uint8_t* p;
    if (!Take(count, p) || count == 0) return {};
    const void* zero = std::memchr(p, 0, static_cast<size_t>(count));
    const size_t length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : static_cast<size_t>(count);
    return std::string(reinterpret_cast<const char*>(p), length);
}
