#include "interface/CPInputManager.h"

#include "core/FloatToInt.h"
#include "core/FrameClock.h"
#include "core/config/CPDator.h"
#include "core/files/CPFileReader.h"
#include "core/files/CPFileWriter.h"
#include "interface/KeyNames.h"

CPInputManager* gInputManager = nullptr;

HRESULT CPInputManager::InitInputBindings(const std::string& fileName) {
    CPFileReader reader(fileName, false);
    const HRESULT loaded = reader.Load();
    if (FAILED(loaded)) return loaded;
    ApplyActionLines(ParseActionLines(reader.GetData(), reader.GetSize()));
    return S_OK;
}

void CPInputManager::ApplyActionLines(const std::vector<ActionLine>& lines) {
    mKeySlots.fill(CPKeyBinding{});
    mActions.clear();
    mActionNames.clear();
    for (const ActionLine& line : lines) {
        if (line.numeric) {
            const int32_t number = StringToInt(line.keyText);
            if (number >= 0 && number < kNumericSlotCount) {
                CPKeyBinding& slot = mNumericSlots[static_cast<size_t>(number)];
                slot = CPKeyBinding{};
                slot.code = static_cast<uint8_t>(number);
                slot.secondName = line.action;
                slot.bound = 1;
                slot.numeric = 1;
            }
        } else {
            // A text that names no key lands in slot 0, as the key slot of "no key".
            const int found = FindKeyCode(line.keyText);
            const uint8_t code = static_cast<uint8_t>(found < 0 ? 0 : found);
            CPKeyBinding& slot = mKeySlots[code];
            slot = CPKeyBinding{};
            slot.code = code;
            slot.keyName = line.keyText;
            slot.secondName = line.action;
            slot.bound = 1;
        }
        mActions[line.action] = MakeKeyBinding(line.keyText, line.secondName, line.numeric);
        mActionNames.push_back(line.action);
    }
}

HRESULT CPInputManager::WriteActions() const {
    std::string text;
    for (const std::string& name : mActionNames) {
        const CPKeyBinding* binding = FindAction(name);
        if (!binding) continue;
        text += FormatActionLine(ActionLine{name, binding->secondName, BindingKeyText(*binding), binding->numeric != 0});
    }
    CPFileWriter writer(kActionsFileName, false);
    writer.WriteBytes(text.data(), static_cast<int64_t>(text.size()));
    return writer.Commit();
}

HRESULT CPInputManager::RewriteActions() {
    const HRESULT written = WriteActions();
    if (FAILED(written)) return written;
    return InitInputBindings(kActionsFileName);
}

template <typename Test>
CPKeyBinding* CPInputManager::FindFirstAction(Test test) {
    for (const std::string& name : mActionNames) {
        const auto found = mActions.find(name);
        if (found != mActions.end() && test(found->second)) return &found->second;
    }
    return nullptr;
}

void CPInputManager::AssignActionKey(const std::string& label, const std::string& keyName) {
    // A numeric code is not a key, even where its text reads like one ("5"): it keeps its binding.
    CPKeyBinding* holder =
        FindFirstAction([&](const CPKeyBinding& b) { return b.numeric == 0 && b.keyName == keyName; });
    if (holder) {
        holder->code = 0;
        holder->keyName = gKeyNames[0];
        holder->bound = 1;
        holder->numeric = 0;
    }

    const int code = FindKeyCode(keyName);
    if (code < 0) return;
    CPKeyBinding* target = FindFirstAction([&](const CPKeyBinding& b) { return b.secondName == label; });
    if (!target) return;
    target->keyName = keyName;
    target->code = static_cast<uint8_t>(code);
    // The action is now bound to a key: a numeric flag left on would save the scan code as a number.
    target->numeric = 0;
}

void CPInputManager::ListActions(std::vector<std::string>& keyTexts, std::vector<std::string>& secondNames) const {
    keyTexts.clear();
    secondNames.clear();
    for (const std::string& name : mActionNames) {
        const CPKeyBinding* binding = FindAction(name);
        keyTexts.push_back(binding ? BindingKeyText(*binding) : std::string());
        secondNames.push_back(binding ? binding->secondName : std::string());
    }
}

void CPInputManager::GetMousePosition(int32_t& x, int32_t& y) const {
    x = TruncateToInt32(mMouseX);
    y = TruncateToInt32(mMouseY);
}

void CPInputManager::SetMousePosition(float x, float y) {
    mMouseX = x;
    mMouseY = y;
}

void CPInputManager::SetBindingsEnabled(bool enabled) {
    mBindingsEnabled = enabled ? 1 : 0;
    gDeltaTime = 0.0f;
}

const CPKeyBinding* CPInputManager::GetKeySlot(int code) const {
    if (code < 0 || code >= kKeySlotCount) return nullptr;
    return &mKeySlots[static_cast<size_t>(code)];
}

const CPKeyBinding* CPInputManager::GetNumericSlot(int code) const {
    if (code < 0 || code >= kNumericSlotCount) return nullptr;
    return &mNumericSlots[static_cast<size_t>(code)];
}

const CPKeyBinding* CPInputManager::FindAction(const std::string& name) const {
    const auto found = mActions.find(name);
    return found == mActions.end() ? nullptr : &found->second;
}
