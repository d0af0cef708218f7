/* The C view of a configuration object: every slot of the table called once,
 * as the library calls a host's. Compiled twice on x86, the second time with
 * ZVAU_FASTCALL_THIS (the form of Microsoft's C compiler). */
#include "HeaderSlots.h"

#if (defined(__i386__) || defined(_M_IX86)) && defined(ZVAU_FASTCALL_THIS)
#define SELF(o) (o), 0 /* the unused EDX parameter */
#define CALLER CallEverySlotFastcall
#else
#define SELF(o) (o)
#define CALLER CallEverySlot
#endif

#define RET(i, call) r->value[i] = (unsigned long long)(call)
#define PTR(i, call) r->value[i] = (unsigned long long)(size_t)(call)
#define NONE(i, call) ((call), r->value[i] = 0)

void CALLER(void* object, SlotReturns* r)
{
    CUpdateConfiguration2* o = (CUpdateConfiguration2*)object;
    const CUpdateConfiguration2Vtbl* t = o->lpVtbl;
    RET(0, t->IsCRMUploadOffered(SELF(o)));
    RET(1, t->GetSendCRMData(SELF(o)));
    NONE(2, t->SetSendCRMData(SELF(o), SLOT_BOOL_ARG));
    RET(3, t->GetNotifyDownload(SELF(o)));
    RET(4, t->GetShowUpdateDialog(SELF(o)));
    NONE(5, t->SetShowUpdateDialog(SELF(o), SLOT_BOOL_ARG));
    RET(6, t->GetShowInstallDialog(SELF(o)));
    PTR(7, t->GetSkinPath(SELF(o)));
    PTR(8, t->GetDownloadFolder(SELF(o)));
    PTR(9, t->GetInstallerFileName(SELF(o)));
    PTR(10, t->GetCRMDataFile(SELF(o), SLOT_INT_ARG));
    PTR(11, t->GetProgram(SELF(o)));
    PTR(12, t->GetProductName(SELF(o)));
    PTR(13, t->GetUpdateURL(SELF(o)));
    PTR(14, t->GetCRMRedirectURL(SELF(o)));
    PTR(15, t->GetProgramLanguage(SELF(o)));
    PTR(16, t->GetProgramVersion(SELF(o)));
    PTR(17, t->GetSerialNumber(SELF(o)));
    RET(18, t->GetSendSerialNumber(SELF(o)));
    NONE(19, t->SetReleaseNotesFile(SELF(o), L"text"));
    NONE(20, t->SetNewVersion(SELF(o), L"text"));
    NONE(21, t->SetDownloadSize(SELF(o), SLOT_COUNT_ARG));
    NONE(22, t->AddInstallerFile(SELF(o), L"text", SLOT_INT_ARG));
    NONE(23, t->OnDownloadBegin(SELF(o)));
    NONE(24, t->OnDownloadEnd(SELF(o)));
    NONE(25, t->OnDownloadProgress(SELF(o), SLOT_COUNT_ARG));
    RET(26, t->IsCancelRequested(SELF(o)));
    NONE(27, t->Log(SELF(o), L"text"));
    RET(28, t->GetUseWorkerThreads(SELF(o)));
    PTR(29, t->GetParentWindow(SELF(o)));
    RET(30, t->IsDontShowAgainOffered(SELF(o)));
    RET(31, t->GetPlatform(SELF(o)));
    NONE(32, t->SetReleaseNotes(SELF(o), L"text"));
}
