// A whole hive as text, for comparing the hive reader with an established
// one: the export text that hivexregedit --export writes, and a listing of
// the keys in stored order with their times and value names.
#ifndef GLIMMERLOG_TESTS_SUPPORT_HIVEEXPORT_H
#define GLIMMERLOG_TESTS_SUPPORT_HIVEEXPORT_H

#include <string>
#include <string_view>

#include "sources/hive/regf.h"

namespace glimmerlog {

// UTF-16 as UTF-8 (a lone surrogate as its three-byte form).
std::string Utf8(std::u16string_view text);

// hivexregedit's export of the whole hive: its header line, then each key
// as "[\path]" with its values ("name"=hex(type):bytes, or dword:%08x for
// a four-byte REG_DWORD) and a blank line, subkeys and values ordered by
// their UTF-8 names.
std::string HiveExportText(const Hive& hive);

// One line for the hive ("hive\t<FILETIME of the base block>"), then for
// each key in stored order "key\t<depth>\t<FILETIME>\t<name>", each followed
// by its values in stored order as "value\t<name>".
std::string HiveTreeText(const Hive& hive);

}  // namespace glimmerlog

#endif
