#include "base/profile_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/atomic_file.h"
#include "base/errors.h"
#include "base/testing/temp_path.h"

namespace {

namespace fs = std::filesystem;

class ProfileFileTest : public ::testing::Test {
  protected:
    // A folder of its own per test, removed with the fixture (a parameterised test's name holds a
    // "/", which made a nested folder of which only the inner one was removed).
    void SetUp() override {
        fs::create_directories(dir_);
        path_ = (dir_ / "prog.INI").string();
    }
    void Put(const std::string& text) { WriteFileAtomically(path_, text); }
    std::string Get() { return ReadWholeFile(path_); }

    const TTempPath folder_{"lorv_ini_"};
    const fs::path dir_{folder_.Path()};
    std::string path_;
};

TEST_F(ProfileFileTest, MissingFileGivesDefaults) {
    TProfileFile ini(path_);
    EXPECT_EQ(100, ini.ReadInteger("Form", "Top", 100));
    EXPECT_EQ("00:01:00", ini.ReadString("Rejestracja", "Interwal", "00:01:00"));
    EXPECT_FALSE(fs::exists(path_));
}

TEST_F(ProfileFileTest, IntegerForms) {
    Put("[Form]\nTop=0x20\nLeft=abc\nHeight= 340 \nWidth=0X1f\nA=0x\nB=-12\nC=12abc\nD=99999999999\nE=0xFFFFFFFF\n");
    TProfileFile ini(path_);
    EXPECT_EQ(32, ini.ReadInteger("Form", "Top", 100));
    EXPECT_EQ(100, ini.ReadInteger("Form", "Left", 100));
    EXPECT_EQ(340, ini.ReadInteger("Form", "Height", 1));
    EXPECT_EQ(31, ini.ReadInteger("Form", "Width", 1));
    EXPECT_EQ(7, ini.ReadInteger("Form", "A", 7)) << "\"0x\" alone is no number";
    EXPECT_EQ(-12, ini.ReadInteger("Form", "B", 7));
    EXPECT_EQ(7, ini.ReadInteger("Form", "C", 7));
    EXPECT_EQ(7, ini.ReadInteger("Form", "D", 7));
    EXPECT_EQ(-1, ini.ReadInteger("Form", "E", 7));
}

TEST_F(ProfileFileTest, SectionsAndKeysIgnoreCaseAndQuotesAreDropped) {
    Put("[wykres]\r\nzakresy=25\r\n[REJESTRACJA]\r\n  INTERWAL = \"00:05:00\" \r\n");
    TProfileFile ini(path_);
    EXPECT_EQ(25, ini.ReadInteger("Wykres", "ZakresY", 20));
    EXPECT_EQ("00:05:00", ini.ReadString("Rejestracja", "Interwal", "x"));
    EXPECT_EQ("x", ini.ReadString("Other", "Interwal", "x"));
}

TEST_F(ProfileFileTest, SectionNamesAndLinesWithTheirNumbers) {
    Put("[Form]\r\nTop=1\r\n[Profil A]\r\n; note\r\n\r\nR1 = 1 > 8 single\r\nno key here\r\n[form]\r\nLeft=2\r\n");
    TProfileFile ini(path_);
    EXPECT_EQ((std::vector<TProfileSection>{{"Form", 1}, {"Profil A", 3}, {"form", 8}}), ini.ReadSectionNames());
    std::size_t header = 99;
    const std::vector<TProfileLine> lines = ini.ReadSection("profil a", &header);
    EXPECT_EQ(3u, header);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(6u, lines[0].Number);
    EXPECT_TRUE(lines[0].IsEntry);
    EXPECT_EQ("R1", lines[0].Key);
    EXPECT_EQ("1 > 8 single", lines[0].Value);
    EXPECT_EQ(7u, lines[1].Number);
    EXPECT_FALSE(lines[1].IsEntry);
    EXPECT_EQ("no key here", lines[1].Text);
    EXPECT_TRUE(ini.ReadSection("Missing", &header).empty());
    EXPECT_EQ(0u, header);
}

TEST_F(ProfileFileTest, LongTextIsCut) {
    Put("[S]\nK=" + std::string(3000, 'a') + "\n");
    EXPECT_EQ(std::string(2047, 'a'), TProfileFile(path_).ReadString("S", "K", ""));
}

TEST_F(ProfileFileTest, WriteCreatesFileSectionAndKey) {
    TProfileFile ini(path_);
    ini.WriteInteger("Form", "Top", 100);
    ini.WriteInteger("Form", "Left", 120);
    EXPECT_EQ("[Form]\nTop=100\nLeft=120\n", Get());
}

TEST_F(ProfileFileTest, WriteKeepsOtherLinesAndTheirOrder) {
    Put("; note\r\n[Form]\r\nTop=1\r\nX=keep\r\n\r\n[Rejestracja]\r\nInterwal=00:05:00\r\n");
    TProfileFile ini(path_);
    ini.WriteInteger("form", "TOP", 42);
    ini.WriteInteger("Form", "Width", 800);
    ini.WriteString("Wykres", "ZakresY", "20");
    EXPECT_EQ(
        "; note\r\n[Form]\r\nTOP=42\r\nX=keep\r\nWidth=800\r\n\r\n[Rejestracja]\r\nInterwal=00:05:00\r\n"
        "[Wykres]\r\nZakresY=20\r\n",
        Get());
    EXPECT_EQ(42, ini.ReadInteger("Form", "Top", 0));
}

// A write changes only the line it writes (or adds lines); every other line keeps its bytes,
// its own line end included.
struct KeepBytesRow {
    const char* name;
    const char* before;
    const char* section;
    const char* key;
    const char* after;
};
void PrintTo(const KeepBytesRow& row, std::ostream* os) { *os << row.name; }
class KeepBytesRows : public ProfileFileTest, public ::testing::WithParamInterface<KeepBytesRow> {};

TEST_P(KeepBytesRows, OtherLinesKeepTheirBytes) {
    const KeepBytesRow& row = GetParam();
    Put(row.before);
    TProfileFile ini(path_);
    ini.WriteString(row.section, row.key, "9");
    EXPECT_EQ(row.after, Get());
    EXPECT_EQ("9", ini.ReadString(row.section, row.key, ""));
}
INSTANTIATE_TEST_SUITE_P(
    Writes, KeepBytesRows,
    ::testing::Values(KeepBytesRow{"last_line_lone_cr", "[A]\nx=1\r\r", "B", "y", "[A]\nx=1\r\r\n[B]\ny=9\n"},
                      KeepBytesRow{"key_after_lone_cr_line", "[A]\nx=1\r\r", "A", "y", "[A]\nx=1\r\r\ny=9\n"},
                      KeepBytesRow{"replaced_keeps_its_end", "[A]\nx=1\r", "A", "x", "[A]\nx=9\r"},
                      KeepBytesRow{"mixed_line_ends", "[A]\r\nx=1\ny=2\r\n", "A", "z", "[A]\r\nx=1\ny=2\r\nz=9\r\n"},
                      KeepBytesRow{"no_final_line_end", "[A]\r\nx=1", "A", "y", "[A]\r\nx=1\r\ny=9\r\n"},
                      KeepBytesRow{"header_alone", "[A]", "a", "x", "[A]\nx=9\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProfileFileTest, UnwritableFileRaisesSettingsError) {
    TProfileFile ini((dir_ / "no_such_dir" / "prog.INI").string());
    try {
        ini.WriteInteger("Form", "Top", 1);
        FAIL() << "write succeeded";
    } catch (const ESettingsError& e) {
        EXPECT_EQ("Unable to write to " + ini.Path(), std::string(e.what()));
    }
}

TEST(SettingsPathTest, ReplacesOrAppendsTheExtension) {
    EXPECT_EQ("/opt/lorv/lorv304d.INI", SettingsPathFor("/opt/lorv/lorv304d"));
    EXPECT_EQ("/opt/lorv/Lorv304D.INI", SettingsPathFor("/opt/lorv/Lorv304D.exe"));
    EXPECT_EQ("/opt/v1.2/prog.INI", SettingsPathFor("/opt/v1.2/prog"));
}

}  // namespace
