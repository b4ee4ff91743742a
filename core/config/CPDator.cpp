#include "core/config/CPDator.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {
bool IsStreamSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal exponent of the leading digit of a mantissa text ("123.4" -> 2, "0.05" -> -2); false when
// every digit is zero.
bool LeadingExponent(std::string_view mantissa, int64_t& exponent) {
    const size_t point = mantissa.find('.');
    const size_t intDigits = point == std::string_view::npos ? mantissa.size() : point;
    for (size_t i = 0; i < mantissa.size(); ++i) {
        if (mantissa[i] == '.' || mantissa[i] == '0') continue;
        exponent = i < intDigits ? static_cast<int64_t>(intDigits - i - 1) : -static_cast<int64_t>(i - intDigits);
        return true;
    }
    return false;
}

// Narrows to float32; values beyond the float range become +/-infinity instead of undefined behaviour.
float NarrowToFloat(double value) {
    // Halfway between the largest float and the next power of two: from here on rounding gives infinity.
    constexpr double kOverflow = 3.4028235677973366e38;
    if (value >= kOverflow) return std::numeric_limits<float>::infinity();
    if (value <= -kOverflow) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}
}  // namespace

bool ParseIntText(const std::string& text, int32_t& value) {
    size_t i = 0;
    while (i < text.size() && IsStreamSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || !IsDigit(text[i])) return false;
    // Accumulate the magnitude, saturating just beyond the int32 range.
    constexpr int64_t kLimit = int64_t{1} << 32;
    int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kLimit) magnitude = kLimit;
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
    else if (signedValue < std::numeric_limits<int32_t>::min()) value = std::numeric_limits<int32_t>::min();
    else value = static_cast<int32_t>(signedValue);
    return true;
}

int32_t StringToInt(const std::string& text) {
    int32_t value = 0;
    ParseIntText(text, value);
    return value;
}

float StringToFloat(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsStreamSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    // Mantissa: digits, an optional "." with digits; at least one digit in all.
    const size_t start = i;
    size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    }
    if (digits == 0) return 0.0f;
    const std::string_view mantissa(text.data() + start, i - start);

    // Exponent: only when "e" or "E" and an optional sign are followed by a digit.
    int64_t exponent = 0;
    size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) negativeExponent = text[j++] == '-';
        if (j < text.size() && IsDigit(text[j])) {
            for (; j < text.size() && IsDigit(text[j]); ++j) {
                exponent = exponent * 10 + (text[j] - '0');
                if (exponent > 100000) exponent = 100000;  // far beyond any double; keeps the sum finite
            }
            if (negativeExponent) exponent = -exponent;
            end = j;
        }
    }

    double magnitude = 0.0;
    const auto [ptr, error] = std::from_chars(text.data() + start, text.data() + end, magnitude);
    (void)ptr;
    if (error == std::errc::result_out_of_range) {
        int64_t leading = 0;
        const bool nonZero = LeadingExponent(mantissa, leading);
        magnitude = nonZero && leading + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc()) {
        magnitude = 0.0;
    }
    return NarrowToFloat(negative ? -magnitude : magnitude);
}

std::string IntToString(int32_t value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string FloatToString(float value) {
    char buffer[48];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value), std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

void CPDatorInt::Set(const std::string& text) { ParseIntText(text, *mVariable); }

void CPDatorInt::Add(const std::string& text) {
    *mVariable = static_cast<int32_t>(static_cast<uint32_t>(*mVariable) + static_cast<uint32_t>(StringToInt(text)));
}

void CPDatorInt::Subtract(const std::string& text) {
    *mVariable = static_cast<int32_t>(static_cast<uint32_t>(*mVariable) - static_cast<uint32_t>(StringToInt(text)));
}
