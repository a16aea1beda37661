// Values typed on a command line or in a per-unit table: the frame each one
// writes, the text a parameter file carries for it, and why a value is refused.

#include "settings/FieldValues.h"

#include "unit/param_fixtures.h"

#include <gtest/gtest.h>

using namespace tmx7;
using tmx7::testing::SetFrame;

namespace {

struct Good {
    const char* assignment;
    std::vector<std::uint8_t> frame;
    const char* text;
};

} // namespace

TEST(FieldValues, TheMenusWaitsComeWithTheValue) {
    const auto total = [](const char* a) {
        Millis t{0};
        const FieldValueResult r = ParseAssignment(a);
        for (Millis w : r.value->plan.waits)
            t += w;
        return t.count();
    };
    EXPECT_EQ(total("txFrequency=433"), 7000);
    EXPECT_EQ(total("airRate=9600"), 8000);
    EXPECT_EQ(total("power=1"), 8000);
    EXPECT_EQ(total("passiveAddr=01"), 1000);
    EXPECT_EQ(total("group=01"), 0);
    EXPECT_TRUE(ParseAssignment("serialFormat=n.8.1").value->plan.restartAdvice);
}

TEST(FieldValues, RefusalsSayWhatWouldHaveBeenRight) {
    const std::pair<const char*, const char*> cases[] = {
        {"txFrequency=433.1",
         "txFrequency=433.1: not a channel from 431.000MHz to 435.000MHz in steps of 0.250MHz"},
        {"txFrequency=435.250",
         "txFrequency=435.250: not a channel from 431.000MHz to 435.000MHz in steps of 0.250MHz"},
        {"txFrequency=",
         "txFrequency=: not a channel from 431.000MHz to 435.000MHz in steps of 0.250MHz"},
        {"airRate=1000", "airRate=1000: not one of 1200 2400 4800 9600 19200 38400 57600 (bps)"},
        {"power=8", "power=8: not a level from 0 to 7"},
        {"group=100", "group=100: not one or two hex digits (0-9, A-F)"},
        {"powerMode=sleepy", "powerMode=sleepy: not 普通模式 (normal) or 省电模式 (saving)"},
        {"sleepPeriod=7", "sleepPeriod=7: not an even number from 2 to 500"},
        {"sleepPeriod=502", "sleepPeriod=502: not an even number from 2 to 500"},
        {"saveAddr=12345",
         "saveAddr=12345: not one to four hex digits, or two hex pairs such as \"12 34\""},
        {"wakeDelay=0", "wakeDelay=0: not a multiple of 0.3 from 0.3 to 19660.5 (seconds)"},
        {"wakeDelay=19660.8",
         "wakeDelay=19660.8: not a multiple of 0.3 from 0.3 to 19660.5 (seconds)"},
        {"wakeDelay=0.35", "wakeDelay=0.35: not a multiple of 0.3 from 0.3 to 19660.5 (seconds)"},
        {"passiveAddr=1", "passiveAddr=1: not two hex digits such as 1A, or their character codes "
                          "such as \"31 41\""},
        {"passiveAddr=12 34", "passiveAddr=12 34: not two hex digits such as 1A, or their "
                              "character codes such as \"31 41\""},
        {"serialFormat=9600,n.8.1",
         "serialFormat=9600,n.8.1: not a data format (n.8.1 n.8.2 o.8.1 o.8.2 e.8.1 e.8.2) or a "
         "baud rate (1200 ... 57600), one at a time"},
        {"rxFrequency=433", "rxFrequency=433: the receive frequency follows txFrequency; set that"},
        {"version=V2", "version=V2: the module reports it; it cannot be set"},
        {"group", "group: not FIELD=VALUE"},
    };
    for (const auto& [assignment, error] : cases) {
        const FieldValueResult r = ParseAssignment(assignment);
        EXPECT_FALSE(r.ok()) << assignment;
        EXPECT_EQ(r.error, error);
    }
    EXPECT_EQ(ParseAssignment("speed=1").error.substr(0, 40),
              "speed=1: no field \"speed\" (fields: txFre");
}

TEST(FieldValues, ADownloadTakesTheFileForm) {
    ParamSet p;
    ApplyToParams(*ParseAssignment("power=3").value, p);
    ApplyToParams(*ParseAssignment("passiveAddr=1A").value, p);
    ApplyToParams(*ParseAssignment("serialFormat=n.8.2").value, p); // never downloaded
    EXPECT_EQ(p.power, "3");
    EXPECT_EQ(p.powerLevel, 3);
    EXPECT_EQ(p.passiveAddr, "31 41");
    EXPECT_EQ(p.serialFormat, "");
}
