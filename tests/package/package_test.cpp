// Reading the index and extracting single entries.

#include <gmock/gmock.h>

#include "package_fixture.h"
#include "platform/error.h"
#ifndef _WIN32
#include "platform/posix/drive_map.h"
#endif

namespace zr::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class ReadIndexTest : public PackageTest {
  protected:
    int32_t Read(const std::string& path) { return reader.ReadIndex(path, entries, header); }
    TPackedFileInfoArr entries;
    TPackageHeader header;
};

TEST_F(ReadIndexTest, AnEmptyArchiveHasNoEntries) {
    const std::string bytes = kppack::BuildArchive({});
    ASSERT_EQ(bytes.size(), 23u);
    EXPECT_EQ(Read(Store(bytes)), 0);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(header.Version, 1);
}

TEST_F(ReadIndexTest, HeaderFaultsHaveTheirCodes) {
    const std::string good = kppack::BuildArchive({{"a", "x"}});
    EXPECT_EQ(Read(tmp / "missing.kp"), kPkgNotFound);
    EXPECT_EQ(Read(Store(good.substr(0, 22))), kPkgNotFound);

    std::string magic = good;
    magic[0] = 'f';
    magic[1] = 'd';
    EXPECT_EQ(Read(Store(magic)), kPkgBadMagic);

    std::string version = good;
    version[2] = 2;
    EXPECT_EQ(Read(Store(version)), kPkgBadVersion);

    std::string dataSize = good;
    PutLe64(dataSize, 15, static_cast<int64_t>(good.size()) - 23 + 1);
    EXPECT_EQ(Read(Store(dataSize)), kPkgBadDataSize);
    PutLe64(dataSize, 15, static_cast<int64_t>(good.size()) - 23 - 1);
    EXPECT_EQ(Read(Store(dataSize)), kPkgBadDataSize);
    EXPECT_TRUE(entries.empty());
}

TEST_F(ReadIndexTest, AFolderIsNotAnArchive) {
    platform::MakeFolder(tmp / "dir.kp");
    EXPECT_EQ(Read(tmp / "dir.kp"), kPkgNotFound);
}

TEST_F(ReadIndexTest, OffsetsFollowTheRecordsAndTheirData) {
    const std::string path = Archive({{"first.bin", NoiseBytes(1000)}, {"sub\\second.txt", "hi"}});
    ASSERT_EQ(Read(path), 2);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].FileName, "first.bin");
    EXPECT_EQ(entries[0].UnpackedSize, 1000);
    EXPECT_EQ(entries[0].DataOffset, 311);
    EXPECT_EQ(entries[1].FileName, "sub\\second.txt");
    EXPECT_EQ(entries[1].DataOffset, 311 + entries[0].PackedSize + 288);
    EXPECT_EQ(entries[1].Marker, 0x7FFFFFFF);
    EXPECT_EQ(header.FileCount, 2);
    EXPECT_EQ(header.RequiredSpace, 1002);
}

TEST_F(ReadIndexTest, ChineseNamesAreReadInCodePage936OnEveryWindows) {
    const std::string path = Archive({{"启动\\菜单.txt", "x"}});
#ifndef _WIN32
    platform::posix::SetAnsiCodePage(1252);  // as on an English Windows
#endif
    const int32_t count = Read(path);
#ifndef _WIN32
    platform::posix::SetAnsiCodePage(936);
#endif
    ASSERT_EQ(count, 1);
    EXPECT_EQ(entries[0].FileName, "启动\\菜单.txt");
    // Stored as code page 936 bytes: 2 bytes a character.
    EXPECT_EQ(static_cast<uint8_t>(ReadFile(path)[kRecord0]), 13);
}

