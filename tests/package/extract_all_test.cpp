// Extracting a whole archive: the space check, the reports, cancel and the size check.

#include <gmock/gmock.h>

#include "package_fixture.h"
#include "platform/error.h"

namespace zr::test {
namespace {

using platform::kAttrHidden;
using platform::kAttrReadOnly;

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

class ExtractAllTest : public PackageTest {
  protected:
    // Free bytes on the temporary folder's volume right now.
    int64_t FreeSpace() {
        return platform::QueryVolumeSpace(tmp.path().substr(0, 3))->freeToCaller;
    }
    // A drive letter with no volume behind it.
    std::string NoVolumeDrive() {
        for (char letter = 'Y'; letter > 'D'; --letter) {
            const std::string root = std::string(1, letter) + ":\\";
            if (!platform::QueryVolumeSpace(root)) return root;
        }
        ADD_FAILURE() << "every drive letter has a volume";
        return "";
    }
};

TEST_F(ExtractAllTest, ReportsComeInOrderForEveryEntryAndChunk) {
    const std::string path = Archive({{"zero", ""}, {"six", NoiseBytes(600000)}});
    Record();
    EXPECT_EQ(reader.ExtractAll(path, tmp / "out"), 2);
    // Chunk reports carry the target path: the upper-cased folder and the stored name.
    const std::string out = UpperAscii(tmp / "out") + "\\";
    const std::vector<Report> expected = {
        {"zero", 0, 0, 0, true},
        {out + "zero", 0, 0, -1, false},
        {"six", 0, 600000, 1, true},
        {out + "six", 524288, 600000, -1, false},
        {out + "six", 600000, 600000, -1, false},
    };
    EXPECT_EQ(reports, expected);
    EXPECT_EQ(platform::FileLength(tmp / "out\\six"), 600000);
}

TEST_F(ExtractAllTest, WithoutAHandlerTheResultIsTheSame) {
    const std::string data = NoiseBytes(600000);
    const std::string path = Archive({{"zero", ""}, {"sub\\six", data}});
    EXPECT_EQ(reader.ExtractAll(path, tmp / "out\\"), 2);
    EXPECT_EQ(ReadFile(tmp / "out\\sub\\six"), data);
    EXPECT_TRUE(platform::IsFile(tmp / "out\\zero"));
}

TEST_F(ExtractAllTest, CancelAtAnEntryStartLeavesEarlierEntriesComplete) {
    const auto hidden = static_cast<int32_t>(kAttrHidden);
    const std::string path =
        Archive({{"e0", "zero", hidden}, {"e1", "one", hidden}, {"e2", "two"}});
    Record(5);  // start 0, chunk 0, start 1, chunk 1, start 2
    EXPECT_EQ(reader.ExtractAll(path, tmp.path()), kPkgCancelled);
    EXPECT_EQ(ReadFile(tmp / "e0"), "zero");
    EXPECT_EQ(ReadFile(tmp / "e1"), "one");
    EXPECT_TRUE(*platform::ReadAttributes(tmp / "e1") & kAttrHidden);
    EXPECT_FALSE(platform::IsFile(tmp / "e2"));
}

TEST_F(ExtractAllTest, CancelAtAChunkLeavesThatFilePartialWithoutAttributes) {
    const std::string path =
        Archive({{"zero", ""}, {"six", NoiseBytes(600000), static_cast<int32_t>(kAttrHidden)}});
    Record(4);  // start 0, chunk 0, start 1, first chunk of 1
    EXPECT_EQ(reader.ExtractAll(path, tmp.path()), kPkgCancelled);
    EXPECT_EQ(platform::FileLength(tmp / "six"), 524288);
    EXPECT_FALSE(*platform::ReadAttributes(tmp / "six") & kAttrHidden);
    EXPECT_EQ(reports.size(), 4u);
}

TEST_F(ExtractAllTest, AttributesAreGivenAndAReadOnlyFileIsNotReplaced) {
    if (!ReadOnlyIsEnforced()) GTEST_SKIP() << "read-only files are writable here";
    const std::string path = Archive({{"ro", "x", static_cast<int32_t>(kAttrReadOnly)}});
    ASSERT_EQ(reader.ExtractAll(path, tmp.path()), 1);
    EXPECT_TRUE(*platform::ReadAttributes(tmp / "ro") & kAttrReadOnly);
    EXPECT_THROW(reader.ExtractAll(path, tmp.path()), Error);
}

TEST_F(ExtractAllTest, AnEmptyArchiveCreatesNothing) {
    const std::string path = Archive({});
    EXPECT_EQ(reader.ExtractAll(path, tmp / "never"), 0);
    EXPECT_FALSE(platform::IsFolder(tmp / "never"));
    const std::string huge = Archive({}, INT64_MAX);
    EXPECT_EQ(reader.ExtractAll(huge, tmp / "never"), kPkgNoSpace);
}

TEST_F(ExtractAllTest, FreeSpaceEqualToTheRequirementIsEnough) {
    // Other programs may write meanwhile: only an attempt during which the free space held
    // still proves anything.
    const std::string equal = Archive({}, 0);
    const std::string over = Archive({}, 0);
    bool equalPassed = false, oneShortFailed = false;
    for (int attempt = 0; attempt < 20 && !(equalPassed && oneShortFailed); ++attempt) {
        const int64_t free = FreeSpace();
        WriteFile(equal, kppack::BuildArchive({}, free));  // same size: no space used
        WriteFile(over, kppack::BuildArchive({}, free + 1));
        if (FreeSpace() != free) continue;
        const int32_t equalResult = reader.ExtractAll(equal, tmp.path());
        const int32_t overResult = reader.ExtractAll(over, tmp.path());
        if (FreeSpace() != free) continue;
        EXPECT_EQ(equalResult, 0);
        EXPECT_EQ(overResult, kPkgNoSpace);
        equalPassed = equalResult == 0;
        oneShortFailed = overResult == kPkgNoSpace;
    }
    EXPECT_TRUE(equalPassed && oneShortFailed) << "the free space never held still";
}

TEST_F(ExtractAllTest, AVolumeThatCannotBeQueriedHasNoSpace) {
    const std::string path = Archive({{"a", "1"}}, 0);
    EXPECT_EQ(reader.ExtractAll(path, NoVolumeDrive() + "target"), kPkgNoSpace);
    EXPECT_EQ(reader.ExtractAll(path, "relative\\target"), kPkgNoSpace);
    EXPECT_EQ(reader.ExtractAll(path, "\\"), kPkgNoSpace);
    EXPECT_EQ(reader.ExtractAll(path, ""), kPkgNoSpace);
}

TEST_F(ExtractAllTest, HeaderFaultsComeBeforeAnythingIsWritten) {
    std::string bytes = kppack::BuildArchive({{"a", "1"}});
    bytes[2] = 7;
    EXPECT_EQ(reader.ExtractAll(Store(bytes), tmp / "out"), kPkgBadVersion);
    EXPECT_EQ(reader.ExtractAll(tmp / "none.kp", tmp / "out"), kPkgNotFound);
    EXPECT_FALSE(platform::IsFolder(tmp / "out"));
}

TEST_F(ExtractAllTest, ASizeThatDiffersFromTheRecordStopsTheExtraction) {
    std::string bytes = kppack::BuildArchive(
        {{"short", std::string(1000, 'a'), static_cast<int32_t>(kAttrHidden)}, {"next", "n"}});
    PutLe32(bytes, kRecord0 + kUnpackedAt, 1001);
    EXPECT_EQ(reader.ExtractAll(Store(bytes), tmp.path()), kPkgSizeMismatch);
    EXPECT_EQ(platform::FileLength(tmp / "short"), 1000);
    EXPECT_FALSE(*platform::ReadAttributes(tmp / "short") & kAttrHidden);
    EXPECT_FALSE(platform::IsFile(tmp / "next"));
}

TEST_F(ExtractAllTest, AnUnsafeNameAnywhereRefusesTheWholeArchive) {
    const std::string path = Archive({{"fine.txt", "1"}, {"..\\evil.txt", "2"}});
    EXPECT_EQ(reader.ExtractAll(path, tmp / "box"), kPkgUnsafeName);
    EXPECT_FALSE(platform::IsFolder(tmp / "box"));
    EXPECT_FALSE(platform::IsFile(tmp / "evil.txt"));
}

TEST_F(ExtractAllTest, ALowerCaseTargetLandsInTheSameFolder) {
    platform::MakeFolder(tmp / "lower");
    const std::string path = Archive({{"a.txt", "text"}});
    EXPECT_EQ(reader.ExtractAll(path, tmp / "lower"), 1);
    const auto entries = platform::ListFolder(tmp.path());
    EXPECT_EQ(entries.size(), 2u);  // the archive and "lower", no second folder
    EXPECT_EQ(ReadFile(tmp / "lower\\a.txt"), "text");
}

TEST_F(ExtractAllTest, ChineseFolderNamesSurviveTheUpperCasing) {
    // In code page 936 the second bytes of 癮 and 癰 are 'a' and 'b'.
    const std::string folder = tmp / "用户癮癰\\Temp\\KpTemp";
    platform::MakeFolders(folder);
    const std::string path = Archive({{"grldr", "loader"}});
    EXPECT_EQ(reader.ExtractAll(path, folder + "\\"), 1);
    EXPECT_EQ(ReadFile(folder + "\\grldr"), "loader");
    EXPECT_EQ(platform::ListFolder(tmp.path()).size(), 2u);
}

TEST_F(ExtractAllTest, DamagedDataPassesOutAndClosesTheArchive) {
    std::string bytes = kppack::BuildArchive({{"a", NoiseBytes(4000)}});
    bytes[bytes.size() - 1000] ^= 0x33;
    const std::string path = Store(bytes);
    EXPECT_THROW(reader.ExtractAll(path, tmp / "out"), Error);
    // The archive was closed: it can be held exclusively now.
    EXPECT_TRUE(platform::File::Open(path, platform::File::Access::ReadExclusive).IsOpen());
}

}  // namespace
}  // namespace zr::test
