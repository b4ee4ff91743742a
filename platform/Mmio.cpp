#include "platform/Mmio.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/FolderListing.h"
#include "platform/PathResolver.h"
#include "platform/PlatformFaults.h"

namespace {
// File offsets are LONG on the platform: nothing grows past this.
constexpr int64_t kMaxOffset = 0x7FFFFFFF;

struct MmioFile {
    bool memory = false;
    std::string path;          // resolved path of a disk file
    std::vector<char> owned;   // a disk file's bytes
    char* block = nullptr;     // a memory file's bytes (the caller's, fixed size)
    size_t blockSize = 0;
    DWORD openFlags = 0;
    bool modified = false;     // a disk file to write back when closed
    std::vector<char> buffer;  // the I/O buffer; empty when the file is unbuffered
    int64_t bufOffset = 0;     // file offset of buffer[0]; the position is bufOffset + bufNext
    size_t bufNext = 0;
    size_t bufEndRead = 0;
    bool dirty = false;        // buffer[0 .. bufNext) still has to reach the file

    char* Data() { return memory ? block : owned.data(); }
    size_t Length() const { return memory ? blockSize : owned.size(); }
    bool CanRead() const { return (openFlags & 3u) != MMIO_WRITE; }
    bool CanWrite() const { return (openFlags & 3u) != MMIO_READ; }
    int64_t Position() const { return bufOffset + static_cast<int64_t>(bufNext); }

    size_t ReadAt(int64_t offset, char* out, size_t count) {
        if (offset < 0 || static_cast<uint64_t>(offset) >= Length()) return 0;
        size_t n = std::min(count, Length() - static_cast<size_t>(offset));
        if (n) std::memcpy(out, Data() + offset, n);
        return n;
    }

    bool WriteAt(int64_t offset, const char* bytes, size_t count) {
        if (!CanWrite() || offset < 0) return false;
        uint64_t end = static_cast<uint64_t>(offset) + count;
        if (end > static_cast<uint64_t>(kMaxOffset)) return false;
        if (end > Length()) {
            if (memory) return false;
            owned.resize(static_cast<size_t>(end), 0);
        }
        if (count) std::memcpy(Data() + offset, bytes, count);
        modified = !memory;
        return true;
    }

    MMRESULT Flush() {
        if (!dirty) return MMSYSERR_NOERROR;
        if (!WriteAt(bufOffset, buffer.data(), bufNext)) return MMIOERR_CANNOTWRITE;
        bufEndRead = std::max(bufEndRead, bufNext);
        dirty = false;
        return MMSYSERR_NOERROR;
    }

    // Before a call that works on the file directly: write what the buffer holds and empty it, so
    // the file alone says where the position is.
    MMRESULT Collapse() {
        MMRESULT result = Flush();
        if (result != MMSYSERR_NOERROR) return result;
        bufOffset = Position();
        bufNext = 0;
        bufEndRead = 0;
        return MMSYSERR_NOERROR;
    }

    void SetPosition(int64_t position) {
        bufOffset = position;
        bufNext = 0;
        bufEndRead = 0;
    }

    void Fill() { bufEndRead = ReadAt(bufOffset, buffer.data(), buffer.size()); }

    bool ReadDword(int64_t offset, DWORD* value) {
        unsigned char bytes[4];
        if (ReadAt(offset, reinterpret_cast<char*>(bytes), 4) != 4) return false;
        *value = static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
                 (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24);
        return true;
    }

