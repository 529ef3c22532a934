// search_in_file: the visitor of folder-mode Find and Replace. Tests a file's path
// against the masks (a folder's against the excluding ones) on the walk's thread, scans
// the file (file_scan.cpp), or hands it over to the threads that scan beside the walk
// (scan_pool.h), and, for Replace, lets the finished copy take the file's place in one
// step.
#include "folder.h"

#include "file_fate.h"
#include "file_scan.h"
#include "folder_events.h"
#include "folder_job.h"
#include "folder_platform.h"
#include "letter_case.h"
#include "mask_list.h"
#include "query.h"
#include "replace_file.h"
#include "scan_pool.h"
#include "scan_tools.h"
#include "search_in_file.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

namespace {

constexpr size_t COPY_BUFFER = 1 << 16;

// The mask test of an entry whose path `lowered` holds, lower-cased here: 1 when a file
// is searched or a folder entered, 0 when not, -1 when memory for the masks cannot be
// had. The walk's masks are compiled once; a path visited on its own compiles the job's.
int passes_masks(const FolderJob* job, char* lowered, int is_folder) {
    MaskList* own = job->work ? nullptr : compile_mask_list(job->mask);
    const MaskList* masks = job->work ? job_masks(job) : own;
    if (!masks) return -1;
    lower_case_1251(lowered);
    int passes = is_folder ? !mask_list_leaves_out(masks, lowered)
                           : mask_list_takes_file(masks, lowered);
    release_mask_list(own);
    return passes;
}

// After the scan: a copy that holds replacements takes the file's place, if the file is
// still the one that was read; any other copy is removed; the hits and the reason why a
// file was left as it was are reported.
void settle_copy(FileScan* scan) {
    FileCopy* copy = &scan->copy.file;
    if (scan->block.read_failed) {
        // A copy of part of the file must never take its place.
        scan_give_up(scan, REASON_READ_FAILED);
    } else if (scan->stopped && copy->name) {
        scan_give_up(scan, REASON_STOPPED);
    } else if (copy->name && !scan->copy.started) {
        fate_drop_copy(scan->job, &scan->fate, copy);
    } else if (copy->name) {
        if (scan_finish_copy(scan) == 0) scan_commit_copy(scan);
    }
    scan->fate.hits = scan->hits;
    settle_fate(scan->job, &scan->fate, copy);
}

// What rewrite_verdict answers.
constexpr int REWRITABLE = 0;
constexpr int NOT_REWRITABLE = 1;   // `fate` says why
constexpr int ONLY_SEARCHED = 2;    // never rewritten, and nothing to say about it

// This program's own temporary files are never rewritten.
int is_own_copy(const char* path) { return strstr(path, TEMP_SUFFIX) != nullptr; }

// Whether a Replace rewrites the file that `scan` has open, and if not, why, in `fate`.
// The one place of that decision, for the Replace (`make`: its copy is made here, and a
// copy that cannot be made is a reason too) and for the search before a Replace, which
// counts what it would rewrite. scan->copy_name holds the name of the copy.
int rewrite_verdict(FileScan* scan, int make, FileFate* fate) {
    const char* copy_name = scan->copy_name;
    // A link's copy would take the place of the link itself.
    if (is_own_copy(scan->path) || is_link(scan->path)) return ONLY_SEARCHED;
    // A replacement of another length would break a binary file.
    if (scan->form.encoding == TEXT_BINARY) fate_leave(fate, REASON_BINARY);
    else if (scan->identity.links > 1) fate_leave(fate, REASON_HARD_LINKED);
    else if (is_read_only(scan->path)) fate_leave(fate, REASON_NOT_REPLACED, EACCES);
    else if (copy_path_too_long(scan->path, TEMP_SUFFIX)) fate_no_copy(fate, ENAMETOOLONG, nullptr);
    if (fate->outcome != FATE_OPEN) return NOT_REWRITABLE;
    int error = 0;
    if (!make) {
        FileIdentity ignored;
        if (is_link(copy_name) || file_ops.identity_of(copy_name, &ignored) == 0) error = EEXIST;
    } else if ((error = open_copy(scan->path, TEMP_SUFFIX, 0, &scan->copy.file)) == 0) {
        setvbuf(scan->copy.file.stream, nullptr, _IOFBF, COPY_BUFFER);
    }
    if (error == 0) return REWRITABLE;
    fate_no_copy(fate, error, copy_name);
    return NOT_REWRITABLE;
}

}  // namespace

