// The command handlers that window_command dispatches to; each runs to completion.
#pragma once

#include "window.h"

struct FolderRequest;

// Document commands.
void open_document(WindowState* state, const Window* window);
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
