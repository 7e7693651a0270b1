// The Win32 rules of the lowest layer, against the platform itself: the
// file reader at offsets past 4 GiB and at the end of a file, and
// Windows-1252 as the platform's own conversion gives it.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <string>

#include "base/codepage.h"
#include "base/file_win.h"
#include "sources/folders/filestatus_win.h"
#include "tests/win32/win32_test_util.h"

namespace glimmerlog {
namespace {

bool WriteAt(HANDLE file, uint64_t offset, const std::string& bytes) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  DWORD written = 0;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
         WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
}

std::string Read(ReadOnlyFile& file, uint64_t offset, size_t n) {
  std::string bytes(n, '?');
  bytes.resize(file.ReadAt(offset, bytes.data(), n));
  return bytes;
}

// A sparse file of 5 GiB: its few written bytes straddle the 4 GiB mark
// and end the file, so that a read that loses the offset's high half, or
// takes the end for a failure, shows.
TEST(ReadOnlyFile, ReadsPast4GiBAndStopsAtTheEnd) {
  test::ScratchFolder folder(L"filereader");
  const std::wstring path = folder.path() + L"\\large.bin";
  constexpr uint64_t k4GiB = uint64_t{1} << 32, kEnd = 5 * (uint64_t{1} << 30);
  {
    UniqueFile writer(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    DWORD returned = 0;
    if (!DeviceIoControl(writer.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr)) {
      GTEST_SKIP() << "this file system makes no sparse files";
    }
    ASSERT_TRUE(WriteAt(writer.get(), 0, "head"));
    ASSERT_TRUE(WriteAt(writer.get(), k4GiB - 2, "ABCD"));
    ASSERT_TRUE(WriteAt(writer.get(), kEnd - 4, "tail"));
  }
  ReadOnlyFile file;
  ASSERT_TRUE(file.Open(path.c_str()));
  EXPECT_TRUE(file.IsDisk());
  uint64_t size = 0;
  ASSERT_TRUE(file.Size(size));
  EXPECT_EQ(size, kEnd);

  struct Case {
    uint64_t offset;
    size_t n;
    std::string bytes;
  } const cases[] = {
      {0, 4, "head"},
      {k4GiB - 2, 4, "ABCD"},                // across the mark
      {k4GiB, 2, "CD"},                      // just past it
      {kEnd - 4, 10, "tail"},                // short at the end
      {kEnd, 10, ""},                        // at the end
      {kEnd + k4GiB, 10, ""},                // far past it
      {k4GiB + 2, 3, std::string(3, '\0')},  // a hole reads as zeros
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Read(file, c.offset, c.n), c.bytes) << c.offset;
    EXPECT_EQ(file.Error(), 0u) << c.offset;  // the end of the file is no failure
  }
  file = ReadOnlyFile();
  EXPECT_TRUE(DeleteFileW(path.c_str()));

  ReadOnlyFile missing;
  EXPECT_FALSE(missing.Open((folder.path() + L"\\none.bin").c_str()));
  EXPECT_EQ(StatusOfFileError(missing.Error()), SourceStatus::kMissing);
  EXPECT_EQ(Read(missing, 0, 4), "");
}

// Every byte as the platform converts it with code page 1252, the five
// unassigned bytes included.
TEST(Windows1252, EveryByteAsThePlatformConvertsIt) {
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    wchar_t platform = 0;
    ASSERT_EQ(MultiByteToWideChar(1252, 0, &byte, 1, &platform, 1), 1) << b;
    EXPECT_EQ(Windows1252Char(static_cast<unsigned char>(b)), static_cast<char16_t>(platform)) << b;
    EXPECT_EQ(Windows1252Text(std::string(1, byte)), std::u16string(1, static_cast<char16_t>(platform))) << b;
  }
}

}  // namespace
}  // namespace glimmerlog
