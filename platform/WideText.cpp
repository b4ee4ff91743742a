#include "platform/WideText.h"

#include <cstring>
#include <vector>

namespace {
// Code points of the bytes, decoded by the code page.
bool Decode(UINT codePage, const unsigned char* bytes, size_t count, std::vector<char32_t>& out) {
    if (codePage == CP_ACP) {
        for (size_t i = 0; i < count; ++i) out.push_back(bytes[i]);
        return true;
    }
    if (codePage != CP_UTF8) return false;
    size_t i = 0;
    while (i < count) {
        unsigned char lead = bytes[i];
        int extra = lead < 0x80             ? 0
                    : (lead & 0xE0) == 0xC0 ? 1
                    : (lead & 0xF0) == 0xE0 ? 2
                    : (lead & 0xF8) == 0xF0 ? 3
                                            : -1;
        char32_t cp = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
        // A truncated sequence at the end is as invalid as a bad lead byte.
        bool valid = extra >= 0 && i + static_cast<size_t>(extra) < count;
        for (int k = 1; valid && k <= extra; ++k) {
            unsigned char next = bytes[i + static_cast<size_t>(k)];
            if ((next & 0xC0) != 0x80) valid = false;
            cp = (cp << 6) | (next & 0x3F);
        }
        // An overlong form (a code point written with more bytes than it needs) is invalid too, so no
        // character has two spellings.
        static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (valid && cp < kSmallest[extra]) valid = false;
        if (valid && (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) valid = false;
        if (!valid) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}
}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR source, int sourceLength, LPWSTR destination,
                        int destinationLength) {
    if (!source || sourceLength == 0 || sourceLength < -1 || destinationLength < 0) return 0;
    if (destinationLength > 0 && !destination) return 0;
    size_t count = sourceLength == -1 ? std::strlen(source) + 1 : static_cast<size_t>(sourceLength);
    std::vector<char32_t> points;
    if (!Decode(codePage, reinterpret_cast<const unsigned char*>(source), count, points)) return 0;

    std::u16string wide;
    for (char32_t cp : points) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(cp));
        }
    }
    int needed = static_cast<int>(wide.size());
    if (destinationLength == 0) return needed;
    if (needed > destinationLength) return 0;
    std::memcpy(destination, wide.data(), wide.size() * sizeof(WCHAR));
    return needed;
}

std::string WideToUtf8(LPCWSTR text) {
    std::string out;
    if (!text) return out;
    for (size_t i = 0; text[i] != 0; ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}
