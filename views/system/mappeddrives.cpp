// Mapped Drives and Volumes: the network shares a user mapped to a drive
// letter and the volumes, shares and drives Explorer saw for the user, from
// two keys of the user's registry:
//
// - Explorer\Map Network Drive MRU: the shares typed in the "Map Network
//   Drive" dialog, values a, b, c... in the order of MRUList; the key's
//   last-write time is when the first was mapped.
// - Explorer\MountPoints2: one subkey per volume ("{GUID}"), network share
//   ("##server#share", the backslashes of \\server\share written as #) or
//   drive letter; its last-write time is about when it was last attached
//   or used. Volumes may carry the label they were given (_LabelFromReg).
//
// Platform-free.
#include <algorithm>

#include "sources/shell/mru.h"
#include "views/registrylister.h"
#include "views/viewdef.h"

namespace glimmerlog {

namespace {

constexpr char16_t kExplorer[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

struct MountPoint {
  std::u16string name, shown, kind, label, target;
  uint64_t time = 0;
};

// What a MountPoints2 subkey stands for, as shown and as opened.
MountPoint Classify(const std::u16string& name) {
  MountPoint m;
  m.name = name;
  m.shown = name;
  if (name.size() > 2 && name[0] == u'{' && name.back() == u'}') {
    m.kind = u"Volume";
    m.target = u"\\\\?\\Volume" + name + u"\\";
  } else if (name.size() > 2 && name[0] == u'#' && name[1] == u'#') {
    m.kind = u"Share";
    std::replace(m.shown.begin(), m.shown.end(), u'#', u'\\');
    m.target = m.shown;
  } else if (name.size() == 1 && ((name[0] >= u'A' && name[0] <= u'Z') || (name[0] >= u'a' && name[0] <= u'z'))) {
    m.kind = u"Drive";
    m.shown = name + u":";
    m.target = m.shown + u"\\";
  } else {
    m.kind = u"Other";  // such as CPC, which holds volumes of its own
  }
  return m;
}

const char16_t* EventKind(const std::u16string& kind) {
  if (kind == u"Volume") return u"Volume attached";
  if (kind == u"Share") return u"Network share used";
  if (kind == u"Drive") return u"Drive used";
  return u"MountPoints2 key written";
}

}  // namespace

void ReadMappedDrives(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Share or Volume", 4500}, {u"Kind", 1300},      {u"Label", 1800}, {u"Order", 800},
                   {u"Key Time", 2200},        {u"Source Key", 4000}};
  RegistryLister reg(sources.registry, table, kExplorer);

  // The dialog's list, in its order.
  const std::u16string mru = kExplorer + std::u16string(u"Map Network Drive MRU");
  const std::vector<std::u16string> names = reg.ValueNames(mru);
  RegistryData list;
  const bool hasList = sources.registry.ReadValue(mru, u"MRUList", list) == SourceStatus::kOk;
  const uint64_t mruTime = reg.KeyTime(mru);
  for (const MruSlot& slot : OrderByMruList(names, hasList ? &list : nullptr)) {
    std::u16string share;
    if (!reg.Text(mru, slot.name, share) || share.empty()) continue;
    const uint64_t time = slot.order == 1 ? mruTime : 0;
    table.AddRow().Text(share).Text(u"Mapped share").Empty().Number(slot.order).Time(time).Text(mru).Target(share);
    if (timeline && time) timeline->Add({time, u"Network drive mapped", share, {}, u"Map Network Drive MRU", share, false, TimeKind::kKeyMostRecent});
  }

  // Explorer's mount points, newest first.
  const std::u16string mounts = kExplorer + std::u16string(u"MountPoints2");
  const std::vector<std::u16string> subkeys = reg.SubKeys(mounts);
  std::vector<MountPoint> points;
  for (size_t i = 0; i < subkeys.size(); ++i) {
    if (!progress.Step(i, subkeys.size())) break;
    MountPoint m = Classify(subkeys[i]);
    const std::u16string key = mounts + u"\\" + m.name;
    m.time = reg.KeyTime(key);
    if (m.kind == u"Volume") reg.Text(key, u"_LabelFromReg", m.label);
    points.push_back(std::move(m));
  }
  std::stable_sort(points.begin(), points.end(),
                   [](const MountPoint& a, const MountPoint& b) { return a.time > b.time; });
  for (const MountPoint& m : points) {
    const std::u16string key = mounts + u"\\" + m.name;
    table.AddRow().Text(m.shown).Text(m.kind).Text(m.label).Empty().Time(m.time).Text(key).Target(m.target);
    if (timeline && m.time) timeline->Add({m.time, EventKind(m.kind), m.shown, m.label, u"MountPoints2", m.target, false, TimeKind::kKeyWritten});
  }
}

}  // namespace glimmerlog
