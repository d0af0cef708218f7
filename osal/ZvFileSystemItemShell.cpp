// ZvFileSystemItem: the shell's display names and libraries.
#include "ZvOSAL/ZvFileSystemItem.h"

#include "osal/ZvFileSystemInternal.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace ZvOSAL {

using namespace FileSystemInternal;

namespace {

// COM for one shell call on the caller's thread, balanced: the thread's
// apartment is left as it was found (a thread already in another apartment
// keeps it; the call then runs there).
class ComScope {
public:
    ComScope() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComScope()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT m_result;
};

template <typename T>
void ReleaseInterface(T*& pointer)
{
    if (pointer) {
        pointer->Release();
        pointer = nullptr;
    }
}

} // namespace

ZvString ZvFileSystemItem::GetDisplayName() const
{
    ZvString name;
    // The shell would name the desktop for an empty path.
    if (m_fullPath.IsEmpty())
        return name;
    ComScope com;
    IShellItem* item = nullptr;
    if (SUCCEEDED(SHCreateItemFromParsingName(OperationPath(m_fullPath), nullptr, IID_IShellItem,
                                              reinterpret_cast<void**>(&item)))) {
        wchar_t* text = nullptr;
        if (SUCCEEDED(item->GetDisplayName(SIGDN_NORMALDISPLAY, &text)) && text) {
            name = text;
            CoTaskMemFree(text);
        }
        ReleaseInterface(item);
    }
    return name;
}

namespace {

// Adds or removes folder in the library stored at library, and saves it.
bool ChangeLibrary(const ZvPath& library, const ZvPath& folder, bool add)
{
    ComScope com;
    IShellLibrary* shellLibrary = nullptr;
    if (FAILED(SHLoadLibraryFromParsingName(OperationPath(library), STGM_READWRITE, IID_IShellLibrary,
                                            reinterpret_cast<void**>(&shellLibrary))))
        return false;
    ZvString folderPath = OperationPath(folder);
    HRESULT result = add ? SHAddFolderPathToLibrary(shellLibrary, folderPath)
                         : SHRemoveFolderPathFromLibrary(shellLibrary, folderPath);
    if (SUCCEEDED(result))
        result = shellLibrary->Commit();
    ReleaseInterface(shellLibrary);
    return SUCCEEDED(result);
}

} // namespace

bool ZvFileSystemItem::AddFolderToLibrary(const ZvPath& library)
{
    return ChangeLibrary(library, m_fullPath, true);
}

bool ZvFileSystemItem::RemoveFolderFromLibrary(const ZvPath& library)
{
    return ChangeLibrary(library, m_fullPath, false);
}

ZvFileSystemItemList ZvFileSystemItem::GetLibraries()
{
    ZvFileSystemItemList libraries;
    ComScope com;
    IShellItem* folder = nullptr;
    if (FAILED(SHGetKnownFolderItem(FOLDERID_Libraries, KF_FLAG_DEFAULT, nullptr, IID_IShellItem,
                                    reinterpret_cast<void**>(&folder))))
        return libraries;
    IEnumShellItems* children = nullptr;
    if (SUCCEEDED(folder->BindToHandler(nullptr, BHID_EnumItems, IID_IEnumShellItems,
                                        reinterpret_cast<void**>(&children)))) {
        IShellItem* child = nullptr;
        while (children->Next(1, &child, nullptr) == S_OK && child) {
            wchar_t* path = nullptr;
            if (SUCCEEDED(child->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path) {
                libraries.push_back(ZvFileSystemItem(ZvPath(path)));
                CoTaskMemFree(path);
            }
            ReleaseInterface(child);
        }
        ReleaseInterface(children);
    }
    ReleaseInterface(folder);
    return libraries;
}

} // namespace ZvOSAL
