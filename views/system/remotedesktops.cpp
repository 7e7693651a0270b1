// Remote Desktops: the remote desktop connections a user made, read from the
// two places the connection client keeps them in the user's registry and
// joined into one line per server.
//
// - Terminal Server Client\Default: the values MRU0, MRU1, ... hold the
//   servers as typed, MRU0 the most recent; the key's last-write time is
//   when MRU0 was last connected.
// - Terminal Server Client\Servers\<server>: one subkey per server, with the
//   user name used (UsernameHint) and sometimes the server certificate's hash
//   (CertHash); its last-write time is about the last connection to it.
//
// Platform-free.
#include <algorithm>
#include <unordered_map>

#include "views/viewdef.h"

namespace glimmerlog {

namespace {

constexpr char16_t kClientKey[] = u"Software\\Microsoft\\Terminal Server Client";
constexpr char16_t kDefault[] = u"Default";
constexpr char16_t kServers[] = u"Servers";
constexpr uint32_t kRegSz = 1, kRegExpandSz = 2;

struct Connection {
  std::u16string server, user;
  uint32_t order = 0;      // position in the MRU list, 1 = most recent; 0 when not in it
  uint64_t time = 0;       // FILETIME of the last connection, 0 when unknown
  std::u16string timeKey;  // the key whose last-write time `time` is
  bool timeOfList = false; // `timeKey` is the list's, written when its most recent entry was
  bool certificate = false, inDefault = false, inServers = false;
};

// Key and server names compare without regard to ASCII case, as the
// registry compares key names; the same server may be typed in other case.
std::u16string Folded(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
  }
  return out;
}

// A server typed with a port ("host:3390") keeps its Servers subkey under
// the host alone. Empty when the text has no port, or is a bare IPv6 address
// whose colons are not a port's.
std::u16string WithoutPort(std::u16string_view server) {
  const size_t colon = server.rfind(u':');
  if (colon == std::u16string_view::npos || colon == 0 || colon + 1 == server.size()) return {};
  if (server.substr(0, colon).find(u':') != std::u16string_view::npos) return {};
  for (size_t i = colon + 1; i < server.size(); ++i) {
    if (server[i] < u'0' || server[i] > u'9') return {};
  }
  return std::u16string(server.substr(0, colon));
}

// The position of an MRU value by its name ("MRU4" is 5th); 0 for any other
// name, which is not part of the list.
uint32_t MruPosition(std::u16string_view name) {
  if (name.size() < 4 || name.size() > 12 || Folded(name.substr(0, 3)) != u"mru") return 0;
  uint32_t n = 0;
  for (char16_t c : name.substr(3)) {
    if (c < u'0' || c > u'9') return 0;
    n = n * 10 + static_cast<uint32_t>(c - u'0');
  }
  return n + 1;
}

class RemoteDesktopReader {
 public:
  RemoteDesktopReader(RegistrySource& registry, Table& table) : registry_(registry), table_(table) {}

  // Every Servers subkey; false when the reader was told to stop.
  bool ReadServers(Progress& progress) {
    const std::u16string root = Path(kServers);
    std::vector<std::u16string> names;
    // A damaged list still gives the subkeys that could be read.
    const SourceStatus listed = registry_.SubKeys(root, names);
    Report(kServers, listed);
    for (size_t i = 0; i < names.size(); ++i) {
      if (!progress.Step(i, names.size())) return false;
      const std::u16string& name = names[i];
      const std::u16string place = std::u16string(kServers) + u"\\" + name;
      Connection c;
      c.server = name;
      c.inServers = true;
      c.timeKey = root + u"\\" + name;
      const SourceStatus key = registry_.LastWriteTime(c.timeKey, c.time);
      Report(place, key);
      if (key == SourceStatus::kOk) {
        c.user = TextValue(c.timeKey, place, u"UsernameHint");
        // Only whether the hash is there matters, not its bytes.
        RegistryData hash;
        const SourceStatus cert = registry_.ReadValue(c.timeKey, u"CertHash", hash);
        c.certificate = cert == SourceStatus::kOk || cert == SourceStatus::kDamaged;
        if (cert == SourceStatus::kDenied) Report(place + u" value CertHash", cert);
      }
      const std::u16string folded = Folded(name);
      if (byName_.count(folded)) continue;  // a damaged list may name a key twice
      byName_[folded] = lines_.size();
      lines_.push_back(std::move(c));
    }
    return true;
  }

