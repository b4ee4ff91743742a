// An edit box of an interface screen: a text element whose text the script feeds key by key. It is
// always shown as its text followed by "_".
#pragma once

#include <cstdint>
#include <string>

#include "core/CPRefObject.h"
#include "interface/InterfaceText.h"

class CPEditBox : public CPRefObject {
public:
    // An empty box of at most maxLength characters (a negative length counts as 0), laid out as "_".
    CPEditBox(const InterfaceText& element, int32_t maxLength);
    // A box holding the initial text in full, even beyond maxLength, laid out with "_" after it.
    CPEditBox(const InterfaceText& element, int32_t maxLength, const std::string& initialText);

    size_t GetSize() const override { return sizeof(CPEditBox); }
    std::string GetClassName() const override { return "CPEditBox"; }

    // Keeps the first maxLength characters of the text and lays the box out.
    void SetText(const std::string& text);
    // The low byte of the code: a letter or digit (IsCharAlphaNumericA) is appended upper-cased (a-z
    // only) while the text is shorter than the maximum; a blank likewise; backspace (8) drops the last
    // character. The box is laid out again after those, except for a blank on a full text; any other
    // key, and a letter or digit on a full text, changes nothing.
    void ProcessKey(int32_t code);
    std::string GetText() const { return mText; }

    const InterfaceText& GetElement() const { return mElement; }
    int32_t GetMaxLength() const { return mMaxLength; }

private:
    bool IsFull() const { return mText.size() >= static_cast<size_t>(mMaxLength); }
    void Layout() const { mElement.Layout(mText + "_"); }

    InterfaceText mElement;  // a copy; shares the element's object with the screen's text map
    std::string mText;       // typed so far, without the "_"
    int32_t mMaxLength;      // 0 or more
};
