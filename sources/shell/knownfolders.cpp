#include "sources/shell/knownfolders.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace glimmerlog {

namespace {

struct KnownFolder {
  const char* guid;  // upper case, no braces
  const char16_t* name;
};

// The known folders of the profile and of the system, the shell's root
// folders and the folders under My Computer, the libraries, a few control
// panel items, and the GUID-named categories of UserAssist: one name for
// each GUID, the name Windows shows for it (a library is "Music", not "Music
// Library"; the roaming application data folder "Roaming"). Where the
// known folders of the user and of all users show the same name, the name
// says which one is meant ("all users", "x86"). Sorted by GUID text, for
// binary search.
constexpr KnownFolder kFolders[] = {
    {"008CA0B1-55B4-4C56-B8A8-4DE4B299D3BE", u"Account Pictures"},
    {"00BCFC5A-ED94-4E48-96A1-3F6217F21990", u"Roaming Tiles"},
    {"0139D44E-6AFE-49F2-8690-3DAFCAE6FFB8", u"Programs (all users)"},
    {"018D5C66-4533-4307-9B53-224DE2ED1FE6", u"OneDrive"},
    {"031E4825-7B94-4DC3-B131-E946B44C8DD5", u"Libraries"},
    {"0482AF6C-08F1-4C34-8C90-E17EC98B1E17", u"Public Account Pictures"},
    {"054FAE61-4DD8-4787-80B6-090220C4B700", u"GameExplorer"},
    {"0762D272-C50A-4BB0-A382-697DCD729B80", u"Users"},
    {"088E3905-0323-4B02-9826-5D99428E115F", u"Downloads"},
    {"0AC0837C-BBF8-452A-850D-79D08E667CA7", u"Computer"},
    {"0D4C3DB6-03A3-462F-A0E6-08924C41B5D4", u"Search History"},
    {"0DB7E03F-FC29-4DC6-9020-FF41B59E513A", u"3D Objects"},
    {"0DDD015D-B06C-45D5-8C4C-F59713854639", u"Pictures (This PC)"},
    {"0F214138-B1D3-4A90-BBA9-27CBC0C5389A", u"Sync Setup"},
    {"12D4C69E-24AD-4923-BE19-31321C43A767", u"RetailDemo"},
    {"15CA69B3-30EE-49C1-ACE1-6B5EC372AFB5", u"Sample Playlists"},
    {"1777F761-68AD-4D8A-87BD-30B759FA33DD", u"Favorites"},
    {"18989B1D-99B5-455B-841C-AB7C74E4DDFC", u"Videos"},
    {"190337D1-B8CA-4121-A639-6D472D16972A", u"Search Results"},
    {"1A6FDBA2-F42D-4358-A798-B74D745926C5", u"Recorded TV"},
    {"1AC14E77-02E7-4E5D-B744-2EB1AE5198B7", u"System32"},
    {"1B3EA5DC-B587-4786-B4EF-BD1DC332AEAE", u"Libraries"},
    {"1C2AC1DC-4358-4B6C-9733-AF21156576F0", u"Device"},
    {"1CF1260C-4DD0-4EBB-811F-33C572699FDE", u"Music"},
    {"1E87508D-89C2-42F0-8A7E-645A0F50CA58", u"Applications"},
    {"208D2C60-3AEA-1069-A2D7-08002B30309D", u"My Network Places"},
    {"20D04FE0-3AEA-1069-A2D8-08002B30309D", u"My Computer"},
    {"2112AB0A-C86A-4FFE-A368-0DE96E47012E", u"Music"},
    {"21EC2020-3AEA-1069-A2DD-08002B30309D", u"Control Panel"},
    {"2227A280-3AEA-1069-A2DE-08002B30309D", u"Printers"},
    {"22877A6D-37A1-461A-91B0-DBDA5AAEBC99", u"Recent Places"},
    {"2400183A-6185-49FB-A2D8-4A392A602BA3", u"Public Videos"},
    {"24AD3AD4-A569-4530-98E1-AB02F9417AA8", u"Pictures"},
    {"24D89E24-2F19-4534-9DDE-6A6671FBB8FE", u"OneDrive Documents"},
    {"26EE0668-A00A-44D7-9371-BEB064C98683", u"Control Panel"},
    {"289A9A43-BE44-4057-A41B-587A76D7E7F9", u"Sync Results"},
    {"2A00375E-224C-49DE-B8D1-440DF7EF3DDC", u"Localized Resources"},
    {"2B0F765D-C0E9-4171-908E-08A611B84FF6", u"Cookies"},
    {"2B20DF75-1EDA-4039-8097-38798227D5B7", u"Camera Roll Library"},
    {"2C36C0AA-5812-4B87-BFD0-4CD0DFB19B39", u"Original Images"},
    {"2F8B40C2-83ED-48EE-B383-A1F157EC6F9A", u"Recorded Calls"},
    {"31C0DD25-9439-4F12-BF41-7FF4EDA38722", u"3D Objects"},
    {"3214FAB5-9757-4298-BB61-92A9DEAA44FF", u"Public Music"},
    {"323CA680-C24D-4099-B94D-446DD2D7249E", u"Favorites"},
    {"339719B5-8C47-4894-94C2-D8F77ADD44A6", u"OneDrive Pictures"},
    {"33E28130-4E1E-4676-835A-98395C3BC3BB", u"Pictures"},
    {"352481E8-33BE-4251-BA85-6007CAEDCF9D", u"Temporary Internet Files"},
    {"35286A68-3C57-41A1-BBB1-0EAE73D76C95", u"Videos (This PC)"},
    {"35786D3C-B075-49B9-88DD-029876E11C01", u"Portable Devices"},
    {"374DE290-123F-4565-9164-39C4925E467B", u"Downloads"},
    {"3ADD1653-EB32-4CB0-BBD7-DFA0ABB5ACCA", u"Pictures"},
    {"3B193882-D3AD-4EAB-965A-69829D1FB59F", u"Saved Pictures"},
    {"3D644C9B-1FB8-4F30-9B45-F670235F79C0", u"Public Downloads"},
    {"3DB40B20-2A30-4DBE-917E-771DD21DD099", u"App Mods (current app)"},
    {"3DFDF296-DBEC-4FB4-81D1-6A3438BCF4DE", u"Music"},
    {"3EB685DB-65F9-4CF6-A03A-E3EF65729F3D", u"Roaming"},
    {"4234D49B-0245-4DF3-B780-3893943456E1", u"Applications"},
    {"4336A54D-038B-4685-AB02-99BB52D3FB8B", u"Public"},
    {"43668BF8-C14E-49B2-97C9-747784D784B7", u"Sync Center"},
    {"450D8FBA-AD25-11D0-98A8-0800361B1103", u"My Documents"},
    {"48DAF80B-E6CF-4F4E-B800-0E69D84EE384", u"Public Libraries"},
    {"491E922F-5643-4AF4-A7EB-4E7A138D8174", u"Videos"},
    {"4BD8D571-6D19-48D3-BE97-422220080E43", u"Music"},
    {"4BFEFB45-347D-4006-A5BE-AC0CB0567192", u"Conflicts"},
    {"4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4", u"Saved Games"},
    {"4D9F7874-4E0C-4904-967B-40B0D20C3E4B", u"Internet"},
    {"52528A6B-B9E3-4ADD-B60D-588C2DBA842D", u"Homegroup"},
    {"52A4F021-7B75-48A9-9F6B-4B87A210BC8F", u"Quick Launch"},
    {"5399E694-6CE5-4D6C-8FCE-1D8870FDCBA0", u"Control Panel"},
    {"559D40A3-A036-40FA-AF61-84CB430A4D34", u"AppData\\ProgramData"},
    {"56784854-C6CB-462B-8169-88E350ACB882", u"Contacts"},
    {"59031A47-3F72-44A7-89C5-5595FE6B30EE", u"User's Files"},
    {"5CD7AEE2-2219-4A67-B85D-6C9CE15660CB", u"AppData\\Local\\Programs"},
    {"5CE4A5E9-E4EB-479D-B89F-130C02886155", u"Device Metadata Store"},
    {"5E6AB780-7743-11CF-A12B-00AA004AE837", u"Microsoft Internet Toolbar"},
    {"5E6C858F-0E22-4760-9AFE-EA3317B67173", u"User Profile"},
    {"625B53C3-AB48-4EC1-BA1F-A1EF4146FC19", u"Start Menu"},
    {"62AB5D82-FDC1-4DC3-A9DD-070D1D495D97", u"ProgramData"},
    {"6365D5A7-0F0D-45E5-87F6-0DA56B6A4F7D", u"Common Files"},
    {"645FF040-5081-101B-9F08-00AA002F954E", u"Recycle Bin"},
    {"679F85CB-0220-4080-B29B-5540CC05AAB6", u"Quick access"},
    {"69D2CF90-FC33-4FB7-9A0C-EBB0F0FCB43C", u"Slide Shows"},
    {"6D809377-6AF0-444B-8957-A3773F02200E", u"Program Files"},
    {"6F0CD92B-2E97-45D1-88FF-B0D186B8DEDD", u"Network Connections"},
    {"7007ACC7-3202-11D1-AAD2-00805FC1270E", u"Network Connections"},
    {"724EF170-A42D-4FEF-9F26-B60E846FBA4F", u"Administrative Tools"},
    {"75048700-EF1F-11D0-9888-006097DEACF9", u"Active Desktop"},
    {"767E6811-49CB-4273-87C2-20F355E1085B", u"OneDrive Camera Roll"},
    {"76FC4E2D-D6AD-4519-A663-37BD56068185", u"Printers"},
    {"7AD67899-66AF-43BA-9156-6AAD42E6C596", u"App Mods"},
    {"7B0DB17D-9CD2-4A93-9733-46CC89022E7C", u"Documents"},
    {"7B396E54-9EC5-4300-BE0A-2482EBAE1A26", u"Gadgets (all users)"},
    {"7B81BE6A-CE2B-4676-A29E-EB907A5126C5", u"Programs and Features"},
    {"7BE16610-1F7F-44AC-BFF0-83E15F2FFCA1", u"AppData\\Documents"},
    {"7C5A40EF-A0FB-4BFC-874A-C0F2E0B9FA8E", u"Program Files (x86)"},
    {"7CFBEFBC-DE1F-45AA-B843-A542AC536CC9", u"AppData\\Favorites"},
    {"7D1D3A04-DEBB-4115-95CF-2F29DA2920DA", u"Searches"},
    {"7D83EE9B-2244-4E70-B1F5-5393042AF1E4", u"Downloads (This PC)"},
    {"7E636BFE-DFA9-4D5E-B456-D7B39851D8A9", u"Search Templates"},
    {"82A5EA35-D9CD-47C5-9629-E15D2F714E6E", u"Startup (all users)"},
    {"82A74AEB-AEB4-465C-A014-D097EE346D63", u"Control Panel"},
    {"859EAD94-2E85-48AD-A71A-0969CB56A6CD", u"Sample Videos"},
    {"871C5380-42A0-1069-A2EA-08002B30309D", u"Internet Explorer"},
    {"8983036C-27C0-404B-8F08-102D10DCFD74", u"SendTo"},
    {"8AD10C31-2ADB-4296-A8F7-E4701232C972", u"Resources"},
    {"905E63B6-C1BF-494E-B29C-65B732D3D21A", u"Program Files"},
    {"9274BD8D-CFD1-41C3-B35E-B13F55A758F4", u"Printer Shortcuts"},
    {"9343812E-1C37-4A49-A12E-4B2D810D956B", u"Search Home"},
    {"98EC0E18-2098-4D44-8644-66979315A281", u"Microsoft Office Outlook"},
    {"9B74B6A3-0DFD-4F11-9E78-5F7800F2E772", u"Homegroup (current user)"},
    {"9E3995AB-1F9C-4F13-B827-48B24B6C7174", u"User Pinned"},
    {"9E52AB10-F80D-49DF-ACB8-4330F5687855", u"Temporary Burn Folder"},
    {"A0953C92-50DC-43BF-BE83-3742FED03C9C", u"Videos"},
    {"A0C69A99-21C8-4671-8703-7934162FCF1D", u"Music (This PC)"},
    {"A302545D-DEFF-464B-ABE8-61C8648D939B", u"User Libraries"},
    {"A305CE99-F527-492B-8B1A-7E76FA98D6E4", u"Installed Updates"},
    {"A3918781-E5F2-4890-B3D9-A7E54332328C", u"Application Shortcuts"},
    {"A4115719-D62E-491D-AA7C-E74B8BE3B067", u"Start Menu (all users)"},
    {"A440879F-87A0-4F7D-B700-0207B966194A", u"Start Menu Places (all users)"},
    {"A520A1A4-1780-4FF6-BD18-167343C5AF16", u"LocalLow"},
    {"A52BBA46-E9E1-435F-B3D9-28DAA648C0F6", u"OneDrive"},
    {"A63293E8-664E-48DB-A079-DF759E0509F7", u"Templates"},
    {"A75D362E-50FC-4FB7-AC2C-A8BEAA314493", u"Gadgets"},
    {"A77F5D77-2E2B-44C3-A6A2-ABA601054A51", u"Programs"},
    {"A8CDFF1C-4878-43BE-B5FD-F8091C1C60D0", u"Documents"},
    {"A990AE9F-A03B-4E80-94BC-9912D7504104", u"Pictures"},
    {"AAA8D5A5-F1D6-4259-BAA8-78E7EF60835E", u"Roamed Tile Images"},
    {"AB5FB87B-7CE2-4F83-915D-550846C9537B", u"Camera Roll"},
    {"AE50C081-EBD2-438A-8655-8A092E34987A", u"Recent Items"},
    {"B250C668-F57D-4EE1-A63C-290EE7D1AA1F", u"Sample Music"},
    {"B2C5E279-7ADD-439F-B28C-C41FE1BBF672", u"AppData\\Desktop"},
    {"B4BFCC3A-DB2C-424C-B029-7FE99A87C641", u"Desktop"},
    {"B6EBFB86-6907-413C-9AF7-4FC2ABF07CC5", u"Public Pictures"},
    {"B7534046-3ECB-4C18-BE4E-64CD4CB7D6AC", u"Recycle Bin"},
    {"B7BEDE81-DF94-4682-A7D8-57A52620B86F", u"Screenshots"},
    {"B94237E7-57AC-4347-9151-B08C6C32D1F7", u"Templates (all users)"},
    {"B97D20BB-F46A-4C97-BA10-5E3608430854", u"Startup"},
    {"BB06C0E4-D293-4F75-8A90-CB05B6477EEE", u"System"},
    {"BCB5256F-79F6-4CEE-B725-DC34E402FD46", u"Implicit App Shortcuts"},
    {"BCBD3057-CA5C-4622-B42D-BC56DB0AE516", u"AppData\\Local\\Programs\\Common"},
    {"BD84B380-8CA2-1069-AB1D-08000948F534", u"Fonts"},
    {"BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968", u"Links"},
    {"C1BAE2D0-10DF-4334-BEDD-7AA20B227A9D", u"OEM Links"},
    {"C3F2459E-80D6-45DC-BFEF-1F769F2BE730", u"OneDrive Music"},
    {"C4900540-2379-4C75-844B-64E6FAF8716B", u"Sample Pictures"},
    {"C4AA340D-F20F-4863-AFEF-F87EF2E6BA25", u"Public Desktop"},
    {"C5ABBF53-E17F-4121-8900-86626FC2C973", u"Network Shortcuts"},
    {"C870044B-F49E-4126-A9C3-B52A1FF411E8", u"Ringtones"},
    {"CAC52C1A-B53D-4EDC-92D7-6B2E8AC19434", u"Games"},
    {"CEBFF5CD-ACE2-4F4F-9178-9926F41749EA", u"Executable File Execution"},
    {"D0384E7D-BAC3-4797-8F14-CBA229B392B5", u"Administrative Tools (all users)"},
    {"D20BEEC4-5CA8-4905-AE3B-BF251EA09B53", u"Network"},
    {"D20EA4E1-3957-11D2-A40B-0C5020524153", u"Administrative Tools"},
    {"D3162B92-9365-467A-956B-92703ACA08AF", u"Documents"},
    {"D65231B0-B2F1-4857-A4CE-A8E7C6EA7D27", u"SysWOW64"},
    {"D9DC8A3B-B784-432E-A781-5A1130A75963", u"History"},
    {"DBE8E08E-3053-4BBC-B183-2A7B2B191E59", u"Development Files"},
    {"DE61D971-5EBC-4F02-A3A9-6C82895E5C04", u"Get Programs"},
    {"DE92C1C7-837F-4F69-A3BB-86E631204A23", u"Playlists"},
    {"DE974D24-D9C6-4D3E-BF91-F4455120B917", u"Common Files (x86)"},
    {"DEBF2536-E1A8-4C59-B6A2-414586476AEA", u"GameExplorer (all users)"},
    {"DF7266AC-9274-4867-8D55-3BD661DE872D", u"Programs and Features"},
    {"DFDF76A2-C82A-4D63-906A-5644AC457385", u"Public"},
    {"E17D4FC0-5564-11D1-83F2-00A0C90DC849", u"Search Results"},
    {"E25B5812-BE88-4BD9-94B0-29233477B6C3", u"Saved Pictures Library"},
    {"E555AB60-153B-4D17-9F04-A5FE99FC15EC", u"Ringtones (all users)"},
    {"ED228FDF-9EA8-4870-83B1-96B02CFE0D52", u"My Games"},
    {"ED4824AF-DCE4-45A8-81E2-FC7965083634", u"Public Documents"},
    {"ED7BA470-8E54-465E-825C-99712043E01C", u"All Tasks"},
    {"EDC0FE71-98D8-4F4A-B920-C8DC133CB165", u"Captures"},
    {"EE32E446-31CA-4ABA-814F-A5EBD2FD6D5E", u"Offline Files"},
    {"F02C1A0D-BE21-4350-88B0-7367FC96EF3C", u"Network"},
    {"F1B32785-6FBA-4FCF-9D55-7B8E7F157091", u"Local"},
    {"F26305EF-6948-40B9-B255-81453D09C785", u"All Programs"},
    {"F38BF404-1D43-42F2-9305-67DE0B28FC23", u"Windows"},
    {"F3CE0F7C-4901-4ACC-8648-D5D44B04EF8F", u"User Files"},
    {"F42EE2D3-909F-4907-8871-4C22FC0BF756", u"Documents (This PC)"},
    {"F4E57C4B-2036-45F0-A9AB-443BCFE33D9F", u"Shortcut File Execution"},
    {"F5FB2C77-0E2F-4A16-A381-3E560C68BC83", u"Removable Drives"},
    {"F7F1ED05-9F6D-47A2-AAAE-29D317C6F066", u"Common Files"},
    {"F86FA3AB-70D2-4FC7-9C99-FCBF05467F3A", u"Videos"},
    {"F874310E-B6B7-47DC-BC84-B9E6B38F5903", u"Home"},
    {"FD228CB7-AE11-4AE3-864C-16F3910AB8FE", u"Fonts"},
    {"FDD39AD0-238F-46AF-ADB4-6C85480369C7", u"Documents"},
};

constexpr size_t kGuidLength = 36;

constexpr bool TextLess(const char* a, const char* b) {
  for (size_t i = 0; i < kGuidLength; ++i) {
    if (a[i] != b[i]) return a[i] < b[i];
  }
  return false;
}

constexpr bool TableSorted() {
  for (size_t i = 1; i < std::size(kFolders); ++i) {
    if (!TextLess(kFolders[i - 1].guid, kFolders[i].guid)) return false;
  }
  return true;
}
static_assert(TableSorted(), "known folders must be sorted by GUID, each once");

bool IsHexDigit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

const char16_t* Find(const char* text) {
  const auto* end = std::end(kFolders);
  const auto* at = std::lower_bound(std::begin(kFolders), end, text,
                                    [](const KnownFolder& f, const char* t) { return TextLess(f.guid, t); });
  return at != end && std::memcmp(at->guid, text, kGuidLength) == 0 ? at->name : nullptr;
}

}  // namespace

