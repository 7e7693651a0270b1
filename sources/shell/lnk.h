// Reader of shell link files (.lnk): the shortcuts Windows writes in the
// Recent folder for every document opened, that users keep on the Desktop
// and in the Start menu, and that jump lists hold one per entry. A link is a
// fixed header, then the optional parts its flags announce (an item list,
// the link information, five strings), then extra data blocks up to a
// terminal block. Platform-free; never reads outside the bytes it is given.
#ifndef GLIMMERLOG_SOURCES_SHELL_LNK_H
#define GLIMMERLOG_SOURCES_SHELL_LNK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sources/shell/shellitems.h"

namespace glimmerlog {

// Bytes of the profile's ANSI code page as text.
using AnsiText = std::u16string (*)(std::string_view bytes);

// A distributed link tracking object id (a GUID). Version-1 ids, which the
// tracking service makes, hold the time they were made and the MAC address
// of the machine that made them.
struct ObjectId {
  uint8_t bytes[16] = {};
  bool IsNull() const;
  bool IsVersion1() const;
  // FILETIME (UTC) of a version-1 id; 0 for another version.
  uint64_t Time() const;
  // "00:13:77:d3:4a:59" of a version-1 id; empty for another version.
  std::u16string Mac() const;
  // Lower-case hex in groups of 8, 4, 4, 4 and 12.
  std::u16string Text() const;
};

struct ShellLink {
  // Header.
  uint32_t flags = 0, attributes = 0;
  uint64_t created = 0, accessed = 0, modified = 0;  // the target's, FILETIME (UTC)
  uint32_t targetSize = 0;
  int32_t iconIndex = 0;
  uint32_t showCommand = 0;
  uint16_t hotKey = 0;

  // The item list of the target.
  bool hasItemList = false;
  ItemListText items;

  // Link information: the volume the target lay on or the share it was
  // reached through.
  bool hasVolume = false, hasNetwork = false;
  uint32_t driveType = 0, driveSerial = 0;
  std::u16string volumeLabel, localBasePath, commonPathSuffix;
  std::u16string netName, deviceName;
  uint32_t networkProviderType = 0;

  // String data.
  std::u16string name, relativePath, workingDirectory, arguments, iconLocation;

  // Extra data blocks.
  std::u16string environmentTarget, iconEnvironment, darwinId, shimLayer;
  bool hasTracker = false;
  std::u16string machine;  // NetBIOS name of the machine the target was on
  ObjectId volumeId, objectId, birthVolumeId, birthObjectId;
  std::u16string knownFolder;  // its name, or the GUID in braces when not in the table
  uint32_t specialFolder = 0;  // CSIDL; 0 for none
  bool hasSpecialFolder = false;
  // The property store's common properties of the target.
  std::u16string parsingPath, appUserModelId;
  uint64_t storeCreated = 0, storeModified = 0, storeAccessed = 0, storeSize = 0;
  bool hasConsole = false, hasConsoleCodePage = false;
  std::vector<uint32_t> blocks;  // the signatures of the extra blocks read, in order

  // Bytes from the start to the end of the terminal block (or of the last
  // part read, when the link is damaged).
  size_t size = 0;
  // What was damaged, one sentence each ("link information is damaged").
  // Each damaged part stops only itself; what the rest holds is read.
  std::vector<std::u16string> problems;

  // The target's path: the local path (base and suffix) or the share's path,
  // else the item list's path, else the property store's, else the
  // environment block's. Empty when the link names none.
  std::u16string TargetPath() const;
  // The volume in one text: "Fixed, serial 502E-1A8A, SSD-WIN7", or the
  // share's name; empty when there is neither.
  std::u16string VolumeText() const;
};

constexpr uint32_t kLinkHeaderSize = 0x4C;

// Reads the link at the start of `data`. False when it is no link (too
// short for a header, or another header size or class id); otherwise true,
// with what could be read and its problems. `ansi` reads the strings stored
// in the ANSI code page.
bool ReadShellLink(const uint8_t* data, size_t size, AnsiText ansi, ShellLink& out);

// The drive type's name (Fixed, Removable, Network...).
const char16_t* DriveTypeName(uint32_t type);

}  // namespace glimmerlog

#endif
