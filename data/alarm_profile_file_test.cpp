#include "data/alarm_profile_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/atomic_file.h"

namespace readings {
namespace {

namespace fs = std::filesystem;

struct RuleRow {
    const char* name;
    const char* value;
    std::optional<TAlarmRule> rule;
    TProfileProblem problem;
    const char* text;
};

void PrintTo(const RuleRow& row, std::ostream* os) { *os << row.name; }

class RuleText : public testing::TestWithParam<RuleRow> {};

TEST_P(RuleText, ParsesOrNamesTheFault) {
    const RuleRow& row = GetParam();
    TProfileError error;
    const std::optional<TAlarmRule> rule = ParseAlarmRule(row.value, error);
    EXPECT_EQ(row.rule, rule);
    if (!row.rule) {
        EXPECT_EQ(row.problem, error.Problem);
        EXPECT_EQ(row.text, error.Text);
    }
}

using C = TRuleCompare;
using K = TRuleKind;
using Ch = TRuleChannels;
constexpr TProfileProblem kNone = TProfileProblem::NotARule;

INSTANTIATE_TEST_SUITE_P(
    Values, RuleText,
    testing::Values(
        RuleRow{"Single", "1 > 8 single", TAlarmRule{Ch::Channel1, C::Greater, 8, K::Single, 0, ""}, kNone, ""},
        RuleRow{"ConsecutiveWithLabel", "both >= 45 consecutive 1h | WHO: 45 °C",
                TAlarmRule{Ch::Both, C::GreaterOrEqual, 45, K::Consecutive, 3600, "WHO: 45 °C"}, kNone, ""},
        RuleRow{"CumulativeMinutesNegative", "2\t<=  -0.5 cumulative 90min",
                TAlarmRule{Ch::Channel2, C::LessOrEqual, -0.5f, K::Cumulative, 5400, ""}, kNone, ""},
        RuleRow{"Channel3", "3 > 8 single", std::nullopt, TProfileProblem::BadChannel, "3"},
        RuleRow{"GluedComparison", "1 >8 single", std::nullopt, TProfileProblem::BadCompare, ">8"},
        RuleRow{"DecimalComma", "1 > 2,5 single", std::nullopt, TProfileProblem::BadLimit, "2,5"},
        RuleRow{"MissingKind", "1 > 8", std::nullopt, TProfileProblem::BadKind, ""},
        RuleRow{"UnknownKind", "1 > 8 sometimes", std::nullopt, TProfileProblem::BadKind, "sometimes"},
        RuleRow{"DurationWithoutUnit", "1 > 8 consecutive 30", std::nullopt, TProfileProblem::BadDuration, "30"},
        RuleRow{"ZeroDuration", "1 > 8 cumulative 0h", std::nullopt, TProfileProblem::BadDuration, "0h"},
        RuleRow{"SingleWithDuration", "1 > 8 single 30min", std::nullopt, TProfileProblem::UnexpectedDuration,
                "30min"},
        RuleRow{"LabelWithoutBar", "1 > 8 single above eight", std::nullopt, TProfileProblem::TrailingText,
                "above"}),
    [](const testing::TestParamInfo<RuleRow>& info) { return std::string(info.param.name); });

class ProfileFileTest : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("lorv_profiles_" + std::to_string(::getpid()) + "_" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "profiles.INI").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    std::string path_;
};

TEST_F(ProfileFileTest, GoodProfilesReadAndFaultyOnesReportedWithTheirLine) {
    WriteFileAtomically(path_,
                        "[Okno]\n"
                        "Left=3\n"
                        "[Profil chłodnia]\n"
                        "; cold room\n"
                        "Regula1 = 1 > 8 consecutive 30min | above 8 °C for 30 min\n"
                        "Regula2 = both < 2 single\n"
                        "[Profil transport]\n"
                        "Regula1 = 1 > 25 single\n"
                        "Regula2 = 1 > 30 singel\n"
                        "[Profil 2-8]\n"
                        "Regula1 = 1 > 8 single\n"
                        "[PROFIL chłodnia]\n"
                        "Regula1 = 1 > 9 single\n"
                        "[Profil pusty]\n"
                        "this line is no rule\n");
    const TProfileFileContents contents = ReadProfileFile(path_);
    ASSERT_EQ(1u, contents.Profiles.size());
    EXPECT_EQ("chłodnia", contents.Profiles[0].Name);
    EXPECT_EQ((std::vector<TAlarmRule>{{Ch::Channel1, C::Greater, 8, K::Consecutive, 1800, "above 8 °C for 30 min"},
                                       {Ch::Both, C::Less, 2, K::Single, 0, ""}}),
              contents.Profiles[0].Rules);
    EXPECT_EQ((std::vector<TProfileError>{{9, TProfileProblem::BadKind, "singel"},
                                          {10, TProfileProblem::ReservedName, "2-8"},
                                          {12, TProfileProblem::RepeatedName, "chłodnia"},
                                          {15, TProfileProblem::NotARule, "this line is no rule"}}),
              contents.Errors);
    EXPECT_EQ(path_ + ", line 9: 'singel' is not a kind of rule (single, consecutive, cumulative)",
              ProfileErrorText(path_, contents.Errors[0]));
}

TEST_F(ProfileFileTest, FileNamedOnItsOwnHoldsOneProfile) {
    TProfileError error;
    EXPECT_FALSE(ReadSingleProfile(path_, error));
    EXPECT_EQ(TProfileProblem::NoProfile, error.Problem);

    WriteFileAtomically(path_, "[Profil a]\nR=1 > 8 single\n\n[Profil b]\nR=1 > 9 single\n");
    EXPECT_FALSE(ReadSingleProfile(path_, error));
    EXPECT_EQ((TProfileError{4, TProfileProblem::SeveralProfiles, "b"}), error);

    WriteFileAtomically(path_, "[Profil a]\n");
    EXPECT_FALSE(ReadSingleProfile(path_, error));
    EXPECT_EQ((TProfileError{1, TProfileProblem::NoRules, "a"}), error);

    WriteFileAtomically(path_, "[Profil a]\nR=2 >= 30 cumulative 2d\n");
    const std::optional<TAlarmProfile> profile = ReadSingleProfile(path_, error);
    ASSERT_TRUE(profile);
    EXPECT_EQ((TAlarmProfile{"a", {{Ch::Channel2, C::GreaterOrEqual, 30, K::Cumulative, 172800, ""}}}), *profile);
}

TEST(BuiltInProfiles, TheirRules) {
    const TAlarmProfile* who = FindBuiltInProfile("WHO-Indicator");
    ASSERT_NE(nullptr, who);
    ASSERT_EQ(3u, who->Rules.size());
    EXPECT_EQ((TAlarmRule{Ch::Channel1, C::GreaterOrEqual, 30, K::Cumulative, 36000, who->Rules[1].Label}),
              who->Rules[1]);
    EXPECT_EQ((TAlarmRule{Ch::Channel1, C::LessOrEqual, -0.5, K::Consecutive, 3600, who->Rules[2].Label}),
              who->Rules[2]);
    EXPECT_EQ(nullptr, FindBuiltInProfile("limits"));
    EXPECT_EQ(std::optional<std::int64_t>(30 * 86400), ParseMktWindow("30d"));
    EXPECT_EQ(std::nullopt, ParseMktWindow("30min"));
    EXPECT_EQ("30min", DurationText(1800));
    EXPECT_EQ("10h", DurationText(36000));
}

}  // namespace
}  // namespace readings
