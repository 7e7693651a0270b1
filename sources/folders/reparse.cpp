#include "sources/folders/reparse.h"

#include <vector>

#include "base/bytes.h"
#include "sources/folders/pathrules.h"

namespace glimmerlog {

namespace {

constexpr uint32_t kSymlinkRelative = 1;  // SYMLINK_FLAG_RELATIVE
constexpr size_t kHeader = 8;             // tag, data length, reserved

bool StartsWith(std::u16string_view s, std::u16string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// The substitute name of the buffer that starts at `buffer` and holds
// `length` bytes; false when its offset and length do not fit it.
bool SubstituteName(const uint8_t* buffer, size_t length, const uint8_t* fields, std::u16string& name) {
  const size_t offset = Le16(fields), bytes = Le16(fields + 2);
  if (offset % 2 != 0 || bytes % 2 != 0 || offset > length || bytes > length - offset) return false;
  name.clear();
  for (size_t i = 0; i < bytes; i += 2) name += static_cast<char16_t>(Le16(buffer + offset + i));
  return true;
}

// The root of a path of a drive ("C:") or of a share ("\\server\share"),
// and its length; 0 for any other path.
size_t RootLength(std::u16string_view path) {
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == u':') return 2;
  if (path.size() < 3 || !IsPathSeparator(path[0]) || !IsPathSeparator(path[1]) || IsPathSeparator(path[2])) return 0;
  size_t at = 2;
  while (at < path.size() && !IsPathSeparator(path[at])) ++at;  // the server
  if (at == path.size() || at + 1 == path.size() || IsPathSeparator(path[at + 1])) return 0;
  ++at;
  while (at < path.size() && !IsPathSeparator(path[at])) ++at;  // the share
  return at;
}

// `path` (with a root RootLength finds) with "." and ".." resolved and one
// backslash between parts; false when it climbs above its root or names a
// stream.
bool Resolve(std::u16string_view path, std::u16string& out) {
  const size_t root = RootLength(path);
  if (root == 0) return false;
  std::vector<std::u16string_view> parts;
  const std::u16string_view rest = path.substr(root);
  if (NamesStream(rest)) return false;
  for (size_t begin = 0; begin <= rest.size();) {
    size_t end = begin;
    while (end < rest.size() && !IsPathSeparator(rest[end])) ++end;
    const std::u16string_view part = WindowsPartName(rest.substr(begin, end - begin));
    begin = end + 1;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (parts.empty()) return false;
      parts.pop_back();
    } else {
      parts.push_back(part);
    }
  }
  out.assign(path.substr(0, root));
  if (out.size() == 2) out[0] = static_cast<char16_t>(out[0] & ~0x20);  // the drive letter as Windows writes it
  if (parts.empty()) out += u'\\';
  for (std::u16string_view part : parts) {
    out += u'\\';
    out += part;
  }
  return true;
}

// An absolute target as the file system records it: "\??\C:\..." or
// "\??\UNC\server\share\..." (also with "\\?\"); a volume by its GUID
// ("\??\Volume{...}") names no path.
bool AbsoluteTarget(std::u16string_view name, std::u16string& path) {
  if (!StartsWith(name, u"\\??\\") && !StartsWith(name, u"\\\\?\\")) return false;
  name.remove_prefix(4);
  if (name.size() >= 2 && IsDriveLetter(name[0]) && name[1] == u':' &&
      (name.size() == 2 || IsPathSeparator(name[2]))) {
    path.assign(name);
    return true;
  }
  if (name.size() > 4 && (name[0] == u'U' || name[0] == u'u') && (name[1] == u'N' || name[1] == u'n') &&
      (name[2] == u'C' || name[2] == u'c') && name[3] == u'\\') {
    path = u"\\\\" + std::u16string(name.substr(4));
    return true;
  }
  return false;
}

}  // namespace

bool ReparseTarget(const uint8_t* data, size_t size, std::u16string_view linkPath, std::u16string& target) {
  target.clear();
  if (!data || size < kHeader) return false;
  const uint32_t tag = Le32(data);
  const size_t length = Le16(data + 4);
  if (length > size - kHeader) return false;
  const uint8_t* fields = data + kHeader;
  std::u16string name, path;
  if (tag == kReparseTagMountPoint) {
    if (length < 8 || !SubstituteName(fields + 8, length - 8, fields, name)) return false;
    // A junction always names a folder of a drive by its whole path.
    if (!AbsoluteTarget(name, path) || RootLength(path) != 2) return false;
  } else if (tag == kReparseTagSymlink) {
    if (length < 12 || !SubstituteName(fields + 12, length - 12, fields, name)) return false;
    if (!(Le32(fields + 8) & kSymlinkRelative)) {
      if (!AbsoluteTarget(name, path)) return false;
    } else {
      // Relative to the folder the link is in, or to its drive or share
      // when it starts with a separator.
      const size_t root = RootLength(linkPath);
      if (root == 0 || name.empty() || NamesStream(name)) return false;
      if (IsPathSeparator(name.front())) {
        path = std::u16string(linkPath.substr(0, root)) + name;
      } else {
        size_t slash = linkPath.size();
        while (slash > root && !IsPathSeparator(linkPath[slash - 1])) --slash;
        path = std::u16string(linkPath.substr(0, slash));
        if (path.size() == root) path += u'\\';
        path += name;
      }
    }
  } else {
    return false;
  }
  return Resolve(path, target);
}

bool ReparseLeadsWithin(const uint8_t* data, size_t size, std::u16string_view linkPath,
                        std::initializer_list<std::u16string_view> folders, std::u16string& target) {
  std::u16string found;
  if (!ReparseTarget(data, size, linkPath, found)) return false;
  for (std::u16string_view folder : folders) {
    std::u16string_view rest;
    if (PathWithin(found, folder, rest)) {
      target = std::move(found);
      return true;
    }
  }
  return false;
}

std::u16string DosPath(std::u16string_view finalPath) {
  if (!StartsWith(finalPath, u"\\\\?\\")) return std::u16string(finalPath);
  std::u16string path;
  if (AbsoluteTarget(u"\\??\\" + std::u16string(finalPath.substr(4)), path)) return path;
  return std::u16string(finalPath);
}

}  // namespace glimmerlog
