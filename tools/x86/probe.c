/* The i686 probe: prints "x86 ok" when it runs as a 32-bit program (the
   answer to "can x86 programs run here"). */
#include <stdio.h>
#include <windows.h>

int main(void)
{
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    if (sizeof(void*) == 4)
        printf("x86 ok\n");
    else
        printf("not x86 (pointer size %u, WoW64 %d)\n", (unsigned)sizeof(void*), (int)wow64);
    return 0;
}
