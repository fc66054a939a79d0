// The two modal overlays of the menu, each drawn over the page beneath it: the confirmation
// dialog (menu_page 14), a question with "Yes" and "No" ("No" selected when it opens) that
// carries out its confirm_action after "Yes", and the error dialog (menu_page 15), a title and a
// word-wrapped body that Enter, Back or a click dismisses. show_confirm and show_error fill their
// texts and push them.
#pragma once

void menu_page_confirm();
void menu_page_error();
