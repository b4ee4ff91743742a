// Engine object addresses as text, the handle form scripts and commands carry: the full pointer as a
// signed decimal integer, read back with strtoll.
#pragma once

#include <string>

std::string AddressToText(const void* address);
// Leading blanks and a sign are accepted; digits stop at the first other character; no digits give null.
// The result is only an address: check it against gObjectRegistry before use.
void* TextToAddress(const std::string& text);
