// CPatchInfo: the update server's patch description document, as read from
// result.xml.
//
// The document names the installer's address, size and version, a kind
// number (pug_installer) handed to the host with the downloaded file, and an
// HTML page describing the update (the text or CDATA content of "patch"):
//
//   <patch url="https://host/Setup.exe" filesize="123456" version="2.1.0.0"
//          pug_installer="1" sha256="<64 hex digits>"><![CDATA[<html>...</html>]]></patch>
//
// sha256 (optional) is the installer's SHA-256: when it is there, the
// downloaded installer must match it before it is handed over.
//
// Reading rules:
//  - the five attributes are taken from every element that carries them, a
//    later occurrence replacing an earlier one; names are case-sensitive;
//    attributes with a namespace prefix and attributes the reader reports as
//    defaulted are ignored;
//  - the description is the last text, CDATA or whitespace node between the
//    start tag and the next end tag of an unprefixed "patch" element (a flag,
//    not a depth: a nested "patch" end tag ends the region);
//  - a document type declaration is refused (DTD processing is prohibited)
//    and ends reading there; so does any other XML error: what was read up to
//    that point stays;
//  - a reader that keeps reporting nodes without reaching the end (more
//    nodes than the file has bytes) is stopped there, as at an error;
//  - failures to get a value or a name of an end element, text or processing
//    instruction print "Error getting ..., error is %08.8lx" to the
//    process's standard output and reading goes on.
// Read does not reset the fields: fields the document does not mention keep
// their values.
#pragma once

#include "ZvOSAL/ZvPath.h"
#include "ZvOSAL/ZvString.h"
#include "ZvOSAL/ZvURL.h"
#include "ZvOSAL/ZvVersion.h"

class CPatchInfo {
public:
    CPatchInfo();
    virtual ~CPatchInfo();

    // Reads the document in the file at path into the fields.
    void Read(const ZvOSAL::ZvPath& path);
    // True when the fields describe a usable patch: a non-zero file size, a
    // version other than 0.0.0.0, a description (or an HTML page already
    // saved) and a download address.
    bool IsValid() const;
    // Writes the description, UTF-8 without a byte-order mark, to path with
    // the extension replaced by ".html" (result.xml -> result.html in the
    // same folder), replacing an existing file. Remembers that page's path
    // even when the file could not be created.
    void SaveDescriptionAsHtml(const ZvOSAL::ZvPath& path);

    int GetPugInstaller() const { return m_pugInstaller; }
    long long GetFileSize() const { return m_fileSize; }
    ZvOSAL::ZvPath& GetHtmlPath() { return m_htmlPath; }
    const ZvOSAL::ZvPath& GetHtmlPath() const { return m_htmlPath; }
    ZvOSAL::ZvString& GetDescription() { return m_description; }
    const ZvOSAL::ZvString& GetDescription() const { return m_description; }
    ZvOSAL::ZvURL& GetUrl() { return m_url; }
    const ZvOSAL::ZvURL& GetUrl() const { return m_url; }
    ZvOSAL::ZvVersion& GetVersion() { return m_version; }
    const ZvOSAL::ZvVersion& GetVersion() const { return m_version; }
    // The sha256 attribute as written; empty when the document has none.
    const ZvOSAL::ZvString& GetSha256() const { return m_sha256; }

private:
    void ReadNodes(const ZvOSAL::ZvPath& path);
    void ReadDescription(struct IXmlReader* reader, int bound);

    int m_pugInstaller;
    long long m_fileSize;
    ZvOSAL::ZvPath m_htmlPath;
    ZvOSAL::ZvString m_description;
    ZvOSAL::ZvURL m_url;
    ZvOSAL::ZvVersion m_version;
    ZvOSAL::ZvString m_sha256;
};
