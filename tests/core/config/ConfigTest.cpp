#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/config/CPConfig.h"
#include "core/config/Settings.h"
#include "support/TempFolder.h"

namespace {
// Every test starts and ends with the settings at their initial values, in its own working folder.
class ConfigTest : public ::testing::Test {
protected:
    ConfigTest() { gSettings::RestoreInitialValues(); }
    ~ConfigTest() override { gSettings::RestoreInitialValues(); }

    ScopedWorkingFolder mWork;
};

// The file the store writes with every setting at its initial value, in the map's order.
const char* const kDefaultFile =
    "fullScreen = 0\r\n"
    "friction = 0.2\r\n"
    "restitution = 0\r\n"
    "blur = 1\r\n"
    "shadows = 1\r\n"
    "bloom = 1\r\n"
    "weight_div = 0\r\n"
    "cam_speed = 0\r\n"
    "rolling = 0\r\n"
    "psystems = 25\r\n"
    "screenBPP = 16\r\n"
    "musicVolume = 0.5\r\n"
    "weather = 1\r\n"
    "startmenu = 1\r\n"
    "texlod = -1\r\n"
    "dust = 1\r\n"
    "aniso = 0\r\n"
    "mouse = 0\r\n"
    "plane = 0.5\r\n"
    "contrast = 1\r\n"
    "bitrate = 8\r\n"
    "quadlevels = 0\r\n"
    "channels = 2\r\n"
    "distance = 200\r\n"
    "static = 0\r\n"
    "bboxes = 0\r\n"
    "soundVolume = 0.5\r\n"
    "screenWidth = 640\r\n"
    "frequency = 22050\r\n"
    "lensflare = 1\r\n"
    "wheel = 1\r\n"
    "screenHeight = 480\r\n";
}  // namespace

TEST_F(ConfigTest, SavesTheDefaultsByteExact) {
    CPConfig config;
    EXPECT_EQ(config.GetBucketCount(), 193u);
    ASSERT_EQ(config.Save("config.cfg"), S_OK);
    EXPECT_EQ(mWork.Folder().Read("config.cfg"), kDefaultFile);
}

TEST_F(ConfigTest, ConstructionSetsTheGlobalsAndDestructionClearsThem) {
    std::vector<CPDator*> binders;
    {
        CPConfig config;
        EXPECT_EQ(gConfig, &config);
        EXPECT_EQ(config.GetKeys().size(), 32u);
        for (const gSettings::Key& key : gSettings::Keys()) {
            CPDator* binder = config.GetAccessor(key.name);
            ASSERT_NE(binder, nullptr) << key.name;
            EXPECT_EQ(key.holder->Get(), binder) << key.name;
            EXPECT_EQ(binder->GetRefCount(), 2) << key.name << ": the holder and the map";
            binders.push_back(binder);
        }
        EXPECT_EQ(config.GetAccessor("Bloom"), nullptr);
    }
    EXPECT_EQ(gConfig, nullptr);
    for (const gSettings::Key& key : gSettings::Keys()) EXPECT_FALSE(*key.holder) << key.name;
    for (CPDator* binder : binders) EXPECT_FALSE(gObjectRegistry::Contains(binder)) << "the store deletes its binders";
}

TEST_F(ConfigTest, ParsesLines) {
    struct Case {
        const char* line;
        int32_t bloom;            // bloom starts at 5 for every line
        int32_t screenWidth = 640;
        float soundVolume = 0.5f;
    };
    CPConfig config;
    for (Case c : {Case{"+bloom", 1}, Case{"-bloom", 0}, Case{"bloom", 0}, Case{"+bloom = 0", 0}, Case{"-bloom=7", 7},
                   Case{"bloom = 3", 3}, Case{"\tbloom\t=\t3\r", 3}, Case{" +bloom", 5}, Case{"Bloom = 0", 5},
                   Case{"bloom3", 5}, Case{"", 5}, Case{"=1", 5}, Case{"+", 5}, Case{"// bloom = 0", 5},
                   Case{"screenWidth=1024", 5, 1024}, Case{"  screenWidth   =   1024  ", 5, 1024},
                   Case{"soundVolume = 0.25 = x", 5, 640, 0.25f}, Case{"soundVolume =", 5, 640, 0.0f}}) {
        gSettings::RestoreInitialValues();
        gSettings::bloom = 5;
        config.ParseLine(c.line);
        EXPECT_EQ(gSettings::bloom, c.bloom) << '[' << c.line << ']';
        EXPECT_EQ(gSettings::screenWidth, c.screenWidth) << '[' << c.line << ']';
        EXPECT_EQ(gSettings::soundVolume, c.soundVolume) << '[' << c.line << ']';
    }
}

