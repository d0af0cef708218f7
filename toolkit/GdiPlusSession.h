// The process-wide GDI+ session. The toolkit's image loaders start it on
// first use (GdiPlusToken); the updater ends it when a run is over
// (EndGdiPlus). Nothing else holds a token.
#pragma once

#include <windows.h>

namespace zvlibs {
namespace graphics {

// One started GDI+ session: GdiplusStartup with default input on
// construction, GdiplusShutdown on destruction.
class CZVGDIPlusToken {
public:
    CZVGDIPlusToken();
    ~CZVGDIPlusToken();

    CZVGDIPlusToken(const CZVGDIPlusToken&) = delete;
    CZVGDIPlusToken& operator=(const CZVGDIPlusToken&) = delete;

    // False when GdiplusStartup failed (drawing then has to do without).
    bool IsStarted() const { return m_started; }

private:
    ULONG_PTR m_token = 0;
    bool m_started = false;
};

// The process-wide token, created on first call. Safe from any thread.
CZVGDIPlusToken& GdiPlusToken();

// True when a token exists.
bool HasGdiPlusToken();

// Destroys the token if one exists (GdiplusShutdown) and clears the pointer,
// so that the next GdiPlusToken() starts a new session. Call it only when no
// drawing is under way.
void EndGdiPlus();

} // namespace graphics
} // namespace zvlibs
