// The archive layout byte for byte: these archives are written out by hand rather than by
// kppack, which shares the reader's constants and would agree with a wrong one.

#include "package_fixture.h"

namespace zr::test {
namespace {

// "FD", version 1, one entry, 1000 bytes required, 301 bytes (one record and its data) after
// the header.
const std::string kHeader(
    "FD\x01"
    "\x01\x00\x00\x00"
    "\xE8\x03\x00\x00\x00\x00\x00\x00"
    "\x2D\x01\x00\x00\x00\x00\x00\x00",
    23);

// "hi" as a zlib stream of one stored block: the header 78 01, the final stored block of 2
// bytes (length and its complement), the bytes, then their Adler-32.
const std::string kHiStream(
    "\x78\x01"
    "\x01\x02\x00\xFD\xFF"
    "hi"
    "\x01\x3B\x00\xD2",
    13);

// The 288-byte record of "a.txt": 2 bytes unpacked, 13 packed, the archive attribute, 16
// reserved bytes, then the marker.
std::string IndexRecord(const std::string& marker) {
    std::string record(
        "\x05"
        "a.txt",
        6);
    record.resize(256, '\0');
    record += std::string(
        "\x02\x00\x00\x00"
        "\x0D\x00\x00\x00"
        "\x20\x00\x00\x00",
        12);
    record += std::string(16, '\x5A');
    return record + marker;
}

const std::string kMarker("\xFF\xFF\xFF\x7F", 4);

TEST_F(PackageTest, AHandMadeArchiveIsReadAndExtracted) {
    const std::string path = Store(kHeader + IndexRecord(kMarker) + kHiStream);
    TPackedFileInfoArr entries;
    TPackageHeader header;
    ASSERT_EQ(reader.ReadIndex(path, entries, header), 1);
    EXPECT_EQ(header.RequiredSpace, 1000);
    EXPECT_EQ(header.DataSize, 301);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].FileName, "a.txt");
    EXPECT_EQ(entries[0].UnpackedSize, 2);
    EXPECT_EQ(entries[0].PackedSize, 13);
    EXPECT_EQ(entries[0].Attributes, 0x20);
    EXPECT_EQ(entries[0].Reserved[15], 0x5A);
    EXPECT_EQ(entries[0].DataOffset, 311);

    EXPECT_EQ(reader.ExtractAll(path, tmp / "out"), 1);
    EXPECT_EQ(ReadFile(tmp / "out\\a.txt"), "hi");
}

TEST_F(PackageTest, AnyOtherMarkerIsABadRecord) {
    TPackedFileInfoArr entries;
    TPackageHeader header;
    // The right number in the wrong byte order, one off, all ones and none.
    for (const char* marker : {"\x7F\xFF\xFF\xFF", "\xFE\xFF\xFF\x7F", "\xFF\xFF\xFF\xFF"}) {
        const std::string path = Store(kHeader + IndexRecord(std::string(marker, 4)) + kHiStream);
        EXPECT_EQ(reader.ReadIndex(path, entries, header), -202);
        EXPECT_EQ(reader.ExtractAll(path, tmp / "out"), -202);
    }
    const std::string path = Store(kHeader + IndexRecord(std::string(4, '\0')) + kHiStream);
    EXPECT_EQ(reader.ReadIndex(path, entries, header), -202);
    EXPECT_FALSE(platform::IsFolder(tmp / "out"));
}

}  // namespace
}  // namespace zr::test
