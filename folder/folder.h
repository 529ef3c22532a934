// Folder search: a depth-first walk over a folder tree with a visitor, and the visitor
// that searches (Find) or rewrites (Replace) one file and tells a sink what it found.
//
// The walker answers in Win32 error codes on every platform (the WALK_CODE_... values).
#pragma once

#include <stdint.h>

// Walk flags: the low 8 bits of walk_folder's flags argument.
constexpr uint32_t WALK_NUL_SEPARATOR = 0x01;  // list entries end in NUL instead of LF
constexpr uint32_t WALK_NO_RECURSION = 0x02;   // sub-folders are met but not entered
constexpr uint32_t WALK_CANCEL_BYTE = 0x04;    // without an active visitor, `user` is a cancel byte
constexpr uint32_t WALK_VISIT_FILES = 0x08;    // the visitor sees files too, not only folders
constexpr uint32_t WALK_VISITOR_OFF = 0x10;    // the visitor is not called (set on VISIT_DETACH)

// What a visitor answers, in the low 8 bits of its result; any other value continues.
constexpr int VISIT_CONTINUE = 0;    // the entry is listed
constexpr int VISIT_NOT_LISTED = 1;  // the entry is kept off its list; a folder is still entered
constexpr int VISIT_STOP = 2;        // the entry is listed, then the walk ends with 995
constexpr int VISIT_DETACH = 3;      // the entry is listed; the visitor is not called again
constexpr int VISIT_LEAVE_OUT = 4;   // the entry is kept off its list, and a folder is not
                                     //   entered: nothing below it is met

// The walker's results (Win32 error codes).
constexpr int32_t WALK_CODE_OK = 0;
constexpr int32_t WALK_CODE_FILE_NOT_FOUND = 2;         // a level's mask matched nothing
constexpr int32_t WALK_CODE_PATH_NOT_FOUND = 3;         // the folder does not exist
constexpr int32_t WALK_CODE_ACCESS_DENIED = 5;          // the folder cannot be listed
constexpr int32_t WALK_CODE_NOT_ENOUGH_MEMORY = 8;      // a list or a buffer could not grow
constexpr int32_t WALK_CODE_NO_MORE_FILES = 18;         // a listing's normal end (never returned)
constexpr int32_t WALK_CODE_BAD_ARGUMENTS = 160;        // no pattern, or nothing to do
constexpr int32_t WALK_CODE_FILENAME_EXCED_RANGE = 206; // some path was too long and skipped
constexpr int32_t WALK_CODE_OPERATION_ABORTED = 995;    // VISIT_STOP or the cancel byte

// A growing list of entry names; `data` is a standard heap block (malloc/realloc/free),
// null while nothing was added to a list handed in empty.
struct NameList {
    uint32_t capacity;  // bytes allocated for data
    uint32_t used;      // bytes in use, without the final NUL
    char* data;
};

// The state of one walk, shared by every level.
struct WalkContext {
    NameList* files;       // receives file entries, or null
    NameList* folders;     // receives folder entries, or null; may be `files` itself
    int32_t file_count;    // file entries met so far
    int32_t folder_count;  // folder entries met so far
    uint8_t flags;         // WALK_... flags; the walker sets WALK_VISITOR_OFF
    uint8_t stop;          // set once the walk is to end; never cleared
    uint8_t skipped_long;  // set when a path too long for the level's buffer was skipped
};

// Called for an entry with its full path (valid only during the call), 1 for a folder or
// 0 for a file, the walk's two counts (the entry already counted) and the caller's pointer.
typedef int (*FileVisitor)(const char* path, int is_folder, int32_t* file_count,
                           int32_t* folder_count, void* user);

// Walks the tree below `pattern` (a folder path, the separator and a mask, "*" for every
// entry; the separator is '\' on Windows and '/' elsewhere). `base` leading characters of
// each path are left out of the list entries; `files` and `folders` (optional, possibly
// the same address) receive lists that the caller releases with free. Returns a
// WALK_CODE_... value or the platform's error code of the listing that failed.
int32_t walk_folder(const char* pattern, uint16_t base, char** files, char** folders,
                    uint32_t flags, FileVisitor visitor, void* user);

// One level of the walk: `pattern` is this level's folder, separator and mask, `split` the
// index of that separator. Calls itself for sub-folders.
int32_t walk_level(const char* pattern, uint16_t split, uint16_t base, WalkContext* context,
                   FileVisitor visitor, void* user);