TEST_F(ConfigTest, LoadsAFileWithCrLfOddSpacingAndUnknownKeys) {
    mWork.Folder().Write("config.cfg",
                         "screenWidth = 1024\r\n"
                         "\r\n"
                         "unknownKey = 9\n"
                         "  screenHeight=768   \r\n"
                         "soundVolume\t=\t0.25\n"
                         "texlod = 2\r\n"
                         "-dust\n"
                         "+startmenu\n"
                         "texlod = 3\n"  // the last of several lines wins
                         "aniso = 4");   // no line end
    CPConfig config;
    config.Load("config.cfg");
    EXPECT_EQ(gSettings::screenWidth, 1024);
    EXPECT_EQ(gSettings::screenHeight, 768);
    EXPECT_EQ(gSettings::soundVolume, 0.25f);
    EXPECT_EQ(gSettings::texlod, 3);
    EXPECT_EQ(gSettings::dust, 0);
    EXPECT_EQ(gSettings::startmenu, 1);
    EXPECT_EQ(gSettings::aniso, 4.0f);
    EXPECT_EQ(gSettings::musicVolume, 0.5f) << "a missing key keeps its value";
    EXPECT_EQ(gSettings::frequency, 22050);
    EXPECT_EQ(config.GetKeys().size(), 32u) << "unknown keys are not added";
}

TEST_F(ConfigTest, OverlongLineIsCutAndLoadingGoesOn) {
    // The first 1023 characters of a line are the line: "blur = 0" lies beyond them.
    const std::string applied = "distance = 500" + std::string(2000, ' ') + "x";
    const std::string cut = std::string(1023, ' ') + "blur = 0";
    mWork.Folder().Write("config.cfg",
                         "screenWidth = 800\n" + applied + "\n" + cut + "\nscreenHeight = 600\r\nbloom = 0\n");
    CPConfig config;
    config.Load("config.cfg");
    EXPECT_EQ(gSettings::screenWidth, 800);
    EXPECT_EQ(gSettings::distance, 500);
    EXPECT_EQ(gSettings::blur, 1) << "text beyond the cut is dropped";
    EXPECT_EQ(gSettings::screenHeight, 600) << "the lines after the long one are read";
    EXPECT_EQ(gSettings::bloom, 0);
}

TEST_F(ConfigTest, ZeroByteEndsTheLine) {
    mWork.Folder().Write("config.cfg", std::string("bloom = 0\0garbage\nblur = 0\n", 27));
    CPConfig config;
    config.Load("config.cfg");
    EXPECT_EQ(gSettings::bloom, 0);
    EXPECT_EQ(gSettings::blur, 0);
}

TEST_F(ConfigTest, UnreadableOrMissingFileLeavesTheValues) {
    CPConfig config;
    config.Load("config.cfg");  // missing
    mWork.Folder().MakeFolder("config.cfg");
    config.Load("config.cfg");  // a folder
    ASSERT_EQ(config.Save("other.cfg"), S_OK);
    EXPECT_EQ(mWork.Folder().Read("other.cfg"), kDefaultFile);
    EXPECT_EQ(config.Save("config.cfg"), E_FAIL) << "a folder cannot be replaced by the file";
}

TEST_F(ConfigTest, LoadThenSaveKeepsEveryValue) {
    // Every key with a value other than its initial one, written as the store writes it.
    std::string file;
    int n = 0;
    for (const gSettings::Key& key : gSettings::Keys()) {
        ++n;
        const std::string value = key.intVariable ? std::to_string(1000 + n) : "0." + std::to_string(n) + "25";
        file += std::string(key.name) + " = " + value + "\r\n";
    }
    mWork.Folder().Write("config.cfg", file);
    CPConfig config;
    config.Load("config.cfg");
    ASSERT_EQ(config.Save("saved.cfg"), S_OK);
    const std::string saved = mWork.Folder().Read("saved.cfg");

    size_t lines = 0;
    for (size_t start = 0; start < file.size(); ++lines) {
        const size_t end = file.find("\r\n", start) + 2;
        const std::string line = file.substr(start, end - start);
        EXPECT_NE(saved.find(line), std::string::npos) << line;
        start = end;
    }
    EXPECT_EQ(lines, 32u);
    EXPECT_EQ(saved.size(), file.size());

    gSettings::RestoreInitialValues();
    config.Load("saved.cfg");
    ASSERT_EQ(config.Save("again.cfg"), S_OK);
    EXPECT_EQ(mWork.Folder().Read("again.cfg"), saved);
}

TEST_F(ConfigTest, ReplacingABinderReleasesThePreviousOne) {
    CPConfig config;
    CPDator* previous = config.GetAccessor("bloom");
    int32_t other = 42;
    CPDatorInt replacement(&other);
    config.SetAccessor("bloom", &replacement);
    EXPECT_EQ(previous->GetRefCount(), 0);
    EXPECT_EQ(replacement.GetRefCount(), 1);
    config.ParseLine("bloom = 9");
    EXPECT_EQ(other, 9);
    EXPECT_EQ(gSettings::bloom, 1);
    config.SetAccessor("bloom", previous);  // the store deletes its own binders only
}
