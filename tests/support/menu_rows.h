// What the menu tests read instead of pixels: every row the pages emit (through the toolkit's
// row hook, installed for the log's lifetime) and their check against expected rows, and running
// one frame of the menu the way the main loop does: the page on top, a dialog drawn over the page
// beneath with that page's latches cleared, then the latches cleared for the next frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct menu_row {
  int32_t page = 0, row = 0;
  std::string label, value, hint;
  bool has_value = false, has_hint = false;
  bool enabled = false, has_step = false, selected = false, visible = false;
};

class menu_row_log {
 public:
  menu_row_log();
  ~menu_row_log();
  menu_row_log(const menu_row_log&) = delete;
  menu_row_log& operator=(const menu_row_log&) = delete;

  std::vector<menu_row> rows;
  void clear() { rows.clear(); }
  // The rows of one page, in order.
  std::vector<menu_row> of(int32_t page) const;
  // The labels of one page's rows, in order.
  std::vector<std::string> labels(int32_t page) const;
  // The first row of the page with this label, or null.
  const menu_row* find(int32_t page, const std::string& label) const;
};

// A row as a test expects it.
struct expected_row {
  std::string label;
  const char* value;  // null: none
  bool enabled;
  const char* hint;  // null: none
};

// Checks the rows against the expected ones, in order: label, value, enabled, hint. `state`
// names the situation in the messages.
void expect_rows(const std::vector<menu_row>& rows, const std::vector<expected_row>& expected,
                 const char* state = "");

// One frame of the main loop's page dispatch (the Main Menu when nothing is stacked; for a dialog
// on top, the page beneath first with every latch cleared and the pointer x at -1), the
// empty-stack rule afterwards, then the latches cleared. Nothing is drawn while the menu is closed.
void run_menu_frame();