// What the folder search tells its caller, event by event, through a FolderSink: the
// report's matter, not its words (the window words and formats the lines).
enum FolderEventKind {
    FOLDER_FILE_PASSED = 0,       // a file passed the mask and is being searched (progress)
    FOLDER_HIT_FOUND = 1,         // a hit at `offset`, reported as found
    FOLDER_HIT_REPLACED = 2,      // a hit at `offset` whose replacement took the file's place
    FOLDER_CANNOT_OPEN = 3,       // the file cannot be opened for reading
    FOLDER_NOT_CHANGED = 4,       // Replace left the file as it was, for `reason`
    FOLDER_TEMP_NOT_DELETED = 5,  // the copy at `path` could not be removed (`error`)
    FOLDER_REWRITABLE = 6,        // the search before a Replace: the Replace would rewrite
                                  //   the file, and `offset` of its hits (no report line)
    FOLDER_RESTORED = 7,          // an undo put the file's old content back
    FOLDER_NOT_RESTORED = 8,      // an undo left the file as it was, for `reason`
};

// Why Replace left a file as it was (FOLDER_NOT_CHANGED).
enum FolderReason {
    REASON_READ_FAILED = 0,     // reading it failed midway
    REASON_COPY_FAILED = 1,     // writing its copy failed (a full disk, say)
    REASON_NOT_REPLACED = 2,    // the copy could not take its place, or the file is
                                //   read-only (`error`)
    REASON_STOPPED = 3,         // the walk was stopped while the file was rewritten
    REASON_CHANGED = 4,         // another program changed the file meanwhile
    REASON_LEFTOVER_COPY = 5,   // a copy left by an earlier Replace is in the way (`other`)
    REASON_PATH_TOO_LONG = 6,   // the copy's path would pass the platform's limit
    REASON_NO_COPY = 7,         // the copy cannot be created (`error`)
    REASON_HARD_LINKED = 8,     // the file has other names, which would keep the old bytes
    REASON_TOO_MANY_HITS = 9,   // more hits than MAX_HELD_HITS
    REASON_BINARY = 10,         // a binary file, which a replacement of another length breaks
};

// Why an undo left a file as it was (FOLDER_NOT_RESTORED).
enum RestoreReason {
    RESTORE_CHANGED = 0,         // its content is no longer the one that the Replace wrote
    RESTORE_MISSING = 1,         // it is gone
    RESTORE_KEPT_DAMAGED = 2,    // its kept copy is gone or not what was kept
    RESTORE_READ_FAILED = 3,     // reading it failed (`error`)
    RESTORE_COPY_FAILED = 4,     // writing the copy beside it failed (`error`)
    RESTORE_NOT_REPLACED = 5,    // the copy could not take its place, or it is read-only
    RESTORE_LEFTOVER_COPY = 6,   // a copy left by an earlier Replace is in the way (`other`)
    RESTORE_NO_COPY = 7,         // the copy beside it cannot be created (`error`)
};

// The most hits of one file that a Replace holds until the file's fate is known; a file
// with more is only searched, so that memory stays bounded.
constexpr uint32_t MAX_HELD_HITS = 1000000;

// The excerpt of a hit's line that the report shows: pieces of Windows-1251 text (a
// UTF-8 or UTF-16 file's decoded, `?` for a character without a form there) with line
// breaks and control characters as the file holds them, cut as the report's rule says.
enum ExcerptPiece {
    PIECE_BEFORE = 0,     // the line before the match: its nearest characters
    PIECE_OLD_HEAD = 1,   // the matched text: all of it, or its first characters
    PIECE_OLD_TAIL = 2,   //   and its last ones when its middle is left out (else empty)
    PIECE_NEW_HEAD = 3,   // the replacement written, or to be written, the same way
    PIECE_NEW_TAIL = 4,
    PIECE_AFTER = 5,      // the line after the match: its first characters
    EXCERPT_PIECES = 6,
};

struct HitExcerpt {
    const char* pieces[EXCERPT_PIECES];   // by ExcerptPiece (null when empty)
    uint8_t lengths[EXCERPT_PIECES];
    uint8_t before_cut;   // the line holds more before the match
    uint8_t after_cut;    // the line goes on after
    uint8_t has_new;      // the new pieces are told
    uint8_t preview;      // a hit of the search before a Replace, in a file that the
                          //   Replace would rewrite: the new pieces are what it would write
};

