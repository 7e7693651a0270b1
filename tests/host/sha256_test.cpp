// The file fingerprints of the Sources view against sha256sum's, on the test
// data's files fed in pieces of every awkward size (the block buffer's
// edges), and on nothing at all.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/sha256.h"

namespace glimmerlog {
namespace {

std::string PeerDigest(const std::string& path) {
  const std::string command = "sha256sum '" + path + "'";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[128];
    if (fgets(buffer, sizeof(buffer), pipe)) out.assign(buffer, 64);
    pclose(pipe);
  }
  return out;
}

std::string Digest(const std::vector<uint8_t>& bytes, size_t piece) {
  Sha256 hash;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    hash.Add(bytes.data() + at, std::min(piece, bytes.size() - at));
  }
  const std::u16string hex = hash.FinishHex();
  return std::string(hex.begin(), hex.end());
}

TEST(Sha256, AsSha256sumOnRealFilesInAnyPieces) {
  const std::filesystem::path dir = std::filesystem::path(GL_TESTDATA_DIR) / "lnk";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "test data not found at " << dir;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  const std::filesystem::path empty = std::filesystem::temp_directory_path() / "glimmerlog-sha256-empty";
  std::ofstream(empty).close();
  files.push_back(empty);
  ASSERT_GT(files.size(), 2u);
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string want = PeerDigest(file.string());
    ASSERT_EQ(want.size(), 64u) << "sha256sum gave nothing for " << file;
    for (size_t piece : {size_t{1}, size_t{55}, size_t{56}, size_t{63}, size_t{64}, size_t{65}, bytes.size() + 1}) {
      EXPECT_EQ(Digest(bytes, piece), want) << file << " in pieces of " << piece;
    }
  }
  std::filesystem::remove(empty);
}

}  // namespace
}  // namespace glimmerlog
