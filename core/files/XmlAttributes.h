// Numbers from the attributes of XML descriptions (vehicle descriptions: the car's physics values, the
// level's camera views). One reader for every field, so that a value the engine cannot use ("nan",
// "inf", a number beyond the field's range, text) is refused everywhere alike and the field keeps what it
// had: a NaN taken into a camera distance would reach the camera eye within frames.
#pragma once

#include <cstdint>

class TiXmlElement;

// The attribute read as a double into a float field: true when it is there and a finite number within
// the float range; otherwise false and the field keeps its value. A null element has no attributes.
bool ReadFloatAttribute(const TiXmlElement* element, const char* name, float& field);
// The same into an int32 field, truncated toward zero: the number must be finite and within int32.
bool ReadIntAttribute(const TiXmlElement* element, const char* name, int32_t& field);
