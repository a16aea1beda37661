// What a module should show after a set of frames, and the comparison with
// what a read showed.

#include "settings/Download.h"
#include "settings/Verify.h"

#include "unit/param_fixtures.h"

#include <gtest/gtest.h>

using namespace tmx7;

namespace {

std::array<std::string, kFieldCount>
Shown(std::initializer_list<std::pair<Field, const char*>> values) {
    std::array<std::string, kFieldCount> out;
    out.fill(kUnknownValue);
    for (const auto& [f, v] : values)
        out[static_cast<std::size_t>(f)] = v;
    return out;
}

} // namespace

TEST(Verify, ADownloadIsExpectedToShowWhatEachFrameCarried) {
    ParamSet p = tmx7::testing::ImportDefaults();
    p.serialMode = "被动模式";
    p.passiveAddr = "31 41";
    p.sleepPeriod = "5"; // written halved: the module shows 4
    p.frequency = "not a frequency";
    const std::vector<Expectation> expected = ExpectedAfter(DownloadFrames(BuildDownload(p)));
    EXPECT_EQ(expected, (std::vector<Expectation>{
                            {Field::AirRate, "9600bps"},
                            {Field::TxPower, "7"},
                            {Field::Group, "00"},
                            {Field::PowerMode, "普通模式"},
                            {Field::SerialMode, "被动模式"},
                            {Field::SleepPeriod, "4"},
                            {Field::SaveAddr, "00 00"},
                            {Field::WakeDelay, "0.3"},
                            {Field::PassiveAddr, "31 41"},
                        }));
    // Frames that change the line are not compared; a later frame wins.
    const std::vector<Frame> frames = {*MakeSerialFormatSet(5), *MakeFrequencySet(1),
                                       *MakeFrequencySet(16)};
    EXPECT_EQ(ExpectedAfter(frames),
              (std::vector<Expectation>{{Field::TxFrequency, "435.000MHz"},
                                        {Field::RxFrequency, "435.000MHz"}}));
}

TEST(Verify, DifferencesAndFieldsTheModeDoesNotReport) {
    const std::vector<Expectation> wanted = {{Field::TxFrequency, "433.000MHz"},
                                             {Field::Group, "05"},
                                             {Field::SaveAddr, "12 34"},
                                             {Field::PassiveAddr, "31 41"}};
    const auto shown = Shown({{Field::TxFrequency, "433.000MHz"}, {Field::Group, "00"}});
    const Verification normal = Verify(wanted, shown, {true, false, true});
    EXPECT_FALSE(normal.ok());
    ASSERT_EQ(normal.differences.size(), 2u);
    EXPECT_EQ(DifferenceText(normal.differences[0]), "group: wanted 05, module has 00");
    EXPECT_EQ(DifferenceText(normal.differences[1]),
              "passiveAddr: wanted 31 41, module has ********");
    EXPECT_EQ(normal.confirmed, (std::vector<Expectation>{{Field::TxFrequency, "433.000MHz"}}));
    EXPECT_EQ(normal.unchecked, std::vector<Field>{Field::SaveAddr});

    const Verification saving =
        Verify({wanted[2]}, Shown({{Field::SaveAddr, "12 34"}}), {true, true, false});
    EXPECT_TRUE(saving.ok());
    EXPECT_TRUE(saving.unchecked.empty());
}