TEST_F(ReadIndexTest, ABadMarkerStopsAtThatRecord) {
    std::string bytes = kppack::BuildArchive({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    const size_t record1 =
        kRecord0 + 288 + static_cast<size_t>(GetLe32(bytes, kRecord0 + kPackedAt));
    bytes[record1 + kMarkerAt] = 0;
    EXPECT_EQ(Read(Store(bytes)), kPkgBadRecord);
    ASSERT_EQ(entries.size(), 3u);  // the array keeps FileCount elements
    EXPECT_EQ(entries[0].FileName, "a");
    EXPECT_EQ(entries[1].FileName, "");
    EXPECT_EQ(entries[1].DataOffset, 0);
    EXPECT_EQ(entries[2].Marker, 0);
}

TEST_F(ReadIndexTest, ImpossibleCountsAndSizesAreBadRecords) {
    const std::string good = kppack::BuildArchive({{"a", "1"}, {"b", "2"}});
    for (int32_t count : {-1, INT32_MIN, 3, INT32_MAX}) {
        std::string bytes = good;
        PutLe32(bytes, 3, count);
        EXPECT_EQ(Read(Store(bytes)), kPkgBadRecord) << count;
    }
    std::string packed = good;
    PutLe32(packed, kRecord0 + kPackedAt, -12);
    EXPECT_EQ(Read(Store(packed)), kPkgBadRecord);
    std::string unpacked = good;
    PutLe32(unpacked, kRecord0 + kUnpackedAt, -1);
    EXPECT_EQ(Read(Store(unpacked)), kPkgBadRecord);
}

TEST_F(ReadIndexTest, ARecordCutShortIsABadRecord) {
    // The second record claims to start past the end of the file.
    std::string bytes = kppack::BuildArchive({{"a", "1"}, {"b", "2"}});
    PutLe32(bytes, kRecord0 + kPackedAt, GetLe32(bytes, kRecord0 + kPackedAt) + 200);
    EXPECT_EQ(Read(Store(bytes)), kPkgBadRecord);
}

TEST_F(ReadIndexTest, AnArchiveHeldExclusivelyCannotBeOpened) {
    const std::string path = Archive({{"a", "1"}});
    platform::File holder = platform::File::Open(path, platform::File::Access::ReadExclusive);
    ASSERT_TRUE(holder.IsOpen());
    try {
        Read(path);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_THAT(e.what(), StartsWith("Cannot open file \"" + path + "\". "));
    }
}

class ExtractFileTest : public PackageTest {
  protected:
    TPackedFileInfo Entry(const std::string& path, size_t i = 0) {
        TPackedFileInfoArr entries;
        TPackageHeader header;
        EXPECT_GT(reader.ReadIndex(path, entries, header), static_cast<int32_t>(i));
        return entries.at(i);
    }
};

TEST_F(ExtractFileTest, ALargeEntryIsWrittenInChunks) {
    const std::string data = NoiseBytes(1048577);
    const std::string path = Archive({{"big.bin", data}});
    Record();
    EXPECT_EQ(reader.ExtractFile(path, tmp / "out", Entry(path)), 1048577);
    const std::string target = tmp / "out\\big.bin";
    EXPECT_EQ(ReadFile(target), data);
    const std::vector<Report> expected = {{target, 524288, 1048577, -1, false},
                                          {target, 1048576, 1048577, -1, false},
                                          {target, 1048577, 1048577, -1, false}};
    EXPECT_EQ(reports, expected);
}

TEST_F(ExtractFileTest, AnEmptyEntryGivesAnEmptyFileAndOneReport) {
    const std::string path = Archive({{"empty", ""}});
    Record();
    EXPECT_EQ(reader.ExtractFile(path, tmp.path(), Entry(path)), 0);
    EXPECT_TRUE(platform::IsFile(tmp / "empty"));
    const std::vector<Report> expected = {{tmp / "empty", 0, 0, -1, false}};
    EXPECT_EQ(reports, expected);
}

TEST_F(ExtractFileTest, ACancelledFileStaysAndGetsItsAttributes) {
    const std::string path =
        Archive({{"big.bin", NoiseBytes(1048577), static_cast<int32_t>(platform::kAttrHidden)}});
    Record(1);
    EXPECT_EQ(reader.ExtractFile(path, tmp.path(), Entry(path)), kPkgCancelled);
    EXPECT_EQ(platform::FileLength(tmp / "big.bin"), 524288);
    EXPECT_TRUE(*platform::ReadAttributes(tmp / "big.bin") & platform::kAttrHidden);
}

// The cancel is looked at before the end: a cancel at the last chunk still counts.
TEST_F(ExtractFileTest, ACancelAtTheLastChunkStillCancels) {
    const std::string path = Archive({{"a.txt", "text"}});
    Record(1);
    EXPECT_EQ(reader.ExtractFile(path, tmp.path(), Entry(path)), kPkgCancelled);
    EXPECT_EQ(ReadFile(tmp / "a.txt"), "text");
}

TEST_F(ExtractFileTest, FolderPartsOfTheNameAreCreated) {
    const std::string path = Archive({{"sub\\deeper\\a.txt", "text"}});
    EXPECT_EQ(reader.ExtractFile(path, tmp / "target", Entry(path)), 4);
    EXPECT_EQ(ReadFile(tmp / "target\\sub\\deeper\\a.txt"), "text");
}

TEST_F(ExtractFileTest, OneTrailingBackslashMakesNoDifference) {
    const std::string path = Archive({{"a.txt", "text"}});
    Record();
    reader.ExtractFile(path, tmp / "t", Entry(path));
    reader.ExtractFile(path, tmp / "t\\", Entry(path));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].fileName, tmp / "t\\a.txt");
    EXPECT_EQ(reports[1].fileName, reports[0].fileName);
}

