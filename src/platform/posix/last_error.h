#pragma once

// POSIX only: the code that LastErrorCode answers. The file services set it from a file of
// their own, which a program may replace (the fuzz targets keep their files in memory).

namespace zr::platform::posix {

void SetLastErrorCode(int code);

}  // namespace zr::platform::posix
