// The folder report kept while a file opened from it is shown: in IDC_KEPT_REPORT, hidden
// in the editor's place, with what it was as the shown document. It is never put into a
// control again (a long report takes the edit control seconds to lay out): the two
// controls trade places.
#pragma once

#include "window.h"

// The text shown becomes the kept report, hidden with its document state; the control
// that takes its place is empty, its document not yet set.
void keep_shown_text(WindowState* state, const Window* window);

// «К отчёту (F7)»: after the question about an edited file, the kept report is shown
// again, its caret on the line of the last hit opened from it.
void back_to_report(WindowState* state, const Window* window);

// Before a new report takes the text shown: the kept report goes, and what its walk's
// hits were, and the file shown.
void drop_kept_report(WindowState* state, const Window* window);

// «К отчёту» enabled while a report is kept, greyed otherwise.
void show_report_command(const WindowState* state, const Window* window);

// When the window goes: what the report and the file shown hold.
void release_kept_report(WindowState* state);
