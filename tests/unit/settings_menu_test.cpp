// The file menu's parameter copies, double-click mapping and production mode.

#include "settings/DoubleClick.h"
#include "settings/ParamTransfer.h"
#include "settings/Production.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>

using namespace tmx7;

namespace {

TEST(ParamsFromDisplay, CopiesSixteenControlsAndKeepsTheRest) {
    ParamSet base;
    base.portName = "COM3";
    base.serialBaud = "keep";
    base.powerLevel = 5;
    base.frequency = "old";
    const ParamSet p = ParamsFromDisplay(
        [](int id) { return id == 1049 ? std::string("19200bps") : "t" + std::to_string(id); },
        base);
    EXPECT_EQ(p.version, "t1051");
    EXPECT_EQ(p.power, "t1058");
    EXPECT_EQ(p.frequency, "t1038");
    EXPECT_EQ(p.airRate, "19200bps");
    EXPECT_EQ(p.group, "t1080");
    EXPECT_EQ(p.passiveAddr, "t1052");
    EXPECT_EQ(p.wakeDelay, "t1046");
    EXPECT_EQ(p.addrType, "t1057");
    EXPECT_EQ(p.portName, "COM3");
    EXPECT_EQ(p.serialBaud, "keep");
    EXPECT_EQ(p.powerLevel, 5);
}

TEST(ImportIntoParams, EmptiesWhatTheFileDoesNotCarry) {
    ParamSet params;
    params.version = "V1";
    params.portName = "COM1";
    params.serialFormat = "9600,n.8.1";
    params.addrType = "HEX";
    params.frequency = "435.000MHz";
    ParamImportResult imported;
    imported.params.frequency = "433.000MHz";
    imported.params.powerLevel = 3;
    imported.params.power = "3";
    imported.fileFound = true;
    imported.absolutePath = "/tmp/x/tmx7peizhi.tm7";
    const std::string text = ImportIntoParams(params, imported);
    EXPECT_EQ(params.frequency, "433.000MHz");
    EXPECT_EQ(params.powerLevel, 3);
    EXPECT_TRUE(params.version.empty());
    EXPECT_TRUE(params.portName.empty());
    EXPECT_TRUE(params.serialFormat.empty());
    EXPECT_TRUE(params.addrType.empty());
    EXPECT_NE(text.find("/tmp/x/tmx7peizhi.tm7"), std::string::npos);
}

TEST(ImportIntoParams, AnUnusableFileChangesNothing) {
    ParamSet params;
    params.frequency = "435.000MHz";
    params.group = "2B";
    params.powerLevel = 3;
    const ParamSet before = params;
    const struct {
        ParamFileProblem problem;
        int error;
        const char* text;
    } cases[] = {
        {ParamFileProblem::NotAFile, EISDIR,
         "参数未导入：该路径是文件夹，原参数不变：/a/p.tm7（m）"},
        {ParamFileProblem::NotAFile, EINVAL,
         "参数未导入：该路径不是普通文件，原参数不变：/a/p.tm7（m）"},
        {ParamFileProblem::TooLarge, EFBIG,
         "参数未导入：文件超过 64 KB，原参数不变：/a/p.tm7（m）"},
        {ParamFileProblem::Binary, EILSEQ,
         "参数未导入：文件含二进制数据，原参数不变：/a/p.tm7（m）"},
        {ParamFileProblem::BadEncoding, EILSEQ,
         "参数未导入：文件不是有效的 GBK 文本，原参数不变：/a/p.tm7（m）"},
        {ParamFileProblem::Utf8NoBom, EILSEQ,
         "参数未导入：文件是无 BOM 的 UTF-8 文本，原参数不变：/a/p.tm7（m）"},
        {ParamFileProblem::NoSection, ENOMSG,
         "参数未导入：文件中没有 [TMX7参数表] 节，原参数不变：/a/p.tm7（m）"},
        {ParamFileProblem::Unreadable, EACCES, "参数未导入：无法读取，原参数不变：/a/p.tm7（m）"},
    };
    for (const auto& c : cases) {
        ParamImportResult imported;
        imported.params.frequency = "431.000MHz"; // what a careless copy would take
        imported.fileFound = true;
        imported.problem = c.problem;
        imported.status = FileResult::Refusal(c.error, "m");
        imported.absolutePath = "/a/p.tm7";
        EXPECT_EQ(ImportIntoParams(params, imported), c.text);
        EXPECT_EQ(params, before) << c.text;
    }
}

TEST(FileStatusTexts, SayWhereAndWhetherItWorked) {
    ParamExportResult ok{FileResult::Success(), "/a/b.tm7"};
    EXPECT_EQ(ExportStatusText(ok), "参数已导出到 /a/b.tm7");
    ParamExportResult bad{FileResult::Failure(EACCES, "rename to", "/a/b.tm7"), "/a/b.tm7"};
    EXPECT_EQ(ExportStatusText(bad), "参数未导出：无法写入，原文件未改变：/a/b.tm7"
                                     "（rename to /a/b.tm7: Permission denied）");
    ParamExportResult fifo{FileResult::Refusal(EINVAL, "write /a/b.tm7: a FIFO"), "/a/b.tm7",
                           ParamFileProblem::NotAFile};
    EXPECT_EQ(ExportStatusText(fifo),
              "参数未导出：该路径不是普通文件，原文件未改变：/a/b.tm7（write /a/b.tm7: a FIFO）");

    ParamImportResult in;
    in.absolutePath = "/a/b.tm7";
    in.fileFound = true;
    EXPECT_EQ(ImportStatusText(in), "参数已从 /a/b.tm7 导入");
    in.fileFound = false;
    EXPECT_EQ(ImportStatusText(in), "未找到参数文件，已用默认值：/a/b.tm7");
}

class DoubleClickTest : public ::testing::Test {
protected:
    std::map<int, Rect> rects = {
        {1038, {10, 10, 100, 30}},
        {1050, {10, 40, 100, 60}},
        {1039, {10, 70, 100, 90}},
        {1043, {110, 10, 200, 30}},
        {1044, {110, 40, 200, 60}},
        {1049, {110, 70, 200, 90}},
        {1080, {210, 10, 300, 30}},
        {1058, {210, 40, 300, 60}},
        // The second and third pages sit over the same area as the first.
        {1045, {10, 10, 100, 30}},
        {1046, {10, 40, 100, 60}},
        {1053, {10, 70, 100, 90}},
        {1052, {10, 10, 100, 30}},
    };
    std::map<int, bool> greyed;

