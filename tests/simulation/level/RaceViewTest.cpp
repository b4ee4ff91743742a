#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

#include "simulation/level/RaceView.h"

namespace {

// A view whose every field differs from the defaults and from every value the elements below give.
RaceView Preset() { return RaceView{11.0f, 12.0f, 13.0f, 14.0f, 15.0f, 16.0f, 17.0f}; }

// The first element of the text, parsed.
struct Element {
    explicit Element(const std::string& text) { document.Parse(text.c_str()); }
    const TiXmlElement* Get() const { return document.FirstChildElement(); }
    TiXmlDocument document;
};

void ExpectView(const RaceView& view, const RaceView& expected, const char* name) {
    SCOPED_TRACE(name);
    EXPECT_EQ(view.distance, expected.distance);
    EXPECT_EQ(view.height, expected.height);
    EXPECT_EQ(view.angle, expected.angle);
    EXPECT_EQ(view.angleDiv, expected.angleDiv);
    EXPECT_EQ(view.distanceDiv, expected.distanceDiv);
    EXPECT_EQ(view.blur, expected.blur);
    EXPECT_EQ(view.fov, expected.fov);
}

TEST(RaceViewTest, AnElementFillsTheFieldsItNamesAndLeavesTheRest) {
    struct Case {
        const char* name;
        const char* xml;
        bool placementOnly;
        RaceView expected;
        bool angleRead;
    };
    const Case cases[] = {
        {"every attribute",
         "<camera distance=\"8\" height=\"2.5\" angle=\"-20\" angle_div=\"2\" distance_div=\"3\" blur=\"0.1\" fov=\"60\"/>",
         false, {8.0f, 2.5f, -20.0f, 2.0f, 3.0f, 0.1f, 60.0f}, true},
        {"some attributes", "<camera3 distance=\"3\" height=\"1\" blur=\"0.3\"/>", false,
         {3.0f, 1.0f, 13.0f, 14.0f, 15.0f, 0.3f, 17.0f}, false},
        {"no usable numbers", "<camera distance=\"nan\" angle=\"inf\" fov=\"wide\"/>", false, Preset(), false},
        {"placement only", "<camera distance=\"9\" height=\"4\" angle=\"-45\" angle_div=\"2\" blur=\"0.5\" fov=\"80\"/>",
         true, {9.0f, 4.0f, -45.0f, 14.0f, 15.0f, 16.0f, 17.0f}, true},
        {"placement without angle", "<camera distance=\"9\" angle_div=\"2\"/>", true,
         {9.0f, 12.0f, 13.0f, 14.0f, 15.0f, 16.0f, 17.0f}, false},
    };
    for (const Case& c : cases) {
        const Element element(c.xml);
        ASSERT_NE(element.Get(), nullptr) << c.name;
        RaceView view = Preset();
        const bool angleRead = c.placementOnly ? ReadRaceView(element.Get(), view, RaceViewPlacement())
                                               : ReadRaceView(element.Get(), view);
        EXPECT_EQ(angleRead, c.angleRead) << c.name;
        ExpectView(view, c.expected, c.name);
    }
}

TEST(RaceViewTest, NoElementChangesNothing) {
    RaceView view = Preset();
    EXPECT_FALSE(ReadRaceView(nullptr, view));
    ExpectView(view, Preset(), "null element");
}

}  // namespace
