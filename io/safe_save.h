// Saving a file without ever leaving it half-written: the new bytes go to a
// temporary file beside it, which replaces it only once every byte, the
// flush to the disk and the close have succeeded, so that a power cut
// leaves the old file or the new one. On any failure the old file stays exactly as it was
// and the temporary file is removed.
#pragma once

#include <functional>

#include "hpgl/stream.h"

namespace kerfline {

// Writes the file's whole content into the stream it is given. It need not
// report errors: a failed write shows in the stream, which saveReplacing
// checks.
using ContentWriter = std::function<void(OutputStream&)>;

// Saves to `path` through FileOutput (LF written as CR LF). True when the
// file now holds exactly what `write` wrote. A read-only `path` is not
// replaced, as Windows would refuse it too, nor one that is not a regular
// file (a folder, a FIFO, a device).
bool saveReplacing(const char* path, const ContentWriter& write);

}  // namespace kerfline
