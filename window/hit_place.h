// Where a hit line's hit lies in the text that the editor shows: the selection that
// covers it, or why there is none.
#pragma once

#include <stdint.h>

#include "report_links.h"
#include "run_hits.h"
#include "window.h"

enum PlaceKind {
    PLACE_SELECTED = 0,   // [start, end) is the hit
    PLACE_CARET = 1,      // nothing there to select: the caret goes to start
    PLACE_CHANGED = 2,    // the hit is no longer there: the caret goes to start, and the
                          //   user is told
    PLACE_UNSHOWN = 3,    // the hit lies in the part of the file after a zero byte, which
                          //   the editor does not show
};

struct HitPlace {
    int kind;             // a PlaceKind
    uint32_t start;
    uint32_t end;
};

// The hit that `line` names in the editor's `text` (`length` characters and a zero behind),
// which was read from the file `shown`. A hit that the walk `run` (or null) listed is
// looked for as it told it, its query and template deciding what a hit is; a line that it
// did not write, with `find_query` (the query field's text) matched at the position.
HitPlace place_hit(const char* text, uint32_t length, const ShownFile* shown,
                   const HitLine* line, const RunHits* run, const char* find_query);
