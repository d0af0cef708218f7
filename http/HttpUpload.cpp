#include "http/HttpUpload.h"

#include "ZvOSAL/ZvAString.h"

#include <climits>

using ZvOSAL::ZvAString;
using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;

namespace {

const DWORD kFileBlockSize = 1000;
const DWORD_PTR kContext = 1;

bool WriteAll(HINTERNET request, const void* bytes, DWORD size)
{
    DWORD written = 0;
    return size == 0 || InternetWriteFile(request, bytes, size, &written);
}

} // namespace

bool ReadFirstBytes(const CHttpSession& session, const wchar_t* url, DWORD maxBytes, std::string& bytes)
{
    bytes.clear();
    CInternetHandle answer(session && url ? InternetOpenUrlW(session.Get(), url, nullptr, 0,
                                                               INTERNET_FLAG_TRANSFER_ASCII, kContext)
                                          : nullptr);
    if (!answer)
        return false;
    session.BoundWaits(answer.Get());
    bytes.resize(maxBytes);
    DWORD read = 0;
    if (!InternetReadFile(answer.Get(), &bytes[0], maxBytes, &read))
        return false;
    bytes.resize(read);
    return true;
}

CPostResult PostMultipartFile(const CHttpSession& session, const CMultipartPost& post, const ZvPath& file)
{
    CInternetHandle connection = session.Connect(post.server, post.port);
    if (!connection)
        return {EPostStep::Connect, 0};
    DWORD flags = INTERNET_FLAG_EXISTING_CONNECT;
    if (post.secure)
        flags |= INTERNET_FLAG_SECURE;
    CInternetHandle request(
        HttpOpenRequestW(connection.Get(), L"POST", post.object, nullptr, nullptr, nullptr, flags, kContext));
    if (!request)
        return {EPostStep::OpenRequest, 0};
    session.BoundWaits(request.Get());

    ZvOSAL::KernelHandle source(CreateFileW(file.ToString().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER fileSize = {};
    // The length fields are 32-bit decimal numbers: a file beyond that range
    // cannot be described, so it is not sent at all.
    if (!source || !GetFileSizeEx(source.Get(), &fileSize) || fileSize.QuadPart > INT_MAX)
        return {EPostStep::OpenFile, 0};
    const int length = static_cast<int>(fileSize.QuadPart);

    ZvString prefixText;
    prefixText.Format(L"--%s\nContent-Disposition: form-data; name=\"%s\"; filename=\"%s\"\n"
                      L"Content-Type: application/octet-stream\nContent-Length: %d\n\n\n",
                      post.boundary, post.field, post.fileName, length);
    ZvString trailerText;
    trailerText.Format(L"\n\n--%s--\n", post.boundary);
    const ZvAString prefix(prefixText.c_str(), ZvOSAL::ZvCodepageAnsi);
    const ZvAString trailer(trailerText.c_str(), ZvOSAL::ZvCodepageAnsi);
    const long long total = static_cast<long long>(prefix.GetLength()) + trailer.GetLength() + length;
    if (total > INT_MAX)
        return {EPostStep::OpenFile, 0};

    ZvString header;
    header.Format(L"Content-Type: multipart/form-data; boundary=%s", post.boundary);
    HttpAddRequestHeadersW(request.Get(), header.c_str(), static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD_IF_NEW);
    header.Format(L"Content-Length: %d", static_cast<int>(total));
    HttpAddRequestHeadersW(request.Get(), header.c_str(), static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD_IF_NEW);

    INTERNET_BUFFERSW buffers = {};
    buffers.dwStructSize = sizeof(buffers);
    buffers.dwBufferTotal = static_cast<DWORD>(total);
    if (!HttpSendRequestExW(request.Get(), &buffers, nullptr, HSR_INITIATE, kContext))
        return {EPostStep::Start, GetLastError()};

    // From here on the server has seen the request.
    if (!WriteAll(request.Get(), prefix.c_str(), static_cast<DWORD>(prefix.GetLength())))
        return {EPostStep::Body, GetLastError()};
    char block[kFileBlockSize];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source.Get(), block, kFileBlockSize, &read, nullptr))
            return {EPostStep::ReadFile, 0};
        if (read == 0)
            break;
        if (!WriteAll(request.Get(), block, read))
            return {EPostStep::Body, GetLastError()};
    }
    source.Reset();
    if (!WriteAll(request.Get(), trailer.c_str(), static_cast<DWORD>(trailer.GetLength()))
        || !HttpEndRequestW(request.Get(), nullptr, 0, kContext)) {
        return {EPostStep::Body, GetLastError()};
    }
    return {EPostStep::Sent, 0};
}
