#pragma once

#include <QString>
#include <zip.h>

// The functions of libzip that bundles are read with. The library is loaded when the first bundle
// is opened, not with the program: it brings a cryptography library along whose loading would
// cost every start of the window about 2 ms, for a feature most starts never use.
struct ZipLibrary
{
    decltype(&zip_open) open;
    decltype(&zip_discard) discard;
    decltype(&zip_get_num_entries) entryCount;
    decltype(&zip_stat_index) statIndex;
    decltype(&zip_fopen_index) openIndex;
    decltype(&zip_fread) read;
    decltype(&zip_fclose) close;
    decltype(&zip_strerror) archiveError;
    decltype(&zip_file_strerror) fileError;
    decltype(&zip_error_init_with_code) errorInit;
    decltype(&zip_error_strerror) errorText;
    decltype(&zip_error_fini) errorFini;
};

// libzip, loaded on the first call from whichever thread, and kept. Null when it cannot be loaded
// or lacks a function; then `why` says why.
const ZipLibrary *zipLibrary(QString *why = nullptr);
