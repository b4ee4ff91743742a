// One race view of the chase camera: how far behind and how high it follows the car, at what angle, how
// it eases with speed, its radial blur and field of view. A vehicle description gives the three views
// as its "camera", "camera2" and "camera3" elements; every value the element lacks keeps its default.
#pragma once

#include <cstddef>
#include <span>

class TiXmlElement;

struct RaceView {
    float distance = 7.0f;
    float height = 2.0f;
    // Degrees; -90 is the straight-down view the loader gives the camera before any description.
    float angle = -90.0f;
    // "angle_div" and "distance_div": the chase camera divides the speed by them (0 counts as 1 when a
    // view is selected).
    float angleDiv = 1.0f;
    float distanceDiv = 1.0f;
    float blur = 0.0f;  // radial blur strength
    float fov = 50.0f;  // degrees
};

// An attribute of a view's element and the field it fills.
struct RaceViewAttribute {
    const char* name;
    float RaceView::*field;
};

// Every attribute of a view's element, in reading order: "distance", "height", "angle", "angle_div",
// "distance_div", "blur", "fov".
std::span<const RaceViewAttribute> RaceViewAttributes();
// The first three of them: where a view is placed ("distance", "height", "angle").
std::span<const RaceViewAttribute> RaceViewPlacement();

// Reads the given attributes of the element into the view; a missing attribute, or one that is no
// usable number, keeps the field's value (a null element changes nothing). True when "angle" was among
// them and was read.
bool ReadRaceView(const TiXmlElement* element, RaceView& view,
                  std::span<const RaceViewAttribute> attributes = RaceViewAttributes());
