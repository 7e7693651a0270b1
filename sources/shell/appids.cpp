#include "sources/shell/appids.h"

namespace glimmerlog {

namespace {

struct KnownAppId {
  const char16_t* id;
  const char16_t* program;
};

// Windows derives an AppID from the program's path (or takes the one the
// program sets), so one program has one id per place it is installed in and
// often per version. The ids are those that these public lists give, drawn
// from tests on real systems:
// - the Forensics Wiki page "List of Jump List IDs"
//   (forensicswiki.org/wiki/List_of_Jump_List_IDs);
// - "Jump List Forensics: AppIDs", parts 1 and 2, 4n6k.com (2011);
// - "JumpLists file names and AppID calculator", hexacorn.com (2013);
// and each program's own entries in the test data's jump lists agree with
// its name here (the shell folders of Explorer, the .rdp files of Remote
// Desktop, the tasks of PowerShell, the workspaces of the code editor).
// Sorted by id.
constexpr KnownAppId kAppIds[] = {
    {u"12dc1ea8e34b5a6", u"Paint 6.1"},
    {u"17d3eb086439f0d7", u"TrueCrypt 7.0a"},
    {u"1b4dd67f29cb1962", u"Windows Explorer"},
    {u"1bc392b8e104a00e", u"Remote Desktop Connection"},
    {u"1ced32d74a95c7bc", u"Visual Studio Code"},
    {u"28c8b86deab549a1", u"Internet Explorer 8 to 11"},
    {u"290532160612e071", u"WinRAR (64-bit)"},
    {u"50620fe75ee0093", u"VMware Player 3.1.4"},
    {u"590aee7bdd69b59b", u"Windows PowerShell"},
    {u"5d696d521de238c3", u"Google Chrome"},
    {u"7e4dca80246863e3", u"Control Panel"},
    {u"83b03b46dcd30a0e", u"iTunes 10"},
    {u"918e0ecb43d17e23", u"Notepad (32-bit)"},
    {u"9b9cdc69c1c24e2b", u"Notepad (64-bit)"},
    {u"9c7cc110ff56d1bd", u"Microsoft PowerPoint 2010 (32-bit)"},
    {u"adecfb853d77462a", u"Microsoft Word 2007"},
    {u"be71009ff8bb02a2", u"Microsoft Outlook (32-bit)"},
    {u"c71ef2c372d322d7", u"PGP Desktop 10"},
    {u"cdf30b95c55fd785", u"Microsoft Excel 2007"},
    {u"f01b4d95cf55d32a", u"Windows Explorer (Windows 8.1 and later)"},
    {u"f5ac5390b9115fdb", u"Microsoft PowerPoint 2007"},
};

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

}  // namespace

const char16_t* AppIdProgram(std::u16string_view appId) {
  for (const KnownAppId& known : kAppIds) {
    const std::u16string_view id(known.id);
    if (id.size() != appId.size()) continue;
    bool same = true;
    for (size_t i = 0; i < id.size() && same; ++i) same = id[i] == Lower(appId[i]);
    if (same) return known.program;
  }
  return nullptr;
}

}  // namespace glimmerlog
