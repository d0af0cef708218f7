// The requests of the customer-data upload: the GET of a small document
// (read once, as it arrives) and a multipart/form-data POST that carries one
// file. Both go through a CHttpSession, as the transfer client's requests do.
#pragma once

#include "http/HttpSession.h"

#include "ZvOSAL/ZvPath.h"

#include <string>

// The bytes of one read of at most maxBytes from the answer to a GET of url
// (ASCII transfer). False when the request could not be made or read.
bool ReadFirstBytes(const CHttpSession& session, const wchar_t* url, DWORD maxBytes, std::string& bytes);

// One file as the only part of a multipart/form-data body. Every line of the
// body ends with a single line feed; the texts go out in the ANSI code page:
//
//   --<boundary>
//   Content-Disposition: form-data; name="<field>"; filename="<file name>"
//   Content-Type: application/octet-stream
//   Content-Length: <file length>
//   (two empty lines)
//   <the file's bytes>
//   (two empty lines)
//   --<boundary>--
struct CMultipartPost {
    const wchar_t* server;
    INTERNET_PORT port;
    bool secure;
    const wchar_t* object;   // request path
    const wchar_t* boundary; // without the two leading hyphens
    const wchar_t* field;
    const wchar_t* fileName; // the name the server is told, not the real one
};

// How far a POST got. Everything before Body leaves the file unsent; from
// Body on the server has seen the request.
enum class EPostStep { Connect, OpenRequest, OpenFile, Start, ReadFile, Body, Sent };

struct CPostResult {
    EPostStep step;      // Sent, or the step that failed
    DWORD internetError; // the WinINet error of Start and Body; 0 otherwise
};

CPostResult PostMultipartFile(const CHttpSession& session, const CMultipartPost& post, const ZvOSAL::ZvPath& file);
