// The program's shared state, in one place: set at start-up and by the
// index.dat chooser and the Cancel button, read by the views through their
// host.
#ifndef GLIMMERLOG_VIEWS_STATE_H
#define GLIMMERLOG_VIEWS_STATE_H

#include <cstdint>
#include <string>

namespace glimmerlog {

// Short name of the Windows version, set once at start-up ("95", "98",
// "Windows NT 3.51", "2000", "xp", "Vista", "Failed" or empty).
extern std::string OsName;
// Set by the Cancel button, polled by the index.dat scan: -1 true, 0 false.
extern int16_t CancelRequested;
// The index file the scan reads, as the chooser left it; empty: read nothing.
extern std::wstring IndexDatPath;

constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;

// The same three, as a view reaches them through its host.
struct ProgramState {
  std::string& osName;
  int16_t& cancelRequested;
  std::wstring& indexDatPath;
};
ProgramState& GlobalState();

}  // namespace glimmerlog

#endif