TEST_F(ExtractFileTest, AReadOnlyEntryCannotBeExtractedTwice) {
    if (!ReadOnlyIsEnforced()) GTEST_SKIP() << "read-only files are writable here";
    const std::string path =
        Archive({{"ro.txt", "x", static_cast<int32_t>(platform::kAttrReadOnly)}});
    ASSERT_EQ(reader.ExtractFile(path, tmp.path(), Entry(path)), 1);
    try {
        reader.ExtractFile(path, tmp.path(), Entry(path));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_THAT(e.what(), StartsWith("Cannot create file \"" + tmp / "ro.txt" + "\". "));
        EXPECT_GT(std::string(e.what()).size(),
                  ("Cannot create file \"" + tmp / "ro.txt" + "\". ").size());
    }
    EXPECT_EQ(ReadFile(tmp / "ro.txt"), "x");
}

TEST_F(ExtractFileTest, AMissingArchiveGivesNotFound) {
    const std::string path = Archive({{"a", "1"}});
    const TPackedFileInfo entry = Entry(path);
    EXPECT_EQ(reader.ExtractFile(tmp / "gone.kp", tmp / "out", entry), kPkgNotFound);
    EXPECT_FALSE(platform::IsFolder(tmp / "out"));
}

TEST_F(ExtractFileTest, NoSourceGivesNotFound) {
    EXPECT_EQ(reader.DecompressTo(tmp / "x", nullptr, 10), kPkgNotFound);
    EXPECT_FALSE(platform::IsFile(tmp / "x"));
}

TEST_F(ExtractFileTest, NamesLeadingOutOfTheTargetAreRefused) {
    const std::string path = Archive({{"a", "1"}});
    TPackedFileInfo entry = Entry(path);
    for (const std::string& name : std::vector<std::string>{
             "..\\escape.txt", "sub\\..\\..\\escape.txt", "\\escape.txt", "/escape.txt",
             "C:\\escape.txt", "C:escape.txt", "sub/../../escape.txt", "... \\escape.txt",
             std::string("..\0\\escape.txt", 14), "CON", "nul.txt", "sub\\Aux .log\\x", "com1",
             "LPT9.txt", "NUL.tar.gz"}) {
        entry.FileName = name;
        EXPECT_EQ(reader.ExtractFile(path, tmp / "in\\deep", entry), kPkgUnsafeName) << name;
    }
    EXPECT_TRUE(platform::ListFolder(tmp.path()).size() == 1);  // only the archive
    entry.FileName = "sub\\..name.txt";                         // dots inside a name are fine
    EXPECT_EQ(reader.ExtractFile(path, tmp / "in", entry), 1);
    entry.FileName = "console\\COM10.nul";  // and so are names that only begin like devices
    EXPECT_EQ(reader.ExtractFile(path, tmp / "in", entry), 1);
}

