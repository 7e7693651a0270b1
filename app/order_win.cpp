// Ordering the list by a column. The new order is made while the list still
// shows the old one; an order that takes longer than half a second gives
// the event loop turns, so that the window answers, and says how far it has
// come in panel 2 (the progress bar belongs to the index.dat scan). Escape
// stops it and leaves the list as it was; another view, or another order,
// taking over abandons it.
#include "app/frmViewer.h"

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <iterator>

namespace glimmerlog {

namespace {
using Clock = std::chrono::steady_clock;
std::chrono::milliseconds g_patience{500};
constexpr std::chrono::milliseconds kTextEvery{100};
}  // namespace

void frmViewer::SetOrderPatience(unsigned milliseconds) { g_patience = std::chrono::milliseconds(milliseconds); }

bool frmViewer::MakeListOrder(int key, bool descending, ListModel::PendingOrder& pending) {
  const uint64_t epoch = listEpoch_;
  const uint64_t ticket = ++orderTicket_;
  orderStop_ = false;
  const Clock::time_point start = Clock::now();
  Clock::time_point shownAt{};
  bool answering = false;
  std::wstring panel2;
  auto stillWanted = [&] { return OwnsList(epoch) && ticket == orderTicket_; };
  auto step = [&](uint64_t done, uint64_t total) {
    const Clock::time_point now = Clock::now();
    if (now - start < g_patience) return true;
    if (!answering) {
      answering = true;
      panel2 = PanelText(2);
    }
    if (now - shownAt >= kTextEvery) {
      shownAt = now;
      wchar_t text[80];
      swprintf(text, std::size(text), L"Sorting lines\u2026 %u%% (Esc stops)",
               static_cast<unsigned>(total ? done * 100 / total : 0));
      SetPanel(2, text);
      if (SBar1_) UpdateWindow(SBar1_);
    }
    DoEvents();
    return stillWanted() && !orderStop_;
  };
  ListModel::OrderResult result;
  ++ordering_;
  struct Done {
    int& count;
    ~Done() { --count; }
  } done{ordering_};
  result = model_.MakeOrder(key, descending, pending, step);
  // Whatever took the list over meanwhile has written its own texts.
  if (!stillWanted()) return false;
  if (answering) SetPanel(2, panel2);
  return result == ListModel::OrderResult::kDone;
}

// The list control keeps its selection by place, so the selected and
// focused lines are noted by row before the order changes and marked again
// where they land.
void frmViewer::ApplyOrder(ListModel::PendingOrder&& pending) {
  if (!URLs_) {
    model_.TakeOrder(std::move(pending));
    return;
  }
  std::vector<size_t> rows;
  for (int i = ListView_GetNextItem(URLs_, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(URLs_, i, LVNI_SELECTED)) {
    if (static_cast<size_t>(i) < model_.ShownCount()) rows.push_back(model_.RowAt(static_cast<size_t>(i)));
  }
  const int focused = ListView_GetNextItem(URLs_, -1, LVNI_FOCUSED);
  const bool hasFocus = focused >= 0 && static_cast<size_t>(focused) < model_.ShownCount();
  if (hasFocus) rows.push_back(model_.RowAt(static_cast<size_t>(focused)));

  if (!model_.TakeOrder(std::move(pending))) return;
  ClearSelection();
  if (rows.empty()) return;
  std::vector<size_t> shown = model_.DisplayIndicesOf(rows);
  if (hasFocus) {
    const size_t at = shown.back();
    shown.pop_back();
    if (at != SIZE_MAX) {
      ListView_SetItemState(URLs_, static_cast<int>(at), LVIS_FOCUSED, LVIS_FOCUSED);
      ListView_EnsureVisible(URLs_, static_cast<int>(at), FALSE);
    }
  }
  for (size_t at : shown) {
    if (at != SIZE_MAX) ListView_SetItemState(URLs_, static_cast<int>(at), LVIS_SELECTED, LVIS_SELECTED);
  }
}

// A header click or the header's menu. The same order again changes
// nothing; a stopped order leaves the list, its header and its selection as
// they were.
void frmViewer::OrderBy(int key, bool descending) {
  if (!(model_.Sorted() && model_.SortKey() == key && model_.Descending() == descending && model_.OrderCurrent())) {
    const uint64_t epoch = listEpoch_;
    ListModel::PendingOrder pending;
    if (MakeListOrder(key, descending, pending)) {
      ApplyOrder(std::move(pending));
    } else {
      if (!OwnsList(epoch) || !URLs_) return;
      if (model_.Sorted() && !model_.OrderCurrent()) model_.SetSorted(false);
    }
  }
  SyncList();
}

}  // namespace glimmerlog
