#include "Sound/NWaveFile.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/ModuleResources.h"

namespace {
constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x800401F0u);  // CO_E_NOTINITIALIZED
constexpr FOURCC kWave = mmioFOURCC('W', 'A', 'V', 'E');
constexpr FOURCC kFormat = mmioFOURCC('f', 'm', 't', ' ');
constexpr FOURCC kFact = mmioFOURCC('f', 'a', 'c', 't');
constexpr FOURCC kData = mmioFOURCC('d', 'a', 't', 'a');
constexpr DWORD kCommonFields = 16;  // the fields every format record starts with

WORD Word(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
DWORD Dword(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}
void PutWord(BYTE* p, WORD v) {
    p[0] = static_cast<BYTE>(v & 0xFF);
    p[1] = static_cast<BYTE>(v >> 8);
}
void PutDword(BYTE* p, DWORD v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>((v >> (8 * i)) & 0xFF);
}

bool ReadExactly(HMMIO file, void* destination, DWORD count) {
    return mmioRead(file, static_cast<HPSTR>(destination), static_cast<LONG>(count)) == static_cast<LONG>(count);
}
}  // namespace

CNWaveFile::~CNWaveFile() {
    CloseOrDrop();
    FreeFormat();
}

void CNWaveFile::CloseOrDrop() {
    Close();
    if (mHandle) mmioClose(mHandle, 0);
    mHandle = nullptr;
    mResourceCopy.clear();
}

void CNWaveFile::FreeFormat() {
    mFormat = nullptr;
    mFormatBytes.clear();
    mFormatBytes.shrink_to_fit();
}

void CNWaveFile::SetFormat(const BYTE* fields, const std::vector<BYTE>& extra) {
    mFormatBytes.assign(sizeof(WAVEFORMATEX) + extra.size(), 0);
    WAVEFORMATEX record{};
    record.wFormatTag = Word(fields);
    record.nChannels = Word(fields + 2);
    record.nSamplesPerSec = Dword(fields + 4);
    record.nAvgBytesPerSec = Dword(fields + 8);
    record.nBlockAlign = Word(fields + 12);
    record.wBitsPerSample = Word(fields + 14);
    record.cbSize = static_cast<WORD>(extra.size());
    mFormat = new (mFormatBytes.data()) WAVEFORMATEX(record);
    std::copy(extra.begin(), extra.end(), mFormatBytes.begin() + sizeof(WAVEFORMATEX));
}

