#include "ZvOSAL/ZvURL.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstddef>
#include <cwchar>
#include <iterator>
#include <utility>
#include <vector>

// The member is SetPort, not the winspool macro's SetPortW.
#undef SetPort

namespace ZvOSAL {

const wchar_t* const ZvURL::m_sComponentSeparator = L"/";

namespace {

const wchar_t* const kSchemeSeparator = L"://";

// Names of the protocols 1..5, in the order GetProtocol() tries them: "https"
// comes before "http" so that an https URL is not taken for http.
const wchar_t* const kProtocolNames[] = {L"", L"about", L"file", L"https", L"http", L"javascript"};
const int kProtocolCount = 5;

// UrlEscapeW / UrlUnescapeW into a buffer of length + 1 characters, retried
// once with the size the shell asks for.
ZvString ShellEscape(const ZvString& text, bool escape)
{
    if (text.IsEmpty())
        return ZvString();
    // UrlUnescapeW takes a writable input, although it does not write it when
    // given an output buffer.
    std::vector<wchar_t> input(text.c_str(), text.c_str() + text.GetLength() + 1);
    DWORD size = static_cast<DWORD>(text.GetLength()) + 1;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::vector<wchar_t> output(static_cast<size_t>(size) + 1, 0);
        DWORD capacity = size;
        HRESULT hr = escape ? UrlEscapeW(input.data(), output.data(), &capacity, URL_ESCAPE_SEGMENT_ONLY)
                            : UrlUnescapeW(input.data(), output.data(), &capacity, URL_DONT_UNESCAPE_EXTRA_INFO);
        if (SUCCEEDED(hr))
            return ZvString(output.data());
        if (hr != E_POINTER || capacity <= size)
            break;
        size = capacity;
    }
    return ZvString();
}

} // namespace

ZvURL::ZvURL()
    : m_nParameterCount(0), m_eProtocol(eProtocol_None), m_nPort(0)
{
#if defined(__i386__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
    // The x86 interface: table pointer, parameter map, then the fields in the
    // documented order (the map's own size is the standard library's).
    static_assert(sizeof(EProtocol) == 4 && sizeof(m_nParameterCount) == 4 && sizeof(m_nPort) == 2, "ZvURL types");
    static_assert(offsetof(ZvURL, m_Parameters) == 4, "ZvURL layout");
    static_assert(offsetof(ZvURL, m_nParameterCount) == 4 + sizeof(ParameterMap), "ZvURL layout");
    static_assert(offsetof(ZvURL, m_eProtocol) == offsetof(ZvURL, m_nParameterCount) + 4, "ZvURL layout");
    static_assert(offsetof(ZvURL, m_sHost) == offsetof(ZvURL, m_eProtocol) + 4, "ZvURL layout");
    static_assert(offsetof(ZvURL, m_sDomain) == offsetof(ZvURL, m_sHost) + 4, "ZvURL layout");
    static_assert(offsetof(ZvURL, m_sFragment) == offsetof(ZvURL, m_sHost) + 8, "ZvURL layout");
    static_assert(offsetof(ZvURL, m_sPassword) == offsetof(ZvURL, m_sHost) + 12, "ZvURL layout");
    static_assert(offsetof(ZvURL, m_sPath) == offsetof(ZvURL, m_sHost) + 16, "ZvURL layout");
    static_assert(offsetof(ZvURL, m_sTLD) == offsetof(ZvURL, m_sHost) + 20, "ZvURL layout");
    static_assert(offsetof(ZvURL, m_sUser) == offsetof(ZvURL, m_sHost) + 24, "ZvURL layout");
    static_assert(offsetof(ZvURL, m_sURL) == offsetof(ZvURL, m_sHost) + 28, "ZvURL layout");
    static_assert(offsetof(ZvURL, m_nPort) == offsetof(ZvURL, m_sHost) + 32, "ZvURL layout");
#pragma GCC diagnostic pop
#endif
}

ZvURL::ZvURL(const ZvString& url)
    : m_nParameterCount(0), m_eProtocol(eProtocol_None), m_sURL(url), m_nPort(0)
{
    SplitURL();
}

ZvURL::ZvURL(const wchar_t* url)
    : m_nParameterCount(0), m_eProtocol(eProtocol_None), m_sURL(url), m_nPort(0)
{
    SplitURL();
}

ZvURL::ZvURL(const ZvPath& path)
    : m_nParameterCount(0), m_eProtocol(eProtocol_None), m_nPort(0)
{
    ConvertFromZvPath(path);
}

