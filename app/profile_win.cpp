// Another user's profile in the window: choosing it, reading every view from
// it, and returning to the signed-in user's own.
#include "app/frmViewer.h"

#include <shlobj.h>

#include "app/version.h"
#include "app/volumeuser_win.h"
#include "sources/folders/profilefolders_win.h"
#include "sources/ie/historyfiles.h"
#include "sources/live.h"
#include "views/browser/CURLHistory_win.h"
#include "views/browser/frmindexfile_win.h"
#include "views/state.h"
#include "views/browser/historyfilestore_win.h"

namespace glimmerlog {

namespace {

// A folder (or, with BIF_BROWSEINCLUDEFILES, a file) through the shell's
// folder browser; empty when the user cancels.
std::wstring BrowseForFolder(HWND owner, const wchar_t* title, UINT flags) {
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON | flags;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (!chosen) return {};
  wchar_t path[MAX_PATH] = {};
  const BOOL ok = SHGetPathFromIDListW(chosen, path);
  CoTaskMemFree(chosen);
  return ok ? path : L"";
}

// A profile folder, or its hive file.
std::wstring BrowseForProfile(HWND owner) {
  return BrowseForFolder(owner, L"Choose a profile folder (such as C:\\Users\\name) or its NTUSER.DAT file",
                         BIF_BROWSEINCLUDEFILES);
}

frmViewer::ProfileChooser g_chooser = &BrowseForProfile;

// A Windows volume's folder.
std::wstring BrowseForVolume(HWND owner) {
  return BrowseForFolder(
      owner, L"Choose a Windows volume: a folder that holds Windows and Users (a mounted image, a second disk)", 0);
}

frmViewer::VolumeChooser g_volumeChooser = &BrowseForVolume;
frmViewer::UserChooser g_userChooser = &ChooseVolumeUser;

// The history files of the opened profile and the folders they are read
// through, for the history views' store.
std::vector<std::wstring> g_profileHistory;
FolderSource* g_profileFolders = nullptr;
HRESULT ProfileHistoryStore(IUrlHistoryStg2** store) {
  if (!g_profileFolders) return E_FAIL;
  return CreateHistoryFileStore(*g_profileFolders, g_profileHistory, store);
}

std::wstring WithoutFinalBackslash(std::wstring path) {
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

}  // namespace

void frmViewer::SetProfileChooser(ProfileChooser chooser) { g_chooser = chooser ? chooser : &BrowseForProfile; }

void frmViewer::SetVolumeChoosers(VolumeChooser volume, UserChooser user) {
  g_volumeChooser = volume ? volume : &BrowseForVolume;
  g_userChooser = user ? user : &ChooseVolumeUser;
}

void frmViewer::mnuOpenVolume_Click() {
  const std::wstring root = g_volumeChooser(hwnd_);
  if (!root.empty()) OpenVolume(root, L"");
}

bool frmViewer::OpenVolume(const std::wstring& root, const std::wstring& user) {
  const std::wstring chosen = WithoutFinalBackslash(root);
  // Read only within the volume: its junctions and links never lead to this
  // computer's own folders.
  std::unique_ptr<FolderSource> folders = OpenProfileFolders(std::u16string(AsU16(chosen)));
  std::u16string why;
  std::unique_ptr<WindowsVolume> volume = WindowsVolume::Open(*folders, std::u16string(AsU16(chosen)), why);
  if (!volume) {
    SetPanel(1, L"Cannot open the volume " + chosen + L": " + AsWide(why));
    return false;
  }
  const std::vector<VolumeUser>& users = volume->Users();
  const VolumeUser* shown = nullptr;
  if (!user.empty()) {
    shown = volume->FindUser(AsU16(user));
  } else if (users.size() == 1) {
    shown = &users[0];
  } else if (!users.empty()) {
    std::vector<std::wstring> names;
    for (const VolumeUser& u : users) names.push_back(AsWide(u.name) + (u.sid.empty() ? L"" : L"  (" + AsWide(u.sid) + L")"));
    const int index = g_userChooser(hwnd_, names);
    if (index < 0) return false;  // cancelled: the view stays as it was
    if (static_cast<size_t>(index) < users.size()) shown = &users[static_cast<size_t>(index)];
  }
  if (!shown) {
    SetPanel(1, L"Cannot open the volume " + chosen + L": " +
                    (users.empty() ? std::wstring(L"it holds no user profile with a registry hive")
                                   : L"it has no user " + user));
    return false;
  }
  std::unique_ptr<ProfileSource> profile = ProfileSource::Open(*folders, shown->folder);
  if (!profile->HiveRead()) {
    SetPanel(1, L"Cannot open the profile " + AsWide(shown->folder) + L": " + AsWide(profile->HiveProblem()));
    return false;
  }
  openedUser_ = *shown;
  return Adopt(std::move(folders), std::move(profile), std::move(volume));
}

std::wstring frmViewer::OpenedProfile() const { return opened_ ? AsWide(opened_->Folder()) : std::wstring(); }

void frmViewer::mnuOpenProfile_Click() {
  const std::wstring path = g_chooser(hwnd_);
  if (!path.empty()) OpenProfile(path);
}

bool frmViewer::OpenProfile(const std::wstring& path) {
  const std::wstring chosen = WithoutFinalBackslash(path);
  const DWORD attributes = GetFileAttributesW(chosen.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    SetPanel(1, L"Cannot open the profile " + chosen + L": it is not there");
    return false;
  }
  std::wstring folder = chosen, hive;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    hive = chosen;
    folder = WithoutFinalBackslash(chosen.substr(0, chosen.find_last_of(L'\\') + 1));
  }
  // Read only within the folder: its junctions and links never lead to this
  // computer's own folders.
  std::unique_ptr<FolderSource> folders = OpenProfileFolders(std::u16string(AsU16(folder)));
  std::unique_ptr<ProfileSource> profile =
      ProfileSource::Open(*folders, std::u16string(AsU16(folder)), std::u16string(AsU16(hive)));
  // A hive read in part (damaged, or not written completely) still shows
  // what could be read, and the caption says so; one that holds nothing
  // readable is refused.
  if (!profile || !profile->HiveRead()) {
    const std::wstring why = profile ? AsWide(profile->HiveProblem()) : L"it cannot be read";
    SetPanel(1, L"Cannot open the profile " + chosen + L": " + why);
    return false;
  }
  openedUser_ = VolumeUser();
  return Adopt(std::move(folders), std::move(profile), nullptr);
}

// Shows an opened profile (and the volume it lies on, when one was opened).
bool frmViewer::Adopt(std::unique_ptr<FolderSource> folders, std::unique_ptr<ProfileSource> profile,
                      std::unique_ptr<WindowsVolume> volume) {
  // The views switch to the new sources before the old ones go, and the old
  // go once the views and the history store have left them.
  openedOsName_ = profile->OsName();
  UseSources(&profile->Registry(), folders.get(), profile.get());
  std::unique_ptr<FolderSource> oldFolders = std::move(openedFolders_);
  std::unique_ptr<ProfileSource> oldProfile = std::move(opened_);
  std::unique_ptr<WindowsVolume> oldVolume = std::move(openedVolume_);
  openedFolders_ = std::move(folders);
  opened_ = std::move(profile);
  openedVolume_ = std::move(volume);
  g_profileHistory.clear();
  for (const std::u16string& file : HistoryFiles(*opened_, *openedFolders_)) {
    g_profileHistory.push_back(AsWide(file));
  }
  g_profileFolders = openedFolders_.get();
  SetHistoryStoreFactory(&ProfileHistoryStore);
  SetIndexDatProfile(opened_.get(), openedOsName_);
  ShowProfileChange();
  return true;
}

void frmViewer::mnuLiveProfile_Click() {
  if (!opened_) return;
  UseSources(nullptr, nullptr, nullptr);
  SetHistoryStoreFactory(nullptr);
  SetIndexDatProfile(nullptr, {});
  std::unique_ptr<FolderSource> oldFolders = std::move(openedFolders_);
  std::unique_ptr<ProfileSource> oldProfile = std::move(opened_);
  std::unique_ptr<WindowsVolume> oldVolume = std::move(openedVolume_);
  openedUser_ = VolumeUser();
  g_profileHistory.clear();
  g_profileFolders = nullptr;
  ShowProfileChange();
}

// The caption names the profile shown (the live one keeps the program's own
// caption), the history stores are made again for the new source, and the
// view shown runs again on it.
void frmViewer::ShowProfileChange() {
  if (hwnd_) {
    std::wstring caption = L"Glimmerlog " GL_VERSION_WTEXT;
    // Short enough for any title bar: the folder's name and the version
    // taken; its full path, why that version and how the hive was read
    // are in the Sources view.
    if (opened_) {
      const std::u16string& folder = opened_->Folder();
      const size_t slash = folder.find_last_of(u"\\/");
      caption += L" \x2014 profile " + AsWide(slash == std::u16string::npos ? folder : folder.substr(slash + 1)) +
                 L" (" + AsWide(opened_->WindowsVersion()) + L")";
    }
    SetWindowTextW(hwnd_, caption.c_str());
    if (HMENU menu = GetMenu(hwnd_))
      EnableMenuItem(menu, IDM_LIVEPROFILE, MF_BYCOMMAND | (opened_ ? MF_ENABLED : MF_GRAYED));
  }
  history_ = CURLHistory::Create();
  // The index file chosen for the profile shown before is not this one's:
  // the Index.dat view asks again, proposing this profile's cache.
  IndexDatPath.clear();
  mnuRefreshView_Click();
}

}  // namespace glimmerlog