int scan_would_rewrite(FileScan* scan) {
    if (!scan->rewrite_asked) {
        FileFate ignored = {};
        scan->rewrite_asked = 1;
        scan->would_rewrite = rewrite_verdict(scan, 0, &ignored) == REWRITABLE;
    }
    return scan->would_rewrite;
}

namespace {

// Opens and scans a file that passed the mask; `name` has room for the copy's name.
// Returns the visitor's code.
int scan_one(const FolderJob* job, const char* path, size_t path_length, char* name,
             FileScan* scan, ScanTools* tools) {
    // Only a Replace, and the Find that counts for one, needs more of the file than its
    // size and bytes: what it is compared with before its copy takes its place, and
    // whether it is binary.
    int rewriting = job->replacement != nullptr || job->counting;
    scan->block.source = file_ops.open_source(path, &scan->identity, rewriting);
    if (scan->block.source < 0) {
        FolderEvent event = file_event(FOLDER_CANNOT_OPEN, path, TEXT_ANSI);
        send_event(job, &event);
        return VISIT_CONTINUE;
    }
    if (scan_begin(scan, tools, rewriting) != 0) {
        file_ops.close_source(scan->block.source);
        return VISIT_STOP;
    }

    memcpy(name, path, path_length);
    memcpy(name + path_length, TEMP_SUFFIX, sizeof(TEMP_SUFFIX));
    scan->copy_name = name;
    // A Replace, and the search before it, pass over its own copies: they are not even
    // searched.
    int skip = job->replacement && is_own_copy(path);
    if (job->replacement && !job->counting && !skip) rewrite_verdict(scan, 1, &scan->fate);
    if (!skip && tools->searchable) scan_file(scan);
    file_ops.close_source(scan->block.source);
    if (!skip) settle_copy(scan);
    if (job->counting && !scan->stopped && scan->hits > 0 && scan->hits <= MAX_HELD_HITS &&
        scan_would_rewrite(scan)) {
        FolderEvent event = file_event(FOLDER_REWRITABLE, path, TEXT_ANSI);
        event.offset = scan->hits;
        send_event(job, &event);
    }
    scan_end(scan);
    return scan->stopped ? VISIT_STOP : VISIT_CONTINUE;
}

}  // namespace

int search_passed_file(const FolderJob* job, const char* path, size_t length, char* name) {
    FolderEvent passed = file_event(FOLDER_FILE_PASSED, path, TEXT_ANSI);
    send_event(job, &passed);
    FileScan scan = {};
    scan.job = job;
    scan.path = path;
    // The thread's tools, or, for a file visited on its own, tools of its own.
    if (job->work) return scan_one(job, path, length, name, &scan, job_tools(job));
    ScanTools own;
    int code = tools_begin(&own, job) == 0 ? scan_one(job, path, length, name, &scan, &own)
                                           : VISIT_STOP;
    tools_end(&own);
    return code;
}

int search_in_file(const char* path, int is_folder, int32_t*, int32_t*, void* user) {
    const FolderJob* job = static_cast<const FolderJob*>(user);
    if (!job) return VISIT_CONTINUE;
    if (stop_requested(job)) return VISIT_STOP;
    if (!path || !job->query || !job->mask) return VISIT_CONTINUE;

    // First the lower-cased path, then the copy's name; on the stack for the paths that
    // the walker hands over.
    size_t path_length = strlen(path);
    char local[PATH_LIMIT + sizeof(TEMP_SUFFIX)];
    char* name = path_length < PATH_LIMIT
                     ? local
                     : static_cast<char*>(malloc(path_length + sizeof(TEMP_SUFFIX)));
    if (!name) return VISIT_STOP;
    memcpy(name, path, path_length + 1);

    int passes = passes_masks(job, name, is_folder);
    int code = passes < 0 ? VISIT_STOP : VISIT_CONTINUE;
    if (is_folder) {
        if (passes == 0) code = VISIT_LEAVE_OUT;
    } else if (passes > 0) {
        // With threads beside the walk, one of them scans the file.
        ScanPool* pool = job->work ? job->work->shared->pool : nullptr;
        code = pool ? pool_hand_over(pool, path, path_length)
                    : search_passed_file(job, path, path_length, name);
    }
    if (name != local) free(name);
    return code;
}
