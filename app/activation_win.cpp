// Sorting and activation of the main list's lines.
#include "app/frmViewer.h"

#include <commctrl.h>

#include "base/ascii.h"
#include "base/shell.h"
#include "base/utf8.h"
#include "views/explorer/explorerreaders.h"
#include "views/viewreaders.h"

namespace glimmerlog {

// Chooses the column the list is ordered by (0 is the line's text). The
// first click also switches the list to sorted order; until then lines keep
// the order their source gave them. The direction is always ascending, so a
// second click on the same header changes nothing.
void frmViewer::URLs_ColumnClick(int position) { OrderBy(position - 1, false); }

void frmViewer::SortBy(int position, bool descending) { OrderBy(position - 1, descending); }

void frmViewer::SourceOrder() {
  model_.SetSorted(false);
  model_.SetDescending(false);
  ClearSelection();
  SyncList();
}

// The specified views share one order, which a header click in any of them
// sets for all, as it always did. An added view opens in its source's own
// order (its Order column, or newest first) each time it is shown, whatever
// was clicked in another; F5 keeps the order chosen in it. The order of a
// specified view is kept for the next one while added views are shown.
void frmViewer::ApplyViewOrder(const ViewDef& view, bool again) {
  const ViewDef* shown = FindView(ViewMode);
  if (!shown || (shown->flags & ViewDef::kSpecified)) {
    specifiedOrder_ = {model_.Sorted(), model_.SortKey(), model_.Descending()};
  }
  const bool specified = view.flags & ViewDef::kSpecified;
  if (!specified && again && shown == &view) return;
  const ListOrder order = specified ? specifiedOrder_ : ListOrder{};
  model_.SetSorted(order.sorted);
  model_.SetSortKey(order.key);
  model_.SetDescending(order.descending);
}

void frmViewer::mnuRefreshView_Click() {
  if (const ViewDef* view = FindView(ViewMode)) ShowView(*view, true);
}

// The platform's arrow on the header of the column the list is ordered by.
void frmViewer::UpdateSortArrows() {
  HWND header = URLs_ ? ListView_GetHeader(URLs_) : nullptr;
  if (!header) return;
  for (int i = 0, n = Header_GetItemCount(header); i < n; ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!Header_GetItem(header, i, &item)) continue;
    const int wanted = !model_.Sorted() || i != model_.SortKey() ? 0 : model_.Descending() ? HDF_SORTDOWN : HDF_SORTUP;
    if ((item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) == wanted) continue;
    item.fmt = (item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN)) | wanted;
    Header_SetItem(header, i, &item);
  }
}

// Acts on the selected line by the tag of the view now shown: the view with
// that tag does its double-click action (the history's address, the line's
// text for the address bar, cookies, recent documents, Open/Save and
// index.dat views, the Run view's line as a command line; the search view
// nothing). No line, no view of that tag or a failure does nothing.
void frmViewer::URLs_DblClick() {
  const int selected = ActiveLine();
  if (selected < 0 || static_cast<size_t>(selected) >= model_.ShownCount()) return;
  const size_t row = model_.RowAt(static_cast<size_t>(selected));
  if (const ViewDef* view = FindView(ViewMode)) Activate(*view, row);
}

namespace {

// Percent-encodes what is not a letter or digit, for a search-ms: query.
std::wstring QueryText(const std::u16string& term) {
  const std::string utf8 = Utf8Of(term);
  std::wstring query;
  for (const unsigned char b : utf8) {
    if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
      query += static_cast<wchar_t>(b);
    } else {
      wchar_t hex[4];
      swprintf(hex, 4, L"%%%02X", b);
      query += hex;
    }
  }
  return query;
}

bool IsWebAddress(const std::wstring& text) {
  for (const wchar_t* scheme : {L"http://", L"https://", L"ftp://"}) {
    if (StartsWithIgnoringAsciiCase(std::wstring_view(text), std::wstring_view(scheme))) return true;
  }
  return false;
}

}  // namespace

