// Whole-file binary reader: loads a file into memory, then hands out little-endian int32, float32,
// length-prefixed strings and raw bytes through one bounds-checked cursor.
//
// A read that would pass the loaded bytes (a truncated file, a string count below 0 or beyond the end)
// reads nothing, yields 0 / empty, moves the cursor to the end and raises a sticky overrun flag:
// format readers test HasOverrun() once after reading instead of guarding every field.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/D3DX9Math.h"
#include "platform/WinTypes.h"

// One archive that Load falls back on when a file cannot be opened directly: lower-cased file name to
// (offset, size) inside the archive file. Archive data is always unscrambled, whatever the reader's flag.
struct CPArchiveEntry {
    struct Span {
        uint32_t offset;
        uint32_t size;
    };
    std::string archivePath;
    std::unordered_map<std::string, Span> files;
};
// Empty when the program starts; nothing in the engine adds to it.
extern std::list<CPArchiveEntry> gArchiveList;

class CPFileReader {
public:
    // Files larger than this are refused: sizes and offsets of the formats are int32.
    static constexpr int64_t kMaxFileSize = INT32_MAX;

    // Keeps the name lower-cased (the path resolver finds the file whatever its case) and the flag;
    // reads nothing.
    CPFileReader(const std::string& name, bool unscramble);
    virtual ~CPFileReader() = default;

    // Reads the whole regular file (a folder is not a file): 0, or E_FAIL when it cannot be opened,
    // is over 2 GiB or cannot be read whole (the buffer then keeps the file's size, its tail zero).
    // Resets the cursor and the overrun flag. Within a FileReadOnceScope a path loaded before gives
    // the bytes kept from then.
    HRESULT Load();

    const uint8_t* GetData() const { return mBytes.data(); }
    uint32_t GetSize() const { return static_cast<uint32_t>(mBytes.size()); }
    const std::string& GetPath() const { return mPath; }

    // Copies n bytes to `destination` (null: skips them). Beyond the end: nothing is read, a non-null
    // destination gets n zero bytes, the result is E_FAIL; otherwise 0.
    HRESULT ReadBytes(void* destination, int64_t n);
    int32_t ReadInt();
    float ReadFloat();
    // Three floats x, y, z / four floats x, y, z, w, in that order.
    D3DXVECTOR3 ReadVector();
    D3DXQUATERNION ReadQuaternion();
    // An int32 count n, then n bytes; the text ends at the first zero among them.
    std::string ReadString();

    uint32_t GetPosition() const { return mCursor; }
    uint32_t GetRemaining() const { return GetSize() - mCursor; }
    // True when the cursor has reached the loaded size (every byte read).
    bool IsAtEnd() const { return mCursor >= GetSize(); }
    // Set by the first read that would have passed the end; cleared only by Load.
    bool HasOverrun() const { return mOverrun; }

private:
    // Points `bytes` at the next n bytes and advances the cursor; false (and the overrun) when fewer
    // are left.
    bool Take(int64_t n, const uint8_t*& bytes);
    HRESULT LoadFromDisk();
    HRESULT LoadFromArchive();

    std::vector<uint8_t> mBytes;  // the loaded file; empty before Load
    int32_t mFileSize = 0;        // length of the file found by the last successful open
    std::string mPath;            // lower-cased
    bool mUnscramble;
    uint32_t mCursor = 0;  // offset of the next byte to read
    bool mOverrun = false;
};