    bool WriteDword(int64_t offset, DWORD value) {
        char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                         static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
        return WriteAt(offset, bytes, 4);
    }
};

std::unordered_set<MmioFile*>& Handles() {
    static auto* handles = new std::unordered_set<MmioFile*>;
    return *handles;
}

MmioFile* Lookup(HMMIO handle) {
    auto* file = reinterpret_cast<MmioFile*>(handle);
    return file && Handles().count(file) ? file : nullptr;
}

HMMIO OpenFailed(MMIOINFO* info, MMRESULT reason) {
    if (info) info->wErrorRet = reason;
    return nullptr;
}

// Never loses the previous file: the bytes go to a temporary file beside it, which then replaces it.
bool WriteWholeFile(const std::string& path, const std::vector<char>& bytes) {
    std::string temporary = path + ".mmio-tmp";
    FILE* out = OpenFileForWrite(temporary, "wb");
    if (!out) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    ok = (std::fclose(out) == 0) && ok;
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(temporary.c_str());
    ForgetFolderListings();  // the file may be new, and the temporary one is gone
    return ok;
}

bool LoadWholeFile(LPCSTR name, std::vector<char>* bytes) {
    FILE* in = OpenFileForRead(name);
    if (!in) return false;
    bool ok = std::fseek(in, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(in) : -1;
    ok = ok && size >= 0 && size <= kMaxOffset && std::fseek(in, 0, SEEK_SET) == 0;
    if (ok) {
        bytes->resize(static_cast<size_t>(size));
        ok = size == 0 || std::fread(bytes->data(), 1, bytes->size(), in) == bytes->size();
    }
    std::fclose(in);
    return ok;
}

bool ParentFolderExists(const std::string& resolved) {
    std::filesystem::path parent = std::filesystem::path(resolved).parent_path();
    return parent.empty() || IsDirectory(parent.string());
}

void CopyInfo(MmioFile* file, HMMIO handle, MMIOINFO* info) {
    char* base = file->buffer.empty() ? nullptr : file->buffer.data();
    info->dwFlags = file->openFlags | (file->dirty ? MMIO_DIRTY : 0u);
    info->fccIOProc = file->memory ? FOURCC_MEM : FOURCC_DOS;
    info->wErrorRet = 0;
    info->cchBuffer = static_cast<LONG>(file->buffer.size());
    info->pchBuffer = base;
    info->pchNext = base ? base + file->bufNext : nullptr;
    info->pchEndRead = base ? base + file->bufEndRead : nullptr;
    info->pchEndWrite = base ? base + file->buffer.size() : nullptr;
    info->lBufOffset = static_cast<LONG>(file->bufOffset);
    info->lDiskOffset = static_cast<LONG>(file->bufOffset + static_cast<int64_t>(file->bufEndRead));
    info->hmmio = handle;
}

// Takes back the buffer state a caller worked on; pointers outside the buffer are refused.
MMRESULT AdoptInfo(MmioFile* file, const MMIOINFO* info) {
    if (file->buffer.empty()) return info->pchBuffer ? MMSYSERR_INVALPARAM : MMSYSERR_NOERROR;
    const char* base = file->buffer.data();
    const char* end = base + file->buffer.size();
    auto inside = [&](const char* p) { return p && p >= base && p <= end; };
    if (info->pchBuffer != base || !inside(info->pchNext) || !inside(info->pchEndRead)) return MMSYSERR_INVALPARAM;
    file->bufNext = static_cast<size_t>(info->pchNext - base);
    file->bufEndRead = static_cast<size_t>(info->pchEndRead - base);
    if (info->dwFlags & MMIO_DIRTY) file->dirty = true;
    return MMSYSERR_NOERROR;
}

bool IsForm(FOURCC id) { return id == FOURCC_RIFF || id == FOURCC_LIST; }
}  // namespace

HMMIO mmioOpenA(LPCSTR name, MMIOINFO* info, DWORD flags) {
    if (PlatformFaults::Take("mmioOpenA")) return OpenFailed(info, MMIOERR_CANNOTOPEN);
    DWORD access = flags & 3u;
    if (access > MMIO_READWRITE) return OpenFailed(info, MMSYSERR_INVALPARAM);

    auto file = std::make_unique<MmioFile>();
    file->openFlags = flags & (3u | MMIO_CREATE | MMIO_ALLOCBUF);
    LONG bufferSize = (flags & MMIO_ALLOCBUF) ? MMIO_DEFAULTBUFFER : 0;

    if (info && info->fccIOProc == FOURCC_MEM) {
        if (!info->pchBuffer || info->cchBuffer <= 0) return OpenFailed(info, MMSYSERR_INVALPARAM);
        file->memory = true;
        file->block = info->pchBuffer;
        file->blockSize = static_cast<size_t>(info->cchBuffer);
        bufferSize = MMIO_DEFAULTBUFFER;  // a memory file is always buffered
    } else {
        if (!name) return OpenFailed(info, MMSYSERR_INVALPARAM);
        if (std::strlen(name) >= MAX_PATH) return OpenFailed(info, MMIOERR_CANNOTOPEN);
        if (info && info->cchBuffer > 0 && bufferSize) bufferSize = info->cchBuffer;
        file->path = ResolvePath(name);
        if (flags & MMIO_CREATE) {
            if (IsDirectory(file->path) || !ParentFolderExists(file->path)) return OpenFailed(info, MMIOERR_CANNOTOPEN);
            file->modified = true;  // a created file exists once closed, even when nothing was written
        } else if (!LoadWholeFile(name, &file->owned)) {
            return OpenFailed(info, MMIOERR_FILENOTFOUND);
        }
    }
    file->buffer.assign(static_cast<size_t>(bufferSize), 0);

    MmioFile* raw = file.release();
    Handles().insert(raw);
    auto handle = reinterpret_cast<HMMIO>(raw);
    if (info) {
        info->wErrorRet = 0;
        info->hmmio = handle;
    }
    return handle;
}

MMRESULT mmioClose(HMMIO handle, UINT) {
    MmioFile* file = Lookup(handle);
    if (!file) return MMSYSERR_INVALHANDLE;
    MMRESULT result = file->Flush();
    if (PlatformFaults::Take("mmioClose")) result = MMIOERR_CANNOTWRITE;
    else if (file->modified && !WriteWholeFile(file->path, file->owned)) result = MMIOERR_CANNOTWRITE;
    Handles().erase(file);
    delete file;
    return result;
}

LONG mmioRead(HMMIO handle, HPSTR buffer, LONG count) {
    MmioFile* file = Lookup(handle);
    if (!file || count < 0 || (count > 0 && !buffer) || !file->CanRead()) return -1;
    if (PlatformFaults::Take("mmioRead")) return -1;
    if (file->Collapse() != MMSYSERR_NOERROR) return -1;
    size_t n = file->ReadAt(file->Position(), buffer, static_cast<size_t>(count));
    file->SetPosition(file->Position() + static_cast<int64_t>(n));
    return static_cast<LONG>(n);
}

LONG mmioWrite(HMMIO handle, const char* buffer, LONG count) {
    MmioFile* file = Lookup(handle);
    if (!file || count < 0 || (count > 0 && !buffer) || !file->CanWrite()) return -1;
    if (PlatformFaults::Take("mmioWrite")) return -1;
    if (file->Collapse() != MMSYSERR_NOERROR) return -1;
    if (!file->WriteAt(file->Position(), buffer, static_cast<size_t>(count))) return -1;
    file->SetPosition(file->Position() + count);
    return count;
}

LONG mmioSeek(HMMIO handle, LONG offset, int origin) {
    MmioFile* file = Lookup(handle);
    if (!file) return -1;
    if (PlatformFaults::Take("mmioSeek")) return -1;
    if (file->Collapse() != MMSYSERR_NOERROR) return -1;
    int64_t base = 0;
    switch (origin) {
        case SEEK_SET: base = 0; break;
        case SEEK_CUR: base = file->Position(); break;
        case SEEK_END: base = static_cast<int64_t>(file->Length()); break;
        default: return -1;
    }
    int64_t target = base + offset;
    if (target < 0 || target > kMaxOffset) return -1;
    if (file->memory && static_cast<uint64_t>(target) > file->Length()) return -1;
    file->SetPosition(target);
    return static_cast<LONG>(target);
}

MMRESULT mmioGetInfo(HMMIO handle, MMIOINFO* info, UINT) {
    MmioFile* file = Lookup(handle);
    if (!file) return MMSYSERR_INVALHANDLE;
    if (!info) return MMSYSERR_INVALPARAM;
    if (PlatformFaults::Take("mmioGetInfo")) return MMIOERR_CANNOTREAD;
    CopyInfo(file, handle, info);
    return MMSYSERR_NOERROR;
}

MMRESULT mmioSetInfo(HMMIO handle, const MMIOINFO* info, UINT) {
    MmioFile* file = Lookup(handle);
    if (!file) return MMSYSERR_INVALHANDLE;
    if (!info) return MMSYSERR_INVALPARAM;
    if (PlatformFaults::Take("mmioSetInfo")) return MMIOERR_CANNOTWRITE;
    MMRESULT result = AdoptInfo(file, info);
    return result != MMSYSERR_NOERROR ? result : file->Flush();
}

MMRESULT mmioAdvance(HMMIO handle, MMIOINFO* info, UINT flags) {
    MmioFile* file = Lookup(handle);
    if (!file) return MMSYSERR_INVALHANDLE;
    if (flags != MMIO_READ && flags != MMIO_WRITE) return MMSYSERR_INVALPARAM;
    if (file->buffer.empty()) return MMIOERR_UNBUFFERED;
    if (info) {
        MMRESULT adopted = AdoptInfo(file, info);
        if (adopted != MMSYSERR_NOERROR) return adopted;
    }
    if (PlatformFaults::Take("mmioAdvance")) return flags == MMIO_READ ? MMIOERR_CANNOTREAD : MMIOERR_CANNOTWRITE;
    MMRESULT flushed = file->Flush();
    if (flushed != MMSYSERR_NOERROR) return flushed;
    file->SetPosition(file->Position());
    if (file->CanRead()) file->Fill();
    if (info) CopyInfo(file, handle, info);
    return MMSYSERR_NOERROR;
}

MMRESULT mmioDescend(HMMIO handle, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags) {
    MmioFile* file = Lookup(handle);
    if (!file) return MMSYSERR_INVALHANDLE;
    if (!chunk) return MMSYSERR_INVALPARAM;
    if (PlatformFaults::Take("mmioDescend")) return MMIOERR_CHUNKNOTFOUND;
    MMRESULT collapsed = file->Collapse();
    if (collapsed != MMSYSERR_NOERROR) return collapsed;

    const FOURCC wantedId = chunk->ckid;
    const FOURCC wantedType = chunk->fccType;
    uint64_t limit = file->Length();
    if (parent) limit = std::min<uint64_t>(limit, static_cast<uint64_t>(parent->dwDataOffset) + parent->cksize);

    // Every step moves at least 8 bytes forward, so a search always ends.
    uint64_t at = static_cast<uint64_t>(file->Position());
    while (at + 8 <= limit) {
        DWORD id = 0, size = 0, type = 0;
        file->ReadDword(static_cast<int64_t>(at), &id);
        file->ReadDword(static_cast<int64_t>(at + 4), &size);
        uint64_t data = at + 8;
        bool form = IsForm(id);
        if (form && (data + 4 > limit || !file->ReadDword(static_cast<int64_t>(data), &type))) break;
        if (data > static_cast<uint64_t>(kMaxOffset)) break;

        bool match = true;
        if (flags & MMIO_FINDCHUNK) match = id == wantedId;
        else if (flags & MMIO_FINDRIFF) match = id == FOURCC_RIFF && type == wantedType;
        else if (flags & MMIO_FINDLIST) match = id == FOURCC_LIST && type == wantedType;
        if (match) {
            chunk->ckid = id;
            chunk->cksize = size;
            chunk->fccType = form ? type : 0;
            chunk->dwDataOffset = static_cast<DWORD>(data);
            chunk->dwFlags = 0;
            file->SetPosition(static_cast<int64_t>(form ? data + 4 : data));
            return MMSYSERR_NOERROR;
        }
        at = data + size + (size & 1u);
    }
    return MMIOERR_CHUNKNOTFOUND;
}

MMRESULT mmioAscend(HMMIO handle, MMCKINFO* chunk, UINT) {
    MmioFile* file = Lookup(handle);
    if (!file) return MMSYSERR_INVALHANDLE;
    if (!chunk) return MMSYSERR_INVALPARAM;
    if (PlatformFaults::Take("mmioAscend")) return MMIOERR_CANNOTWRITE;
    MMRESULT collapsed = file->Collapse();
    if (collapsed != MMSYSERR_NOERROR) return collapsed;

    if (chunk->dwFlags & MMIO_DIRTY) {
        int64_t size = file->Position() - static_cast<int64_t>(chunk->dwDataOffset);
        if (size < 0 || chunk->dwDataOffset < 4) return MMIOERR_CANNOTSEEK;
        if (static_cast<DWORD>(size) != chunk->cksize) {
            if (!file->WriteDword(static_cast<int64_t>(chunk->dwDataOffset) - 4, static_cast<DWORD>(size))) {
                return MMIOERR_CANNOTWRITE;
            }
            chunk->cksize = static_cast<DWORD>(size);
        }
        if (size & 1) {
            const char pad = 0;
            if (!file->WriteAt(file->Position(), &pad, 1)) return MMIOERR_CANNOTWRITE;
        }
        chunk->dwFlags &= ~MMIO_DIRTY;
    }
    int64_t end = static_cast<int64_t>(chunk->dwDataOffset) + chunk->cksize + (chunk->cksize & 1u);
    if (end > kMaxOffset) return MMIOERR_CANNOTSEEK;
    file->SetPosition(end);
    return MMSYSERR_NOERROR;
}

MMRESULT mmioCreateChunk(HMMIO handle, MMCKINFO* chunk, UINT flags) {
    MmioFile* file = Lookup(handle);
    if (!file) return MMSYSERR_INVALHANDLE;
    if (!chunk) return MMSYSERR_INVALPARAM;
    if (PlatformFaults::Take("mmioCreateChunk")) return MMIOERR_CANNOTWRITE;
    MMRESULT collapsed = file->Collapse();
    if (collapsed != MMSYSERR_NOERROR) return collapsed;

    if (flags & MMIO_CREATERIFF) chunk->ckid = FOURCC_RIFF;
    else if (flags & MMIO_CREATELIST) chunk->ckid = FOURCC_LIST;
    bool form = (flags & (MMIO_CREATERIFF | MMIO_CREATELIST)) != 0;

    int64_t at = file->Position();
    if (!file->WriteDword(at, chunk->ckid) || !file->WriteDword(at + 4, chunk->cksize) ||
        (form && !file->WriteDword(at + 8, chunk->fccType))) {
        return MMIOERR_CANNOTWRITE;
    }
    chunk->dwDataOffset = static_cast<DWORD>(at + 8);
    chunk->dwFlags = MMIO_DIRTY;
    file->SetPosition(at + (form ? 12 : 8));
    return MMSYSERR_NOERROR;
}

namespace MmioStandIn {
size_t OpenHandleCount() { return Handles().size(); }
}  // namespace MmioStandIn
