// The command handlers that window_command dispatches to; each runs to completion.
#pragma once

#include "window.h"

struct FolderRequest;

struct DocumentText;
struct LoadMessage;

// Document commands.
void open_document(WindowState* state, const Window* window);
// The box for a file that is larger than Open takes.
void report_too_large(const Window* window);
// The editor takes the file `shown`, read as `text` (both taken over), as Open leaves it:
// its path for Save, its encoding in the title, the menu; [select_start, select_end)
// selected once its place is in (start -1: none); Open's warnings and `notice` (or null)
// shown once the text is whole.
void show_file(WindowState* state, const Window* window, char* text, ShownFile* shown,
               const DocumentText& decoded, int32_t select_start, int32_t select_end,
               const LoadMessage* notice);
void save_document(WindowState* state, const Window* window);
void save_document_as(WindowState* state, const Window* window);
// Saves as Save does, or as Save As does when the document has no file of its own (Save
// is greyed then). Returns whether the text reached the disk.
bool save_document_anywhere(WindowState* state, const Window* window);

// Before the editor's text is replaced or the window closes: a document with unsaved
// changes asks «Сохранить изменения?». Returns true when the caller may go on (nothing
// unsaved, an unchanged folder report, No, or Yes and a save that succeeded), false when
// everything is to stay as it was.
bool may_discard_document(WindowState* state, const Window* window);

// The modified marker in the title.
void mark_modified(WindowState* state, const Window* window);
void clear_modified(WindowState* state, const Window* window);

// Keyboard commands.
void focus_find_text(WindowState* state, const Window* window);
void focus_editor(WindowState* state, const Window* window);
void select_all(WindowState* state, const Window* window);
void toggle_match_case(WindowState* state, const Window* window);
void toggle_whole_word(WindowState* state, const Window* window);
// Enter in a field: presses the button beside it.
void press_field_button(WindowState* state, const Window* window);

// Find and Replace in the editor.
void find_in_editor(WindowState* state, const Window* window);
void replace_in_editor(WindowState* state, const Window* window);

// Folder mode: the check box, the folder dialog, and Find (replacement null) or Replace
// over a folder tree with the query and replacement already read from their fields
// (heap blocks that it takes over).
void switch_folder_controls(WindowState* state, const Window* window);
void browse_for_folder(WindowState* state, const Window* window);
void search_folder(WindowState* state, const Window* window, char* query, char* replacement);
// After the Find that counts what a Replace of `request` would rewrite (`hits` hits in
// `files` files): asks «Заменить N совпадений в M файлах?» and, on Да, starts the Replace.
// Takes the request's blocks over.
void confirm_folder_replace(WindowState* state, const Window* window, FolderRequest* request,
                            uint64_t hits, uint32_t files);
// Before a folder report: the editor is emptied of the document, which goes with its
// file and encoding (a report is ANSI text); the report counts as unedited.
void clear_for_report(WindowState* state, const Window* window);
// «Отменить замену»: the undo of the last folder Replace.
void undo_folder_replace(WindowState* state, const Window* window);

// The report's hits: F4 and Shift+F4 open the next and the previous hit line's hit, from
// the kept report while a file opened from it is shown, else from the caret's line.
void open_next_hit(WindowState* state, const Window* window);
void open_previous_hit(WindowState* state, const Window* window);
