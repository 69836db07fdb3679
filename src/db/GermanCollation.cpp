#include "GermanCollation.h"

#include <sqlite3.h>

#include <cstring>
#include <unicode/ucol.h>

namespace {

int compareGerman(void *collator, int leftLength, const void *left, int rightLength, const void *right)
{
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = ucol_strcollUTF8(static_cast<UCollator *>(collator),
                                                     static_cast<const char *>(left), leftLength,
                                                     static_cast<const char *>(right), rightLength,
                                                     &status);
    if (U_FAILURE(status)) {
        // Malformed UTF-8 cannot be ordered by language; bytes still give a
        // stable order.
        const int common = leftLength < rightLength ? leftLength : rightLength;
        const int c = memcmp(left, right, size_t(common));
        return c != 0 ? c : leftLength - rightLength;
    }
    return int(result);
}

void closeCollator(void *collator)
{
    ucol_close(static_cast<UCollator *>(collator));
}

} // namespace

UCollator *OpenGermanCollator()
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator *collator = ucol_open("de", &status);
    if (U_FAILURE(status))
        return nullptr;
    // Secondary strength: case is ignored, accents still count after the
    // base letters, so "berlin" stands beside "Berlin".
    ucol_setStrength(collator, UCOL_SECONDARY);
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        return nullptr;
    }
    return collator;
}

bool InstallGermanCollation(sqlite3 *db)
{
    UCollator *collator = OpenGermanCollator();
    if (!collator)
        return false;
    return sqlite3_create_collation_v2(db, GermanCollationName, SQLITE_UTF8, collator, compareGerman,
                                       closeCollator)
        == SQLITE_OK;
}