void GuidChars(const uint8_t guidBytes[16], char text[37]) {
  // Text order of the bytes: Data1 (4, little-endian), Data2 (2), Data3 (2),
  // then Data4 as stored.
  static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  static constexpr char kHex[] = "0123456789ABCDEF";
  size_t n = 0;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text[n++] = '-';
    const uint8_t b = guidBytes[kOrder[i]];
    text[n++] = kHex[b >> 4];
    text[n++] = kHex[b & 15];
  }
  text[n] = 0;
}

std::string GuidText(const uint8_t guidBytes[16]) {
  char text[kGuidLength + 1];
  GuidChars(guidBytes, text);
  return std::string(text, kGuidLength);
}

const char16_t* KnownFolderName(std::u16string_view guidText) {
  if (guidText.size() == kGuidLength + 2 && guidText.front() == u'{' && guidText.back() == u'}') {
    guidText = guidText.substr(1, kGuidLength);
  }
  if (guidText.size() != kGuidLength) return nullptr;
  char text[kGuidLength + 1] = {};
  for (size_t i = 0; i < kGuidLength; ++i) {
    const char16_t c = guidText[i];
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (c != u'-') return nullptr;
    } else if (!IsHexDigit(c)) {
      return nullptr;
    }
    text[i] = static_cast<char>(c >= u'a' ? c - (u'a' - u'A') : c);
  }
  return Find(text);
}