ZvURL::ZvURL(const ZvURL& other)
    : m_Parameters(other.m_Parameters), m_nParameterCount(other.m_nParameterCount), m_eProtocol(other.m_eProtocol),
      m_sHost(other.m_sHost), m_sDomain(other.m_sDomain), m_sFragment(other.m_sFragment),
      m_sPassword(other.m_sPassword), m_sPath(other.m_sPath), m_sTLD(other.m_sTLD), m_sUser(other.m_sUser),
      m_sURL(other.m_sURL), m_nPort(other.m_nPort)
{
}

ZvURL::~ZvURL() {}

ZvURL& ZvURL::operator=(const ZvString& url)
{
    m_sURL = url;
    SplitURL();
    return *this;
}

ZvURL& ZvURL::operator=(const wchar_t* url)
{
    m_sURL = ZvString(url);
    SplitURL();
    return *this;
}

ZvURL& ZvURL::operator=(const ZvPath& path)
{
    ConvertFromZvPath(path);
    return *this;
}

ZvURL& ZvURL::operator=(const ZvURL& other)
{
    if (this == &other)
        return *this;
    m_Parameters = other.m_Parameters;
    m_nParameterCount = other.m_nParameterCount;
    m_eProtocol = other.m_eProtocol;
    m_sHost = other.m_sHost;
    m_sDomain = other.m_sDomain;
    m_sFragment = other.m_sFragment;
    m_sPassword = other.m_sPassword;
    m_sPath = other.m_sPath;
    m_sTLD = other.m_sTLD;
    m_sUser = other.m_sUser;
    m_sURL = other.m_sURL;
    m_nPort = other.m_nPort;
    return *this;
}

bool ZvURL::operator==(const ZvURL& other) const { return m_sURL == other.m_sURL; }
bool ZvURL::operator==(const wchar_t* other) const { return m_sURL == other; }
bool ZvURL::operator==(const ZvString& other) const { return m_sURL == other; }

bool ZvURL::IsEmpty() const { return m_sURL.IsEmpty() != 0; }

void ZvURL::Empty()
{
    m_sURL.Empty();
    SplitURL();
}

// ---- Protocol ----

ZvURL::EProtocol ZvURL::GetProtocol() const
{
    for (int protocol = 1; protocol <= kProtocolCount; ++protocol) {
        if (m_sURL.StartsWith(kProtocolNames[protocol]))
            return static_cast<EProtocol>(protocol);
    }
    return eProtocol_None;
}

ZvURL::EProtocol ZvURL::GetProtocol(const ZvString& scheme)
{
    ZvString name = scheme;
    if (name.EndsWith(kSchemeSeparator))
        name = name.Left(name.GetLength() - 3);
    for (int protocol = 1; protocol <= kProtocolCount; ++protocol) {
        if (name.CompareNoCase(kProtocolNames[protocol]) == 0)
            return static_cast<EProtocol>(protocol);
    }
    return eProtocol_None;
}

ZvString ZvURL::GetProtocol(EProtocol protocol)
{
    if (protocol < 1 || protocol > kProtocolCount)
        return ZvString();
    return ZvString(kProtocolNames[protocol]);
}

void ZvURL::SetProtocol(EProtocol protocol)
{
    m_eProtocol = protocol;
    BuildURL();
}

// ---- Parts ----

void ZvURL::SetUser(const ZvString& user)
{
    m_sUser = user;
    BuildURL();
}

void ZvURL::SetPassword(const ZvString& password)
{
    m_sPassword = password;
    BuildURL();
}

void ZvURL::SetHost(const ZvString& host)
{
    m_sHost = host;
    BuildURL();
}

void ZvURL::SetDomain(const ZvString& domain)
{
    m_sDomain = domain;
    BuildURL();
}

void ZvURL::SetTLD(ZvString tld)
{
    m_sTLD = tld;
    BuildURL();
}

void ZvURL::SetPort(unsigned short port)
{
    m_nPort = port;
    BuildURL();
}

void ZvURL::SetPath(const ZvString& path)
{
    m_sPath = path;
    BuildURL();
}

void ZvURL::SetFragment(const ZvString& fragment)
{
    m_sFragment = fragment;
    BuildURL();
}

ZvString ZvURL::GetFQDN() const
{
    ZvString fqdn = m_sHost;
    if (!m_sDomain.IsEmpty()) {
        fqdn += L'.';
        fqdn += m_sDomain;
    }
    if (!m_sTLD.IsEmpty()) {
        fqdn += L'.';
        fqdn += m_sTLD;
    }
    return fqdn;
}

