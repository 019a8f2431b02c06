// What a path names, found out before a byte of it is read or written: the
// file commands take only regular files on a disk. Devices (a serial port
// reads for ever), pipes and folders are refused.
#pragma once

#include <string_view>

namespace kerfline {

// Whether Windows takes the last part of `path` for a device, in any folder:
// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9 in any case, also with
// an extension or with blanks or dots after the name ("AUX.PLT", "nul ",
// "Com1.txt.plt"), and CONIN$ and CONOUT$; or whether the path is in the
// device namespace ("\\.\pipe\...", "\\.\COM12").
bool namesDevice(std::string_view path);

enum class FileKind {
    missing,  // nothing by that name (a new file, for saving)
    regular,  // a regular file on a disk
    other,    // a device, a pipe, a folder, or nothing the program can look at
};

// What `path` names. On Windows the name is tested first, and a device name
// is never opened; the rest is opened without access to the data and asked
// for its type. Elsewhere it is what stat() says, followed through links.
FileKind fileKind(const char* path);

}  // namespace kerfline
