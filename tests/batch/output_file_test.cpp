#include "batch/output_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace velmora::batch {
namespace {

namespace fs = std::filesystem;

class OutputFile : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "velmora-out-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        Dir = pattern;
    }
    void TearDown() override { fs::remove_all(Dir); }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(Dir), {}));
    }

    fs::path Dir;
};

TEST_F(OutputFile, AppearsOnlyWhenCommitted) {
    const fs::path target = Dir / "trace.csv";
    {
        TOutputFile out(target.string());
        out.Write("a,b\n");
        EXPECT_FALSE(fs::exists(target));
        out.Write("1,2\n");
        out.Commit();
    }
    EXPECT_EQ(Read(target), "a,b\n1,2\n");
    EXPECT_EQ(Entries(), 1u);
    const auto perms = fs::status(target).permissions();
    EXPECT_NE(perms & fs::perms::owner_read, fs::perms::none);
}

TEST_F(OutputFile, AnAbandonedOutputLeavesTheOldFileAndNoTrace) {
    const fs::path target = Dir / "plot.svg";
    std::ofstream(target) << "old";
    {
        TOutputFile out(target.string());
        out.Write("new, never finished");
    }
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(OutputFile, AppendingGrowsTheFileInPlaceAndAnAbandonedAppendIsCutBack) {
    const fs::path target = Dir / "runs.csv";
    std::ofstream(target) << "a,b\n";
    {
        TOutputFile out(target.string(), nullptr, TOutputMode::Append);
        out.Write("1,2\n");
        out.Commit();
    }
    {
        TOutputFile out(target.string(), nullptr, TOutputMode::Append);
        out.Write(std::string(100000, 'x'));  // past the buffer: on disk already
    }
    EXPECT_EQ(Read(target), "a,b\n1,2\n");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(OutputFile, AnUnwritablePathFailsAtOnce) {
    const struct {
        const char* Name;
        fs::path Path;
    } cases[] = {
        {"missing directory", Dir / "no" / "such" / "dir" / "x.csv"},
        {"a directory", Dir},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            TOutputFile out(c.Path.string());
            ADD_FAILURE() << "opened";
        } catch (const TOutputError& error) {
            EXPECT_NE(std::string(error.what()).find(c.Path.string()), std::string::npos);
        }
    }
    EXPECT_EQ(Entries(), 0u);
}

}  // namespace
TEST(Leftovers, OnlyTheWritersOwnTemporaryNamesCount) {
    EXPECT_TRUE(IsLeftover(".vb-a1B2c3"));
    for (const char* name : {".vb-a1B2c", ".vb-a1B2c3d", "vb-a1B2c3x", ".vb-a1/2c3", "runs.csv"}) {
        EXPECT_FALSE(IsLeftover(name)) << name;
    }
}

}  // namespace velmora::batch
