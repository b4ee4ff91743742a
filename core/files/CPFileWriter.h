// Binary writer: collects little-endian int32, length-prefixed strings and raw bytes in memory and
// reaches the disk only on Commit, optionally through the byte scrambler.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class CPFileWriter {
public:
    // The name is kept as given; the path resolver matches its existing folders whatever their case.
    CPFileWriter(const std::string& name, bool scramble);
    // Writes nothing: bytes never committed are lost.
    virtual ~CPFileWriter() = default;

    // Appends n bytes; n below 1 appends nothing. Always 0.
    HRESULT WriteBytes(const void* source, int64_t n);
    HRESULT WriteInt(int32_t value);
    // The IEEE bit pattern, little-endian, as ReadFloat takes it back.
    HRESULT WriteFloat(float value);
    // The int32 byte count, then the bytes, no terminating zero. E_FAIL (nothing appended) for a text
    // whose length does not fit an int32.
    HRESULT WriteString(const std::string& text);

    // Writes the collected bytes (scrambled when asked) to a temporary file beside the target and
    // renames it over the target: 0, or E_FAIL when any step fails, and then the previous file is
    // untouched. A symbolic link is followed: the file it names is the one replaced. The replacement
    // keeps the replaced file's permission bits (and its owner and group where the process may set
    // them); a file this process may not write is kept as it is and the commit fails. The collected
    // bytes stay unscrambled, so a retried commit writes the same file.
    HRESULT Commit();

    const std::vector<uint8_t>& GetBytes() const { return mBytes; }
    const std::string& GetPath() const { return mPath; }
    // After a failed commit, which file and why: "<absolute path>: <the system's reason>".
    // Empty after a successful one.
    const std::string& GetFailure() const { return mFailure; }

private:
    // Commit's work: the bytes to a temporary file beside the target, which then replaces it.
    HRESULT ReplaceTarget();
    HRESULT Fail(const std::string& path, int error);

    std::vector<uint8_t> mBytes;
    std::string mPath;     // as given
    std::string mFailure;  // see GetFailure
    bool mScramble;
};
