// The input manager's binding store: the named actions and the key or numeric code each is bound to,
// the key and numeric slots that the host's keyboard handling reads, and "Actions.cfg" that keeps them.
// The input devices and the per-frame reading of them belong to the host.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "interface/ActionsFile.h"
#include "interface/CPKeyBinding.h"
#include "platform/WinTypes.h"

// The file WriteActions and RewriteActions write and read back, in the working folder.
inline constexpr const char* kActionsFileName = "Actions.cfg";

class CPInputManager {
public:
    static constexpr int kKeySlotCount = 256;     // indexed by scan code
    static constexpr int kNumericSlotCount = 128;  // indexed by numeric code 0 ... 127

    // Reads the bindings from the file: 0, or the reader's error when the file cannot be read, and
    // then nothing changes. Every key slot is reset and the actions replaced by the file's lines;
    // the numeric slots only take the file's numbers, and a number outside 0 ... 127 fills none.
    HRESULT InitInputBindings(const std::string& fileName);
    // Writes every action in list order to "Actions.cfg" through a temporary file, so a failed write
    // leaves the previous file whole: 0, or E_FAIL.
    HRESULT WriteActions() const;
    // WriteActions, then reads the file back so the key slots follow the actions. When the write fails
    // nothing is read back (that would bring back the old file's bindings over the unsaved ones) and
    // the failure is returned.
    HRESULT RewriteActions();

    // Gives the key of that name to the action labelled `label`, taking it from the first action that
    // holds it. Only the actions change; the slots follow at the next RewriteActions.
    void AssignActionKey(const std::string& label, const std::string& keyName);

    // The action bindings in list order, for the scripts' action list: the key text of each
    // (BindingKeyText) and its second name.
    void ListActions(std::vector<std::string>& keyTexts, std::vector<std::string>& secondNames) const;

    // Each coordinate truncated toward zero (NaN gives 0, values beyond int32 its nearest end).
    void GetMousePosition(int32_t& x, int32_t& y) const;
    void SetMousePosition(float x, float y);

    // Switching the bindings on or off also zeroes gDeltaTime: the frame of the switch (a menu opened
    // or closed) counts no time.
    void SetBindingsEnabled(bool enabled);
    bool AreBindingsEnabled() const { return mBindingsEnabled != 0; }
    void SetAssignKey(bool assigning) { mAssignKey = assigning ? 1 : 0; }
    bool IsAssigningKey() const { return mAssignKey != 0; }

    // The slot of a scan code or numeric code; null for a code outside the slots.
    const CPKeyBinding* GetKeySlot(int code) const;
    const CPKeyBinding* GetNumericSlot(int code) const;
    // The binding of an action; null when no action bears the name.
    const CPKeyBinding* FindAction(const std::string& name) const;
    // The action names in the order of the file's lines (a name on two lines is listed twice).
    const std::vector<std::string>& GetActionNames() const { return mActionNames; }

private:
    void ApplyActionLines(const std::vector<ActionLine>& lines);
    // The first action in list order whose binding passes `test`; null when none does.
    template <typename Test>
    CPKeyBinding* FindFirstAction(Test test);

    float mMouseX = 0.0f;  // pixels
    float mMouseY = 0.0f;
    std::array<CPKeyBinding, kKeySlotCount> mKeySlots;
    std::array<CPKeyBinding, kNumericSlotCount> mNumericSlots;
    std::unordered_map<std::string, CPKeyBinding> mActions;  // action name -> binding
    std::vector<std::string> mActionNames;                   // in file order
    uint8_t mBindingsEnabled = 0;
    uint8_t mAssignKey = 0;  // 1 while the host waits for a key to assign
};

// Created by the host at start-up, deleted at shutdown.
extern CPInputManager* gInputManager;
