// A setting binder: ties one program variable (int32 or float32) to text, so that the configuration
// store can set, add to, subtract from, compare and render it. Everything else reads the variable
// directly; the binder never owns it.
#pragma once

#include <cstdint>
#include <string>

#include "core/CPRefObject.h"

// Text to number as formatted stream input in the "C" locale: leading white space skipped, an
// optional sign, then as much of a number as fits; the rest of the text is ignored.
// No digits where the number must begin: StringToInt gives 0, StringToFloat 0.0.
// Out of range: StringToInt clamps to the int32 range, StringToFloat gives +/-infinity.
int32_t StringToInt(const std::string& text);
float StringToFloat(const std::string& text);
// As StringToInt, but false (and `value` untouched) when the text holds no number at its start.
bool ParseIntText(const std::string& text, int32_t& value);

// Plain decimal.
std::string IntToString(int32_t value);
// Six significant digits, general notation ("%g"), whatever the process locale is.
std::string FloatToString(float value);

class CPDator : public CPRefObject {
public:
    std::string GetClassName() const override { return "CPDator"; }

    virtual void Set(const std::string& text) = 0;
    virtual void Add(const std::string& text) = 0;
    virtual void Subtract(const std::string& text) = 0;
    // Compares ToString() with the text byte for byte: no numeric comparison (1 is not "1.0").
    virtual bool IsEqual(const std::string& text) const { return ToString() == text; }
    virtual bool IsNotEqual(const std::string& text) const { return !IsEqual(text); }
    // Whether the value is a list of ";"-separated items; no binder here is one.
    virtual bool IsList() const { return false; }
    virtual std::string ToString() const = 0;
};

class CPDatorInt : public CPDator {
public:
    explicit CPDatorInt(int32_t* variable) : mVariable(variable) {}
    size_t GetSize() const override { return sizeof(CPDatorInt); }

    // A text without a number at its start leaves the variable as it was.
    void Set(const std::string& text) override;
    // Two's-complement wrap, as the 32-bit machine adds.
    void Add(const std::string& text) override;
    void Subtract(const std::string& text) override;
    std::string ToString() const override { return IntToString(*mVariable); }

private:
    int32_t* mVariable;  // not owned, never null
};

class CPDatorFloat : public CPDator {
public:
    explicit CPDatorFloat(float* variable) : mVariable(variable) {}
    size_t GetSize() const override { return sizeof(CPDatorFloat); }

    void Set(const std::string& text) override { *mVariable = StringToFloat(text); }
    void Add(const std::string& text) override { *mVariable = *mVariable + StringToFloat(text); }
    void Subtract(const std::string& text) override { *mVariable = *mVariable - StringToFloat(text); }
    std::string ToString() const override { return FloatToString(*mVariable); }

private:
    float* mVariable;  // not owned, never null
};
