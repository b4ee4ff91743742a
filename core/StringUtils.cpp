#include "core/StringUtils.h"

#include <charconv>

namespace {
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
}  // namespace

bool IsSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string& Trim(std::string& text) {
    size_t begin = 0;
    while (begin < text.size() && IsSpace(static_cast<unsigned char>(text[begin]))) ++begin;
    text.erase(0, begin);
    size_t end = text.size();
    while (end > 0 && IsSpace(static_cast<unsigned char>(text[end - 1]))) --end;
    text.erase(end);
    return text;
}

bool IsFloatText(std::string_view text) {
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (!IsDigit(u) && u != '.' && u != '-') return false;
    }
    return true;
}

bool IsIntText(std::string_view text) {
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (!IsDigit(u) && u != '-') return false;
    }
    return true;
}

std::string& ToLower(std::string& text) {
    for (char& c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u >= 'A' && u <= 'Z') c = static_cast<char>(u - 'A' + 'a');
    }
    return text;
}

std::string& ToUpper(std::string& text) {
    for (char& c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u >= 'a' && u <= 'z') c = static_cast<char>(u - 'a' + 'A');
    }
    return text;
}

std::string FormatTwoDecimals(float value) {
    char text[64];  // the widest float, 3.4e38, takes 42 characters with two decimals
    const auto result = std::to_chars(text, text + sizeof(text), value, std::chars_format::fixed, 2);
    return std::string(text, result.ptr);
}