  // The MRU values of Default, joined with the servers read before.
  void ReadMru() {
    const std::u16string key = Path(kDefault);
    std::vector<std::u16string> names;
    const SourceStatus listed = registry_.ValueNames(key, names);
    Report(kDefault, listed);
    std::vector<std::pair<uint32_t, std::u16string>> typed;  // position, server
    for (const std::u16string& name : names) {
      const uint32_t position = MruPosition(name);
      if (position == 0) continue;
      std::u16string server = TextValue(key, kDefault, name);
      if (!server.empty()) typed.emplace_back(position, std::move(server));
    }
    std::sort(typed.begin(), typed.end());
    // A server typed exactly as its subkey is named claims it first, so that
    // "host" and "host:3390" in the same list do not both take Servers\host.
    std::vector<bool> joined(typed.size(), false);
    for (size_t i = 0; i < typed.size(); ++i) {
      const auto found = byName_.find(Folded(typed[i].second));
      if (found == byName_.end()) continue;
      joined[i] = true;
      Connection& c = lines_[found->second];
      if (c.inDefault) continue;  // the same server twice in the list: its most recent place
      Claim(c, typed[i]);
    }
    uint64_t defaultTime = 0;
    registry_.LastWriteTime(key, defaultTime);
    for (size_t i = 0; i < typed.size(); ++i) {
      if (joined[i]) continue;
      const std::u16string host = WithoutPort(typed[i].second);
      const auto found = host.empty() ? byName_.end() : byName_.find(Folded(host));
      if (found != byName_.end() && !lines_[found->second].inDefault) {
        Claim(lines_[found->second], typed[i]);
        continue;
      }
      const std::u16string folded = Folded(typed[i].second);
      if (byName_.count(folded)) continue;  // typed twice
      Connection c;
      Claim(c, typed[i]);
      // The Default key was last written when its first server was used.
      if (c.order == 1) {
        c.time = defaultTime;
        c.timeKey = key;
        c.timeOfList = true;
      }
      byName_[folded] = lines_.size();
      lines_.push_back(std::move(c));
    }
  }

  // The lines in MRU order, then the servers not in it, newest first.
  void Write(Timeline* timeline) {
    std::stable_sort(lines_.begin(), lines_.end(), [](const Connection& a, const Connection& b) {
      if ((a.order == 0) != (b.order == 0)) return a.order != 0;
      return a.order != 0 ? a.order < b.order : a.time > b.time;
    });
    table_.Reserve(lines_.size(), 6);
    for (const Connection& c : lines_) {
      Table::Row row = table_.AddRow();
      row.Text(c.server).Text(c.user);
      if (c.order) {
        row.Number(c.order);
      } else {
        row.Empty();
      }
      row.Time(c.time)
          .Text(c.certificate ? u"Yes" : u"")
          .Text(c.inDefault && c.inServers ? u"Default, Servers"
                : c.inDefault              ? kDefault
                                           : kServers);
      if (timeline && c.time) {
        timeline->Add({c.time, u"Remote desktop connection", c.server, c.user, c.timeKey, {}, false,
                       c.timeOfList ? TimeKind::kKeyMostRecent : TimeKind::kKeyWritten});
      }
    }
  }

 private:
  static std::u16string Path(std::u16string_view rest) { return kClientKey + (u"\\" + std::u16string(rest)); }

  static void Claim(Connection& c, const std::pair<uint32_t, std::u16string>& typed) {
    c.order = typed.first;
    c.server = typed.second;  // as the user typed it
    c.inDefault = true;
  }

  // A place that is there but cannot be read; one that is not there is no
  // problem, as most users never made a remote connection.
  void Report(const std::u16string& place, SourceStatus status) {
    if (status == SourceStatus::kOk || status == SourceStatus::kMissing) return;
    table_.Problem(u"Terminal Server Client\\" + place + u": " + AsciiText(StatusName(status)));
  }

  // A text value; empty, with the problem named, when it cannot be read or
  // is not text.
  std::u16string TextValue(const std::u16string& key, const std::u16string& place, std::u16string_view name) {
    RegistryData data;
    const SourceStatus read = registry_.ReadValue(key, name, data);
    const std::u16string value = place + u" value " + std::u16string(name);
    if (read != SourceStatus::kOk) {
      Report(value, read);
      return {};
    }
    if (data.type != kRegSz && data.type != kRegExpandSz) {
      table_.Problem(u"Terminal Server Client\\" + value + u": not text");
      return {};
    }
    return Utf16ZText(data.bytes.data(), data.bytes.size());
  }

  RegistrySource& registry_;
  Table& table_;
  std::vector<Connection> lines_;
  std::unordered_map<std::u16string, size_t> byName_;  // folded server name to its line
};

}  // namespace

void ReadRemoteDesktops(ViewSources& sources, Table& table, Progress& progress, Timeline* timeline) {
  table.columns = {{u"Server", 3000},         {u"User Name", 2500},   {u"Order", 800},
                   {u"Last Connected", 2200}, {u"Certificate", 1100}, {u"Source", 1800}};
  RemoteDesktopReader reader(sources.registry, table);
  // Told to stop, it still shows the servers it has read.
  if (reader.ReadServers(progress)) reader.ReadMru();
  reader.Write(timeline);
}

}  // namespace glimmerlog
