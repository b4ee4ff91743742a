#include "interface/CPEditBox.h"

#include "platform/CharClass.h"

namespace {

constexpr unsigned char kBackspace = 8;

// A negative maximum would let SetText keep the whole text while no key could be typed.
int32_t ValidMaxLength(int32_t maxLength) { return maxLength < 0 ? 0 : maxLength; }

}  // namespace

CPEditBox::CPEditBox(const InterfaceText& element, int32_t maxLength)
    : mElement(element), mMaxLength(ValidMaxLength(maxLength)) {
    Layout();
}

CPEditBox::CPEditBox(const InterfaceText& element, int32_t maxLength, const std::string& initialText)
    : mElement(element), mText(initialText), mMaxLength(ValidMaxLength(maxLength)) {
    Layout();
}

void CPEditBox::SetText(const std::string& text) {
    mText = text.substr(0, static_cast<size_t>(mMaxLength));
    Layout();
}

void CPEditBox::ProcessKey(int32_t code) {
    const unsigned char c = static_cast<unsigned char>(code & 0xFF);
    if (IsCharAlphaNumericA(static_cast<CHAR>(c)) && !IsFull()) {
        mText.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    } else if (c == ' ') {
        if (IsFull()) return;
        mText.push_back(' ');
    } else if (c == kBackspace) {
        if (!mText.empty()) mText.pop_back();
    } else {
        return;
    }
    Layout();
}