    std::vector<EditAction> At(std::string_view caption, int x, int y) {
        return DoubleClickActions(
            caption, x, y,
            [this](int id) -> std::optional<Rect> {
                auto it = rects.find(id);
                if (it == rects.end())
                    return std::nullopt;
                return it->second;
            },
            [this](int menuId) { return !greyed[menuId]; });
    }
};

TEST_F(DoubleClickTest, PagesFieldsAndBorders) {
    using A = std::vector<EditAction>;
    EXPECT_EQ(At("一般参数", 50, 20), A{EditAction::SetFrequency});
    EXPECT_EQ(At("一般参数", 50, 50), A{EditAction::SetFrequency}); // receive frequency
    EXPECT_EQ(At("一般参数", 50, 80), A{EditAction::SetSerialFormat});
    EXPECT_EQ(At("一般参数", 150, 20), A{EditAction::SerialModeChoice});
    EXPECT_EQ(At("一般参数", 150, 50), A{EditAction::PowerModeChoice});
    EXPECT_EQ(At("一般参数", 150, 80), A{EditAction::SetWireless});
    EXPECT_EQ(At("一般参数", 250, 20), A{EditAction::SetGroup});
    EXPECT_EQ(At("一般参数", 250, 50), A{EditAction::SetWireless}); // transmit power
    EXPECT_EQ(At("省电参数", 50, 20), A{EditAction::SetSleepPeriod});
    EXPECT_EQ(At("省电参数", 50, 50), A{EditAction::SetWakeDelay});
    EXPECT_EQ(At("省电参数", 50, 80), A{EditAction::SetSaveAddress});
    EXPECT_EQ(At("被动参数", 50, 20), A{EditAction::SetPassiveAddress});
    // Border lines, gaps between fields, and unknown pages do nothing.
    EXPECT_TRUE(At("一般参数", 10, 20).empty());
    EXPECT_TRUE(At("一般参数", 50, 30).empty());
    EXPECT_TRUE(At("一般参数", 105, 20).empty());
    EXPECT_TRUE(At("其他", 50, 20).empty());
    EXPECT_TRUE(At("被动参数", 50, 50).empty());
}

TEST_F(DoubleClickTest, GreyedMenusAreNotRunAndOverlapsRunInOrder) {
    greyed[32784] = true; // not in power-saving mode
    EXPECT_TRUE(At("省电参数", 50, 20).empty());
    greyed[32777] = true;
    EXPECT_TRUE(At("一般参数", 150, 20).empty());
    rects[1080] = {0, 0, 400, 100}; // a group field over everything
    EXPECT_EQ(At("一般参数", 50, 20),
              (std::vector<EditAction>{EditAction::SetFrequency, EditAction::SetGroup}));
    EXPECT_EQ(MenuIdOf(EditAction::SetPassiveAddress), 32787);
    EXPECT_EQ(MenuIdOf(EditAction::PowerModeChoice), 32780);
}

TEST(ProductionMode, ToggleShowsAndHidesTheSevenControls) {
    CProductionMode m;
    EXPECT_TRUE(m.NeedsCode());
    EXPECT_TRUE(m.Toggle(false).empty()); // code refused or cancelled
    EXPECT_FALSE(m.On());
    const auto on = m.Toggle(true);
    ASSERT_EQ(on.size(), 7u);
    for (const auto& u : on)
        EXPECT_TRUE(std::get<ShowControl>(u).shown);
    EXPECT_TRUE(m.On());
    const auto off = m.Toggle(false); // no code needed to switch off
    ASSERT_EQ(off.size(), 7u);
    for (const auto& u : off)
        EXPECT_FALSE(std::get<ShowControl>(u).shown);
    EXPECT_FALSE(m.On());
}

TEST(ProductionMode, IndicatorOnlyAfterAWriteToAnOpenPort) {
    CPortTable table;
    RecordingSink sink;
    CProductionMode m;
    EXPECT_FALSE(m.Transmit0101(table, 7, sink));
    EXPECT_FALSE(m.IndicatorShown());
    EXPECT_TRUE(sink.Updates().empty());
    EXPECT_FALSE(m.SignalStrength(table, 7));

    const auto refused = m.Calibrate(table, 7, "1G", "00");
    EXPECT_FALSE(refused.written);
    ASSERT_TRUE(refused.message);
    EXPECT_EQ(*refused.message, kCalibrationPrompt);
    for (auto [a, b] : {std::pair{"", "00"}, {"123", "00"}, {"00", "."}, {"a b", "1"}})
        EXPECT_TRUE(m.Calibrate(table, 7, a, b).message) << a << "|" << b;
    EXPECT_FALSE(m.Calibrate(table, 7, " 12", "34 ").message);
}

} // namespace
