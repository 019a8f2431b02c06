// Layout checks for the 32-bit release. The printing code fills these
// structures field by field and hands them to comdlg32 and gdi32; if the
// headers ever disagreed with the system DLLs about a size (PRINTDLGA is
// byte-packed in 32-bit Windows), PrintDlgA would fail with an error that
// only a user would ever see. The numbers are what 32-bit Windows expects.
// The checks are compiled in both builds but only bind in the 32-bit one.
#include "shell/win32.h"

namespace {
constexpr bool kIs32Bit = sizeof(void*) == 4;
}

static_assert(!kIs32Bit || sizeof(PRINTDLGA) == 66, "PRINTDLGA must be byte-packed, 66 bytes");
static_assert(!kIs32Bit || sizeof(DOCINFOA) == 20, "DOCINFOA must be 20 bytes");
static_assert(!kIs32Bit || sizeof(DEVMODEA::dmDeviceName) == 32, "device names are 32 bytes");