// ---- Parameters ----

bool ZvURL::GetParameter(unsigned int index, ZvString& name, ZvString& value) const
{
    if (index >= m_Parameters.size())
        return false;
    ParameterMap::const_iterator it = std::next(m_Parameters.begin(), static_cast<std::ptrdiff_t>(index));
    name = it->first;
    value = it->second;
    return true;
}

bool ZvURL::AddParameter(const ZvString& name, const ZvString& value)
{
    bool inserted = m_Parameters.insert(std::make_pair(name, value)).second;
    m_nParameterCount = static_cast<unsigned int>(m_Parameters.size());
    BuildURL();
    return inserted;
}

bool ZvURL::RemoveParameter(unsigned int index)
{
    if (index >= m_Parameters.size())
        return false;
    m_Parameters.erase(std::next(m_Parameters.begin(), static_cast<std::ptrdiff_t>(index)));
    m_nParameterCount = static_cast<unsigned int>(m_Parameters.size());
    return true;
}

// ---- Escaping ----

ZvString ZvURL::Escaping(const ZvString& text) { return ShellEscape(text, true); }

ZvString ZvURL::UnEscaping(const ZvString& text) { return ShellEscape(text, false); }

void ZvURL::Escaping()
{
    EscapeOrUnescape(eComponent_Parameters, true);
    EscapeOrUnescape(eComponent_Fragment, true);
}

void ZvURL::UnEscaping()
{
    EscapeOrUnescape(eComponent_Parameters, false);
    EscapeOrUnescape(eComponent_Fragment, false);
}

void ZvURL::Escaping(EComponent component) { EscapeOrUnescape(component, true); }

void ZvURL::UnEscaping(EComponent component) { EscapeOrUnescape(component, false); }

void ZvURL::EscapeOrUnescape(EComponent component, bool escape)
{
    switch (component) {
    case eComponent_Parameters: {
        // Each "name=value" is treated as a whole and split again at its
        // first "=".
        std::vector<ZvString> treated;
        treated.reserve(m_Parameters.size());
        for (ParameterMap::const_iterator it = m_Parameters.begin(); it != m_Parameters.end(); ++it) {
            ZvString pair = it->first + L"=" + it->second;
            treated.push_back(escape ? Escaping(pair) : UnEscaping(pair));
        }
        m_Parameters.clear();
        for (size_t i = 0; i < treated.size(); ++i) {
            int equals = treated[i].Find(L'=');
            if (equals < 0)
                continue;
            m_Parameters.insert(std::make_pair(treated[i].Left(equals), treated[i].Mid(equals + 1)));
        }
        m_nParameterCount = static_cast<unsigned int>(m_Parameters.size());
        break;
    }
    case eComponent_Fragment:
        m_sFragment = escape ? Escaping(m_sFragment) : UnEscaping(m_sFragment);
        break;
    case eComponent_URL:
        // Replaced again by the rebuild below.
        m_sURL = escape ? Escaping(m_sURL) : UnEscaping(m_sURL);
        break;
    default:
        break;
    }
    BuildURL();
}

// ---- Paths ----

void ZvURL::ConvertFromZvPath(const ZvPath& path)
{
    ZvString text = path.ToString();
    bool network = path.IsUNC() || path.IsURL();
    if (network)
        text.TrimLeft(L'\\');
    text = Escaping(text);
    text.Replace(L"%5C", m_sComponentSeparator);
    ZvString url = GetProtocol(eProtocol_File) + kSchemeSeparator;
    if (!network)
        url += m_sComponentSeparator; // file:///C:/...
    url += text;
    m_sURL = url;
    SplitURL();
}

bool ZvURL::ConvertToZvPath(ZvPath& out, bool unescape) const
{
    if (m_eProtocol != eProtocol_File || m_sPath.IsEmpty())
        return false;
    ZvString path = unescape ? UnEscaping(m_sPath) : m_sPath;
    path.Replace(L'/', L'\\');
    if (!m_sHost.IsEmpty())
        path = L"\\\\" + m_sHost + L"\\" + path;
    out = path;
    return true;
}

// ---- Parsing and building ----

