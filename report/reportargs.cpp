// glimmerlog-report's command line: its options, its help text, and the
// times --since and --until take.
#include <cstdlib>

#include "base/isotime.h"
#include "report/report.h"

namespace glimmerlog {

namespace {

bool TakesValue(const std::string& option) {
  return option == "--view" || option == "--index-file" || option == "--format" || option == "--tz" ||
         option == "--output" || option == "--volume" || option == "--user" || option == "--jobs" ||
         option == "--since" || option == "--until";
}


}  // namespace

bool ParseIsoTime(const std::string& text, bool endOfDay, uint64_t& fileTime) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  size_t at = 0;
  auto digits = [&](size_t n, int& value) {
    if (at + n > text.size()) return false;
    value = 0;
    for (size_t i = 0; i < n; ++i) {
      const char c = text[at + i];
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    at += n;
    return true;
  };
  auto sign = [&](char c) { return at < text.size() && text[at] == c ? (++at, true) : false; };
  if (!digits(4, year) || !sign('-') || !digits(2, month) || !sign('-') || !digits(2, day)) return false;
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1601 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && day == 29 && !leap) return false;
  const bool dateOnly = at == text.size();
  if (!dateOnly) {
    if (!(sign('T') || sign(' ')) || !digits(2, hour) || !sign(':') || !digits(2, minute)) return false;
    if (sign(':') && !digits(2, second)) return false;
    if (hour > 23 || minute > 59 || second > 59) return false;
  }
  int64_t offset = 0;
  if (sign('Z')) {
  } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    const bool minus = text[at++] == '-';
    int oh = 0, om = 0;
    if (!digits(2, oh) || !sign(':') || !digits(2, om) || oh > 23 || om > 59) return false;
    offset = (minus ? -1 : 1) * (oh * 3600 + om * 60);
  }
  if (at != text.size()) return false;
  const int64_t seconds = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
                          hour * 3600 + minute * 60 + second - offset;
  const int64_t ticks = (seconds + 11644473600) * 10000000;
  if (ticks <= 0) return false;
  fileTime = static_cast<uint64_t>(ticks) + (dateOnly && endOfDay ? 86400ull * 10000000 - 1 : 0) +
             (!dateOnly && endOfDay ? 10000000 - 1 : 0);
  return true;
}

const char* ReportUsage() {
  return "Usage: glimmerlog-report (PROFILE... | --volume ROOT... [--user NAME] | --live)\n"
         "                         [--list-views | --view NAME | --timeline]\n"
         "                         [--index-file FILE] [--format FORMAT] [--tz utc|local]\n"
         "                         [--since TIME] [--until TIME] [--jobs N] [--output FILE]\n"
         "\n"
         "Writes one view of Glimmerlog, or the activity timeline of all, for profile folders,\n"
         "hive files and Windows volumes (their NTUSER.DAT and their files) or, on Windows,\n"
         "for the signed-in user (--live). Profiles are read in parallel and written in the\n"
         "order given.\n"
         "\n"
         "  PROFILE            a user's profile folder, such as a copy of C:\\Users\\bob, or its\n"
         "                     NTUSER.DAT file; paths in it are matched without regard to case;\n"
         "                     any number of them\n"
         "  --volume ROOT      a Windows volume (a folder holding Windows\\ and Users\\, such as\n"
         "                     a mounted image): every user's lines and the machine-wide\n"
         "                     sources (Prefetch, Amcache, BAM, Recycle Bin); may be repeated\n"
         "  --user NAME        with --volume, only this user (profile folder name or SID)\n"
         "  --live             the signed-in user of the running Windows (Windows only)\n"
         "  --list-views       lists the views' names\n"
         "  --view NAME        one view, by its name (or its tag); quote names with spaces\n"
         "  --timeline         the activity timeline (what runs when no view is named)\n"
         "  --index-file FILE  the cache index file the Index.dat view scans, and the one\n"
         "                     Cache Records reads (without it: every index.dat of the\n"
         "                     profile's History, Cache and Cookies folders)\n"
         "  --format FORMAT    txt (tab-separated, the default), csv, json, jsonl (JSON Lines),\n"
         "                     timesketch (its CSV when --output ends in .csv, else its JSON\n"
         "                     Lines) or tln (time|source|host|user|description); UTF-8\n"
         "  --tz ZONE          utc (the default: 2026-12-04T09:02:18Z) or local (this\n"
         "                     machine's zone, with the offset of each date: +01:00)\n"
         "  --since TIME       only what happened at or after TIME (ISO 8601: 2026-12-04,\n"
         "  --until TIME       2026-12-04T09:02:18Z, ...+01:00; UTC when no offset is given);\n"
         "                     --until DATE keeps that whole day\n"
         "  --jobs N           profiles read at once (default: one per processor); the output\n"
         "                     is the same for any N\n"
         "  --output FILE      writes there (whole or not at all) instead of the standard output\n"
         "  --help             this text\n"
         "\n"
         "With several profiles or a volume, the lines of txt, csv and json begin with User,\n"
         "SID and Host; jsonl, timesketch and tln always name them.\n"
         "\n"
         "Exit status: 0; 1 when a source or a profile could not be read (said on the standard\n"
         "error, the rest still reported) or the output could not be written; 2 for a command\n"
         "line that is not one.\n";
}

