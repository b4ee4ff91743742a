#include "core/files/XmlAttributes.h"

#include <tinyxml.h>

#include <cfloat>
#include <cmath>

namespace {
// The attribute as a finite double; false when it is missing or no such number.
bool ReadFinite(const TiXmlElement* element, const char* name, double& value) {
    return element && element->QueryDoubleAttribute(name, &value) == TIXML_SUCCESS && std::isfinite(value);
}
}  // namespace

bool ReadFloatAttribute(const TiXmlElement* element, const char* name, float& field) {
    double value = 0.0;
    if (!ReadFinite(element, name, value) || std::fabs(value) > FLT_MAX) return false;
    field = static_cast<float>(value);
    return true;
}

bool ReadIntAttribute(const TiXmlElement* element, const char* name, int32_t& field) {
    double value = 0.0;
    if (!ReadFinite(element, name, value) || value <= -2147483649.0 || value >= 2147483648.0) return false;
    field = static_cast<int32_t>(value);
    return true;
}
