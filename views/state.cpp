#include "views/state.h"

namespace glimmerlog {

std::string OsName;
int16_t CancelRequested = kFalse;
std::wstring IndexDatPath;

ProgramState& GlobalState() {
  static ProgramState state{OsName, CancelRequested, IndexDatPath};
  return state;
}

}  // namespace glimmerlog
