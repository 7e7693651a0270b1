// Readers of jump lists, the per-program lists of the taskbar and Start
// menu, kept under the Recent folder with the program's AppID as file name:
// - AutomaticDestinations\<AppID>.automaticDestinations-ms, which Windows
//   writes: a compound file of one shortcut stream per entry, named by the
//   entry's number in hex, and a DestList stream that gives each entry its
//   last access, access count, pin and the machine's name;
// - CustomDestinations\<AppID>.customDestinations-ms, which programs write:
//   shortcuts concatenated by category (the program's own named categories,
//   its tasks, and which of Windows' Frequent and Recent lists it shows).
// Platform-free; never reads outside the bytes it is given.
#ifndef GLIMMERLOG_SOURCES_SHELL_JUMPLIST_H
#define GLIMMERLOG_SOURCES_SHELL_JUMPLIST_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sources/shell/lnk.h"

namespace glimmerlog {

struct DestListEntry {
  uint32_t number = 0;  // the entry's number; its stream is named by it in hex
  uint64_t lastAccess = 0;  // FILETIME (UTC)
  // Version 1 keeps no count but a weight (a float that grows with use and
  // decays); later versions keep the count of accesses.
  double accessCount = 0;
  int32_t pin = -1;  // the place among the pinned entries; -1 when not pinned
  std::u16string machine, path;
  ObjectId volumeId, objectId, birthVolumeId, birthObjectId;
};

struct DestList {
  uint32_t version = 0, entryCount = 0, pinnedCount = 0, lastEntryNumber = 0, revision = 0;
  std::vector<DestListEntry> entries;
  size_t bytesUsed = 0;   // the header and the whole entries read
  bool complete = true;   // false when an entry ran past the end
};

// False when the stream is too short for its 32-byte header. Entries are
// read up to the header's count or the end of the stream.
bool ReadDestList(const uint8_t* data, size_t size, DestList& out);

struct JumpListEntry {
  std::u16string category;  // "Recent", "Pinned", "Tasks", "Frequent" or the program's name of it
  std::u16string stream;    // an automatic list's stream name; empty in a custom list
  bool inDestList = false;
  DestListEntry dest;
  bool hasLink = false;
  ShellLink link;
};

struct JumpList {
  std::vector<JumpListEntry> entries;
  bool hasDestList = false;
  DestList destList;
  // A custom list's known categories, in order: which of Windows' lists
  // ("Frequent", "Recent") the program shows with its own.
  std::vector<std::u16string> knownCategories;
  std::vector<std::u16string> problems;
};

// An automatic list: each DestList entry joined with its stream, most
// recent first as DestList orders them, then the streams that DestList does
// not name. False when the file is no compound file.
bool ReadAutomaticDestinations(const uint8_t* data, size_t size, AnsiText ansi, JumpList& out);
// A custom list: its categories' shortcuts in order. False when the file is
// too short for its header.
bool ReadCustomDestinations(const uint8_t* data, size_t size, AnsiText ansi, JumpList& out);

}  // namespace glimmerlog

#endif
