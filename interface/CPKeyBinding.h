// One binding: the key (scan code) or plain numeric code an action or key slot is bound to, with its
// names. The action map, the key slots and the numeric slots of the input manager all hold these.
#pragma once

#include <cstdint>
#include <string>

struct CPKeyBinding {
    uint8_t code = 0;        // scan code, or the numeric code when `numeric` is 1
    std::string keyName;     // a name of gKeyNames, or the text a numeric code was read from
    std::string secondName;  // an action's label; in a key or numeric slot, the action's name
    uint8_t bound = 0;       // 1 once filled
    uint8_t numeric = 0;     // 1: `code` is a plain number, not a key
};

// A filled binding of the key text: a numeric binding takes the text as a decimal number (as the C
// runtime's atoi reads it, but clamped instead of overflowing) kept to its low 8 bits; a key binding
// takes the scan code of that name, 0 when no key bears it.
CPKeyBinding MakeKeyBinding(const std::string& keyText, const std::string& secondName, bool numeric);

// The text that stands for the binding's key in "Actions.cfg" and in the script's action list: the
// key name, or for a numeric binding its code in decimal. A numeric text that the 8-bit code could
// not hold (300, -1) is given back as it was read, so that saving never turns it into another code.
std::string BindingKeyText(const CPKeyBinding& binding);
