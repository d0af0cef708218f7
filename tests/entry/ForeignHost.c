/* A host written in C, as another compiler would lay out CUpdateConfiguration2:
 * an explicit table of 33 function pointers in slot order (__thiscall on x86,
 * "this" first on x64), the DLL loaded with LoadLibraryW and DoAction found
 * with GetProcAddress. Every slot records its calls, so the test can check
 * that the library's calls land in the right slots with the right arguments. */
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "ForeignHostServer.h"
#include "ZvUpdatePolicy.h"

#if defined(__i386__)
#define SLOT __attribute__((thiscall))
#else
#define SLOT
#endif

enum {
    S_IsCRMUploadOffered, S_GetSendCRMData, S_SetSendCRMData, S_GetNotifyDownload, S_GetShowUpdateDialog,
    S_SetShowUpdateDialog, S_GetShowInstallDialog, S_GetSkinPath, S_GetDownloadFolder, S_GetInstallerFileName,
    S_GetCRMDataFile, S_GetProgram, S_GetProductName, S_GetUpdateURL, S_GetCRMRedirectURL, S_GetProgramLanguage,
    S_GetProgramVersion, S_GetSerialNumber, S_GetSendSerialNumber, S_SetReleaseNotesFile, S_SetNewVersion,
    S_SetDownloadSize, S_AddInstallerFile, S_OnDownloadBegin, S_OnDownloadEnd, S_OnDownloadProgress,
    S_IsCancelRequested, S_Log, S_GetUseWorkerThreads, S_GetParentWindow, S_IsDontShowAgainOffered,
    S_GetPlatform, S_SetReleaseNotes, SLOT_COUNT
};

typedef struct Host Host;
typedef unsigned char Bool1; /* bool crosses the interface as one byte */

typedef struct HostTable {
    Bool1 (SLOT *IsCRMUploadOffered)(Host*);
    Bool1 (SLOT *GetSendCRMData)(Host*);
    void (SLOT *SetSendCRMData)(Host*, Bool1);
    Bool1 (SLOT *GetNotifyDownload)(Host*);
    Bool1 (SLOT *GetShowUpdateDialog)(Host*);
    void (SLOT *SetShowUpdateDialog)(Host*, Bool1);
    Bool1 (SLOT *GetShowInstallDialog)(Host*);
    const wchar_t* (SLOT *GetSkinPath)(Host*);
    const wchar_t* (SLOT *GetDownloadFolder)(Host*);
    const wchar_t* (SLOT *GetInstallerFileName)(Host*);
    const wchar_t* (SLOT *GetCRMDataFile)(Host*, int);
    const wchar_t* (SLOT *GetProgram)(Host*);
    const wchar_t* (SLOT *GetProductName)(Host*);
    const wchar_t* (SLOT *GetUpdateURL)(Host*);
    const wchar_t* (SLOT *GetCRMRedirectURL)(Host*);
    const wchar_t* (SLOT *GetProgramLanguage)(Host*);
    const wchar_t* (SLOT *GetProgramVersion)(Host*);
    const wchar_t* (SLOT *GetSerialNumber)(Host*);
    Bool1 (SLOT *GetSendSerialNumber)(Host*);
    void (SLOT *SetReleaseNotesFile)(Host*, const wchar_t*);
    void (SLOT *SetNewVersion)(Host*, const wchar_t*);
    void (SLOT *SetDownloadSize)(Host*, long long);
    void (SLOT *AddInstallerFile)(Host*, const wchar_t*, int);
    void (SLOT *OnDownloadBegin)(Host*);
    void (SLOT *OnDownloadEnd)(Host*);
    void (SLOT *OnDownloadProgress)(Host*, long long);
    Bool1 (SLOT *IsCancelRequested)(Host*);
    void (SLOT *Log)(Host*, const wchar_t*);
    Bool1 (SLOT *GetUseWorkerThreads)(Host*);
    HWND (SLOT *GetParentWindow)(Host*);
    Bool1 (SLOT *IsDontShowAgainOffered)(Host*);
    int (SLOT *GetPlatform)(Host*);
    void (SLOT *SetReleaseNotes)(Host*, const wchar_t*);
} HostTable;

