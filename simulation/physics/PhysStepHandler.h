// What a body's controller asks at the steps it is called on: the handler sets the controller's force
// and torque, which the world then applies to the body for that step.
#pragma once

struct PhysController;

class PhysStepHandler {
public:
    virtual ~PhysStepHandler() = default;
    // seconds: the duration of the step the handler is called for.
    virtual void OnStep(PhysController* controller, float seconds) = 0;
};
