// A Windows volume assembled from the test data: its users found in the
// profile folders, their SIDs from the SOFTWARE hive's ProfileList or else
// from the root key of their classes hive, the templates left out, and the
// computer's name from the SYSTEM hive as hivexget reads it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/utf8.h"
#include "sources/folders/posixfolders.h"
#include "sources/volume/windowsvolume.h"
#include "tests/support/hivetree.h"

namespace glimmerlog {
namespace {

namespace fs = std::filesystem;
const std::string kData = GL_TESTDATA_DIR;

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

void Write(const fs::path& path, const std::vector<uint8_t>& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
}

TEST(WindowsVolume, UsersTheirSidsAndTheComputer) {
  const std::string systemXz = kData + "/system/regipy-SYSTEM_WIN_10_1709.xz";
  if (!fs::exists(systemXz)) GTEST_SKIP() << "test data not found at " << kData;
  if (Shell("command -v xz").empty() || Shell("command -v hivexget").empty() || Shell("command -v hivexml").empty()) {
    GTEST_SKIP() << "xz, hivexget or hivexml is missing (packages xz-utils, libhivex-bin)";
  }
  const fs::path root = fs::temp_directory_path() / "glimmerlog-volume-test";
  fs::remove_all(root);
  const fs::path config = root / "Windows" / "System32" / "config";
  fs::create_directories(config);
  ASSERT_EQ(std::system(("xz -dc '" + systemXz + "' > '" + (config / "SYSTEM").string() + "'").c_str()), 0);
  // bob's SID is in ProfileList; carol's only in her classes hive; Default
  // and Public are no users; dave has no hive.
  HiveNode software;
  software.Key(u"Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1-2-3-1001")
      .Sz(u"ProfileImagePath", u"C:\\Users\\bob");
  software.Key(u"Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-18")
      .Sz(u"ProfileImagePath", u"%systemroot%\\system32\\config\\systemprofile");
  Write(config / "SOFTWARE", software.File());
  for (const char* user : {"bob", "carol", "Default", "Public"}) {
    fs::create_directories(root / "Users" / user);
    fs::copy_file(kData + "/hives/win7_plaso_NTUSER-WIN7.DAT", root / "Users" / user / "NTUSER.DAT");
  }
  fs::create_directories(root / "Users" / "dave");
  fs::create_directories(root / "Users" / "carol" / "AppData" / "Local" / "Microsoft" / "Windows");
  fs::copy_file(kData + "/shellbags/plaso-UsrClass.dat",
                root / "Users" / "carol" / "AppData" / "Local" / "Microsoft" / "Windows" / "UsrClass.dat");

  PosixFolderSource folders(root.string());
  folders.SetWindowsRoot(u"C:");
  std::u16string why;
  const std::unique_ptr<WindowsVolume> volume = WindowsVolume::Open(folders, u"C:", why);
  ASSERT_TRUE(volume) << std::string(why.begin(), why.end());
  EXPECT_EQ(volume->Root(), u"C:\\");
  ASSERT_EQ(volume->Users().size(), 2u);
  EXPECT_EQ(volume->Users()[0].name, u"bob");
  EXPECT_EQ(volume->Users()[0].sid, u"S-1-5-21-1-2-3-1001");
  EXPECT_EQ(volume->Users()[0].folder, u"C:\\Users\\bob");
  EXPECT_EQ(volume->Users()[1].name, u"carol");
  // The classes hive's root key is the SID with "_Classes", as hivexml
  // names the hive's first node.
  const std::string rootName = Shell("hivexml '" + kData +
                                   "/shellbags/plaso-UsrClass.dat' | grep -o '<node name=\"[^\"]*\"' | head -1 | "
                                   "cut -d'\"' -f2");
  EXPECT_EQ(std::string(volume->Users()[1].sid.begin(), volume->Users()[1].sid.end()) + "_Classes", rootName);
  EXPECT_EQ(volume->FindUser(u"BOB"), &volume->Users()[0]);
  EXPECT_EQ(volume->FindUser(u"S-1-5-21-1-2-3-1001"), &volume->Users()[0]);
  EXPECT_EQ(volume->FindUser(u"dave"), nullptr);

  const std::string computer =
      Shell("hivexget '" + (config / "SYSTEM").string() + "' 'ControlSet001\\Control\\ComputerName\\ComputerName' "
          "ComputerName");
  EXPECT_EQ(volume->ComputerName(), Utf8ToU16(computer));
  ASSERT_NE(volume->System(), nullptr);
  EXPECT_EQ(CurrentControlSet(*volume->System()), u"ControlSet00" + Utf8ToU16(Shell(
      "hivexget '" + (config / "SYSTEM").string() + "' Select Current")));

  // A folder without Windows is no volume.
  PosixFolderSource bare((root / "Users").string());
  EXPECT_FALSE(WindowsVolume::Open(bare, u"", why));
  EXPECT_NE(why.find(u"no Windows folder"), std::u16string::npos);
  fs::remove_all(root);
}

}  // namespace
}  // namespace glimmerlog