void frmViewer::Activate(const ViewDef& view, size_t row) {
  // The line's text in the view's column, as the list holds it; or the
  // target its reader gave it, and then only a line that names something.
  std::u16string target;
  if (view.action == LineAction::kOpenTargetOrShowFile) {
    if (row >= model_.RowCount()) return;
    const std::u16string file(model_.Rows()->TargetOf(row));
    if (view.lineColumn >= 0) target = model_.TextOfRow(row, static_cast<size_t>(view.lineColumn));
    OpenTargetOrShowFile(target, file);
    return;
  }
  if (view.lineColumn >= 0) {
    target = model_.TextOfRow(row, static_cast<size_t>(view.lineColumn));
  } else {
    if (row < model_.RowCount()) target = model_.Rows()->TargetOf(row);
    if (target.empty()) return;
  }
  auto exists = [this](const std::u16string& path) {
    return folders_->Attributes(path) != FolderSource::kNoAttributes;
  };
  switch (view.action) {
    case LineAction::kNothing:
    case LineAction::kOpenTargetOrShowFile: break;
    case LineAction::kOpen: OpenInShell(AsWide(target)); break;
    // Another user's commands are never run here.
    case LineAction::kRun:
      if (profile_->OtherProfile()) {
        SetPanel(1, L"Commands of another profile are not run: " + AsWide(target));
      } else {
        Shell().Run(AsWide(target));
      }
      break;
    case LineAction::kSearchAgain: OpenInShell(L"search-ms:query=" + QueryText(target)); break;
    case LineAction::kOpenRecentShortcut: {
      const std::u16string folder = ProfileFolder(*profile_, u"Recent");
      if (!folder.empty() && exists(folder + target)) OpenInShell(AsWide(folder + target));
      break;
    }
    // Opens the file where the shell can find it; a path that names no place
    // in the file system (a control panel item, a web address) is left alone.
    case LineAction::kOpenShellPath: {
      const std::u16string path = ResolveShellPath(*profile_, target);
      if (!path.empty()) OpenInShell(AsWide(path));
      break;
    }
    // A folder the user once opened, again where it still is; one that is
    // gone is not offered to the shell (the shell would only say it is not
    // there). Another profile's folder is shown as OpenInShell maps it.
    case LineAction::kOpenShellFolder: {
      const std::u16string path = ResolveShellPath(*profile_, target);
      if (!path.empty() && (profile_->OtherProfile() || exists(path))) OpenInShell(AsWide(path));
      break;
    }
    // A document is opened on this computer's own profile when it is there;
    // otherwise, and always for another profile, it is shown as below.
    case LineAction::kOpenOrShowInFolder:
      if (IsWebAddress(AsWide(target))) {
        OpenInShell(AsWide(target));
        break;
      }
      if (!profile_->OtherProfile() && exists(target)) {
        OpenInShell(AsWide(target));
        break;
      }
      [[fallthrough]];
    // Shows the program selected in its folder; when the file is gone, the
    // folder alone; when that is gone too, nothing.
    case LineAction::kShowInFolder: {
      // A path on the Windows volume shown is where it is; another outside
      // the profile shown names this computer's file, and is left alone.
      std::u16string path;
      if (openedVolume_ && StartsWithIgnoringAsciiCase(std::u16string_view(target),
                                                       std::u16string_view(openedVolume_->Root()))) {
        path = target;
      } else if (!profile_->MapToProfile(target, path)) {
        break;
      }
      if (exists(path)) {
        ShowInFolder(AsWide(path));
        break;
      }
      const size_t slash = path.rfind(u'\\');
      if (slash != std::u16string::npos && exists(path.substr(0, slash + 1))) {
        OpenInShell(AsWide(path.substr(0, slash + 1)));
      }
      break;
    }
  }
}

// While another user's profile is shown, only web addresses are opened: a
// shortcut or a program of theirs would run here, on this computer. A file
// inside that profile is shown selected in its folder; a path that lies
// outside it names this computer's file, and is left alone.
void frmViewer::OpenInShell(const std::wstring& text) {
  if (!profile_->OtherProfile() || IsWebAddress(text)) {
    Shell().Open(hwnd_, text, L"", L"", SW_SHOWNORMAL);
    return;
  }
  std::u16string mapped;
  if (!profile_->MapToProfile(AsU16(text), mapped) || folders_->Attributes(mapped) == FolderSource::kNoAttributes) {
    SetPanel(1, L"Not in the profile shown: " + text);
    return;
  }
  ShowInFolder(AsWide(mapped));
}

// Nothing of another profile is opened: its shortcut or list is shown in
// its folder, where it lies in the profile shown.
void frmViewer::OpenTargetOrShowFile(const std::u16string& target, const std::u16string& file) {
  auto exists = [this](const std::u16string& path) {
    return !path.empty() && folders_->Attributes(path) != FolderSource::kNoAttributes;
  };
  if (!profile_->OtherProfile() && exists(target)) {
    Shell().Open(hwnd_, AsWide(target), L"", L"", SW_SHOWNORMAL);
    return;
  }
  std::u16string mapped;
  if (!file.empty() && profile_->MapToProfile(file, mapped) && exists(mapped)) {
    ShowInFolder(AsWide(mapped));
  } else if (!file.empty()) {
    SetPanel(1, L"Not in the profile shown: " + AsWide(file));
  }
}

void frmViewer::ShowInFolder(const std::wstring& path) {
  Shell().Open(hwnd_, L"explorer.exe", (L"/select,\"" + path + L"\"").c_str(), L"", SW_SHOWNORMAL);
}

void frmViewer::mnuOpoenIt_Click() { URLs_DblClick(); }

}  // namespace glimmerlog
