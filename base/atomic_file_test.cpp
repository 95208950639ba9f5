#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "base/errors.h"

namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("lorv_atomic_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(AtomicFileTest, WritesAndReplacesWholeFiles) {
    const std::string path = (dir_ / "a.log").string();
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    WriteFileAtomically(path, bytes);
    EXPECT_EQ(bytes, ReadWholeFile(path));
    WriteFileAtomically(path, "short");
    EXPECT_EQ("short", ReadWholeFile(path));
    // No temporary file is left beside it.
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}));
}

TEST_F(AtomicFileTest, KeepsTheModeOfTheOldFile) {
    const std::string path = (dir_ / "m.log").string();
    WriteFileAtomically(path, "one");
    ::chmod(path.c_str(), 0640);
    WriteFileAtomically(path, "two");
    struct stat st {};
    ASSERT_EQ(0, ::stat(path.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
}

TEST_F(AtomicFileTest, FailureLeavesTheOldFileAndNoTemporary) {
    // A folder in place of the target cannot be replaced by a file.
    const fs::path target = dir_ / "busy";
    fs::create_directories(target / "inside");
    EXPECT_THROW(WriteFileAtomically(target.string(), "data"), EFileError);
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}));

    try {
        WriteFileAtomically((dir_ / "missing" / "x.log").string(), "data");
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("missing/x.log"));
        EXPECT_NE(std::string::npos, std::string(e.what()).find("No such file"));
    }
}

// A link (the settings file, a data file or "data.log" kept elsewhere) stays a link; the file it
// links to gets the bytes, also across a chain of links or when it does not exist yet.
TEST_F(AtomicFileTest, ALinkWritesTheFileItLinksTo) {
    fs::create_directories(dir_ / "real");
    const fs::path target = dir_ / "real" / "a.log";
    WriteFileAtomically(target.string(), "old");
    fs::create_symlink("real/a.log", dir_ / "relative.log");
    fs::create_symlink(target, dir_ / "absolute.log");
    fs::create_symlink("relative.log", dir_ / "chain.log");
    fs::create_symlink("real/new.log", dir_ / "dangling.log");
    const std::pair<const char*, fs::path> cases[] = {{"relative.log", target},
                                                      {"absolute.log", target},
                                                      {"chain.log", target},
                                                      {"dangling.log", dir_ / "real" / "new.log"}};
    for (const auto& [link, file] : cases) {
        WriteFileAtomically((dir_ / link).string(), link);
        EXPECT_TRUE(fs::is_symlink(dir_ / link)) << link;
        EXPECT_EQ(link, ReadWholeFile(file.string()));
    }
    EXPECT_EQ(4, std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}) - 1);  // no temporaries
    EXPECT_EQ(2, std::distance(fs::directory_iterator(dir_ / "real"), fs::directory_iterator{}));

    fs::create_symlink("loop2", dir_ / "loop1");
    fs::create_symlink("loop1", dir_ / "loop2");
    EXPECT_THROW(WriteFileAtomically((dir_ / "loop1").string(), "x"), EFileError);
}

TEST_F(AtomicFileTest, ReadOfAMissingFileNamesIt) {
    try {
        ReadWholeFile((dir_ / "none.log").string());
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_EQ("Cannot open " + (dir_ / "none.log").string() + ": No such file or directory", std::string(e.what()));
    }
}

}  // namespace