struct FolderEvent {
    int kind;            // FOLDER_...
    int reason;          // FOLDER_NOT_CHANGED: a REASON_...
    const char* path;    // the file; for FOLDER_TEMP_NOT_DELETED, its copy
    int64_t offset;      // a hit's offset in the file as it was before the visit
    int error;           // the errno value of a failure that has one, else 0
    const char* other;   // a second path that the reason names, or null
    int encoding;        // the file's text encoding (TEXT_... of text_encoding.h)
    // A hit (FOLDER_HIT_FOUND, FOLDER_HIT_REPLACED): the file's bytes that the match
    // spans, and for a replaced hit the bytes that took their place there (for a preview,
    // those that would), in the file's encoding; null and 0 when not told, as for a hit
    // whose line is not listed.
    uint32_t match_length;
    const char* written;
    uint32_t written_length;
    // A hit whose line the report lists (FolderJob.listed_hits): the line where it
    // begins, 1-based, and the excerpt of that line; 0 when they are not told.
    int64_t line;
    HitExcerpt excerpt;
};

// Receives the events of a walk in walk order, one at a time: on the walk's thread, or on
// the thread that scans a file beside the walk in that file's turn; `user` is the job's
// `sink_user`.
typedef void (*FolderSink)(void* user, const FolderEvent* event);

struct FolderWork;
struct UndoStore;

// What the window hands to search_in_file through the walker's user pointer.
struct FolderJob {
    const char* query;           // as typed, escapes not decoded
    const char* replacement;     // template as typed; null means Find (see `counting`)
    const char* mask;            // the masks (mask_list.h), already lower-cased
    uint32_t prefix_length;      // literal_prefix_length of the query
    FolderSink sink;             // where the events go; null: nowhere
    void* sink_user;
    // While zero the walk goes on; once another thread sets it, the walk ends at the
    // next safe point (between files, or between blocks of a file, a file being
    // rewritten left as it was). Null: never stopped.
    const uint8_t* stop;
    // What search_in_file keeps from one file to the next (its buffer, the compiled
    // query and masks): made by begin_folder_job. Null: each file makes its own.
    FolderWork* work;
    // Every file taken as bytes of the ANSI code page, as before encodings were told
    // apart: for measuring what telling them costs.
    int bytes_only;
    // A search before a Replace, with the Replace's template in `replacement`: it
    // matches as the Replace will and rewrites nothing; each file with hits that the
    // Replace would rewrite is told with FOLDER_REWRITABLE, so that the user can be asked
    // with the counts, and its hits are told as found, with the preview of their change.
    int counting;
    // A Replace: where each rewritten file's old content is kept for an undo (undo.h), or
    // null for none.
    UndoStore* undo;
    // The most hit lines that the report lists (the later hits are only counted): a file
    // tells the line and excerpt of at most that many of its own hits, and the sink leaves
    // out the lines beyond the bound of the whole walk. 0: no bound.
    uint32_t listed_hits = 0;
    // The search's options (QueryOptions of query.h), for the query and the counting Find
    // alike. A job that sets neither has them as the window starts: letters as typed,
    // matches inside words too.
    int match_case = 1;
    int whole_word = 0;
    // The threads that scan the files while the walk lists the folders: 0 as many as the
    // processor's logical cores; 1 none beside the walk, whose own thread scans them. At
    // most 8 in a 32-bit program.
    uint32_t threads = 0;
};

// Appended to a file's path to name its temporary copy, beside it.
constexpr char TEMP_SUFFIX[] = "$qor%tmp^rp$.tmp";

// The most of a file that one match can span: each candidate's window.
constexpr uint32_t WINDOW_SIZE = 65536;

// The FileVisitor of folder-mode Find and Replace; `job` is a FolderJob. Returns
// VISIT_CONTINUE, VISIT_LEAVE_OUT for a folder that an excluding mask leaves out, or
// VISIT_STOP when the job was stopped or memory for the scan or the masks cannot be had.
int search_in_file(const char* path, int is_folder, int32_t* file_count, int32_t* folder_count,
                   void* job);

// 1 once the job's stop byte is set.
int stop_requested(const FolderJob* job);

// Sets up the job's work for a walk. Returns 0, or ENOMEM (the job then has none, and
// search_in_file works file by file).
int begin_folder_job(FolderJob* job);
// Ends the walk's work: what is pending is finished and reported, and the rest released.
void end_folder_job(FolderJob* job);

// A whole search: walk_folder over `pattern` with search_in_file, inside begin and end.
// Returns the walk's result (WALK_CODE_NOT_ENOUGH_MEMORY when its work cannot be had).
int32_t search_folder_tree(FolderJob* job, const char* pattern);
