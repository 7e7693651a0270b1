// Program Inventory: the programs Windows' compatibility inventory
// recorded in Amcache.hve (Windows\appcompat\Programs), one entry per file
// it saw. Platform-free: the hive is read through a registry source.
#ifndef GLIMMERLOG_VIEWS_PROGRAMS_AMCACHE_H
#define GLIMMERLOG_VIEWS_PROGRAMS_AMCACHE_H

#include <cstdint>
#include <string>
#include <vector>

#include "sources/registry/registrysource.h"

namespace glimmerlog {

class Progress;

// How the hive records its files: Windows 10 and 11 (and 8.1 brought up to
// date) under Root\InventoryApplicationFile, Windows 8 and 8.1 under
// Root\File\<volume>\<file reference>. One hive may hold both.
inline constexpr char16_t kAmcacheInventory[] = u"InventoryApplicationFile";
inline constexpr char16_t kAmcacheFile[] = u"File";

struct AmcacheEntry {
  const char16_t* layout = kAmcacheInventory;
  std::u16string key;  // below the hive's root key
  std::u16string path, name, sha1, publisher, version, product;
  bool hasSize = false;
  uint64_t size = 0;
  // FILETIME values (UTC), 0 when not recorded: the program's link
  // (compile) time from its PE header, and the entry's key last-write time,
  // which is about when the inventory first saw the file.
  uint64_t linkDate = 0, firstSeen = 0;
  // The program the file belongs to (InventoryApplication or Programs,
  // joined by the program id): its name, publisher and install time.
  std::u16string programId, program, programPublisher;
  uint64_t installed = 0;
};

// Every file entry of both layouts, in the hive's order (the newer layout
// first). Keys that are there but cannot be read are named in `problems`;
// a layout the hive lacks is no problem. False when `progress` stopped it.
bool ReadAmcacheEntries(RegistrySource& hive, std::vector<AmcacheEntry>& entries,
                        std::vector<std::u16string>& problems, Progress* progress = nullptr);

// "MM/DD/YYYY HH:MM:SS" (UTC), as InventoryApplicationFile keeps LinkDate
// and InventoryApplication InstallDate, as FILETIME; 0 when it is not
// such a time.
uint64_t AmcacheDateText(std::u16string_view text);

}  // namespace glimmerlog

#endif
