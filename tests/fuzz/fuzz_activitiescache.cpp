// libFuzzer target for the Windows Timeline reader: an activity cache whose
// bytes are edited (a well-formed seed with JSON in its AppId and Payload
// columns) or given raw, read as the view reads it, with its rows' JSON.
//
// Byte 0: bit 0 edits of the seed (else raw bytes as the database). Edits:
// 3 bytes offset, 1 byte length, the bytes.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "sources/activities/activitiescache.h"
#include "tests/support/sqlitebytes.h"

namespace {

// The database as the one file of a folder.
class OneFile final : public glimmerlog::FolderSource {
 public:
  explicit OneFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::unique_ptr<Listing> List(std::u16string_view, glimmerlog::SourceStatus* status) override {
    if (status) *status = glimmerlog::SourceStatus::kMissing;
    return nullptr;
  }
  uint32_t Attributes(const std::u16string&) override { return 0x20; }
  glimmerlog::SourceStatus ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, uint64_t) override {
    if (path != u"a.db") return glimmerlog::SourceStatus::kMissing;
    bytes = bytes_;
    return glimmerlog::SourceStatus::kOk;
  }

 private:
  std::vector<uint8_t> bytes_;
};

std::vector<uint8_t> Seed() {
  return glimmerlog::MakeDatabase(
      "PRAGMA page_size=1024;"
      "CREATE TABLE Activity(Id GUID PRIMARY KEY NOT NULL, AppId TEXT NOT NULL, ActivityType INT NOT NULL,"
      "  LastModifiedTime DATETIME NOT NULL, ExpirationTime DATETIME NOT NULL, Payload BLOB,"
      "  StartTime DATETIME NOT NULL, EndTime DATETIME);"
      "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<20)"
      "  INSERT INTO Activity SELECT randomblob(16),"
      "  '[{\"application\":\"{1AC14E77-02E7-4E5D-B744-2EB1AE5198B7}\\\\notepad.exe\",\"platform\":\"windows_win32\"}]',"
      "  5 + x % 2, 1646486399 + x, 1649078399, CAST('{\"displayText\":\"d' || x || '.txt\",\"appDisplayName\":"
      "\"Notepad\",\"contentUri\":\"file:///C:/d' || x || '.txt\",\"activeDurationSeconds\":' || x || '}' AS BLOB),"
      "  1646486399 + x, 1646486499 + x FROM c;");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::vector<uint8_t> db;
  if (data[0] & 1) {
    static const std::vector<uint8_t> seed = [] {
      // Unedited, the seed reads whole.
      std::vector<uint8_t> bytes = Seed();
      OneFile folders(bytes);
      std::vector<glimmerlog::Activity> activities;
      std::string note;
      glimmerlog::ReadActivityCache(folders, u"a.db", activities, note);
      if (activities.size() != 20 || activities[0].app != u"System32\\notepad.exe" || activities[0].text.empty()) {
        fprintf(stderr, "seed: %zu activities, %s\n", activities.size(), note.c_str());
        std::abort();
      }
      return bytes;
    }();
    db = seed;
    for (size_t pos = 1; pos + 4 <= size;) {
      const size_t at = (data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16) % db.size();
      const size_t n = data[pos + 3];
      pos += 4;
      for (size_t i = 0; i < n && pos < size; ++i, ++pos) db[(at + i) % db.size()] = data[pos];
    }
  } else {
    db.assign(data + 1, data + size);
  }
  OneFile folders(std::move(db));
  std::vector<glimmerlog::Activity> activities;
  std::string note;
  const glimmerlog::SourceStatus status = glimmerlog::ReadActivityCache(folders, u"a.db", activities, note);
  if (status != glimmerlog::SourceStatus::kOk && note.empty()) std::abort();
  for (const glimmerlog::Activity& a : activities) {
    if (a.fromLog) std::abort();  // there is no log
  }
  return 0;
}
