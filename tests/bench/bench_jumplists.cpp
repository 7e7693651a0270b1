// Reading every shortcut and jump list of the test data (lnk/ and
// jumplists/, about 145 KB in 42 files) from memory, 1,000 times, against
// a plain read of the same bytes from memory the same number of times: each
// file copied into a buffer of its own, as a folder source hands it over,
// and every byte of it added up. Prints both medians and their ratio (the
// aim: at most 3). For information, when Debian's liblnk-utils and
// libolecf-utils are installed: lnkinfo on each shortcut and olecfexport on
// each automatic list, run as processes (their time is mostly start-up).
//   build/host/tests/bench/bench_jumplists
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "sources/shell/jumplist.h"
#include "sources/shell/lnk.h"

extern char** environ;

namespace {

using namespace glimmerlog;
using Clock = std::chrono::steady_clock;

struct File {
  std::string path;
  enum Kind { kLink, kAutomatic, kCustom } kind;
  std::vector<uint8_t> bytes;
};

std::vector<File> LoadFiles() {
  std::vector<File> files;
  for (const char* folder : {"lnk", "jumplists"}) {
    std::error_code error;
    for (const auto& e : std::filesystem::directory_iterator(std::string(GL_TESTDATA_DIR) + "/" + folder, error)) {
      const std::string name = e.path().filename().string();
      File f{e.path().string(), File::kLink, {}};
      if (name.find(".automaticDestinations-ms") != std::string::npos) f.kind = File::kAutomatic;
      else if (name.find(".customDestinations-ms") != std::string::npos) f.kind = File::kCustom;
      else if (e.path().extension() != ".lnk") continue;
      std::ifstream in(e.path(), std::ios::binary);
      f.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      files.push_back(std::move(f));
    }
  }
  return files;
}

// What the readers give, summed so that nothing is optimized away.
size_t ReadAll(const std::vector<File>& files) {
  size_t seen = 0;
  for (const File& f : files) {
    if (f.kind == File::kLink) {
      ShellLink link;
      ReadShellLink(f.bytes.data(), f.bytes.size(), &Windows1252Text, link);
      seen += link.TargetPath().size() + link.machine.size();
    } else {
      JumpList list;
      if (f.kind == File::kAutomatic) {
        ReadAutomaticDestinations(f.bytes.data(), f.bytes.size(), &Windows1252Text, list);
      } else {
        ReadCustomDestinations(f.bytes.data(), f.bytes.size(), &Windows1252Text, list);
      }
      for (const JumpListEntry& e : list.entries) seen += e.link.TargetPath().size() + e.dest.path.size();
    }
  }
  return seen;
}

size_t PlainRead(const std::vector<File>& files) {
  size_t sum = 0;
  for (const File& f : files) {
    const std::vector<uint8_t> copy(f.bytes);
    for (uint8_t b : copy) sum += b;
  }
  return sum;
}

template <typename Work>
double MedianSeconds(int runs, Work work, size_t& sink) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    sink += work();
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
  return times[runs / 2];
}

bool Installed(const char* tool) {
  return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

int Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int status = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return status;
}

}  // namespace

int main() {
  const std::vector<File> files = LoadFiles();
  if (files.empty()) {
    std::printf("skipped: no test data under %s\n", GL_TESTDATA_DIR);
    return 0;
  }
  size_t bytes = 0;
  for (const File& f : files) bytes += f.bytes.size();
  constexpr int kRuns = 1000;
  size_t sink = 0;
  MedianSeconds(50, [&] { return ReadAll(files); }, sink);  // warm up
  const double read = MedianSeconds(kRuns, [&] { return ReadAll(files); }, sink);
  const double plain = MedianSeconds(kRuns, [&] { return PlainRead(files); }, sink);
  std::printf("%zu files, %zu bytes, %d runs each (checksum %zu)\n", files.size(), bytes, kRuns, sink & 0xFF);
  std::printf("read by the readers: median %.1f us\n", read * 1e6);
  std::printf("plain read of the bytes: median %.1f us\n", plain * 1e6);
  std::printf("ratio: %.2f (aim: at most 3)\n", read / plain);
  if (Installed("lnkinfo") && Installed("olecfexport")) {
    const auto start = Clock::now();
    for (const File& f : files) {
      if (f.kind == File::kLink) Run({"lnkinfo", f.path});
      if (f.kind == File::kAutomatic) Run({"olecfexport", "-t", "/tmp/gl-bench-olecf", f.path});
    }
    std::printf("lnkinfo and olecfexport as processes, once over the files: %.1f ms\n",
                std::chrono::duration<double>(Clock::now() - start).count() * 1e3);
  } else {
    std::printf("lnkinfo or olecfexport not installed (liblnk-utils, libolecf-utils): not run\n");
  }
  return 0;
}