const char16_t* KnownFolderNameOf(const uint8_t guidBytes[16]) {
  if (!guidBytes) return nullptr;
  // The table by the GUIDs' stored bytes, made once: item lists name many
  // folders, and a comparison of bytes needs no text.
  struct Stored {
    uint8_t bytes[16];
    const char16_t* name;
  };
  static const std::vector<Stored> byBytes = [] {
    static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    auto hex = [](char c) { return static_cast<uint8_t>(c <= '9' ? c - '0' : c - 'A' + 10); };
    std::vector<Stored> table;
    for (const KnownFolder& f : kFolders) {
      Stored s{{}, f.name};
      for (int i = 0, at = 0; i < 16; ++i, at += 2) {
        if (at == 8 || at == 13 || at == 18 || at == 23) ++at;
        s.bytes[kOrder[i]] = static_cast<uint8_t>(hex(f.guid[at]) << 4 | hex(f.guid[at + 1]));
      }
      table.push_back(s);
    }
    std::sort(table.begin(), table.end(),
              [](const Stored& a, const Stored& b) { return std::memcmp(a.bytes, b.bytes, 16) < 0; });
    return table;
  }();
  const auto at = std::lower_bound(byBytes.begin(), byBytes.end(), guidBytes,
                                   [](const Stored& s, const uint8_t* key) { return std::memcmp(s.bytes, key, 16) < 0; });
  return at != byBytes.end() && std::memcmp(at->bytes, guidBytes, 16) == 0 ? at->name : nullptr;
}

}  // namespace glimmerlog
