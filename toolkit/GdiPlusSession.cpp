#include "GdiPlusSession.h"

#include <gdiplus.h>

#include <atomic>

namespace zvlibs {
namespace graphics {

namespace {
std::atomic<CZVGDIPlusToken*> g_token{nullptr};
}

CZVGDIPlusToken::CZVGDIPlusToken()
{
    Gdiplus::GdiplusStartupInput input;
    m_started = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
}

CZVGDIPlusToken::~CZVGDIPlusToken()
{
    if (m_started)
        Gdiplus::GdiplusShutdown(m_token);
}

CZVGDIPlusToken& GdiPlusToken()
{
    CZVGDIPlusToken* current = g_token.load();
    if (current)
        return *current;
    // Two first users may race: the loser ends its own session and uses the
    // winner's (GDI+ counts startups, so this is harmless).
    auto* created = new CZVGDIPlusToken();
    if (g_token.compare_exchange_strong(current, created))
        return *created;
    delete created;
    return *current;
}

bool HasGdiPlusToken()
{
    return g_token.load() != nullptr;
}

void EndGdiPlus()
{
    delete g_token.exchange(nullptr);
}

} // namespace graphics
} // namespace zvlibs
