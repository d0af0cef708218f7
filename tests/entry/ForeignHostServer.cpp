// A C-callable face of zvtest::LoopbackHttpServer for the C host test: one
// plain HTTP server on 127.0.0.1 with fixed answers, and what it was asked.
#include "ForeignHostServer.h"

#include "support/LoopbackHttpServer.h"

#include <cstring>
#include <new>

struct FhServer {
    zvtest::LoopbackHttpServer server;
};

extern "C" FhServer* fh_server_start(void)
{
    FhServer* s = new (std::nothrow) FhServer();
    if (s && !s->server.IsRunning()) {
        delete s;
        return nullptr;
    }
    return s;
}

extern "C" void fh_server_stop(FhServer* s)
{
    delete s;
}

extern "C" void fh_server_url(FhServer* s, const char* path, wchar_t* buffer, int size)
{
    std::wstring url = s->server.Url(path);
    if (size <= 0)
        return;
    wcsncpy(buffer, url.c_str(), static_cast<size_t>(size - 1));
    buffer[size - 1] = 0;
}

extern "C" void fh_server_route(FhServer* s, const char* path, const char* body)
{
    s->server.Route(path, zvtest::HttpResponse::Ok(body));
}

extern "C" void fh_server_route_pattern(FhServer* s, const char* path, unsigned long size)
{
    s->server.Route(path, zvtest::HttpResponse::Pattern(size));
}

extern "C" void fh_server_route_pattern_announcing(FhServer* s, const char* path, const char* length,
                                                   unsigned long size)
{
    s->server.Route(path, zvtest::HttpResponse::Pattern(size).Header("Content-Length", length));
}

extern "C" int fh_server_request_count(FhServer* s)
{
    return static_cast<int>(s->server.RequestCount());
}

extern "C" void fh_server_target(FhServer* s, int index, char* buffer, int size)
{
    std::vector<zvtest::HttpRequest> requests = s->server.Requests();
    if (size <= 0)
        return;
    buffer[0] = 0;
    if (index < 0 || static_cast<size_t>(index) >= requests.size())
        return;
    strncpy(buffer, requests[static_cast<size_t>(index)].target.c_str(), static_cast<size_t>(size - 1));
    buffer[size - 1] = 0;
}
