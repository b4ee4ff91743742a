#include "interface/CPKeyBinding.h"

#include "core/config/CPDator.h"
#include "interface/KeyNames.h"

CPKeyBinding MakeKeyBinding(const std::string& keyText, const std::string& secondName, bool numeric) {
    CPKeyBinding binding;
    binding.keyName = keyText;
    binding.secondName = secondName;
    binding.bound = 1;
    binding.numeric = numeric ? 1 : 0;
    if (numeric) {
        binding.code = static_cast<uint8_t>(static_cast<uint32_t>(StringToInt(keyText)));
    } else {
        const int code = FindKeyCode(keyText);
        binding.code = static_cast<uint8_t>(code < 0 ? 0 : code);
    }
    return binding;
}

std::string BindingKeyText(const CPKeyBinding& binding) {
    if (!binding.numeric) return binding.keyName;
    int32_t read = 0;
    if (ParseIntText(binding.keyName, read) && read != binding.code) return binding.keyName;
    return IntToString(binding.code);
}
