// Writers of shell item lists (IDLists) for tests and fuzzers: items of the
// kinds the decoder reads, laid out as the shell stores them. An item here is
// its bytes after the u16 size field (type byte first); AppendItem adds the
// size.
#ifndef GLIMMERLOG_TESTS_SUPPORT_SHELLITEMS_WRITER_H
#define GLIMMERLOG_TESTS_SUPPORT_SHELLITEMS_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

namespace glimmerlog {

void PutLe16(std::vector<uint8_t>& out, unsigned value);
void PutLe32(std::vector<uint8_t>& out, uint32_t value);
void PutUtf16z(std::vector<uint8_t>& out, const std::u16string& text);  // with its NUL

void AppendItem(std::vector<uint8_t>& list, const std::vector<uint8_t>& item);
void EndList(std::vector<uint8_t>& list);  // the terminating zero size

std::vector<uint8_t> MyComputerItem();        // root folder 0x1F
std::vector<uint8_t> VolumeItem(char drive);  // 0x2F "X:\"

// A version 9 0xBEEF0004 extension block holding two FAT date-times (date in
// the low word) and a long name, for a place `offset` bytes into its item.
std::vector<uint8_t> FileExtensionBlock(unsigned offset, uint32_t createdFat, uint32_t accessedFat,
                                        const std::u16string& longName);

struct FileEntryFields {
  uint8_t type = 0x32;  // 0x31 a folder, 0x32 a file
  std::string shortName;
  uint32_t modifiedFat = 0, createdFat = 0, accessedFat = 0;
  std::u16string longName;  // empty: no extension block
};
std::vector<uint8_t> FileEntryItem(const FileEntryFields& fields);

// A users-files delegate (type 0x74, signature "CFSF") wrapping the entry
// `fields` without its extension block, which follows the two GUIDs.
std::vector<uint8_t> DelegateFileItem(const FileEntryFields& fields);

// A library view item (class 0x00, signature 0x10141981) whose property
// store holds the item's parsing name and its own absolute IDList.
std::vector<uint8_t> LibraryItem(const std::u16string& parsingName, const std::vector<uint8_t>& ownList);

}  // namespace glimmerlog

#endif
