// Windows multimedia file I/O (the mmio functions): buffered reading and writing of files found
// through the path resolver or of blocks of memory, and navigation of RIFF chunks.
// A file opened for writing reaches the disk when it is closed, through a temporary file and a rename.
#pragma once

#include <cstdio>  // SEEK_SET, SEEK_CUR, SEEK_END for mmioSeek

#include "platform/WinTypes.h"

using HMMIO = struct HMMIO__*;
using FOURCC = DWORD;
using MMRESULT = UINT;
using HPSTR = char*;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
    return static_cast<FOURCC>(static_cast<BYTE>(a)) | (static_cast<FOURCC>(static_cast<BYTE>(b)) << 8) |
           (static_cast<FOURCC>(static_cast<BYTE>(c)) << 16) | (static_cast<FOURCC>(static_cast<BYTE>(d)) << 24);
}

constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');
constexpr FOURCC FOURCC_DOS = mmioFOURCC('D', 'O', 'S', ' ');
constexpr FOURCC FOURCC_MEM = mmioFOURCC('M', 'E', 'M', ' ');

// Open flags: the access in the low bits, then the options.
constexpr DWORD MMIO_READ = 0x0;
constexpr DWORD MMIO_WRITE = 0x1;
constexpr DWORD MMIO_READWRITE = 0x2;
constexpr DWORD MMIO_CREATE = 0x1000;
constexpr DWORD MMIO_ALLOCBUF = 0x10000;
// The I/O buffer holds bytes not yet written to the file.
constexpr DWORD MMIO_DIRTY = 0x10000000;
// Descend and create-chunk flags.
constexpr UINT MMIO_FINDCHUNK = 0x10;
constexpr UINT MMIO_FINDRIFF = 0x20;
constexpr UINT MMIO_FINDLIST = 0x40;
constexpr UINT MMIO_CREATERIFF = 0x20;
constexpr UINT MMIO_CREATELIST = 0x40;

constexpr LONG MMIO_DEFAULTBUFFER = 8192;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMIOERR_FILENOTFOUND = 257;
constexpr MMRESULT MMIOERR_OUTOFMEMORY = 258;
constexpr MMRESULT MMIOERR_CANNOTOPEN = 259;
constexpr MMRESULT MMIOERR_CANNOTCLOSE = 260;
constexpr MMRESULT MMIOERR_CANNOTREAD = 261;
constexpr MMRESULT MMIOERR_CANNOTWRITE = 262;
constexpr MMRESULT MMIOERR_CANNOTSEEK = 263;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;
constexpr MMRESULT MMIOERR_UNBUFFERED = 266;

// One RIFF chunk: its code, the size of its data, the form type of a RIFF or LIST chunk, and the
// file offset of its data (for RIFF and LIST the data starts with the form type).
struct MMCKINFO {
    FOURCC ckid;
    DWORD cksize;
    FOURCC fccType;
    DWORD dwDataOffset;
    DWORD dwFlags;  // MMIO_DIRTY while a created chunk's size may still change
};
static_assert(sizeof(MMCKINFO) == 20);

// The state of an open file and its I/O buffer. A caller that takes it with mmioGetInfo may read
// or write the buffer between pchNext and pchEndRead / pchEndWrite directly, then hands the state
// back with mmioSetInfo or mmioAdvance (setting MMIO_DIRTY after writing).
struct MMIOINFO {
    DWORD dwFlags;
    FOURCC fccIOProc;  // FOURCC_MEM opens the block pchBuffer .. pchBuffer + cchBuffer as the file
    UINT wErrorRet;    // why mmioOpenA failed
    LONG cchBuffer;
    HPSTR pchBuffer;
    HPSTR pchNext;      // the next byte to read or write
    HPSTR pchEndRead;   // one past the last byte that may be read
    HPSTR pchEndWrite;  // one past the last byte that may be written
    LONG lBufOffset;    // file offset of pchBuffer
    LONG lDiskOffset;   // file offset of pchEndRead
    HMMIO hmmio;
};

// Opens `name` (or, with an info whose fccIOProc is FOURCC_MEM, the caller's block of memory, which
// must outlive the handle). Null on failure, with the reason in info->wErrorRet when an info is given.
// Names of MAX_PATH characters or more are refused.
HMMIO mmioOpenA(LPCSTR name, MMIOINFO* info, DWORD flags);
// Flushes, writes a changed file to the disk and frees the handle. A null or unknown handle gives
// MMSYSERR_INVALHANDLE.
MMRESULT mmioClose(HMMIO file, UINT flags);
// Bytes read (0 at the end of the file) or -1.
LONG mmioRead(HMMIO file, HPSTR buffer, LONG count);
// Bytes written or -1.
LONG mmioWrite(HMMIO file, const char* buffer, LONG count);
// New position from the start, or -1. Origins: SEEK_SET, SEEK_CUR, SEEK_END.
LONG mmioSeek(HMMIO file, LONG offset, int origin);
MMRESULT mmioGetInfo(HMMIO file, MMIOINFO* info, UINT flags);
MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, UINT flags);
// Writes the buffer when it is dirty and refills it from the current position (MMIO_READ or
// MMIO_WRITE). At the end of the file it succeeds with pchEndRead equal to pchNext.
MMRESULT mmioAdvance(HMMIO file, MMIOINFO* info, UINT flags);
// Enters a chunk: with no flag the one at the current position; with MMIO_FINDCHUNK the first whose
// code is chunk->ckid, with MMIO_FINDRIFF / MMIO_FINDLIST the first RIFF / LIST chunk whose form type
// is chunk->fccType, searching from the current position up to the end of `parent` (or of the file).
MMRESULT mmioDescend(HMMIO file, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags);
// Leaves a chunk to the byte after its (even-padded) data. A chunk made by mmioCreateChunk first gets
// its size written back from the current position, and a pad byte when that size is odd.
MMRESULT mmioAscend(HMMIO file, MMCKINFO* chunk, UINT flags);
// Writes a chunk header at the current position (MMIO_CREATERIFF / MMIO_CREATELIST: a RIFF / LIST
// chunk with form type chunk->fccType) and leaves the position at its data.
MMRESULT mmioCreateChunk(HMMIO file, MMCKINFO* chunk, UINT flags);

namespace MmioStandIn {
// Handles open now (tests check that nothing is left open).
size_t OpenHandleCount();
}  // namespace MmioStandIn
