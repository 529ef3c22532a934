// search_in_file: the visitor of folder-mode Find and Replace. Tests a file's path
// against the masks (a folder's against the excluding ones), scans the file
// (file_scan.cpp) and, for Replace, lets the finished copy take the file's place in one
// step.
#include "folder.h"

#include "file_scan.h"
#include "folder_job.h"
#include "folder_platform.h"
#include "mask_list.h"
#include "query.h"
#include "replace_file.h"

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
    lower_case(lowered);
    int passes = is_folder ? !mask_list_leaves_out(masks, lowered)
                           : mask_list_takes_file(masks, lowered);
    release_mask_list(own);
    return passes;
}

// After the scan: a copy that holds replacements takes the file's place, if the file is
// still the one that was read; any other copy is removed; the hits and the reason why a
// file was left as it was are reported.
void settle_copy(FileScan* scan) {
    if (scan->read_failed) {
        // A copy of part of the file must never take its place.
        scan_give_up(scan, REASON_READ_FAILED, 0);
    } else if (scan->stopped && scan->copy.name) {
        scan_give_up(scan, REASON_STOPPED, 0);
    } else if (scan->copy.name && !scan->copy_started) {
        scan_drop_copy(scan);
    } else if (scan->copy.name) {
        if (scan_finish_copy(scan) == 0) scan_commit_copy(scan);
    }
    // The reason explains why hits were not replaced; a leftover copy and a failed read
    // are worth a line even without hits.
    if (scan->given_up && (scan->hits > 0 || scan->reason == REASON_LEFTOVER_COPY ||
                           scan->reason == REASON_READ_FAILED))
        emit(scan->job, FOLDER_NOT_CHANGED, scan->path, 0, scan->reason, scan->error, scan->other,
             scan->form.encoding);
}

// What rewrite_verdict answers besides a REASON_... .
constexpr int REWRITABLE = -1;
constexpr int ONLY_SEARCHED = -2;   // never rewritten, and nothing to say about it

// This program's own temporary files are never rewritten.
int is_own_copy(const char* path) { return strstr(path, TEMP_SUFFIX) != nullptr; }

// Whether a Replace rewrites the file that `scan` has open: REWRITABLE, ONLY_SEARCHED, or
// the REASON_... why not. The one place of that decision, for the Replace (`make`: its
// copy is made here, and a copy that cannot be made is a reason too) and for the Find
// that counts what a Replace would rewrite. `copy_name` holds the name of the copy.
int rewrite_verdict(FileScan* scan, const char* copy_name, int make) {
    // A link's copy would take the place of the link itself.
    if (is_own_copy(scan->path) || is_link(scan->path)) return ONLY_SEARCHED;
    // A replacement of another length would break a binary file.
    if (scan->form.encoding == TEXT_BINARY) return REASON_BINARY;
    if (scan->identity.links > 1) return REASON_HARD_LINKED;
    if (is_read_only(scan->path)) {
        scan->error = EACCES;
        return REASON_NOT_REPLACED;
    }
    if (copy_path_too_long(scan->path, TEMP_SUFFIX)) {
        scan->error = ENAMETOOLONG;
        return REASON_PATH_TOO_LONG;
    }
    int error = 0;
    if (!make) {
        FileIdentity ignored;
        if (is_link(copy_name) || file_ops.identity_of(copy_name, &ignored) == 0) error = EEXIST;
    } else if ((error = open_copy(scan->path, TEMP_SUFFIX, 0, &scan->copy)) == 0) {
        setvbuf(scan->copy.stream, nullptr, _IOFBF, COPY_BUFFER);
    }
    if (error == 0) return REWRITABLE;
    scan->error = error;
    if (error == ENAMETOOLONG) return REASON_PATH_TOO_LONG;
    if (error == EEXIST) {
        scan->error = 0;
        scan->other = copy_name;
        return REASON_LEFTOVER_COPY;
    }
    return REASON_NO_COPY;
}

// Opens and scans a file that passed the mask; `name` has room for the copy's name.
// Returns the visitor's code.
int scan_one(const FolderJob* job, const char* path, size_t path_length, char* name,
             FileScan* scan, ScanTools* tools) {
    // Only a Replace, and the Find that counts for one, needs more of the file than its
    // size and bytes: what it is compared with before its copy takes its place, and
    // whether it is binary.
    int rewriting = job->replacement != nullptr || job->counting;
    scan->source = file_ops.open_source(path, &scan->identity, rewriting);
    if (scan->source < 0) {
        emit(job, FOLDER_CANNOT_OPEN, path);
        return VISIT_CONTINUE;
    }
    if (scan_begin(scan, tools, rewriting) != 0) {
        file_ops.close_source(scan->source);
        return VISIT_STOP;
    }

    memcpy(name, path, path_length);
    memcpy(name + path_length, TEMP_SUFFIX, sizeof(TEMP_SUFFIX));
    // A Replace passes over its own copies: they are not even searched.
    int skip = job->replacement && is_own_copy(path);
    if (job->replacement && !skip) {
        int verdict = rewrite_verdict(scan, name, 1);
        if (verdict >= 0) {
            scan->given_up = 1;
            scan->reason = verdict;
        }
    }
    if (!skip && tools->searchable) scan_file(scan);
    file_ops.close_source(scan->source);
    if (!skip) settle_copy(scan);
    // Asked only of files with hits: a search that counts costs hardly more than a Find.
    if (job->counting && !scan->stopped && scan->hits > 0 && scan->hits <= MAX_HELD_HITS &&
        rewrite_verdict(scan, name, 0) == REWRITABLE)
        emit(job, FOLDER_REWRITABLE, path, scan->hits);
    scan_end(scan);
    return scan->stopped ? VISIT_STOP : VISIT_CONTINUE;
}

}  // namespace

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
        emit(job, FOLDER_FILE_PASSED, path);
        FileScan scan = {};
        scan.job = job;
        scan.path = path;
        // The walk's tools, or, for a file visited on its own, tools of its own.
        ScanTools own;
        ScanTools* tools = job->work ? job_tools(job) : &own;
        if (!job->work && tools_begin(&own, job) != 0) code = VISIT_STOP;
        if (code == VISIT_CONTINUE) code = scan_one(job, path, path_length, name, &scan, tools);
        if (!job->work) tools_end(&own);
    }
    if (name != local) free(name);
    return code;
}
