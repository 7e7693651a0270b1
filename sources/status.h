// Why a source could not be read, so that a view can name what it missed.
#ifndef GLIMMERLOG_SOURCES_STATUS_H
#define GLIMMERLOG_SOURCES_STATUS_H

namespace glimmerlog {

enum class SourceStatus {
  kOk,
  kMissing,  // no such key, value, folder or file
  kDenied,   // there, but not readable by this user
  kDamaged,  // there, but not in the expected form
};

inline const char* StatusName(SourceStatus s) {
  switch (s) {
    case SourceStatus::kOk: return "ok";
    case SourceStatus::kMissing: return "missing";
    case SourceStatus::kDenied: return "access denied";
    case SourceStatus::kDamaged: return "damaged";
  }
  return "unknown";
}

}  // namespace glimmerlog

#endif
