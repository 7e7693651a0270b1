// The window's side of the comparison with glimmerlog-report: every view of
// the table, run in the window on each profile folder that view_parity.py
// assembled, written as the report writes it (tab-separated text, times in
// UTC as ISO 8601, numbers as "%.15g") from the list's typed cells. The
// script then runs the report on the same folders and compares the lines.
//
// Read from GL_PARITY_DIR: profiles.tsv, one profile a line: its name, its
// folder (relative to GL_PARITY_DIR, with slashes), the cache index file
// the Index.dat view is given (relative to the profile folder), and for a
// Windows volume the user to show.
// Written to GL_PARITY_DIR\window\NAME\: profile.tsv (the folder as the
// window names it, then the profile folder as the hive names it), views.tsv
// (each view's tag and name, in the table's order) and TAG.txt per view.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "views/export.h"
#include "base/utf8.h"
#include "base/winutil_win.h"
#include "base/isotime.h"
#include "sources/profile/profilesource.h"
#include "tests/win32/win32_test_util.h"
#include "views/browser/frmindexfile_win.h"
#include "views/viewdef.h"

namespace glimmerlog {
namespace {

std::wstring WindowsPath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  std::wstring wide = Utf8ToWide(path);
  if (!wide.empty() && wide[0] == L'\\') wide = L"Z:" + wide;
  return wide;
}

std::wstring g_indexFile;
void ChooseIndexFile(frmindexfile& dialog) {
  dialog.SetText1(g_indexFile);
  dialog.Command1_Click();
}

// The list's lines in the report's text format, cell by cell from the model.
std::string ReportText(const frmViewer& form) {
  const ListModel& model = form.Model();
  ExportDocument doc;
  for (const ListModel::Column& c : model.Columns()) doc.columns.push_back(c.caption);
  doc.rowCount = model.RowCount();
  doc.row = [&model](size_t row, std::vector<ExportCell>& cells) {
    for (size_t c = 0; c < cells.size(); ++c) {
      switch (model.KindOfRow(row, c)) {
        case ListModel::Kind::kText: cells[c].shown = model.TextOfRow(row, c); break;
        case ListModel::Kind::kTime:
          cells[c].iso = IsoUtc(model.TimeOfRow(row, c));
          cells[c].shown = cells[c].iso;
          break;
        case ListModel::Kind::kNumber: {
          char text[64];
          std::snprintf(text, sizeof(text), "%.15g", model.NumberOfRow(row, c));
          cells[c].shown = Utf8ToU16(text);
          break;
        }
        case ListModel::Kind::kEmpty: break;
      }
    }
  };
  std::string bytes;
  WriteExport(ExportFormat::kText, doc, bytes);
  return bytes;
}

void WriteText(const std::wstring& path, const std::string& bytes) {
  test::WriteFileBytes(path, bytes.data(), bytes.size());
}

TEST(ViewParity, EveryViewOfEveryProfileIsWrittenForTheReport) {
  const std::wstring dir = WindowsPath(GL_PARITY_DIR);
  const std::wstring out = dir + L"\\window";
  test::RemoveTree(out);  // this test's own output of an earlier run
  std::ifstream list((dir + L"\\profiles.tsv").c_str(), std::ios::binary);
  if (!list) GTEST_SKIP() << "no profiles assembled in " << GL_PARITY_DIR << " (view_parity.py makes them)";
  ASSERT_TRUE(CreateDirectoryW(out.c_str(), nullptr));

  frmindexfile::SetShownHook(&ChooseIndexFile);
  auto form = test::MakeViewer();
  ASSERT_TRUE(form);
  std::string line;
  size_t profiles = 0;
  while (std::getline(list, line)) {
    std::istringstream fields(line);
    std::string name, folder, indexFile, user;
    if (!std::getline(fields, name, '\t') || !std::getline(fields, folder, '\t') ||
        !std::getline(fields, indexFile, '\t')) {
      continue;
    }
    std::getline(fields, user);  // a volume's user; none for a profile folder
    SCOPED_TRACE(name);
    const std::wstring profile = dir + L"\\" + WindowsPath(folder);
    g_indexFile = profile + L"\\" + WindowsPath(indexFile);
    const std::wstring written = out + L"\\" + Utf8ToWide(name);
    ASSERT_TRUE(CreateDirectoryW(written.c_str(), nullptr));
    if (user.empty()) {
      ASSERT_TRUE(form->OpenProfile(profile)) << WideToUtf8(form->PanelText(1));
      const ProfileRoot& root = static_cast<ProfileSource&>(form->Profile()).Root();
      WriteText(written + L"\\profile.tsv", WideToUtf8(form->OpenedProfile()) + "\t" + Utf8Of(root.path) + "\n");
    } else {
      // The report names a volume's copy as the drive C:.
      ASSERT_TRUE(form->OpenVolume(profile, Utf8ToWide(user))) << WideToUtf8(form->PanelText(1));
      WriteText(written + L"\\profile.tsv", WideToUtf8(profile) + "\tC:\n");
    }

    std::string views;
    for (const ViewDef& view : Views()) {
      form->RunView(AsWide(view.tag).c_str());
      EXPECT_EQ(form->ViewMode, AsWide(view.tag));
      WriteText(written + L"\\" + AsWide(view.tag) + L".txt", ReportText(*form));
      views += Utf8Of(view.tag) + "\t" + Utf8Of(view.name) + "\n";
    }
    WriteText(written + L"\\views.tsv", views);
    ++profiles;
  }
  form->mnuLiveProfile_Click();
  frmindexfile::SetShownHook(nullptr);
  EXPECT_GT(profiles, 0u);
}

}  // namespace
}  // namespace glimmerlog
