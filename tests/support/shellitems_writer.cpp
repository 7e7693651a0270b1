#include "tests/support/shellitems_writer.h"

namespace glimmerlog {
namespace {

// A GUID as stored: 32 hex digits of its bytes in file order.
void PutStoredGuid(std::vector<uint8_t>& out, const char* hex) {
  auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
  for (int i = 0; i < 32; i += 2) out.push_back(uint8_t(digit(hex[i]) << 4 | digit(hex[i + 1])));
}

// The entry's fixed part and short name, padded to an even offset.
std::vector<uint8_t> FileEntryHead(const FileEntryFields& fields) {
  std::vector<uint8_t> item = {fields.type, 0};
  PutLe32(item, 100);  // file size
  PutLe32(item, fields.modifiedFat);
  PutLe16(item, fields.type & 1 ? 0x10 : 0x20);  // attributes
  item.insert(item.end(), fields.shortName.begin(), fields.shortName.end());
  item.push_back(0);
  if (item.size() % 2) item.push_back(0);  // the size field makes item offsets even here
  return item;
}

}  // namespace

void PutLe16(std::vector<uint8_t>& out, unsigned value) {
  out.insert(out.end(), {uint8_t(value), uint8_t(value >> 8)});
}

void PutLe32(std::vector<uint8_t>& out, uint32_t value) {
  PutLe16(out, value & 0xFFFF);
  PutLe16(out, value >> 16);
}

void PutUtf16z(std::vector<uint8_t>& out, const std::u16string& text) {
  for (char16_t c : text) PutLe16(out, c);
  PutLe16(out, 0);
}

void AppendItem(std::vector<uint8_t>& list, const std::vector<uint8_t>& item) {
  PutLe16(list, unsigned(item.size() + 2));
  list.insert(list.end(), item.begin(), item.end());
}

void EndList(std::vector<uint8_t>& list) { PutLe16(list, 0); }

std::vector<uint8_t> MyComputerItem() {
  std::vector<uint8_t> item = {0x1F, 0x50};
  PutStoredGuid(item, "E04FD020EA3A6910A2D808002B30309D");
  return item;
}

std::vector<uint8_t> VolumeItem(char drive) {
  std::vector<uint8_t> item = {0x2F, uint8_t(drive), ':', '\\'};
  item.resize(23);
  return item;
}

std::vector<uint8_t> FileExtensionBlock(unsigned offset, uint32_t createdFat, uint32_t accessedFat,
                                        const std::u16string& longName) {
  std::vector<uint8_t> block;
  PutLe16(block, 0);  // its size, set below
  PutLe16(block, 9);  // version
  PutLe32(block, 0xBEEF0004);
  PutLe32(block, createdFat);
  PutLe32(block, accessedFat);
  block.resize(46);  // the long name's place in version 9
  PutUtf16z(block, longName);
  PutLe16(block, offset);
  block[0] = uint8_t(block.size());
  block[1] = uint8_t(block.size() >> 8);
  return block;
}

std::vector<uint8_t> FileEntryItem(const FileEntryFields& fields) {
  std::vector<uint8_t> item = FileEntryHead(fields);
  if (fields.longName.empty()) return item;
  const unsigned offset = unsigned(item.size()) + 2;
  const std::vector<uint8_t> block = FileExtensionBlock(offset, fields.createdFat, fields.accessedFat, fields.longName);
  item.insert(item.end(), block.begin(), block.end());
  PutLe16(item, offset);
  return item;
}

std::vector<uint8_t> DelegateFileItem(const FileEntryFields& fields) {
  std::vector<uint8_t> inner;
  AppendItem(inner, FileEntryHead(fields));
  std::vector<uint8_t> item = {0x74, 0};
  PutLe16(item, unsigned(4 + inner.size()));
  item.insert(item.end(), {'C', 'F', 'S', 'F'});
  item.insert(item.end(), inner.begin(), inner.end());
  PutStoredGuid(item, "741A595E96DFD3488D671733BCEE28BA");  // the delegate folder
  PutStoredGuid(item, "C5CDFADF9F6756418947C5C76BC0B67F");  // the item's class
  const unsigned offset = unsigned(item.size()) + 2;
  const std::vector<uint8_t> block = FileExtensionBlock(offset, fields.createdFat, fields.accessedFat, fields.longName);
  item.insert(item.end(), block.begin(), block.end());
  PutLe16(item, offset);
  return item;
}

std::vector<uint8_t> LibraryItem(const std::u16string& parsingName, const std::vector<uint8_t>& ownList) {
  // One storage of the shell's details format: parsing name (id 24,
  // VT_LPWSTR) and the item's list (id 32, VT_VECTOR | VT_UI1).
  std::vector<uint8_t> values;
  std::vector<uint8_t> name;
  PutLe32(name, 24);
  name.insert(name.end(), {0, 0x1F, 0, 0, 0});
  PutLe32(name, uint32_t(parsingName.size() + 1));
  PutUtf16z(name, parsingName);
  PutLe32(values, uint32_t(name.size() + 4));
  values.insert(values.end(), name.begin(), name.end());
  PutLe32(values, uint32_t(ownList.size() + 17));
  PutLe32(values, 32);
  values.insert(values.end(), {0, 0x11, 0x10, 0, 0});
  PutLe32(values, uint32_t(ownList.size()));
  values.insert(values.end(), ownList.begin(), ownList.end());
  PutLe32(values, 0);
  std::vector<uint8_t> store;
  PutLe32(store, uint32_t(24 + values.size()));
  store.insert(store.end(), {'1', 'S', 'P', 'S'});
  PutStoredGuid(store, "A66A63283D95D211B5D600C04FD918D0");
  store.insert(store.end(), values.begin(), values.end());
  PutLe32(store, 0);

  std::vector<uint8_t> item = {0x00, 0};
  PutLe16(item, unsigned(8 + store.size()));
  PutLe32(item, 0x10141981);
  PutLe16(item, unsigned(store.size()));
  PutLe16(item, 0);  // no identifier
  item.insert(item.end(), store.begin(), store.end());
  return item;
}

}  // namespace glimmerlog
