/* A host written in C against the public headers (the interface as a table
 * of functions), linked with the import library: runs the actions named on
 * the command line and prints what the library reports, one line each, for
 * the feed tests to read.
 *
 *   feed_host.exe --url URL --program P --version V [--language L] [--platform N]
 *                 [--folder DIR\] ACTION...
 *
 * Prints "action A -> R", "new version: X", "notes: N characters",
 * "installer: PATH (pug K)", "size: BYTES"; log lines as "log: ...". Exit
 * code: the result of the last action, 2 for a bad command line. Built once
 * more on x86 with ZVAU_FASTCALL_THIS: the form Microsoft's C compiler uses. */
#include "ZvAutoUpdate.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

typedef struct FeedHost {
    CUpdateConfiguration2 base; /* first: the library sees only this */
    const wchar_t* url;
    const wchar_t* program;
    const wchar_t* version;
    const wchar_t* language;
    const wchar_t* folder;
    int platform;
} FeedHost;

#define HOST ((FeedHost*)self)

/* Texts are printed with \uXXXX escapes: msvcrt drops whole lines with
 * characters outside the console's code page. */
static void PrintText(const char* label, const wchar_t* text)
{
    printf("%s: ", label);
    for (; text && *text; ++text) {
        if (*text >= 0x20 && *text < 0x7F)
            putchar((char)*text);
        else
            printf("\\u%04x", (unsigned)*text);
    }
    putchar('\n');
    fflush(stdout);
}

static ZvAuBool ZVAU_METHOD False(ZVAU_THIS) { (void)self; return 0; }
static ZvAuBool ZVAU_METHOD True(ZVAU_THIS) { (void)self; return 1; }
static void ZVAU_METHOD IgnoreBool(ZVAU_THIS, ZvAuBool value) { (void)self; (void)value; }
static void ZVAU_METHOD Nothing(ZVAU_THIS) { (void)self; }
static void ZVAU_METHOD IgnoreCount(ZVAU_THIS, long long bytes) { (void)self; (void)bytes; }
static void ZVAU_METHOD IgnoreText(ZVAU_THIS, const wchar_t* text) { (void)self; (void)text; }
static const wchar_t* ZVAU_METHOD NoText(ZVAU_THIS) { (void)self; return NULL; }
static const wchar_t* ZVAU_METHOD NoCRMFile(ZVAU_THIS, int kind) { (void)self; (void)kind; return NULL; }
static const wchar_t* ZVAU_METHOD InstallerName(ZVAU_THIS) { (void)self; return L"FeedSetup.exe"; }
static const wchar_t* ZVAU_METHOD Program(ZVAU_THIS) { return HOST->program; }
static const wchar_t* ZVAU_METHOD UpdateURL(ZVAU_THIS) { return HOST->url; }
static const wchar_t* ZVAU_METHOD RedirectURL(ZVAU_THIS) { (void)self; return L"http://127.0.0.1:9/"; }
static const wchar_t* ZVAU_METHOD Language(ZVAU_THIS) { return HOST->language; }
static const wchar_t* ZVAU_METHOD Version(ZVAU_THIS) { return HOST->version; }
static const wchar_t* ZVAU_METHOD Folder(ZVAU_THIS) { return HOST->folder; }
static HWND ZVAU_METHOD NoWindow(ZVAU_THIS) { (void)self; return NULL; }
static int ZVAU_METHOD Platform(ZVAU_THIS) { return HOST->platform; }
static void ZVAU_METHOD NewVersion(ZVAU_THIS, const wchar_t* name) { (void)self; PrintText("new version", name); }
static void ZVAU_METHOD Log(ZVAU_THIS, const wchar_t* line) { (void)self; PrintText("log", line); }

static void ZVAU_METHOD Notes(ZVAU_THIS, const wchar_t* notes)
{
    (void)self;
    printf("notes: %u characters\n", notes ? (unsigned)wcslen(notes) : 0u);
}

static void ZVAU_METHOD Size(ZVAU_THIS, long long bytes)
{
    (void)self;
    printf("size: %lld\n", bytes);
}

static void ZVAU_METHOD Installer(ZVAU_THIS, const wchar_t* path, int pug)
{
    char label[32];
    (void)self;
    snprintf(label, sizeof label, "installer (pug %d)", pug);
    PrintText(label, path);
}

static const CUpdateConfiguration2Vtbl g_table = {
    False,         /* IsCRMUploadOffered */
    False,         /* GetSendCRMData */
    IgnoreBool,    /* SetSendCRMData */
    True,          /* GetNotifyDownload */
    False,         /* GetShowUpdateDialog: action 1 is the silent check */
    IgnoreBool,    /* SetShowUpdateDialog */
    False,         /* GetShowInstallDialog */
    NoText,        /* GetSkinPath */
    Folder,        /* GetDownloadFolder */
    InstallerName, /* GetInstallerFileName */
    NoCRMFile,     /* GetCRMDataFile */
    Program,       /* GetProgram */
    Program,       /* GetProductName */
    UpdateURL,     /* GetUpdateURL */
    RedirectURL,   /* GetCRMRedirectURL */
    Language,      /* GetProgramLanguage */
    Version,       /* GetProgramVersion */
    NoText,        /* GetSerialNumber */
    False,         /* GetSendSerialNumber */
    IgnoreText,    /* SetReleaseNotesFile */
    NewVersion,    /* SetNewVersion */
    Size,          /* SetDownloadSize */
    Installer,     /* AddInstallerFile */
    Nothing,       /* OnDownloadBegin */
    Nothing,       /* OnDownloadEnd */
    IgnoreCount,   /* OnDownloadProgress */
    False,         /* IsCancelRequested */
    Log,           /* Log */
    False,         /* GetUseWorkerThreads */
    NoWindow,      /* GetParentWindow */
    False,         /* IsDontShowAgainOffered */
    Platform,      /* GetPlatform */
    Notes,         /* SetReleaseNotes */
};

int wmain(int argc, wchar_t** argv)
{
    FeedHost host;
    int i, result = 2, actions = 0;

    memset(&host, 0, sizeof host);
    host.base.lpVtbl = &g_table;
    host.language = L"en";
    host.platform = 2;
    for (i = 1; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        const wchar_t* value = i + 1 < argc ? argv[i + 1] : NULL;
        if (wcscmp(arg, L"--url") == 0 && value)
            host.url = argv[++i];
        else if (wcscmp(arg, L"--program") == 0 && value)
            host.program = argv[++i];
        else if (wcscmp(arg, L"--version") == 0 && value)
            host.version = argv[++i];
        else if (wcscmp(arg, L"--language") == 0 && value)
            host.language = argv[++i];
        else if (wcscmp(arg, L"--platform") == 0 && value)
            host.platform = _wtoi(argv[++i]);
        else if (wcscmp(arg, L"--folder") == 0 && value)
            host.folder = argv[++i];
        else if (arg[0] >= L'0' && arg[0] <= L'9') {
            int action = _wtoi(arg);
            result = DoAction(&host.base, action);
            printf("action %d -> %d\n", action, result);
            fflush(stdout);
            ++actions;
        } else {
            PrintText("unknown argument", arg);
            return 2;
        }
    }
    if (!actions) {
        printf("usage: feed_host.exe --url URL --program P --version V [--language L] [--platform N] "
               "[--folder DIR\\] ACTION...\n");
        return 2;
    }
    return result;
}
