// The file menu's parameter copies, their status texts, and the production
// functions' checks before anything is written.

#include "settings/ParamTransfer.h"
#include "settings/Production.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>

using namespace tmx7;

namespace {

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

TEST(ProductionMode, IndicatorOnlyAfterAFrameThePortTook) {
    CPortTable table;
    CProductionMode m;
    EXPECT_EQ(m.Transmit0101(table, 7), WriteStatus::NoPort);
    EXPECT_FALSE(m.IndicatorShown());
    EXPECT_EQ(m.SignalStrength(table, 7), WriteStatus::NoPort);

    const auto refused = m.Calibrate(table, 7, "1G", "00");
    EXPECT_FALSE(refused.written);
    ASSERT_TRUE(refused.message);
    EXPECT_EQ(*refused.message, kCalibrationPrompt);
    for (auto [a, b] : {std::pair{"", "00"}, {"123", "00"}, {"00", "."}, {"a b", "1"}})
        EXPECT_TRUE(m.Calibrate(table, 7, a, b).message) << a << "|" << b;
    EXPECT_FALSE(m.Calibrate(table, 7, " 12", "34 ").message);
}

} // namespace
