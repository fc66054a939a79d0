// The row log, the check against expected rows and the one-frame menu run.
#include "menu_rows.h"

#include <gtest/gtest.h>

#include "app/main_loop.h"
#include "frontend/frontend_state.h"
#include "menu/menu_toolkit.h"

static void record_row(const menu_row_record* r, void* user) {
  menu_row row;
  row.page = r->page;
  row.row = r->row;
  row.label = r->label;
  row.has_value = r->value != nullptr;
  if (r->value) row.value = r->value;
  row.has_hint = r->hint != nullptr;
  if (r->hint) row.hint = r->hint;
  row.enabled = r->enabled != 0;
  row.has_step = r->has_step != 0;
  row.selected = r->selected != 0;
  row.visible = r->visible != 0;
  static_cast<menu_row_log*>(user)->rows.push_back(row);
}

menu_row_log::menu_row_log() {
  menu_set_row_hook(record_row, this);
}

menu_row_log::~menu_row_log() {
  menu_set_row_hook(nullptr, nullptr);
}

std::vector<menu_row> menu_row_log::of(int32_t page) const {
  std::vector<menu_row> out;
  for (const menu_row& row : rows) {
    if (row.page == page) out.push_back(row);
  }
  return out;
}

std::vector<std::string> menu_row_log::labels(int32_t page) const {
  std::vector<std::string> out;
  for (const menu_row& row : rows) {
    if (row.page == page) out.push_back(row.label);
  }
  return out;
}

const menu_row* menu_row_log::find(int32_t page, const std::string& label) const {
  for (const menu_row& row : rows) {
    if (row.page == page && row.label == label) return &row;
  }
  return nullptr;
}

void expect_rows(const std::vector<menu_row>& rows, const std::vector<expected_row>& expected,
                 const char* state) {
  ASSERT_EQ(rows.size(), expected.size()) << state;
  for (size_t i = 0; i < rows.size(); i++) {
    const menu_row& row = rows[i];
    const expected_row& want = expected[i];
    EXPECT_EQ(row.label, want.label) << state << " row " << i;
    EXPECT_EQ(row.has_value, want.value != nullptr) << state << ": " << want.label;
    if (want.value) {
      EXPECT_EQ(row.value, want.value) << state << ": " << want.label;
    }
    EXPECT_EQ(row.enabled, want.enabled) << state << ": " << want.label;
    EXPECT_EQ(row.has_hint, want.hint != nullptr) << state << ": " << want.label;
    if (want.hint) {
      EXPECT_EQ(row.hint, want.hint) << state << ": " << want.label;
    }
  }
}

void run_menu_frame() {
  if (fe.menu_open) main_loop_dispatch_page();
  menu_clear_latches();
}
