/* The loopback HTTP server of the test support, for tests written in C. */
#ifndef ZV_FOREIGN_HOST_SERVER_H
#define ZV_FOREIGN_HOST_SERVER_H

#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct FhServer FhServer;

/* A plain HTTP server on 127.0.0.1 (ephemeral port); null when it cannot start. */
FhServer* fh_server_start(void);
void fh_server_stop(FhServer* server);
/* "http://127.0.0.1:<port>" + path. */
void fh_server_url(FhServer* server, const char* path, wchar_t* buffer, int size);
/* 200 with this body (Content-Length framing). */
void fh_server_route(FhServer* server, const char* path, const char* body);
/* 200 with a generated body of size bytes. */
void fh_server_route_pattern(FhServer* server, const char* path, unsigned long size);
/* 200 with a generated body of size bytes, announced with this Content-Length text. */
void fh_server_route_pattern_announcing(FhServer* server, const char* path, const char* length, unsigned long size);
int fh_server_request_count(FhServer* server);
/* The request target of request index ("/path?query"), "" when there is none. */
void fh_server_target(FhServer* server, int index, char* buffer, int size);

#ifdef __cplusplus
}
#endif

#endif
