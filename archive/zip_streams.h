// Private to the archive layer: the stdio functions minizip's writer and
// reader use, opening program paths through the platform.
#pragma once

#include <minizip/ioapi.h>

// minizip's default stdio functions, with the open going through the
// platform (program paths are Windows-1252 with backslashes) and a close
// that reports a write error stdio kept to itself. With `exclusive`, a
// new archive is only made where no file has the name.
void FillArchiveStreamFunctions(zlib_filefunc_def* functions, bool exclusive = false);