class DamagedDataTest : public ExtractFileTest {
  protected:
    // The archive with one byte of the entry's stream changed, counted from the stream's end.
    std::string Damaged(const std::string& data, size_t fromEnd) {
        std::string bytes = kppack::BuildArchive({{"f.bin", data}});
        bytes[bytes.size() - fromEnd] ^= 0x55;
        return Store(bytes);
    }
};

TEST_F(DamagedDataTest, ABrokenStreamIsADecompressionError) {
    const std::string path = Damaged(NoiseBytes(5000), 2000);
    EXPECT_THROW(
        {
            try {
                reader.ExtractFile(path, tmp.path(), Entry(path));
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), "Error");
                throw;
            }
        },
        Error);
}

TEST_F(DamagedDataTest, ABadChecksumIsNeverPassedOffAsAGoodFile) {
    const std::string path = Damaged(std::string(3000, 'a'), 1);  // last byte of the Adler-32
    EXPECT_THROW(reader.ExtractFile(path, tmp.path(), Entry(path)), Error);
}

TEST_F(DamagedDataTest, AStreamLongerThanItsRecordIsAnError) {
    std::string bytes = kppack::BuildArchive({{"f.bin", std::string(3000, 'a')}});
    PutLe32(bytes, kRecord0 + kUnpackedAt, 2999);
    const std::string path = Store(bytes);
    EXPECT_THROW(reader.ExtractFile(path, tmp.path(), Entry(path)), Error);
}

TEST_F(DamagedDataTest, AStreamShorterThanItsRecordGivesWhatItHolds) {
    std::string bytes = kppack::BuildArchive({{"f.bin", std::string(3000, 'a')}});
    PutLe32(bytes, kRecord0 + kUnpackedAt, 3001);
    const std::string path = Store(bytes);
    EXPECT_EQ(reader.ExtractFile(path, tmp.path(), Entry(path)), 3000);
}

TEST_F(DamagedDataTest, AnArchiveCutInsideTheStreamStopsWithoutHanging) {
    std::string bytes = kppack::BuildArchive({{"f.bin", NoiseBytes(100000)}});
    bytes.resize(bytes.size() - 50000);
    PutLe64(bytes, 15, static_cast<int64_t>(bytes.size()) - 23);
    const std::string path = Store(bytes);
    const int32_t written = reader.ExtractFile(path, tmp.path(), Entry(path));
    EXPECT_GT(written, 0);
    EXPECT_LT(written, 100000);
}

TEST_F(PackageTest, PackingRefusesNamesTheReaderWouldRefuseOrRename) {
    std::vector<std::string> badNames = {"smile\xF0\x9F\x98\x80.txt"};  // not in code page 936
#ifndef _WIN32
    badNames.insert(badNames.end(), {"a:b", "...", "sub\\. ."});  // names Linux allows
#endif
    for (const auto& bad : badNames) {
        const std::string folder = tmp / ("payload" + std::to_string(&bad - badNames.data()));
        WriteFile(folder + "\\启动.txt", "fine");
        const std::string archive = tmp / "out.kp";
        ASSERT_EQ(kppack::PackFolder(folder, archive), 1);
        WriteFile(folder + "\\" + bad, "bad");
        EXPECT_THROW(kppack::PackFolder(folder, archive), std::runtime_error) << bad;
    }
}

}  // namespace
}  // namespace zr::test
