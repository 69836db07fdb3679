// A loadable extension that gives the stock sqlite3 shell the program's
// German ordering (".load"), so that the shell's sorted queries, the
// benchmarks' reference, order exactly as the program does.
#include "GermanCollation.h"

#include <sqlite3.h>

extern "C" int sqlite3_extension_init(sqlite3 *db, char **error, const void *)
{
    if (InstallGermanCollation(db))
        return SQLITE_OK;
    *error = sqlite3_mprintf("ICU has no German collator");
    return SQLITE_ERROR;
}