void ZvURL::SplitURL()
{
    m_Parameters.clear();
    m_nParameterCount = 0;
    m_eProtocol = eProtocol_None;
    m_nPort = 0;
    m_sHost.Empty();
    m_sDomain.Empty();
    m_sFragment.Empty();
    m_sPassword.Empty();
    m_sPath.Empty();
    m_sTLD.Empty();
    m_sUser.Empty();

    int schemeEnd = m_sURL.Find(kSchemeSeparator);
    if (schemeEnd < 0)
        return;
    m_eProtocol = GetProtocol(m_sURL.Left(schemeEnd));
    ZvString rest = m_sURL.Mid(schemeEnd + 3);

    // user[:password]@
    int at = rest.Find(L'@');
    if (at >= 0) {
        ZvString userInfo = rest.Left(at);
        rest = rest.Mid(at + 1);
        int colon = userInfo.Find(L':');
        if (colon >= 0) {
            m_sUser = userInfo.Left(colon);
            m_sPassword = userInfo.Mid(colon + 1);
        } else {
            m_sUser = userInfo;
        }
    }

    // host[.domain][.tld], up to the first "/" or ":"
    ZvString hostPart;
    int hostEnd = rest.FindOneOf(L"/:");
    if (hostEnd < 0) {
        hostPart = rest;
        rest.Empty();
    } else {
        hostPart = rest.Left(hostEnd);
        rest = rest.Mid(hostEnd);
    }
    int dot = hostPart.ReverseFind(L'.');
    if (dot >= 0) {
        m_sTLD = hostPart.Mid(dot + 1);
        ZvString remaining = hostPart.Left(dot);
        int second = remaining.ReverseFind(L'.');
        if (second >= 0) {
            m_sHost = remaining.Left(second);
            m_sDomain = remaining.Mid(second + 1);
        } else {
            m_sHost = remaining;
        }
    } else {
        m_sHost = hostPart;
    }

    // :port, read only when a "/" follows; otherwise the rest is not parsed.
    int slash = rest.Find(L'/');
    if (rest.Find(L':') >= 0) {
        if (slash < 0)
            return;
        ZvString port = rest.Left(slash);
        if (!port.IsEmpty() && port[0] == L':')
            port = port.Mid(1);
        m_nPort = static_cast<unsigned short>(wcstoul(port, nullptr, 10));
        rest = rest.Mid(slash);
        slash = 0;
    }

    // /path
    if (slash >= 0) {
        int end = rest.FindOneOf(L"?#");
        if (end < 0) {
            m_sPath = rest;
            m_sPath.TrimLeft(L'/');
            return;
        }
        m_sPath = end > 1 ? rest.Mid(1, end - 1) : ZvString();
        rest = rest.Mid(end);
    }

    // ?name=value&...
    if (!rest.IsEmpty() && rest[0] == L'?') {
        int hash = rest.Find(L'#');
        ZvString query = hash < 0 ? rest.Mid(1) : rest.Mid(1, hash - 1);
        rest = hash < 0 ? ZvString() : rest.Mid(hash);
        ZvStringList pieces;
        query.Tokenize(L"&", pieces);
        for (ZvStringList::const_iterator it = pieces.begin(); it != pieces.end(); ++it) {
            int equals = it->Find(L'=');
            if (equals < 0)
                continue;
            m_Parameters.insert(std::make_pair(it->Left(equals), it->Mid(equals + 1)));
        }
        m_nParameterCount = static_cast<unsigned int>(m_Parameters.size());
    }

    // #fragment
    if (!rest.IsEmpty() && rest[0] == L'#')
        m_sFragment = rest.Mid(1);
}

void ZvURL::BuildURL()
{
    ZvString url = GetProtocol(m_eProtocol) + kSchemeSeparator;
    if (!m_sUser.IsEmpty() || !m_sPassword.IsEmpty()) {
        url += m_sUser;
        if (!m_sPassword.IsEmpty()) {
            url += L':';
            url += m_sPassword;
        }
        url += L'@';
    }
    url += GetFQDN();
    if (m_nPort != 0) {
        ZvString port;
        port.Format(L":%u", static_cast<unsigned int>(m_nPort));
        url += port;
    }
    if (!m_sPath.IsEmpty()) {
        url += m_sComponentSeparator;
        url += m_sPath;
    }
    bool first = true;
    for (ParameterMap::const_iterator it = m_Parameters.begin(); it != m_Parameters.end(); ++it) {
        url += first ? L'?' : L'&';
        first = false;
        url += it->first;
        url += L'=';
        url += it->second;
    }
    if (!m_sFragment.IsEmpty()) {
        url += L'#';
        url += m_sFragment;
    }
    m_sURL = url;
}

} // namespace ZvOSAL
