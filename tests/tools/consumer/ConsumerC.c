/* The C face of the package's headers, linked against the same import library. */
#include "ZvAutoUpdate.h"

int CheckFromC(void)
{
    /* A null configuration is refused before anything else: 3. */
    return DoAction((CUpdateConfiguration2*)0, ZVAU_ACTION_CHECK);
}
