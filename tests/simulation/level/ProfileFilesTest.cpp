#include <gtest/gtest.h>

#include <string>

#include "core/config/Settings.h"
#include "simulation/level/CPGameData.h"
#include "support/TempFolder.h"

namespace {
// Restores the difficulty setting the test changes.
class ProfileFilesTest : public ::testing::Test {
protected:
    ProfileFilesTest() : mCamSpeed(gSettings::cam_speed) { work.Folder().MakeFolder("data"); }
    ~ProfileFilesTest() override { gSettings::cam_speed = mCamSpeed; }
    void Write(const std::string& name, const std::string& text) { work.Folder().Write("data/" + name, text); }

    ScopedWorkingFolder work;
    int32_t mCamSpeed;
};

template <class Record>
Record Priced(int32_t price) {
    Record record;
    record.mPrice = price;
    return record;
}

CarConfigRecord FittedConfig() {
    CarConfigRecord config;
    config.mWeapon1 = "old";
    config.mSuperWeaponCount = 9;
    return config;
}
}  // namespace

TEST_F(ProfileFilesTest, PlayerFileFillsTheConfigurationInItsLineOrderAndCommitsIt) {
    Write("player.dat",
          "// starting car\r\n"
          "gun\r\n\r\nnone\r\nrocket\r\n"
          "/* the mine\r\n is next */\r\n"
          "mine1\r\narmor1\r\n  bumper1  \r\nengine1\r\nnuke\r\n3\r\nradar\r\nnone\r\n");
    CPGameData data;
    data.mCarConfig = FittedConfig();
    EXPECT_EQ(data.LoadPlayer(), S_OK);

    CarConfigRecord expected;
    expected.mWeapon1 = "gun";
    expected.mWeapon2 = "";
    expected.mWeapon3 = "rocket";
    expected.mMine = "mine1";
    expected.mArmor = "armor1";
    expected.mBumper = "bumper1";
    expected.mEngine = "engine1";
    expected.mSuperWeapon = "nuke";
    expected.mSuperWeaponCount = 3;
    expected.mEquipment1 = "radar";
    expected.mEquipment2 = "";
    EXPECT_EQ(data.mCarConfig, expected);
    EXPECT_EQ(data.mRealCarConfig, expected);
}

TEST_F(ProfileFilesTest, PlayerFileCountLinesReadAsAtoiDoesWithoutOverflow) {
    const std::pair<const char*, int32_t> cases[] = {
        {"none", 0}, {"12abc", 12}, {"-4", -4}, {"99999999999", INT32_MAX}, {"-99999999999", INT32_MIN}};
    for (const auto& [text, count] : cases) {
        Write("player.dat", std::string("a\nb\nc\nd\ne\nf\ng\nh\n") + text + "\ni\nj\n");
        CPGameData data;
        data.LoadPlayer();
        EXPECT_EQ(data.mCarConfig.mSuperWeaponCount, count) << text;
    }
}

TEST_F(ProfileFilesTest, AShortPlayerFileLeavesTheMissingPlacesEmpty) {
    Write("player.dat", "gun\nnone\nrocket\n");
    CPGameData data;
    data.mCarConfig = FittedConfig();
    data.LoadPlayer();
    CarConfigRecord expected;
    expected.mWeapon1 = "gun";
    expected.mWeapon3 = "rocket";
    EXPECT_EQ(data.mCarConfig, expected);
}

TEST_F(ProfileFilesTest, AMissingPlayerFileStoresAndCommitsTheEmptyConfiguration) {
    CPGameData data;
    data.mCarConfig = FittedConfig();
    data.mRealCarConfig = FittedConfig();
    EXPECT_EQ(data.LoadPlayer(), E_FAIL);
    EXPECT_EQ(data.mCarConfig, CarConfigRecord{});
    EXPECT_EQ(data.mRealCarConfig, CarConfigRecord{});
}

TEST_F(ProfileFilesTest, CoefficientsGoToK1K3K2K4AfterComments) {
    Write("coeff.dat", "// difficulty\n1.5\n2.25\n  -0.5 \n4\n99\n");
    gSettings::cam_speed = 0;
    CPGameData data;
    data.mDifficult = true;
    EXPECT_EQ(data.LoadDifficulty(), S_OK);
    EXPECT_EQ(data.mDifficultyCoeffs[0], 1.5f);
    EXPECT_EQ(data.mDifficultyCoeffs[1], -0.5f);
    EXPECT_EQ(data.mDifficultyCoeffs[2], 2.25f);
    EXPECT_EQ(data.mDifficultyCoeffs[3], 4.0f);
}