bool ParseReportArgs(const std::vector<std::string>& args, ReportOptions& options, std::string& error) {
  options = ReportOptions();
  bool actionGiven = false;
  auto action = [&](ReportOptions::Action a) {
    if (actionGiven && options.action != a) {
      error = "choose one of --list-views, --view and --timeline";
      return false;
    }
    actionGiven = true;
    options.action = a;
    return true;
  };
  bool help = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string option = args[i], value;
    const size_t equals = option.find('=');
    const bool joined = option.rfind("--", 0) == 0 && equals != std::string::npos;
    if (joined) {
      value = option.substr(equals + 1);
      option.resize(equals);
    }
    if (TakesValue(option)) {
      if (!joined) {
        if (i + 1 >= args.size()) {
          error = option + " needs a value";
          return false;
        }
        value = args[++i];
      }
    } else if (joined) {
      error = option + " takes no value";
      return false;
    }
    if (option == "--help" || option == "-h" || option == "/?") {
      help = true;
    } else if (option == "--live") {
      options.live = true;
    } else if (option == "--list-views") {
      if (!action(ReportOptions::Action::kListViews)) return false;
    } else if (option == "--timeline") {
      if (!action(ReportOptions::Action::kTimeline)) return false;
    } else if (option == "--view") {
      if (!action(ReportOptions::Action::kView)) return false;
      options.viewName = value;
    } else if (option == "--index-file") {
      options.indexFile = value;
    } else if (option == "--volume") {
      if (value.empty()) {
        error = "--volume names an empty folder";
        return false;
      }
      options.inputs.push_back({value, true});
    } else if (option == "--user") {
      options.user = value;
    } else if (option == "--output") {
      options.output = value;
    } else if (option == "--jobs") {
      char* end = nullptr;
      const unsigned long n = std::strtoul(value.c_str(), &end, 10);
      if (value.empty() || *end || n < 1 || n > 256) {
        error = "--jobs is a number from 1 to 256, not \"" + value + "\"";
        return false;
      }
      options.jobs = static_cast<unsigned>(n);
    } else if (option == "--since" || option == "--until") {
      uint64_t& t = option == "--since" ? options.since : options.until;
      if (!ParseIsoTime(value, option == "--until", t)) {
        error = option + " is an ISO 8601 date or time (2026-12-04, 2026-12-04T09:02:18Z), not \"" + value + "\"";
        return false;
      }
    } else if (option == "--format") {
      static const std::pair<const char*, ReportFormat> kFormats[] = {
          {"txt", ReportFormat::kText},         {"csv", ReportFormat::kCsv},
          {"json", ReportFormat::kJson},        {"jsonl", ReportFormat::kJsonLines},
          {"timesketch", ReportFormat::kTimesketch}, {"tln", ReportFormat::kTln}};
      bool known = false;
      for (const auto& [name, format] : kFormats) {
        if (value == name) {
          options.format = format;
          known = true;
        }
      }
      if (!known) {
        error = "--format is txt, csv, json, jsonl, timesketch or tln, not \"" + value + "\"";
        return false;
      }
    } else if (option == "--tz") {
      if (value != "utc" && value != "local") {
        error = "--tz is utc or local, not \"" + value + "\"";
        return false;
      }
      options.localTime = value == "local";
    } else if (option.size() > 1 && option[0] == '-') {
      error = "unknown option " + option;
      return false;
    } else if (option.empty()) {
      error = "the profile folder is an empty name";
      return false;
    } else {
      options.inputs.push_back({option, false});
    }
  }
  if (help) {
    options.action = ReportOptions::Action::kHelp;
    return true;
  }
  if (options.action == ReportOptions::Action::kListViews) return true;
  if (options.live && !options.inputs.empty()) {
    error = "--live reads the signed-in user alone: name no profile folder or --volume with it";
    return false;
  }
  if (!options.live && options.inputs.empty()) {
    error = "name a profile folder, --volume ROOT, or --live";
    return false;
  }
  bool anyVolume = false;
  for (const ReportOptions::Input& input : options.inputs) anyVolume = anyVolume || input.volume;
  if (!options.user.empty() && !anyVolume) {
    error = "--user chooses a user of the --volume";
    return false;
  }
  if (options.since && options.until && options.since > options.until) {
    error = "--since is after --until";
    return false;
  }
  return true;
}

}  // namespace glimmerlog
