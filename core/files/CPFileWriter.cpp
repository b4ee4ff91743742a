#include "core/files/CPFileWriter.h"

#include <bit>
#include <cstdio>

#include "core/files/ScrambleBuffer.h"
#include "platform/PathResolver.h"

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

HRESULT CPFileWriter::Commit() {
    const std::string target = ResolvePath(mPath);
    if (target.empty() || target.back() == '/' || IsDirectory(target)) return E_FAIL;
    const std::string temporary = ResolvePath(target + ".~tmp");

    FILE* file = OpenFileForWrite(temporary, "wb");
    if (!file) return E_FAIL;
    const std::vector<uint8_t>* out = &mBytes;
    std::vector<uint8_t> scrambled;
    if (mScramble) {
        scrambled = mBytes;
        ScrambleBuffer(scrambled);
        out = &scrambled;
    }
    bool written = out->empty() || std::fwrite(out->data(), 1, out->size(), file) == out->size();
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (written && std::rename(temporary.c_str(), target.c_str()) == 0) return S_OK;
    std::remove(temporary.c_str());
    return E_FAIL;
}