HRESULT CNWaveFile::OpenProgramResource(const char* name) {
    HRSRC resource = FindResourceA(nullptr, name, "WAVE");
    if (!resource) resource = FindResourceA(nullptr, name, "WAV");
    if (!resource) return E_FAIL;
    HGLOBAL loaded = LoadResource(nullptr, resource);
    if (!loaded) return E_FAIL;
    DWORD size = SizeofResource(nullptr, resource);
    if (size == 0 || size > 0x7FFFFFFFu) return E_FAIL;
    const void* bytes = LockResource(loaded);
    if (!bytes) return E_FAIL;

    mResourceCopy.assign(static_cast<const char*>(bytes), static_cast<const char*>(bytes) + size);
    MMIOINFO info{};
    info.fccIOProc = FOURCC_MEM;
    info.pchBuffer = mResourceCopy.data();
    info.cchBuffer = static_cast<LONG>(size);
    mHandle = mmioOpenA(nullptr, &info, MMIO_ALLOCBUF | MMIO_READ);
    if (!mHandle) {
        mResourceCopy.clear();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CNWaveFile::Open(const char* fileName, const WAVEFORMATEX* format, DWORD mode) {
    if (!fileName) return E_INVALIDARG;
    // Opening again must not leave the previous file open.
    CloseOrDrop();
    // The buffer state of a file closed before points into a buffer that is gone.
    mOutInfo = MMIOINFO{};
    mMode = mode;

    if (mode == kModeRead) {
        FreeFormat();
        mDataSize = 0;
        mHandle = mmioOpenA(fileName, nullptr, MMIO_ALLOCBUF | MMIO_READ);
        if (!mHandle && FAILED(OpenProgramResource(fileName))) return E_FAIL;
        if (FAILED(ReadMMIO())) {
            mmioClose(mHandle, 0);
            mHandle = nullptr;
            mResourceCopy.clear();
            return E_FAIL;
        }
        HRESULT reset = ResetFile();
        if (FAILED(reset)) return E_FAIL;
        mDataSize = mChunk.cksize;
        return reset;
    }

    mHandle = mmioOpenA(fileName, nullptr, MMIO_ALLOCBUF | MMIO_READWRITE | MMIO_CREATE);
    if (!mHandle) return E_FAIL;
    if (FAILED(WriteMMIO(format))) {
        mmioClose(mHandle, 0);
        mHandle = nullptr;
        return E_FAIL;
    }
    HRESULT reset = ResetFile();
    return FAILED(reset) ? E_FAIL : reset;
}

HRESULT CNWaveFile::ReadMMIO() {
    FreeFormat();
    if (mmioDescend(mHandle, &mRiffChunk, nullptr, 0) != MMSYSERR_NOERROR) return E_FAIL;
    if (mRiffChunk.ckid != FOURCC_RIFF || mRiffChunk.fccType != kWave) return E_FAIL;

    MMCKINFO formatChunk{};
    formatChunk.ckid = kFormat;
    if (mmioDescend(mHandle, &formatChunk, &mRiffChunk, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return E_FAIL;
    if (formatChunk.cksize < kCommonFields) return E_FAIL;

    BYTE fields[kCommonFields];
    if (!ReadExactly(mHandle, fields, kCommonFields)) return E_FAIL;

    std::vector<BYTE> extra;
    if (Word(fields) != WAVE_FORMAT_PCM) {
        // The extra count belongs to this chunk: a 16-byte record has none, and the extra bytes
        // may not run past the chunk's end.
        if (formatChunk.cksize >= kCommonFields + 2) {
            BYTE countBytes[2];
            if (!ReadExactly(mHandle, countBytes, 2)) return E_FAIL;
            WORD extraCount = Word(countBytes);
            if (static_cast<DWORD>(kCommonFields + 2 + extraCount) > formatChunk.cksize) return E_FAIL;
            extra.resize(extraCount);
            if (extraCount && !ReadExactly(mHandle, extra.data(), extraCount)) return E_FAIL;
        }
    }
    SetFormat(fields, extra);

    if (mmioAscend(mHandle, &formatChunk, 0) != MMSYSERR_NOERROR) {
        FreeFormat();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CNWaveFile::WriteMMIO(const WAVEFORMATEX* format) {
    if (!format) return E_INVALIDARG;
    MMCKINFO riff{};
    riff.fccType = kWave;
    riff.cksize = 0;
    if (mmioCreateChunk(mHandle, &riff, MMIO_CREATERIFF) != MMSYSERR_NOERROR) return E_FAIL;
    mRiffChunk = riff;

    // The record goes out field by field; a non-PCM record brings its cbSize and extra bytes.
    std::vector<BYTE> record(kCommonFields);
    PutWord(&record[0], format->wFormatTag);
    PutWord(&record[2], format->nChannels);
    PutDword(&record[4], format->nSamplesPerSec);
    PutDword(&record[8], format->nAvgBytesPerSec);
    PutWord(&record[12], format->nBlockAlign);
    PutWord(&record[14], format->wBitsPerSample);
    if (format->wFormatTag != WAVE_FORMAT_PCM) {
        record.resize(sizeof(WAVEFORMATEX) + format->cbSize);
        PutWord(&record[16], format->cbSize);
        const BYTE* extra = reinterpret_cast<const BYTE*>(format) + sizeof(WAVEFORMATEX);
        std::copy(extra, extra + format->cbSize, record.begin() + sizeof(WAVEFORMATEX));
    }

    MMCKINFO chunk{};
    chunk.ckid = kFormat;
    chunk.cksize = kCommonFields;
    if (mmioCreateChunk(mHandle, &chunk, 0) != MMSYSERR_NOERROR) return E_FAIL;
    auto length = static_cast<LONG>(record.size());
    if (mmioWrite(mHandle, reinterpret_cast<const char*>(record.data()), length) != length) return E_FAIL;
    if (mmioAscend(mHandle, &chunk, 0) != MMSYSERR_NOERROR) return E_FAIL;

    MMCKINFO fact{};
    fact.ckid = kFact;
    fact.cksize = 0;
    if (mmioCreateChunk(mHandle, &fact, 0) != MMSYSERR_NOERROR) return E_FAIL;
    BYTE samples[4];
    PutDword(samples, 0xFFFFFFFFu);
    if (mmioWrite(mHandle, reinterpret_cast<const char*>(samples), 4) != 4) return E_FAIL;
    if (mmioAscend(mHandle, &fact, 0) != MMSYSERR_NOERROR) return E_FAIL;
    return S_OK;
}

HRESULT CNWaveFile::ResetFile() {
    if (!mHandle) return kNotInitialized;
    if (mMode == kModeRead) {
        if (mmioSeek(mHandle, static_cast<LONG>(mRiffChunk.dwDataOffset + 4), SEEK_SET) == -1) return E_FAIL;
        mChunk.ckid = kData;
        if (mmioDescend(mHandle, &mChunk, &mRiffChunk, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return E_FAIL;
        return S_OK;
    }
    mChunk.ckid = kData;
    mChunk.cksize = 0;
    if (mmioCreateChunk(mHandle, &mChunk, 0) != MMSYSERR_NOERROR) return E_FAIL;
    if (mmioGetInfo(mHandle, &mOutInfo, 0) != MMSYSERR_NOERROR) return E_FAIL;
    return S_OK;
}

HRESULT CNWaveFile::Read(BYTE* destination, DWORD count, DWORD* countRead) {
    if (!mHandle) return kNotInitialized;
    if (!destination || !countRead) return E_INVALIDARG;
    *countRead = 0;

    MMIOINFO info{};
    if (mmioGetInfo(mHandle, &info, 0) != MMSYSERR_NOERROR) return E_FAIL;
    DWORD n = std::min(count, mChunk.cksize);
    mChunk.cksize -= n;

    DWORD copied = 0;
    while (copied < n) {
        if (info.pchNext == info.pchEndRead) {
            if (mmioAdvance(mHandle, &info, MMIO_READ) != MMSYSERR_NOERROR) return E_FAIL;
            // The file ends before the size its "data" chunk declares.
            if (info.pchNext == info.pchEndRead) return E_FAIL;
        }
        auto run = std::min<DWORD>(n - copied, static_cast<DWORD>(info.pchEndRead - info.pchNext));
        std::memcpy(destination + copied, info.pchNext, run);
        info.pchNext += run;
        copied += run;
    }
    if (mmioSetInfo(mHandle, &info, 0) != MMSYSERR_NOERROR) return E_FAIL;
    *countRead = n;
    return S_OK;
}

HRESULT CNWaveFile::Write(const BYTE* source, DWORD count, DWORD* countWritten) {
    if (!mHandle) return kNotInitialized;
    if (!source || !countWritten) return E_INVALIDARG;
    *countWritten = 0;
    if (mMode == kModeRead) return E_FAIL;

    DWORD copied = 0;
    while (copied < count) {
        if (mOutInfo.pchNext == mOutInfo.pchEndWrite) {
            mOutInfo.dwFlags |= MMIO_DIRTY;
            if (mmioAdvance(mHandle, &mOutInfo, MMIO_WRITE) != MMSYSERR_NOERROR) return E_FAIL;
        }
        auto run = std::min<DWORD>(count - copied, static_cast<DWORD>(mOutInfo.pchEndWrite - mOutInfo.pchNext));
        std::memcpy(mOutInfo.pchNext, source + copied, run);
        mOutInfo.pchNext += run;
        copied += run;
    }
    *countWritten = count;
    return S_OK;
}

HRESULT CNWaveFile::Close() {
    if (mMode == kModeRead) {
        if (mHandle) mmioClose(mHandle, 0);
        mHandle = nullptr;
        mResourceCopy.clear();
        return S_OK;
    }

    mOutInfo.dwFlags |= MMIO_DIRTY;
    if (!mHandle) return kNotInitialized;
    if (mmioSetInfo(mHandle, &mOutInfo, 0) != MMSYSERR_NOERROR) return E_FAIL;
    if (mmioAscend(mHandle, &mChunk, 0) != MMSYSERR_NOERROR) return E_FAIL;
    if (mmioAscend(mHandle, &mRiffChunk, 0) != MMSYSERR_NOERROR) return E_FAIL;

    mmioSeek(mHandle, 0, SEEK_SET);
    if (mmioDescend(mHandle, &mRiffChunk, nullptr, 0) != MMSYSERR_NOERROR) return E_FAIL;
    mChunk.ckid = kFact;
    if (mmioDescend(mHandle, &mChunk, &mRiffChunk, MMIO_FINDCHUNK) == MMSYSERR_NOERROR) {
        BYTE zero[4] = {0, 0, 0, 0};
        mmioWrite(mHandle, reinterpret_cast<const char*>(zero), 4);
        mmioAscend(mHandle, &mChunk, 0);
    }
    mmioAscend(mHandle, &mRiffChunk, 0);
    // The file reaches the disk here: a write that fails is not a success.
    MMRESULT closed = mmioClose(mHandle, 0);
    mHandle = nullptr;
    return closed == MMSYSERR_NOERROR ? S_OK : E_FAIL;
}
