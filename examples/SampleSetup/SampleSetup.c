/* The example installer of the demo feed: "installs" a new version of the
   sample program by writing the version file in the program's folder.

     SampleSetup.exe /dir FOLDER

   A real installer would wait for the program to end and replace its files;
   this one writes FOLDER\SampleProgram.version with the version it carries
   (SAMPLE_SETUP_VERSION, taken from the example feed at build time) and
   reports what it replaced. Exit codes: 0 installed, 2 bad command line,
   3 the file could not be written. */
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#ifndef SAMPLE_SETUP_VERSION
#error SAMPLE_SETUP_VERSION must name the version this installer installs
#endif

/* Stands in for the program files a real installer carries: it makes the
   download long enough for the progress dialog to show its steps (the
   library reads the answer in 64 KiB blocks). */
#define PAYLOAD_BYTES (1536 * 1024)
static const unsigned char payload[PAYLOAD_BYTES] = {'Z', 'v'};

static unsigned PayloadSum(void)
{
    unsigned sum = 0;
    size_t i;
    for (i = 0; i < PAYLOAD_BYTES; i += 4096)
        sum += payload[i];
    return sum;
}

static void ReadOldVersion(const wchar_t* path, char* version, size_t size)
{
    FILE* in = _wfopen(path, L"rb");
    size_t n = 0;
    version[0] = 0;
    if (!in)
        return;
    n = fread(version, 1, size - 1, in);
    fclose(in);
    version[n] = 0;
    /* First line only. */
    version[strcspn(version, "\r\n")] = 0;
}

int wmain(int argc, wchar_t** argv)
{
    const wchar_t* folder = NULL;
    wchar_t path[MAX_PATH * 2];
    char oldVersion[64];
    FILE* out;
    int i;

    for (i = 1; i + 1 < argc; ++i) {
        if (_wcsicmp(argv[i], L"/dir") == 0)
            folder = argv[++i];
    }
    if (!folder || !*folder) {
        fwprintf(stderr, L"SampleSetup: usage: SampleSetup.exe /dir FOLDER\n");
        return 2;
    }
    if (_snwprintf(path, MAX_PATH * 2, L"%ls%lsSampleProgram.version", folder,
                   folder[wcslen(folder) - 1] == L'\\' ? L"" : L"\\") < 0) {
        fwprintf(stderr, L"SampleSetup: the folder name is too long\n");
        return 2;
    }
    ReadOldVersion(path, oldVersion, sizeof oldVersion);

    /* Written to a temporary name and moved over the old file, so that an
       interrupted install leaves the old version in place. */
    {
        wchar_t temporary[MAX_PATH * 2 + 8];
        int written = 0;
        _snwprintf(temporary, MAX_PATH * 2 + 8, L"%ls.new", path);
        temporary[MAX_PATH * 2 + 7] = 0;
        out = _wfopen(temporary, L"wb");
        if (out) {
            written = fputs(SAMPLE_SETUP_VERSION "\r\n", out) >= 0;
            written = fclose(out) == 0 && written;
        }
        if (!written || !MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING)) {
            fwprintf(stderr, L"SampleSetup: cannot write %ls (error %lu)\n", path, GetLastError());
            return 3;
        }
    }
    printf("SampleSetup: SampleProgram %s -> %s (payload check %u)\n",
           oldVersion[0] ? oldVersion : "(not installed)", SAMPLE_SETUP_VERSION, PayloadSum());
    fflush(stdout);
    return 0;
}
