#include "simulation/level/RaceView.h"

#include "core/files/XmlAttributes.h"

namespace {

constexpr RaceViewAttribute kAttributes[] = {
    {"distance", &RaceView::distance}, {"height", &RaceView::height},         {"angle", &RaceView::angle},
    {"angle_div", &RaceView::angleDiv}, {"distance_div", &RaceView::distanceDiv}, {"blur", &RaceView::blur},
    {"fov", &RaceView::fov},
};
constexpr size_t kPlacementCount = 3;

}  // namespace

std::span<const RaceViewAttribute> RaceViewAttributes() { return kAttributes; }

std::span<const RaceViewAttribute> RaceViewPlacement() { return RaceViewAttributes().first(kPlacementCount); }

bool ReadRaceView(const TiXmlElement* element, RaceView& view, std::span<const RaceViewAttribute> attributes) {
    bool angleRead = false;
    for (const RaceViewAttribute& attribute : attributes) {
        const bool read = ReadFloatAttribute(element, attribute.name, view.*attribute.field);
        if (attribute.field == &RaceView::angle) angleRead = read;
    }
    return angleRead;
}
