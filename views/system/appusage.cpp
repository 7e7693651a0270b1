// Windows 10 and 11's own counts of the programs a user works with, from the
// user's registry:
//
// - Recent Apps: Search\RecentApps\<GUID>, one subkey per program the
//   search box offered as recent (AppId, AppPath, LaunchCount and
//   LastAccessedTime, a FILETIME), with the files it opened under
//   RecentItems\<GUID> (DisplayName, Path, LastAccessedTime).
// - Feature Usage: Explorer\FeatureUsage\<feature>, counts of what the user
//   did with each program on the taskbar (AppSwitched, AppLaunch,
//   ShowJumpView, AppBadgeUpdated, TrayButtonClicked): the value name is the
//   program (a path, often under a known folder's GUID, or an application
//   ID), the DWORD its count. The only times are the keys' last-write
//   times, when a count of the feature last changed, and the time the
//   counting began (KeyCreationTime on FeatureUsage itself).
//
// Platform-free.
#include <algorithm>

#include "sources/shell/userassist.h"
#include "views/registrylister.h"
#include "views/viewdef.h"

namespace glimmerlog {

namespace {

constexpr char16_t kCurrentVersion[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\";

struct Recent {
  std::u16string key, app, item, path;
  uint64_t count = 0, time = 0;
  bool hasCount = false;
  std::vector<Recent> items;
};

void NewestFirst(std::vector<Recent>& lines) {
  std::stable_sort(lines.begin(), lines.end(), [](const Recent& a, const Recent& b) { return a.time > b.time; });
}

}  // namespace

void ReadRecentApps(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"App", 4000},          {u"Recent Item", 2500},   {u"Path", 4500},
                   {u"Launch Count", 1100}, {u"Last Accessed", 2200}, {u"Key", 5000}};
  RegistryLister reg(sources.registry, table, kCurrentVersion);
  const std::u16string root = kCurrentVersion + std::u16string(u"Search\\RecentApps");
  const std::vector<std::u16string> guids = reg.SubKeys(root);
  std::vector<Recent> apps;
  for (size_t i = 0; i < guids.size(); ++i) {
    if (!progress.Step(i, guids.size())) break;
    Recent app;
    app.key = root + u"\\" + guids[i];
    reg.Text(app.key, u"AppId", app.app);
    reg.Text(app.key, u"AppPath", app.path);
    app.hasCount = reg.Number(app.key, u"LaunchCount", app.count);
    reg.Number(app.key, u"LastAccessedTime", app.time);
    const std::u16string items = app.key + u"\\RecentItems";
    for (const std::u16string& guid : reg.SubKeys(items)) {
      Recent item;
      item.key = items + u"\\" + guid;
      item.app = app.app;
      reg.Text(item.key, u"DisplayName", item.item);
      reg.Text(item.key, u"Path", item.path);
      reg.Number(item.key, u"LastAccessedTime", item.time);
      app.items.push_back(std::move(item));
    }
    NewestFirst(app.items);
    apps.push_back(std::move(app));
  }
  NewestFirst(apps);
  auto write = [&](const Recent& r) {
    Table::Row row = table.AddRow();
    row.Text(r.app).Text(r.item).Text(r.path);
    if (r.hasCount) {
      row.Number(static_cast<double>(r.count));
    } else {
      row.Empty();
    }
    row.Time(r.time).Text(r.key);
  };
  for (const Recent& app : apps) {
    write(app);
    if (timeline && app.time) {
      timeline->Add({app.time,
                     u"App used",
                     app.app.empty() ? app.path : app.app,
                     app.hasCount ? u"launched " + NumberText(app.count) + u" times" : std::u16string(),
                     u"Search\\RecentApps",
                     {}});
    }
    for (const Recent& item : app.items) {
      write(item);
      if (timeline && item.time) {
        timeline->Add({item.time,
                       u"File opened in an app",
                       item.path.empty() ? item.item : item.path,
                       app.app,
                       u"Search\\RecentApps",
                       {}});
      }
    }
  }
}

void ReadFeatureUsage(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Program", 5500}, {u"Feature", 1800}, {u"Count", 900}, {u"Key Time", 2200}, {u"Key", 5000}};
  const std::u16string explorer = kCurrentVersion + std::u16string(u"Explorer\\");
  RegistryLister reg(sources.registry, table, explorer);
  const std::u16string root = explorer + u"FeatureUsage";
  uint64_t began = 0;
  if (timeline && reg.Number(root, u"KeyCreationTime", began) && began) {
    timeline->Add({began, u"Feature usage counting began", u"FeatureUsage", {}, u"FeatureUsage", {}});
  }
  const std::vector<std::u16string> features = reg.SubKeys(root);
  for (size_t i = 0; i < features.size(); ++i) {
    if (!progress.Step(i, features.size())) break;
    const std::u16string key = root + u"\\" + features[i];
    const uint64_t keyTime = reg.KeyTime(key);
    size_t lines = 0;
    for (const std::u16string& name : reg.ValueNames(key)) {
      uint64_t count = 0;
      if (name.empty() || !reg.Number(key, name, count)) continue;
      table.AddRow()
          .Text(NameWithKnownFolder(name))
          .Text(features[i])
          .Number(static_cast<double>(count))
          .Time(lines++ == 0 ? keyTime : 0)
          .Text(key);
    }
    if (timeline && lines && keyTime) {
      timeline->Add({keyTime,
                     u"Feature usage counted",
                     features[i],
                     NumberText(lines) + (lines == 1 ? u" program" : u" programs"),
                     u"FeatureUsage",
                     {},
                     false,
                     TimeKind::kKeyMostRecent});
    }
  }
}

}  // namespace glimmerlog
