// Programs Run (BAM): the last run time of each program per user, as the
// Background Activity Moderator (and, on devices with connected standby,
// the Desktop Activity Moderator) keeps them in the SYSTEM hive:
//
// - <control set>\Services\bam\State\UserSettings\<SID> from Windows 10
//   1809, Services\bam\UserSettings\<SID> before (a volume upgraded in
//   between may hold both, each with its own times); the same under dam.
// - One value per program: its name the program (a path under
//   \Device\HarddiskVolumeN\, or a packaged app's name), its first eight
//   bytes the last run time (FILETIME); Version and SequenceNumber are no
//   programs.
//
// Every SID's entries are listed; the shown user's are named. Platform-free.
#include <string>

#include "base/ascii.h"
#include "base/bytes.h"
#include "views/systemhive.h"
#include "views/viewdef.h"

namespace glimmerlog {

namespace {

constexpr uint32_t kRegBinary = 3;
constexpr char16_t kDevicePrefix[] = u"\\Device\\HarddiskVolume";

struct Entry {
  std::u16string program, sid, layout, key;
  uint64_t lastRun = 0;
};

// The names Windows gives its own accounts' SIDs.
std::u16string WellKnownName(const std::u16string& sid) {
  if (sid == u"S-1-5-18") return u"SYSTEM";
  if (sid == u"S-1-5-19") return u"LOCAL SERVICE";
  if (sid == u"S-1-5-20") return u"NETWORK SERVICE";
  if (StartsWithIgnoringAsciiCase(sid, u"S-1-5-90-0-")) return u"DWM-" + sid.substr(11);
  if (StartsWithIgnoringAsciiCase(sid, u"S-1-5-96-0-")) return u"UMFD-" + sid.substr(11);
  return {};
}

// "\Device\HarddiskVolume2\" of a program's path; empty for a packaged
// app or another device.
std::u16string DeviceOf(const std::u16string& program) {
  if (!StartsWithIgnoringAsciiCase(program, kDevicePrefix)) return {};
  size_t end = std::char_traits<char16_t>::length(kDevicePrefix);
  while (end < program.size() && program[end] >= u'0' && program[end] <= u'9') ++end;
  if (end == std::char_traits<char16_t>::length(kDevicePrefix) || end >= program.size() || program[end] != u'\\') {
    return {};
  }
  return program.substr(0, end + 1);
}

class BamReader {
 public:
  BamReader(ViewSources& sources, Table& table) : s_(sources), table_(table) {}

  bool Read(Progress& progress) {
    const std::u16string services = CurrentControlSet(*s_.system) + u"\\Services\\";
    bool any = false;
    for (const char16_t* service : {u"bam", u"dam"}) {
      for (const char16_t* layout : {u"State\\UserSettings", u"UserSettings"}) {
        const std::u16string place = std::u16string(service) + u"\\" + layout;
        const std::u16string key = services + place;
        std::vector<std::u16string> sids;
        const SourceStatus status = s_.system->SubKeys(key, sids);
        if (status == SourceStatus::kMissing) continue;
        any = true;
        if (status != SourceStatus::kOk) Report(key, status);
        for (size_t i = 0; i < sids.size(); ++i) {
          if (!progress.Step(i, sids.size())) return false;
          ReadSid(key + u"\\" + sids[i], sids[i], place);
        }
      }
    }
    if (!any) table_.Problem(u"BAM: " + services + u"bam: missing");
    return true;
  }

  void Write(Timeline* timeline) {
    // The device that holds Windows is the volume: its programs are shown
    // in their folders there. With none, or more than one, no device is.
    std::u16string systemDevice;
    bool ambiguous = false;
    for (const Entry& e : entries_) {
      const std::u16string device = DeviceOf(e.program);
      if (device.empty() || !StartsWithIgnoringAsciiCase(std::u16string_view(e.program).substr(device.size()),
                                                         u"Windows\\")) {
        continue;
      }
      if (systemDevice.empty()) {
        systemDevice = device;
      } else if (!SameIgnoringAsciiCase(systemDevice, device)) {
        ambiguous = true;
      }
    }
    if (ambiguous || s_.volumeRoot.empty()) systemDevice.clear();
    table_.Reserve(entries_.size(), 5);
    for (const Entry& e : entries_) {
      std::u16string user = !s_.userSid.empty() && e.sid == s_.userSid ? s_.userName : WellKnownName(e.sid);
      std::u16string target;
      if (!systemDevice.empty() && StartsWithIgnoringAsciiCase(e.program, systemDevice)) {
        target = s_.volumeRoot + e.program.substr(systemDevice.size());
      }
      table_.AddRow().Text(e.program).Time(e.lastRun).Text(e.sid).Text(user).Text(e.layout).Target(target);
      if (timeline && e.lastRun) {
        timeline->Add({e.lastRun, u"Program run (BAM)", e.program, user.empty() ? e.sid : user,
                       u"SYSTEM\\" + e.key, target});
      }
    }
  }

 private:
  void Report(const std::u16string& key, SourceStatus status) {
    if (status == SourceStatus::kDenied && s_.liveVolume) {
      if (!deniedSaid_) table_.Problem(u"BAM: access denied \u2014 run as administrator to read it");
      deniedSaid_ = true;
      return;
    }
    table_.Problem(u"BAM: " + key + u": " + AsciiText(StatusName(status)));
  }

  void ReadSid(const std::u16string& key, const std::u16string& sid, const std::u16string& layout) {
    std::vector<std::u16string> names;
    const SourceStatus listed = s_.system->ValueNames(key, names);
    if (listed != SourceStatus::kOk) Report(key, listed);
    for (const std::u16string& name : names) {
      RegistryData data;
      const SourceStatus read = s_.system->ReadValue(key, name, data);
      if (read != SourceStatus::kOk) {
        Report(key + u" value " + name, read);
        continue;
      }
      if (data.type != kRegBinary) continue;  // Version, SequenceNumber
      if (data.bytes.size() < 8) {
        table_.Problem(u"BAM: " + key + u" value " + name + u": too short for a time");
        continue;
      }
      entries_.push_back({name, sid, layout, key, Le64(data.bytes.data())});
    }
  }

  ViewSources& s_;
  Table& table_;
  std::vector<Entry> entries_;
  bool deniedSaid_ = false;
};

}  // namespace

void ReadBam(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Program", 6000}, {u"Last Run", 2200}, {u"SID", 3500}, {u"User", 1800}, {u"Layout", 2000}};
  if (!sources.system) {
    if (sources.volumeRoot.empty()) {
      table.Problem(std::u16string(u"BAM") + kNeedsVolume);
    } else {
      table.Problem(u"BAM: " + (sources.systemNote.empty() ? std::u16string(u"the volume's SYSTEM hive: missing")
                                                            : sources.systemNote));
    }
    return;
  }
  BamReader reader(sources, table);
  // Told to stop, it still shows the entries it has read.
  reader.Read(progress);
  reader.Write(timeline);
}

}  // namespace glimmerlog
