// A folder search that runs beside the window: the walk on a worker thread, its report
// lines and progress taken over by the window's thread at each tick, and a Stop.
#pragma once

#include "window.h"

// What a walk does.
enum WalkKind {
    WALK_FIND = 0,
    WALK_COUNT = 1,     // the Find before a Replace, which counts what the Replace would
                        //   rewrite, so that the user can be asked
    WALK_REPLACE = 2,   // keeping the old contents in the window's undo
    WALK_RESTORE = 3,   // the undo of the last Replace: no query, no folder
};

// What a folder search needs, in heap blocks that the walk takes over and releases.
struct FolderRequest {
    char* query;
    char* replacement;   // null for Find
    char* mask;          // lower-cased
    char* folder;        // the folder as typed, for the report's last line
    char* pattern;       // the folder and "\*"
    int button;          // IDC_FIND or IDC_REPLACE: it reads «Стоп» during the walk; 0: none
    int kind;            // a WalkKind
    int match_case;      // the search's options at the press
    int whole_word;
};

// Releases the request's blocks.
void release_request(FolderRequest* request);

// Puts the window in its walking state (controls and menu disabled, the editor read-only,
// the button turned into Stop), appends the report's header and starts the walk. The
// request's blocks are the walk's from here on, whatever happens. After a WALK_COUNT
// that was not stopped, confirm_folder_replace decides about the Replace.
void start_folder_walk(WindowState* state, const Window* window, FolderRequest* request);

// A tick: the lines found since the last one go to the end of the editor in one piece,
// the title shows the progress; after the walk's end, the last line and the window as
// it was before.
void folder_walk_tick(WindowState* state, const Window* window);

// Asks the walk to end at its next safe point.
void stop_folder_walk(WindowState* state);

// A command during the walk: Stop and Esc stop it, the editor's notifications go on, the
// rest is dropped.
CommandResult folder_walk_command(WindowState* state, const Window* window, int id,
                                  int notification);