struct Host {
    const HostTable* table; /* must be first: the object is its table pointer */
    CRITICAL_SECTION lock;
    int calls[SLOT_COUNT];
    int wrongThis;
    int order[4096];
    int orderCount;
    wchar_t lastText[SLOT_COUNT][512];
    int lastInt[SLOT_COUNT];
    long long lastInt64[SLOT_COUNT];
};

static Host* g_expectedHost;
/* Port 9 (discard) has no listener: the check fails. Set to a real server later. */
static wchar_t g_updateURL[256] = L"http://127.0.0.1:9/update";

static void Record(Host* self, int slot, const wchar_t* text, int i, long long i64)
{
    if (self != g_expectedHost) {
        /* A wrong "this" means the calling convention or the layout is off. */
        g_expectedHost->wrongThis++;
        return;
    }
    EnterCriticalSection(&self->lock);
    self->calls[slot]++;
    if (self->orderCount < (int)(sizeof self->order / sizeof self->order[0]))
        self->order[self->orderCount++] = slot;
    if (text)
        lstrcpynW(self->lastText[slot], text, 512);
    self->lastInt[slot] = i;
    self->lastInt64[slot] = i64;
    LeaveCriticalSection(&self->lock);
}

#define GETTER(name, type, value) \
    static type SLOT name(Host* self) { Record(self, S_##name, NULL, 0, 0); return value; }

GETTER(IsCRMUploadOffered, Bool1, 1)
GETTER(GetSendCRMData, Bool1, 0)
GETTER(GetNotifyDownload, Bool1, 1)
GETTER(GetShowUpdateDialog, Bool1, 0)
GETTER(GetShowInstallDialog, Bool1, 0)
GETTER(GetSkinPath, const wchar_t*, NULL)
GETTER(GetDownloadFolder, const wchar_t*, NULL)
GETTER(GetInstallerFileName, const wchar_t*, L"ForeignSetup.exe")
GETTER(GetProgram, const wchar_t*, L"ForeignProgram")
GETTER(GetProductName, const wchar_t*, L"Foreign Product")
GETTER(GetUpdateURL, const wchar_t*, g_updateURL)
GETTER(GetCRMRedirectURL, const wchar_t*, L"http://127.0.0.1:9/redirect")
GETTER(GetProgramLanguage, const wchar_t*, L"en")
GETTER(GetProgramVersion, const wchar_t*, L"1.2.3.4")
GETTER(GetSerialNumber, const wchar_t*, L"SERIAL")
GETTER(GetSendSerialNumber, Bool1, 0)
GETTER(IsCancelRequested, Bool1, 0)
GETTER(GetUseWorkerThreads, Bool1, 0)
GETTER(GetParentWindow, HWND, NULL)
GETTER(IsDontShowAgainOffered, Bool1, 1)
GETTER(GetPlatform, int, 2)

static void SLOT SetSendCRMData(Host* self, Bool1 v) { Record(self, S_SetSendCRMData, NULL, v, 0); }
static void SLOT SetShowUpdateDialog(Host* self, Bool1 v) { Record(self, S_SetShowUpdateDialog, NULL, v, 0); }
static const wchar_t* SLOT GetCRMDataFile(Host* self, int kind) { Record(self, S_GetCRMDataFile, NULL, kind, 0); return NULL; }
static void SLOT SetReleaseNotesFile(Host* self, const wchar_t* t) { Record(self, S_SetReleaseNotesFile, t, 0, 0); }
static void SLOT SetNewVersion(Host* self, const wchar_t* t) { Record(self, S_SetNewVersion, t, 0, 0); }
static void SLOT SetDownloadSize(Host* self, long long n) { Record(self, S_SetDownloadSize, NULL, 0, n); }
static void SLOT AddInstallerFile(Host* self, const wchar_t* t, int kind) { Record(self, S_AddInstallerFile, t, kind, 0); }
static void SLOT OnDownloadBegin(Host* self) { Record(self, S_OnDownloadBegin, NULL, 0, 0); }
static void SLOT OnDownloadEnd(Host* self) { Record(self, S_OnDownloadEnd, NULL, 0, 0); }
static void SLOT OnDownloadProgress(Host* self, long long n) { Record(self, S_OnDownloadProgress, NULL, 0, n); }
static void SLOT Log(Host* self, const wchar_t* t) { Record(self, S_Log, t ? t : L"(null)", 0, 0); }
static void SLOT SetReleaseNotes(Host* self, const wchar_t* t) { Record(self, S_SetReleaseNotes, t, 0, 0); }

static const HostTable g_table = {
    IsCRMUploadOffered, GetSendCRMData, SetSendCRMData, GetNotifyDownload, GetShowUpdateDialog,
    SetShowUpdateDialog, GetShowInstallDialog, GetSkinPath, GetDownloadFolder, GetInstallerFileName,
    GetCRMDataFile, GetProgram, GetProductName, GetUpdateURL, GetCRMRedirectURL, GetProgramLanguage,
    GetProgramVersion, GetSerialNumber, GetSendSerialNumber, SetReleaseNotesFile, SetNewVersion,
    SetDownloadSize, AddInstallerFile, OnDownloadBegin, OnDownloadEnd, OnDownloadProgress,
    IsCancelRequested, Log, GetUseWorkerThreads, GetParentWindow, IsDontShowAgainOffered,
    GetPlatform, SetReleaseNotes,
};

/* Getters that answer in AL and leave other bits above it, as compiled code
 * may: a bool crosses the interface as one byte, and the library must read
 * only that byte. 0x5a5a5a00 is false. */
#define NOISY_FALSE_GETTER(name) \
    __attribute__((naked)) static Bool1 SLOT name(Host* self) { __asm__("movl $0x5a5a5a00, %eax\n\tret"); }
NOISY_FALSE_GETTER(NoisyFalseIsCancelRequested)
NOISY_FALSE_GETTER(NoisyFalseGetNotifyDownload)

typedef int (*DoActionFn)(void* configuration, int action);

static int g_passed, g_failed;

static void Check(int ok, const char* what)
{
    if (ok) {
        g_passed++;
    } else {
        g_failed++;
        printf("FAILED: %s\n", what);
    }
}

static int TotalCalls(const Host* host)
{
    int total = 0, i;
    for (i = 0; i < SLOT_COUNT; i++)
        total += host->calls[i];
    return total;
}

static void Reset(Host* host)
{
    EnterCriticalSection(&host->lock);
    memset(host->calls, 0, sizeof host->calls);
    memset(host->lastText, 0, sizeof host->lastText);
    host->orderCount = 0;
    host->wrongThis = 0;
    LeaveCriticalSection(&host->lock);
}

int main(void)
{
    static Host host;
    HMODULE dll;
    DoActionFn doAction;
    ZvDoActionWithPolicyFn doActionWithPolicy;
    ZvUpdatePolicy policy;
    int result;

    host.table = &g_table;
    InitializeCriticalSection(&host.lock);
    g_expectedHost = &host;

    dll = LoadLibraryW(L"ZvAutoUpdate.dll");
    Check(dll != NULL, "LoadLibraryW(ZvAutoUpdate.dll)");
    if (!dll) {
        printf("0 passed, 1 failed\n");
        return 1;
    }
    doAction = (DoActionFn)(void*)GetProcAddress(dll, "DoAction");
    Check(doAction != NULL, "GetProcAddress(DoAction) by its undecorated name");
    if (!doAction) {
        printf("%d passed, %d failed\n", g_passed, g_failed);
        return 1;
    }

    /* Argument checks: answered before the host is touched. */
    Check(doAction(&host, 0) == 3, "DoAction(host, 0) == 3");
    Check(doAction(NULL, 4) == 3, "DoAction(NULL, 4) == 3");
    Check(doAction(NULL, 9) == 3, "DoAction(NULL, 9) == 3");
    Check(doAction(&host, 5) == 4, "DoAction(host, 5) == 4");
    Check(doAction(&host, -1) == 4, "DoAction(host, -1) == 4");
    Check(doAction(&host, (int)0x80000000) == 4, "DoAction(host, INT_MIN) == 4");

    /* The policy entry, from C: a policy too small to read is refused. */
    doActionWithPolicy = (ZvDoActionWithPolicyFn)(void*)GetProcAddress(dll, "DoActionWithPolicy");
    Check(doActionWithPolicy != NULL, "GetProcAddress(DoActionWithPolicy) by its undecorated name");
    memset(&policy, 0, sizeof policy);
    policy.size = sizeof policy - 1;
    Check(doActionWithPolicy && doActionWithPolicy((void*)&host, 3, &policy) == 3, "DoActionWithPolicy(short policy) == 3");
    Check(TotalCalls(&host) == 0, "no host call for bad arguments");

    /* Action 3 against a closed port: whatever the library asks, the calls
     * must arrive on this object, and the log lines must be readable text of
     * the library's own (class and operation first). */
    Reset(&host);
    policy.size = sizeof policy;
    result = doActionWithPolicy ? doActionWithPolicy((void*)&host, 3, &policy) : 0;
    Check(result == 2, "DoActionWithPolicy(host, 3, empty policy) without a server == 2");
    Check(host.wrongThis == 0, "every call arrived with this host as 'this'");
    Check(host.calls[S_Log] > 0, "the check logged through the Log slot");
    Check(wcscmp(host.lastText[S_Log],
                 L"CPatchOnline::BuildURL(): http://127.0.0.1:9/update?format=html&program=ForeignProgram"
                 L"&program_language=en&program_platform=win-x64&program_version=1.2.3.4.") == 0,
          "the query URL is logged with the host's texts");
    Check(host.calls[S_AddInstallerFile] == 0 && host.calls[S_SetNewVersion] == 0,
          "no installer or new version reported by a failed check");

    /* Action 2 without a customer-data file (GetCRMDataFile answers NULL):
     * 11 after one question for kind 1, without any network access. */
    Reset(&host);
    result = doAction(&host, 2);
    Check(result == 11, "DoAction(host, 2) without a customer-data file == 11");
    Check(host.calls[S_GetCRMDataFile] == 1 && host.lastInt[S_GetCRMDataFile] == 1,
          "GetCRMDataFile asked once, for kind 1");
    Check(TotalCalls(&host) == 1 && host.wrongThis == 0, "nothing else asked of the host");

    /* Action 1 with GetShowUpdateDialog 0 is the silent check (on this thread:
     * GetUseWorkerThreads answers 0); against the closed port it finds
     * nothing and reports version 0.0.0.0 at the end, with result 1. */
    Reset(&host);
    result = doAction(&host, 1);
    Check(result == 1, "DoAction(host, 1) silent == 1");
    Check(host.wrongThis == 0, "every call of action 1 arrived with this host as 'this'");
    Check(host.calls[S_SetNewVersion] == 1 && wcscmp(host.lastText[S_SetNewVersion], L"0.0.0.0") == 0,
          "SetNewVersion(0.0.0.0) once");
    Check(host.calls[S_GetUseWorkerThreads] == 1 && host.calls[S_GetParentWindow] == 0,
          "one job, no dialog");
    Check(host.orderCount > 0 && host.order[host.orderCount - 1] == S_SetNewVersion, "SetNewVersion comes last");

    /* Actions 3 and 4 against a real server: every text and number reaches
     * its slot, 64-bit sizes included. */
    {
        static const char document[] =
            "<patch url=\"%ls\" filesize=\"70000\" version=\"3.2.1\" pug_installer=\"5\">"
            "<![CDATA[<p>Foreign notes</p>]]></patch>";
        char body[1024];
        wchar_t setupURL[256];
        char target[512];
        int count;
        FhServer* server = fh_server_start();
        Check(server != NULL, "loopback server started");
        if (server) {
            fh_server_url(server, "/update", g_updateURL, 256);
            fh_server_url(server, "/ForeignSetup.exe", setupURL, 256);
            snprintf(body, sizeof body, document, setupURL);
            fh_server_route(server, "/update", body);
            fh_server_route_pattern(server, "/ForeignSetup.exe", 70000);

            Reset(&host);
            result = doAction(&host, 3);
            Check(result == 1, "DoAction(host, 3) with an update on the server == 1");
            Check(host.wrongThis == 0, "every call of action 3 arrived with this host as 'this'");
            Check(wcscmp(host.lastText[S_SetNewVersion], L"3.2.1.0") == 0, "SetNewVersion got the version");
            Check(wcscmp(host.lastText[S_SetReleaseNotes], L"<p>Foreign notes</p>") == 0,
                  "SetReleaseNotes got the notes");
            Check(host.calls[S_GetPlatform] == 2 && host.calls[S_GetSendSerialNumber] == 1 &&
                      host.calls[S_GetSerialNumber] == 0,
                  "platform asked twice, serial flag once, no serial over http");
            Check(host.calls[S_GetProgram] == 1 && host.calls[S_GetProgramVersion] == 1 &&
                      host.calls[S_GetProgramLanguage] == 1 && host.calls[S_GetDownloadFolder] == 1,
                  "identity and folder asked once each");
            fh_server_target(server, 0, target, sizeof target);
            Check(strcmp(target, "/update?format=html&program=ForeignProgram&program_language=en"
                                 "&program_platform=win-x64&program_version=1.2.3.4") == 0,
                  "the server saw the host's texts in the query");

            Reset(&host);
            result = doAction(&host, 4);
            Check(result == 1, "DoAction(host, 4) == 1");
            Check(host.wrongThis == 0, "every call of action 4 arrived with this host as 'this'");
            Check(host.calls[S_AddInstallerFile] == 1 && host.lastInt[S_AddInstallerFile] == 5,
                  "AddInstallerFile once, with the pug_installer value");
            count = (int)wcslen(host.lastText[S_AddInstallerFile]);
            Check(count > 17 && wcscmp(host.lastText[S_AddInstallerFile] + count - 17, L"\\ForeignSetup.exe") == 0,
                  "AddInstallerFile got the installer's path");
            Check(host.calls[S_SetDownloadSize] == 1 && host.lastInt64[S_SetDownloadSize] == 70000,
                  "SetDownloadSize got the 64-bit length");
            Check(host.calls[S_OnDownloadProgress] >= 2 && host.lastInt64[S_OnDownloadProgress] == 70000,
                  "OnDownloadProgress got the 64-bit byte counts");
            Check(host.calls[S_IsCancelRequested] >= host.calls[S_OnDownloadProgress], "cancel polled after each block");
            Check(host.calls[S_OnDownloadBegin] == 1 && host.calls[S_OnDownloadEnd] == 1, "begin and end once");
            Check(host.calls[S_GetInstallerFileName] == 1 && host.calls[S_GetNotifyDownload] == 2,
                  "installer name once, notify flag twice");
            count = fh_server_request_count(server);
            Check(count == 3, "one request for action 3, two for action 4");
            if (host.calls[S_AddInstallerFile] == 1)
                DeleteFileW(host.lastText[S_AddInstallerFile]);
            {
                wchar_t xml[MAX_PATH + 16];
                DWORD n = GetTempPathW(MAX_PATH, xml);
                if (n > 0 && n < MAX_PATH) {
                    wcscat(xml, L"result.xml");
                    DeleteFileW(xml);
                }
            }

            /* False with garbage above the byte: no cancel, no begin/end calls. */
            {
                HostTable noisy = g_table;
                noisy.IsCancelRequested = NoisyFalseIsCancelRequested;
                noisy.GetNotifyDownload = NoisyFalseGetNotifyDownload;
                host.table = &noisy;
                Reset(&host);
                result = doAction(&host, 4);
                host.table = &g_table;
                Check(result == 1, "IsCancelRequested 0x5a5a5a00 is false: the download completes");
                Check(host.calls[S_OnDownloadBegin] == 0 && host.calls[S_OnDownloadEnd] == 0,
                      "GetNotifyDownload 0x5a5a5a00 is false: no begin or end");
                if (host.calls[S_AddInstallerFile] == 1)
                    DeleteFileW(host.lastText[S_AddInstallerFile]);
            }

            /* SetDownloadSize takes 64 bits: a length the library reads as -5
             * (its 32-bit conversion, widened with its sign) must arrive
             * sign-extended through 32-bit code, not as 4294967291. */
            {
                char odd[1024];
                fh_server_url(server, "/odd", g_updateURL, 256);
                fh_server_url(server, "/OddSetup.exe", setupURL, 256);
                snprintf(odd, sizeof odd,
                         "<patch url=\"%ls\" filesize=\"70000\" version=\"3.2.1\">notes</patch>", setupURL);
                fh_server_route(server, "/odd", odd);
                fh_server_route_pattern_announcing(server, "/OddSetup.exe", "-5", 70000);
                Reset(&host);
                result = doAction(&host, 4);
                Check(host.calls[S_SetDownloadSize] >= 1 && host.lastInt64[S_SetDownloadSize] == -5,
                      "SetDownloadSize got -5 with all 64 bits");
                if (host.calls[S_AddInstallerFile] == 1)
                    DeleteFileW(host.lastText[S_AddInstallerFile]);
            }
            fh_server_stop(server);
        }
    }

    printf("%d passed, %d failed\n", g_passed, g_failed);
    FreeLibrary(dll);
    DeleteCriticalSection(&host.lock);
    return g_failed ? 1 : 0;
}
