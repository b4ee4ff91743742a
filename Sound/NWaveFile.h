// A RIFF WAVE file reached through the mmio functions: its format record, the size of its sample
// data and the data itself; it can also start a new WAVE file and finish its header when closed.
// Every sound effect keeps one open for reading so that a lost buffer can be filled again.
#pragma once

#include <vector>

#include "platform/Mmio.h"
#include "platform/WaveFormat.h"
#include "platform/WinTypes.h"

class CNWaveFile {
public:
    static constexpr DWORD kModeRead = 1;  // any other mode writes

    CNWaveFile() = default;
    ~CNWaveFile();
    CNWaveFile(const CNWaveFile&) = delete;
    CNWaveFile& operator=(const CNWaveFile&) = delete;

    // Reading (mode 1): opens the file, parses the header and stands at the start of the data.
    // Writing: creates the file and writes the header of `format` (which is not kept).
    HRESULT Open(const char* fileName, const WAVEFORMATEX* format, DWORD mode);
    // Parses the header of a file opened for reading into the format record.
    HRESULT ReadMMIO();
    // Writes the RIFF, "fmt " and "fact" chunks of a file opened for writing.
    HRESULT WriteMMIO(const WAVEFORMATEX* format);
    // Bytes of sample data found when the file was opened for reading.
    DWORD GetSize() const { return mDataSize; }
    // Reading: back to the first data byte. Writing: opens the "data" chunk.
    HRESULT ResetFile();
    // Copies up to `count` data bytes; `countRead` is 0 after any failure.
    HRESULT Read(BYTE* destination, DWORD count, DWORD* countRead);
    // Appends sample data to a file opened for writing.
    HRESULT Write(const BYTE* source, DWORD count, DWORD* countWritten);
    // Reading: closes. Writing: gives "data" and "RIFF" their sizes, sets the "fact" count to 0, closes;
    // E_FAIL when the file could not be written.
    HRESULT Close();

    // The file's format record (18 bytes plus cbSize extra bytes); null until a header was read.
    const WAVEFORMATEX* GetFormat() const { return mFormat; }

private:
    void FreeFormat();
    // Keeps a record of 18 + extra bytes whose first 16 are `fields`, cbSize = extra.size().
    void SetFormat(const BYTE* fields, const std::vector<BYTE>& extra);

    HRESULT OpenProgramResource(const char* name);
    // Close, and when that fails part-way (a written file), let go of the handle all the same.
    void CloseOrDrop();

    std::vector<BYTE> mFormatBytes;    // storage of mFormat and its extra bytes
    std::vector<char> mResourceCopy;   // a resource opened as a memory file; freed when closed
    WAVEFORMATEX* mFormat = nullptr;   // null until a successful read of the header
    HMMIO mHandle = nullptr;           // null when closed
    MMCKINFO mChunk{};       // "data" (and "fact" while a written file closes); reading: data bytes left
    MMCKINFO mRiffChunk{};   // the outer "RIFF" chunk
    DWORD mDataSize = 0;     // size of the "data" chunk, taken when opened for reading
    MMIOINFO mOutInfo{};     // buffered-I/O state of a file opened for writing
    DWORD mMode = 0;         // kModeRead or writing
};
