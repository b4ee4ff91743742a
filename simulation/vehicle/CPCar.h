// The raycast-wheel vehicle of a race unit. A game object only holds it and hands it out.
#pragma once

#include "core/CPRefObject.h"

class CPCar : public CPRefObject {};