TEST_F(ProfileFilesTest, DifficultModeAtANonZeroSettingSetsEveryCoefficientToOneWithoutTheFile) {
    Write("coeff.dat", "2\n2\n2\n2\n");
    struct Case {
        int32_t camSpeed;
        bool difficult;
        float expected;
    };
    for (const Case& c : {Case{3, true, 1.0f}, Case{1, true, 1.0f}, Case{0, true, 2.0f}, Case{3, false, 2.0f}}) {
        gSettings::cam_speed = c.camSpeed;
        CPGameData data;
        data.mDifficult = c.difficult;
        for (float& k : data.mDifficultyCoeffs) k = 7.0f;
        EXPECT_EQ(data.LoadDifficulty(), S_OK);
        for (float k : data.mDifficultyCoeffs) EXPECT_EQ(k, c.expected) << c.camSpeed << " " << c.difficult;
    }
}

TEST_F(ProfileFilesTest, AnUnusableCoefficientFileKeepsTheCoefficients) {
    gSettings::cam_speed = 0;
    const char* const files[] = {nullptr, "1\n2\n1e999\n4\n", "", "// only a comment\n"};
    for (const char* file : files) {
        if (file) Write("coeff.dat", file);
        CPGameData data;
        for (float& k : data.mDifficultyCoeffs) k = 7.0f;
        EXPECT_EQ(data.LoadDifficulty(), E_FAIL) << (file ? file : "no file");
        for (float k : data.mDifficultyCoeffs) EXPECT_EQ(k, 7.0f);
    }
}

TEST_F(ProfileFilesTest, AShortCoefficientFileConvertsTheLinesItHas) {
    gSettings::cam_speed = 0;
    struct Case {
        const char* file;
        float expected[4];  // k1 .. k4
    };
    for (const Case& c : {Case{"1\n2\n3\n", {1.0f, 3.0f, 2.0f, 7.0f}}, Case{"0.5\n", {0.5f, 7.0f, 7.0f, 7.0f}},
                          Case{"1\n// note\n2\n", {1.0f, 7.0f, 2.0f, 7.0f}}}) {
        Write("coeff.dat", c.file);
        CPGameData data;
        for (float& k : data.mDifficultyCoeffs) k = 7.0f;
        EXPECT_EQ(data.LoadDifficulty(), S_OK) << c.file;
        for (int k = 0; k < 4; ++k) EXPECT_EQ(data.mDifficultyCoeffs[k], c.expected[k]) << c.file << " k" << k + 1;
    }
}

TEST(EquipmentValueTest, SumsThePricesOfTheNamedItemsAndTheSuperWeaponTimesItsCount) {
    CPGameData data;
    data.mWeapons.Add("gun", Priced<WeaponRecord>(100));
    data.mWeapons.Add("rocket", Priced<WeaponRecord>(250));
    data.mEquipment.Add("radar", Priced<PartRecord>(40));
    data.mArmors.Add("plate", Priced<PartRecord>(7));
    data.mBumpers.Add("ram", Priced<PartRecord>(3));
    data.mEngines.Add("v8", Priced<EngineRecord>(500));
    data.mMines.Add("mine", Priced<MineRecord>(20));
    data.mSuperWeapons.Add("nuke", Priced<SuperWeaponRecord>(1000));

    CarConfigRecord config;
    config.mWeapon1 = "gun";
    config.mWeapon2 = "gun";
    config.mWeapon3 = "rocket";
    config.mEquipment1 = "radar";
    config.mArmor = "plate";
    config.mBumper = "ram";
    config.mEngine = "v8";
    config.mMine = "mine";
    config.mSuperWeapon = "nuke";
    config.mSuperWeaponCount = 2;
    EXPECT_EQ(data.GetEquipmentValue(config), 100 + 100 + 250 + 40 + 7 + 3 + 500 + 20 + 2000.0f);

    config.mEquipment2 = "unknown";  // a name its table lacks costs nothing
    config.mSuperWeapon.clear();     // the count alone buys nothing
    EXPECT_EQ(data.GetEquipmentValue(config), 1020.0f);

    CarConfigRecord hoard;
    hoard.mSuperWeapon = "nuke";
    hoard.mSuperWeaponCount = INT32_MAX;  // the product is taken wide, not overflowed
    EXPECT_EQ(data.GetEquipmentValue(hoard), 1000.0f * 2147483647.0f);
}

TEST(EquipmentValueTest, CommitCopiesTheShopConfigurationToTheRace) {
    CPGameData data;
    data.mCarConfig = FittedConfig();
    data.CommitCarConfig();
    EXPECT_EQ(data.mRealCarConfig, FittedConfig());
}
