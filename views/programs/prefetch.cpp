// Prefetch: the programs Windows prefetched, one line per file of the
// volume's Windows\Prefetch folder: when each last ran (up to eight times),
// how often, from where, and what it loaded. Machine-wide, so read from a
// Windows volume only; on the running Windows the folder needs an
// administrator. Platform-free.
#include <algorithm>
#include <cstdio>

#include "base/ascii.h"
#include "base/isotime.h"
#include "base/utf8.h"
#include "sources/prefetch/prefetch.h"
#include "views/viewdef.h"

namespace glimmerlog {

namespace {

// "2016-01-10 02:29:02" (UTC): the earlier run times, as one text.
std::u16string UtcText(uint64_t fileTime) {
  const CalendarTime t = UtcFields(fileTime);
  char text[48];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d:%02d", static_cast<long long>(t.year), t.month, t.day,
                t.hour, t.minute, t.second);
  return Utf8ToU16(text);
}

std::u16string Hex8(uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "%08X", value);
  return Utf8ToU16(text);
}

std::u16string_view FileName(std::u16string_view path) {
  const size_t slash = path.rfind(u'\\');
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

// The volume of a stored path: the device path it starts with, or none.
const PrefetchVolume* VolumeOf(const PrefetchInfo& info, std::u16string_view path) {
  for (const PrefetchVolume& v : info.volumes) {
    if (!v.devicePath.empty() && path.size() > v.devicePath.size() && path[v.devicePath.size()] == u'\\' &&
        StartsWithIgnoringAsciiCase(path, v.devicePath)) {
      return &v;
    }
  }
  return nullptr;
}

// The volume Windows ran from: the one every program loads NTDLL.DLL from.
const PrefetchVolume* SystemVolume(const PrefetchInfo& info) {
  for (const std::u16string& f : info.files) {
    if (SameIgnoringAsciiCase(FileName(f), u"NTDLL.DLL")) {
      if (const PrefetchVolume* v = VolumeOf(info, f)) return v;
    }
  }
  return info.volumes.size() == 1 ? &info.volumes[0] : nullptr;
}

// The program's own file among those loaded: the one named as the program
// (whose stored name is cut to 29 characters, so a longer one begins so).
std::u16string ProgramPath(const PrefetchInfo& info) {
  if (info.executable.empty()) return {};
  const std::u16string* begins = nullptr;
  for (const std::u16string& f : info.files) {
    const std::u16string_view name = FileName(f);
    if (SameIgnoringAsciiCase(name, info.executable)) return f;
    if (!begins && info.executable.size() >= 29 && StartsWithIgnoringAsciiCase(name, info.executable)) begins = &f;
  }
  return begins ? *begins : std::u16string();
}

// A stored path on the volume's own Windows volume, as it lies there now
// (`root` ends in a backslash); empty when it is on another volume.
std::u16string OnVolume(const PrefetchInfo& info, const std::u16string& path, const std::u16string& root) {
  const PrefetchVolume* system = SystemVolume(info);
  if (!system || VolumeOf(info, path) != system) return {};
  return root + path.substr(system->devicePath.size() + 1);
}

}  // namespace

void ReadPrefetchView(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Program", 2500},   {u"Path", 4500},    {u"Run Count", 1000},      {u"Last Run", 2200},
                   {u"Earlier Runs", 6000}, {u"Hash", 1100}, {u"Version", 900},         {u"Volumes", 4000},
                   {u"Files", 800},     {u"Prefetch File", 3500}};
  if (sources.volumeRoot.empty()) {
    table.Problem(std::u16string(u"Prefetch") + kNeedsVolume);
    return;
  }
  const std::u16string folder = sources.volumeRoot + u"Windows\\Prefetch\\";
  SourceStatus listed = SourceStatus::kOk;
  std::unique_ptr<FolderSource::Listing> listing = sources.folders.List(folder, &listed);
  if (!listing) {
    if (listed == SourceStatus::kDenied && sources.liveVolume) {
      table.Problem(u"Prefetch: access denied \u2014 run as administrator to read it");
    } else {
      table.Problem(folder + u": " + Utf8ToU16(StatusName(listed == SourceStatus::kOk ? SourceStatus::kMissing : listed)));
    }
    return;
  }
  std::vector<std::u16string> names;
  for (FolderEntry e; listing->Next(e);) {
    if (e.attributes & 0x10) continue;  // a folder
    if (e.name.size() > 3 && SameIgnoringAsciiCase(std::u16string_view(e.name).substr(e.name.size() - 3), u".pf")) {
      names.push_back(e.name);
    }
  }
  std::sort(names.begin(), names.end());
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < names.size(); ++i) {
    if (!progress.Step(i, names.size())) return;
    const std::u16string path = folder + names[i];
    const SourceStatus read = sources.folders.ReadFile(path, bytes, kMaxPrefetchBytes);
    if (read != SourceStatus::kOk) {
      table.Problem(path + u": " + Utf8ToU16(StatusName(read)));
      continue;
    }
    PrefetchInfo info;
    std::string note;
    if (ReadPrefetch(bytes, info, note) != SourceStatus::kOk) {
      table.Problem(path + u": " + Utf8ToU16(note));
      continue;
    }
    std::vector<uint64_t> runs;
    for (uint64_t t : info.runTimes) {
      if (t) runs.push_back(t);
    }
    std::sort(runs.rbegin(), runs.rend());
    std::u16string earlier;
    for (size_t r = 1; r < runs.size(); ++r) earlier += (r > 1 ? u", " : u"") + UtcText(runs[r]);
    if (!earlier.empty()) earlier += u" UTC";
    std::u16string volumes;
    for (const PrefetchVolume& v : info.volumes) {
      volumes += (volumes.empty() ? u"" : u"; ") + v.devicePath + u" (serial " + Hex8(v.serial) + u")";
    }
    const std::u16string stored = ProgramPath(info);
    const std::u16string mapped = stored.empty() ? std::u16string() : OnVolume(info, stored, sources.volumeRoot);
    const std::u16string& shown = mapped.empty() ? stored : mapped;
    Table::Row row = table.AddRow();
    row.Text(info.executable).Text(shown).Number(info.runCount);
    if (runs.empty()) {
      row.Empty();
    } else {
      row.Time(runs[0]);
    }
    row.Text(earlier)
        .Text(Hex8(info.hash))
        .Number(info.version)
        .Text(volumes)
        .Number(static_cast<double>(info.files.size()))
        .Text(names[i])
        .Target(mapped);
    if (timeline) {
      const std::u16string what = shown.empty() ? info.executable : shown;
      for (uint64_t t : runs) {
        timeline->Add({t, u"Program run (Prefetch)", what,
                       info.runCount == 1 ? u"run once" : u"run " + NumberText(info.runCount) + u" times", path,
                       mapped});
      }
    }
  }
}

}  // namespace glimmerlog
