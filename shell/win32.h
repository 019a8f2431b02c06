// The one way the program's sources include the Windows headers: the
// narrow-character ("A") API only, and no min/max macros to trip over
// std::min and std::max.
#ifndef KERFLINE_SHELL_WIN32_H
#define KERFLINE_SHELL_WIN32_H

#ifdef UNICODE
#error "Kerfline uses the narrow-character Win32 API; build without UNICODE"
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef STRICT
#define STRICT
#endif

#include <windows.h>
#include <commdlg.h>

// windef.h defines IN and OUT as empty parameter annotations; the HP-GL core
// has commands of those names (kerfline::IN, kerfline::OUT would vanish).
#undef IN
#undef OUT

#endif
