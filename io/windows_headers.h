// The program's one include of <windows.h>, for Windows builds only: the
// narrow-character ("A") API, no min/max macros to trip over std::min and
// std::max, and no IN and OUT. Everything else that needs Windows includes
// this, directly or through drawing/gdi.h.
#pragma once

#ifdef _WIN32
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
// windef.h defines IN and OUT as empty parameter annotations; IN is also an
// HP-GL instruction of ours (mnemonic::IN would vanish).
#undef IN
#undef OUT
#endif
