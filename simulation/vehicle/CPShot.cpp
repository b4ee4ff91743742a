#include "simulation/vehicle/CPShot.h"

#include "core/CPObjectFactory.h"

CPShot::~CPShot() { CPObjectFactory::ForgetEverywhere(this); }
