// Engine objects as text, the form command texts and scripts carry: the object's handle (see
// ObjectHandle) as a signed decimal integer ("%lld"), read back with strtoll. Like the light-userdata
// handle, the text names its object for the object's whole life and nothing afterwards.
#pragma once

#include <string>

#include "core/CPRefObject.h"

// The text of the handle of the live engine object at `address`; "0" when no engine object lives there.
std::string AddressToText(const void* address);
std::string HandleToText(ObjectHandle handle);
// Leading blanks and a sign are accepted; digits stop at the first other character; no digits give
// kNone. The result is only a handle: gObjectRegistry::Find says whether it names a live object.
ObjectHandle TextToHandle(const std::string& text);
